#include "tools/telnetd/door_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/telnetd/console.h"
#include "tools/telnetd/exit_status.h"
#include "tools/telnetd/unique_fd.h"

namespace {

constexpr int kRelayPollMs = 200;

// Settings that would make the door ignore the DOOR32.SYS written for it:
// another drop file or another node number.
constexpr const char* kForeignSettings[] = {"BBSDEV_DRP", "TASK", "SBBSNNUM"};

[[noreturn]] void become_door(const DoorCommand& command, int socket, int error_out)
{
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD})
        signal(sig, SIG_DFL);

    int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null_fd >= 0) {
        dup2(null_fd, STDIN_FILENO);
        dup2(null_fd, STDOUT_FILENO);
    }
    dup2(error_out, STDERR_FILENO);
    fcntl(socket, F_SETFD, 0);  // the one descriptor the door inherits
    for (const char* name : kForeignSettings)
        unsetenv(name);

    if (chdir(command.workdir.c_str()) != 0) {
        std::fprintf(stderr, "cannot enter %s: %s\n", command.workdir.c_str(),
                     std::strerror(errno));
        _exit(kCannotStart);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(command.program.c_str()));
    for (const std::string& arg : command.args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    std::fprintf(stderr, "cannot start %s: %s\n", command.program.c_str(), std::strerror(errno));
    _exit(kCannotStart);
}

// Passes the door's standard error on, line by line.
class Relay {
public:
    explicit Relay(int node) : node_(node) {}
    ~Relay() { flush(); }
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    // False at end of input.
    bool read_from(int fd)
    {
        char buffer[512];
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0)
            return errno == EINTR || errno == EAGAIN;
        if (got == 0)
            return false;
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] == '\n')
                flush();
            else if (buffer[i] != '\r')
                pending_ += buffer[i];
        }
        return true;
    }

    void flush()
    {
        if (!pending_.empty())
            say_node(node_, "door says: %s", pending_.c_str());
        pending_.clear();
    }

private:
    int node_;
    std::string pending_;
};

}  // namespace

int run_door(const DoorCommand& command, int socket, int node, std::string& error)
{
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return -1;
    }
    UniqueFd from_door(pipe_fds[0]);
    UniqueFd door_error(pipe_fds[1]);

    const pid_t pid = fork();
    if (pid < 0) {
        error = std::strerror(errno);
        return -1;
    }
    if (pid == 0)
        become_door(command, socket, door_error.get());
    door_error.reset();

    // The door's end is waited for even when something it started still
    // holds its standard error open.
    Relay relay(node);
    fcntl(from_door.get(), F_SETFL, O_NONBLOCK);
    bool open_pipe = true;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            while (open_pipe && relay.read_from(from_door.get())) {
                pollfd p{from_door.get(), POLLIN, 0};
                if (poll(&p, 1, 0) <= 0)
                    break;
            }
            return status;
        }
        if (done < 0 && errno != EINTR) {
            error = std::strerror(errno);
            return -1;
        }
        pollfd p{open_pipe ? from_door.get() : -1, POLLIN, 0};
        if (poll(&p, 1, kRelayPollMs) > 0 && !relay.read_from(from_door.get()))
            open_pipe = false;
    }
}
