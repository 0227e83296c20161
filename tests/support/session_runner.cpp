#include "tests/support/session_runner.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace grimbo_test {

namespace {

using Clock = std::chrono::steady_clock;

int ms_since(Clock::time_point t)
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

void close_fd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// A connected pair of TCP sockets over loopback: {caller, door}.
bool tcp_pair(int& caller, int& door)
{
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bool ok = bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
              listen(listener, 1) == 0 &&
              getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) == 0;
    if (ok) {
        caller = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ok = caller >= 0 && connect(caller, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    if (ok) {
        door = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        ok = door >= 0;
    }
    close(listener);
    return ok;
}

std::string substitute_fd(const std::string& arg, int fd)
{
    std::string out = arg;
    auto at = out.find("{fd}");
    if (at != std::string::npos)
        out.replace(at, 4, std::to_string(fd));
    return out;
}

}  // namespace

void use_fake_clock(DoorLaunch& launch, const std::string& clock)
{
    launch.env.emplace_back("LD_PRELOAD", FAKETIME_LIBRARY);
    launch.env.emplace_back("FAKETIME", clock);
    // The clock library is preloaded ahead of a sanitizer runtime.
    launch.env.emplace_back("ASAN_OPTIONS", "verify_asan_link_order=0");
}

DoorRun::~DoorRun()
{
    if (pid_ > 0 && !exited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    close_fd(caller_);
    close_fd(pty_slave_);
    close_fd(errors_fd_);
    if (own_workdir_)
        remove_tree(workdir_);
}

bool DoorRun::start(const DoorLaunch& launch)
{
    workdir_ = launch.workdir;
    if (workdir_.empty()) {
        char tmpl[] = "/tmp/gdoorXXXXXX";
        if (mkdtemp(tmpl) == nullptr)
            return false;
        workdir_ = tmpl;
        own_workdir_ = true;
    }

    int door = -1;
    int err_pipe[2] = {-1, -1};
    if (launch.link == Link::Pty) {
        winsize ws{};
        ws.ws_row = static_cast<unsigned short>(launch.rows);
        ws.ws_col = static_cast<unsigned short>(launch.columns);
        if (openpty(&caller_, &door, nullptr, nullptr, &ws) != 0)
            return false;
        fcntl(caller_, F_SETFD, FD_CLOEXEC);
        pty_slave_ = fcntl(door, F_DUPFD_CLOEXEC, 3);
        initial_pty_ = pty_settings();
    } else {
        if (pipe2(err_pipe, O_CLOEXEC) != 0)
            return false;
        if (launch.link == Link::SocketPair) {
            int sv[2];
            if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
                return false;
            caller_ = sv[0];
            door = sv[1];
        } else if (!tcp_pair(caller_, door)) {
            return false;
        }
    }

    std::vector<std::string> argv_s{launch.program};
    for (const auto& a : launch.args)
        argv_s.push_back(substitute_fd(a, launch.handed_fd));
    std::vector<std::string> env_s{"PATH=/usr/local/bin:/usr/bin:/bin", "HOME=" + workdir_,
                                   "TERM=xterm"};
    for (const auto& [k, v] : launch.env) {
        // A launch may replace one of the defaults (a test's own PATH).
        const std::string prefix = k + "=";
        bool replaced = false;
        for (std::string& entry : env_s)
            if (!replaced && entry.compare(0, prefix.size(), prefix) == 0) {
                entry = prefix + v;
                replaced = true;
            }
        if (!replaced)
            env_s.push_back(prefix + v);
    }

    pid_ = fork();
    if (pid_ < 0)
        return false;
    if (pid_ == 0) {
        // Child: the door as the BBS starts it.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        signal(SIGHUP, SIG_DFL);
        if (launch.link == Link::Pty) {
            setsid();
            ioctl(door, TIOCSCTTY, 0);
            dup2(door, 0);
            dup2(door, 1);
            dup2(door, 2);
        } else {
            // Move everything out of the way first so no dup2 below
            // overwrites a descriptor that is still needed.
            int devnull = fcntl(open("/dev/null", O_RDWR), F_DUPFD_CLOEXEC, 100);
            int door_fd = fcntl(door, F_DUPFD_CLOEXEC, 100);
            int err_fd = fcntl(err_pipe[1], F_DUPFD_CLOEXEC, 100);
            if (launch.link == Link::SocketPair) {
                dup2(door_fd, 0);
                dup2(door_fd, 1);
            } else {
                dup2(devnull, 0);
                dup2(devnull, 1);
                dup2(door_fd, launch.handed_fd);  // dup2 clears close-on-exec
            }
            dup2(err_fd, 2);
        }
        if (chdir(workdir_.c_str()) != 0)
            _exit(126);
        std::vector<char*> argv;
        for (auto& a : argv_s)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& e : env_s)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close_fd(door);
    if (err_pipe[1] >= 0)
        close(err_pipe[1]);
    errors_fd_ = err_pipe[0];
    return true;
}

bool DoorRun::send(std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = write(caller_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void DoorRun::read_available(int timeout_ms)
{
    pollfd fds[2] = {{caller_ended_ ? -1 : caller_, POLLIN, 0}, {errors_fd_, POLLIN, 0}};
    if (fds[0].fd < 0 && fds[1].fd < 0) {
        usleep(static_cast<useconds_t>(timeout_ms) * 1000u);
        return;
    }
    if (poll(fds, 2, timeout_ms) <= 0)
        return;
    char buf[4096];
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
        ssize_t got = read(caller_, buf, sizeof buf);
        if (got > 0)
            output_.append(buf, static_cast<std::size_t>(got));
        else if (got == 0 || (errno != EINTR && errno != EAGAIN))
            caller_ended_ = true;  // end of connection, or EIO once the pty is left
    }
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
        ssize_t got = read(errors_fd_, buf, sizeof buf);
        if (got > 0)
            errors_.append(buf, static_cast<std::size_t>(got));
        else
            close_fd(errors_fd_);
    }
}

void DoorRun::pump(int milliseconds)
{
    auto t0 = Clock::now();
    while (ms_since(t0) < milliseconds)
        read_available(std::max(1, milliseconds - ms_since(t0)));
}

void DoorRun::pump_until_quiet(int quiet_ms, int max_ms)
{
    auto t0 = Clock::now();
    auto last_change = t0;
    std::size_t seen = output_.size();
    while (ms_since(t0) < max_ms) {
        read_available(10);
        if (output_.size() != seen) {
            seen = output_.size();
            last_change = Clock::now();
        } else if (ms_since(last_change) >= quiet_ms) {
            return;
        }
    }
}

void DoorRun::feed_screen(Screen& screen)
{
    if (fed_ < output_.size()) {
        screen.feed(std::string_view(output_).substr(fed_));
        fed_ = output_.size();
    }
}

bool DoorRun::wait_for_text(Screen& screen, std::string_view text, int timeout_ms)
{
    auto t0 = Clock::now();
    for (;;) {
        feed_screen(screen);
        if (screen.contains(text))
            return true;
        if (ms_since(t0) >= timeout_ms)
            return false;
        read_available(20);
    }
}

std::optional<int> DoorRun::wait_exit(int timeout_ms)
{
    auto t0 = Clock::now();
    while (!exited_) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            exited_ = true;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (ms_since(t0) >= timeout_ms)
            return std::nullopt;
        read_available(10);
    }
    // Whatever is still in flight.
    for (int i = 0; i < 5; ++i)
        read_available(5);
    return status_;
}

void DoorRun::hang_up_with_signal()
{
    if (pid_ > 0 && !exited_)
        kill(pid_, SIGHUP);
}

void DoorRun::close_caller()
{
    close_fd(caller_);
}

std::optional<termios> DoorRun::pty_settings() const
{
    termios t{};
    if (pty_slave_ < 0 || tcgetattr(pty_slave_, &t) != 0)
        return std::nullopt;
    return t;
}

TempDir::TempDir()
{
    char tmpl[] = "/tmp/gtestXXXXXX";
    if (mkdtemp(tmpl) != nullptr)
        path_ = tmpl;
}

TempDir::~TempDir()
{
    if (!path_.empty())
        remove_tree(path_);
}

bool TempDir::write(std::string_view name, std::string_view content) const
{
    std::ofstream out(file(name), std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return static_cast<bool>(out);
}

void remove_tree(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

}  // namespace grimbo_test
