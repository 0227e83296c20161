// What a door or a chat request may leave behind that it must not: child
// processes still running, temporary files in /tmp.
#ifndef TESTS_SUPPORT_LEFTOVERS_H
#define TESTS_SUPPORT_LEFTOVERS_H

#include <sys/types.h>

#include <set>
#include <string>

namespace grimbo_test {

// The process ids of every child of `pid`'s threads, as /proc lists them
// ("" when it has none).
std::string children_of(pid_t pid);

// The names of the chat's temporary files in /tmp.
std::set<std::string> chat_temp_files();

}  // namespace grimbo_test

#endif
