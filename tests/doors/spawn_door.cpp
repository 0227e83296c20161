// A door that starts a long-running program the way a careless door would
// (every descriptor inherited), names its process id on standard error,
// and ends when the caller types Q while that program still runs.
#include <unistd.h>

#include <cstdio>

#include "doorkit/doorkit.h"

int main(int argc, char* argv[])
{
    od_parse_cmd_line(argc, argv);
    // The reservation file and the log are open from here on.
    od_reserve_configure("door.reserve");
    od_init();
    od_log_write("spawning");
    pid_t child = fork();
    if (child == 0) {
        execl("/bin/sleep", "sleep", "5", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::fprintf(stderr, "child %d\n", static_cast<int>(child));
    std::fflush(stderr);
    od_disp_str("ready\r\n");
    while (od_get_key(true) != 'Q') {
    }
    od_exit(0, false);
}
