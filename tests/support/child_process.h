// Runs a piece of a test in a forked child, so that process-wide state (the
// door kit's session, signals, the environment) and a process exit stay
// there. The child's standard output and error are captured.
#ifndef TESTS_SUPPORT_CHILD_PROCESS_H
#define TESTS_SUPPORT_CHILD_PROCESS_H

#include <functional>
#include <string>

namespace grimbo_test {

struct ChildResult {
    bool exited = false;   // ended through exit(); `status` is valid
    int status = -1;
    int signal = 0;        // the signal that ended it otherwise
    bool timed_out = false;
    std::string out;
    std::string err;
};

// Runs `body` in a child whose standard input is /dev/null and whose
// standard output and error go to pipes. Its return value becomes the exit
// status (after flushing the streams). A child still running after
// `timeout_ms` is killed.
ChildResult run_in_child(const std::function<int()>& body, int timeout_ms = 30000);

}  // namespace grimbo_test

#endif
