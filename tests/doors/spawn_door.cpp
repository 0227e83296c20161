// A door that starts a long-running program the way a careless door would
// (every descriptor inherited), names on standard error the descriptors it
// was born with and the program's process id, and ends when the caller
// types Q while that program still runs.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "doorkit/doorkit.h"

namespace {

void name_descriptors_born_with()
{
    std::fprintf(stderr, "born");
    if (DIR* d = opendir("/proc/self/fd")) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.' && std::atoi(e->d_name) != dirfd(d))
                std::fprintf(stderr, " %s", e->d_name);
        }
        closedir(d);
    }
    std::fprintf(stderr, "\n");
}

}  // namespace

int main(int argc, char* argv[])
{
    name_descriptors_born_with();
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
