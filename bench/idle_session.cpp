// How a door session that waits for a key behaves while the caller is
// idle: the processor time it uses (goal: under 0.1 s per idle minute)
// and how soon a byte that arrives on its connection comes out of
// od_get_key (goal: under 5 ms). Rows of the benchmark table.
//
//   bench_idle_session [idle seconds, default 60]
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/table.h"
#include "doorkit/doorkit.h"

namespace {

constexpr int kLatencyRounds = 50;

long long NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// The door: a local session over the socket pair that reports every key
// with the moment od_get_key returned it.
[[noreturn]] void RunDoor(int fd)
{
    dup2(fd, STDIN_FILENO);
    dup2(fd, STDOUT_FILENO);
    close(fd);
    char name[] = "bench_idle_session";
    char local[] = "-L";
    char* argv[] = {name, local, nullptr};
    od_parse_cmd_line(2, argv);
    od_init();
    od_control.inactivity_seconds = 0;
    od_control.disable_flags |= OD_DISABLE_TIMELIMIT;
    od_disp_str("ready\n");
    for (;;) {
        int key = od_get_key(true);
        long long at = NowNs();
        char line[64];
        int size = std::snprintf(line, sizeof line, "%d %lld\n", key, at);
        od_disp(line, size, false);
        if (key == 'Q' || key == 0)
            break;
    }
    od_exit(0, false);
    std::_Exit(0);
}

// One line from the door, or an empty string after two seconds.
std::string ReadLine(int fd)
{
    std::string line;
    char c = 0;
    while (line.empty() || line.back() != '\n') {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 2000) != 1 || read(fd, &c, 1) != 1)
            return {};
        line += c;
    }
    return line;
}

double CpuSeconds(clockid_t clock)
{
    timespec ts{};
    if (clock_gettime(clock, &ts) != 0)
        return -1;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    std::size_t at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    return values[at];
}

}  // namespace

int main(int argc, char* argv[])
{
    int idle_seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    if (idle_seconds < 1) {
        std::fprintf(stderr, "usage: %s [idle seconds]\n", argv[0]);
        return 2;
    }
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        std::perror("socketpair");
        return 1;
    }
    pid_t door = fork();
    if (door < 0) {
        std::perror("fork");
        return 1;
    }
    if (door == 0) {
        close(fds[0]);
        RunDoor(fds[1]);
    }
    close(fds[1]);
    const int caller = fds[0];
    if (ReadLine(caller) != "ready\n") {
        std::fprintf(stderr, "the door did not start\n");
        kill(door, SIGKILL);
        return 1;
    }

    clockid_t door_cpu{};
    if (clock_getcpuclockid(door, &door_cpu) != 0) {
        std::fprintf(stderr, "cannot read the door's processor time\n");
        kill(door, SIGKILL);
        return 1;
    }
    double cpu_before = CpuSeconds(door_cpu);
    sleep(static_cast<unsigned>(idle_seconds));
    double cpu_idle = CpuSeconds(door_cpu) - cpu_before;
    double per_minute = cpu_idle * 60.0 / idle_seconds;

    std::vector<double> latencies;
    for (int round = 0; round < kLatencyRounds; ++round) {
        usleep(20000);
        long long sent = NowNs();
        if (write(caller, "a", 1) != 1)
            break;
        std::string line = ReadLine(caller);
        int key = 0;
        long long returned = 0;
        if (std::sscanf(line.c_str(), "%d %lld", &key, &returned) != 2 || key != 'a')
            break;
        latencies.push_back(static_cast<double>(returned - sent) / 1e6);
    }
    if (write(caller, "Q", 1) != 1)
        kill(door, SIGKILL);
    int status = 0;
    waitpid(door, &status, 0);

    bench_row("od_get_key waiting, idle: CPU per minute", bench_format("%.4f s", per_minute), "-",
              "< 0.1 s");
    if (latencies.size() != kLatencyRounds) {
        bench_row("byte -> od_get_key", bench_format("failed after %zu keys", latencies.size()), "-",
                  "< 5 ms");
        return 1;
    }
    bench_row("byte -> od_get_key, socket pair",
              bench_format("%.3f ms", Percentile(latencies, 0.5)),
              bench_format("95%% %.3f ms, max %.3f ms", Percentile(latencies, 0.95),
                           Percentile(latencies, 1.0)),
              "< 5 ms");
    return 0;
}
