#include "game/interbbs.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "doorkit/core/control.h"
#include "game/data_file.h"
#include "game/game_log.h"
#include "game/score_line.h"

int interbbs_enabled = 0;
char bbs_name[BBS_NAME_SIZE] = "VEXA ONLINE";

namespace {

constexpr std::size_t kConfigReadLimit = 4095;

bool is_gap(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The sharing switch: the first "enabled" after "score_sharing".
void read_sharing_switch(std::string_view text)
{
    std::size_t at = text.find("\"score_sharing\"");
    if (at == std::string_view::npos)
        return;
    at = text.find("\"enabled\"", at);
    if (at == std::string_view::npos)
        return;
    at = text.find(':', at);
    if (at == std::string_view::npos)
        return;
    ++at;
    while (at < text.size() && is_gap(text[at]))
        ++at;
    interbbs_enabled = text.substr(at, 4) == "true" ? 1 : 0;
}

void read_board_name(std::string_view text)
{
    std::size_t at = text.find("\"bbs_name\"");
    if (at == std::string_view::npos)
        return;
    at = text.find(':', at);
    if (at == std::string_view::npos)
        return;
    std::size_t open = text.find('"', at);
    if (open == std::string_view::npos)
        return;
    std::size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos)
        return;
    std::size_t length = close - open - 1;
    if (length >= 1 && length < BBS_NAME_SIZE) {
        char name[BBS_NAME_SIZE];
        ODCopyField(name, text.substr(open + 1, length));
        // Shown on every screen: no control byte of the file reaches the
        // caller's terminal.
        safe_field(bbs_name, sizeof bbs_name, name, BBS_NAME_SIZE - 1, false);
    }
}

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

void apply_config_text(const char* text, std::size_t length)
{
    if (text == nullptr)
        return;
    std::string_view view(text, strnlen(text, length));
    read_sharing_switch(view);
    read_board_name(view);
}

void load_config()
{
    std::FILE* file = std::fopen("grimbo.json", "rbe");
    if (file == nullptr)
        return;
    char text[kConfigReadLimit + 1];
    std::size_t got = std::fread(text, 1, kConfigReadLimit, file);
    std::fclose(file);
    text[got] = '\0';
    apply_config_text(text, got);
}

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
