// Shared steps of the session tests. Every test that starts or ends a
// session does so inside run_in_child.
#ifndef TESTS_DOORKIT_SESSION_SESSION_HELPERS_H
#define TESTS_DOORKIT_SESSION_SESSION_HELPERS_H

#include <cstdio>
#include <cstdlib>

#include "doorkit/doorkit.h"
#include "tests/support/child_process.h"

// Inside a child: report the first failed condition on standard error and
// end the child with status 1.
#define CHILD_CHECK(cond)                                                          \
    do {                                                                           \
        if (!(cond)) {                                                             \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #cond, __LINE__); \
            return 1;                                                              \
        }                                                                          \
    } while (0)

namespace grimbo_test {

// No drop-file directory or BBSDEV.DRP may leak in from the test's
// surroundings.
inline void clear_door_environment()
{
    for (const char* name : {"BBSDEV_DRP", "TASK", "SBBSNNUM", "RA", "QUICK", "PCB", "BBS",
                             "WCNODEID", "SBBSNODE"})
        unsetenv(name);
}

// Starts a session on information the application supplied itself, over
// standard input and output.
inline void start_preset_session()
{
    clear_door_environment();
    od_control.drop_file_kind = OD_DROP_PRESET;
    od_control.port = 65535;
    od_init();
}

}  // namespace grimbo_test

#endif
