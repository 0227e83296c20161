// The background run of the sharing tool: started detached in a session of
// its own, never waited for; a tool that cannot start is noted in the log.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "game/data_file.h"
#include "game/game_log.h"
#include "game/interbbs.h"

namespace {

// What went wrong before the tool ran, sent back from the children: which
// step failed and its error number. Nothing arrives when the tool started.
struct start_failure {
    int step;
    int error;
};

enum : int { kStepSession = 1, kStepFork = 2, kStepExec = 3 };

constexpr const char* kToolPath = "./GRIMBO-CONFIG";
// How long the door waits to hear whether the tool started; it never waits
// for the tool itself.
constexpr int kStartReportMs = 2000;

// Only calls that are safe between fork and exec.
[[noreturn]] void fail_start(int report, int step)
{
    const start_failure failure{step, errno};
    if (write(report, &failure, sizeof failure) < 0) {
        // The door then cannot tell; the tool still did not run.
    }
    _exit(127);
}

// Closes every descriptor above standard error except `keep`.
void close_others(int keep)
{
    const unsigned above = STDERR_FILENO + 1;
    const auto kept = static_cast<unsigned>(keep);
    const bool ranged = keep > STDERR_FILENO
                            ? (kept == above || close_range(above, kept - 1, 0) == 0) &&
                                  close_range(kept + 1, ~0U, 0) == 0
                            : close_range(above, ~0U, 0) == 0;
    if (ranged)
        return;
    long limit = sysconf(_SC_OPEN_MAX);
    if (limit < 0 || limit > 65536)
        limit = 65536;
    for (int fd = STDERR_FILENO + 1; fd < limit; ++fd) {
        if (fd != keep)
            close(fd);
    }
}

// Everything the grandchild does before it becomes the tool. Only calls that
// are safe between fork and exec: the door process may hold other threads.
// `report` is close-on-exec: the door sees it close when the tool starts.
[[noreturn]] void become_sync_tool(int report)
{
    // Not close-on-exec: when 0-2 were closed it may itself be one of them.
    int null_fd = open("/dev/null", O_RDWR);
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        // Without /dev/null the caller's line must still not reach the tool.
        if (null_fd < 0)
            close(fd);
        else if (null_fd != fd)
            dup2(null_fd, fd);
    }
    // The tool must not hold the caller's connection (or any other
    // descriptor of the door) open after the door ends.
    close_others(report);

    // The door catches its stop signals and ignores SIGPIPE; the tool starts
    // clean.
    struct sigaction plain {};
    plain.sa_handler = SIG_DFL;
    sigemptyset(&plain.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig)
        sigaction(sig, &plain, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);

    execl(kToolPath, "GRIMBO-CONFIG", "--sync", static_cast<char*>(nullptr));
    fail_start(report, kStepExec);
}

// Waits briefly for the children's word; false with `failure` filled when
// the tool did not start.
bool tool_started(int report, start_failure& failure)
{
    pollfd wait{report, POLLIN, 0};
    int ready = 0;
    do {
        ready = poll(&wait, 1, kStartReportMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return true;  // no word in time: nothing known against it
    ssize_t got = 0;
    do {
        got = read(report, &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    return got != static_cast<ssize_t>(sizeof failure);
}

void log_start_failure(const start_failure& failure)
{
    const char* step = failure.step == kStepExec ? kToolPath
                       : failure.step == kStepFork ? "a second process could not be made"
                                                   : "a session of its own could not be made";
    game_log_failure("sharing tool did not start", step, failure.error);
}

}  // namespace

void interbbs_sync_background()
{
    if (interbbs_enabled != 1)
        return;
    int probe = open("hub/sync.json", O_RDONLY | O_CLOEXEC);
    if (probe < 0)
        return;
    close(probe);

    // Close-on-exec: the tool starting closes it, so a read sees the end.
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        ends[0] = -1;
        ends[1] = -1;
    }
    owned_fd report(ends[0]);
    owned_fd report_write(ends[1]);

    pid_t child = fork();
    if (child < 0) {
        game_log_failure("sharing tool did not start", "a process could not be made", errno);
        return;
    }
    if (child == 0) {
        // Never exit(): that would run the door kit's exit handler here.
        if (setsid() < 0)
            fail_start(report_write.get(), kStepSession);
        pid_t grandchild = fork();
        if (grandchild < 0)
            fail_start(report_write.get(), kStepFork);
        if (grandchild == 0)
            become_sync_tool(report_write.get());
        _exit(0);
    }
    report_write.reset();
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    start_failure failure{};
    if (report && !tool_started(report.get(), failure))
        log_start_failure(failure);
}
