#include "chat/request.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace vexa {

int request_time_limit_ms = 10000;

namespace {

// One exclusively created file under /tmp, removed when the call ends.
struct temp_file {
    char path[40] = {};
    int fd = -1;

    bool create(const char* name) {
        std::snprintf(path, sizeof path, "/tmp/vexa-chat-%s-XXXXXX", name);
        fd = mkostemp(path, O_CLOEXEC);
        if (fd < 0) path[0] = '\0';
        return fd >= 0;
    }
    bool close_now() {
        int result = fd >= 0 ? ::close(fd) : 0;
        fd = -1;
        return result == 0;
    }
    ~temp_file() {
        close_now();
        if (path[0] != '\0') ::unlink(path);
    }
};

bool write_all(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

// The child starts with default dispositions and nothing blocked: the door
// blocks SIGHUP and ignores SIGPIPE, and curl must not inherit either.
struct spawn_setup {
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    bool attr_ready = false;
    bool actions_ready = false;

    bool prepare(int error_fd) {
        attr_ready = posix_spawnattr_init(&attr) == 0;
        actions_ready = posix_spawn_file_actions_init(&actions) == 0;
        if (!attr_ready || !actions_ready) return false;
        sigset_t defaults;
        sigset_t empty;
        sigfillset(&defaults);
        sigdelset(&defaults, SIGKILL);
        sigdelset(&defaults, SIGSTOP);
        sigemptyset(&empty);
        return posix_spawnattr_setsigdefault(&attr, &defaults) == 0 &&
               posix_spawnattr_setsigmask(&attr, &empty) == 0 &&
               posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) == 0 &&
               posix_spawn_file_actions_adddup2(&actions, error_fd, STDOUT_FILENO) == 0 &&
               posix_spawn_file_actions_adddup2(&actions, error_fd, STDERR_FILENO) == 0;
    }
    ~spawn_setup() {
        if (attr_ready) posix_spawnattr_destroy(&attr);
        if (actions_ready) posix_spawn_file_actions_destroy(&actions);
    }
};

// Waits for the child; a child past the time limit is killed. True only
// when curl ended normally with status 0.
bool wait_success(pid_t pid) {
    const long step_ns = 10 * 1000 * 1000;
    long waited_ms = 0;
    for (;;) {
        int status = 0;
        pid_t got = ::waitpid(pid, &status, WNOHANG);
        if (got == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (got < 0 && errno != EINTR) return false;
        if (waited_ms >= request_time_limit_ms) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        timespec pause{0, step_ns};
        ::nanosleep(&pause, nullptr);
        waited_ms += 10;
    }
}

// Reads the whole reply; false when it cannot be read or does not fit.
bool read_reply(const char* path, char* reply, std::size_t reply_size) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::size_t used = 0;
    bool ok = true;
    while (used < reply_size - 1) {
        ssize_t n = ::read(fd, reply + used, reply_size - 1 - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        used += static_cast<std::size_t>(n);
    }
    if (ok && used == reply_size - 1) {
        char extra;
        ssize_t n;
        while ((n = ::read(fd, &extra, 1)) < 0 && errno == EINTR) {
        }
        ok = n == 0;
    }
    ::close(fd);
    if (ok) reply[used] = '\0';
    return ok;
}

}  // namespace

int request(const char* url, const char* body, const char* signature, char* reply,
            std::size_t reply_size) {
    // A URL that curl would take for an option is never passed on.
    if (url == nullptr || body == nullptr || reply == nullptr || reply_size == 0 || url[0] == '-')
        return 0;

    temp_file in, out, error;
    if (!in.create("in") || !out.create("out") || !error.create("error")) return 0;
    bool written = write_all(in.fd, body, std::strlen(body));
    if (!in.close_now() || !written || !out.close_now()) return 0;

    char header[128];
    int n = std::snprintf(header, sizeof header, "X-Vexa-Signature: %s",
                          signature != nullptr ? signature : "");
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof header) return 0;
    char data[48];
    std::snprintf(data, sizeof data, "@%s", in.path);

    const char* argv[] = {
        "curl", "-q", "--fail", "--silent", "--max-time", "4", "--connect-timeout", "2",
        "--max-filesize", "32768", "--proto", "=https", "--output", out.path,
        "--header", "Content-Type: application/json", "--header", header,
        "--data-binary", data, url, nullptr,
    };

    spawn_setup setup;
    if (!setup.prepare(error.fd)) return 0;
    pid_t pid = -1;
    if (::posix_spawnp(&pid, "curl", &setup.actions, &setup.attr,
                       const_cast<char* const*>(argv), environ) != 0)
        return 0;
    error.close_now();
    if (!wait_success(pid)) return 0;
    return read_reply(out.path, reply, reply_size) ? 1 : 0;
}

}  // namespace vexa
