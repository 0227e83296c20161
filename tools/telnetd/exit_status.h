// What a door's exit status tells the sysop.
#ifndef TOOLS_TELNETD_EXIT_STATUS_H
#define TOOLS_TELNETD_EXIT_STATUS_H

#include <string>

// Status 127: the door program could not be started at all.
inline constexpr int kCannotStart = 127;

// "status 0: the caller left normally ..." for a wait status.
std::string describe_wait_status(int wait_status);

#endif
