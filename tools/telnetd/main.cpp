// grimbo-telnetd: a telnet BBS in miniature for one machine. It accepts
// callers, gives each a node of its own and starts the door on it with the
// caller's socket handed over, as a socket-handing BBS does.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "tools/telnetd/caller.h"
#include "tools/telnetd/console.h"
#include "tools/telnetd/listener.h"
#include "tools/telnetd/login.h"
#include "tools/telnetd/node_table.h"
#include "tools/telnetd/options.h"
#include "tools/telnetd/unique_fd.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long running doors get to end after the bench is stopped.
constexpr auto kStopGrace = std::chrono::seconds(10);

// Descriptors 0-2 open, so nothing the bench opens lands on them.
void keep_standard_streams()
{
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDWR) < 0)
            return;
}

std::string absolute(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

// The game directory and the door program, checked before anyone calls.
bool find_door(const Settings& settings, NodePlace& place)
{
    struct stat st {};
    if (stat(settings.game_dir.c_str(), &st) != 0) {
        complain("game directory %s: %s", settings.game_dir.c_str(), std::strerror(errno));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        complain("game directory %s is not a directory", settings.game_dir.c_str());
        return false;
    }
    place.game_dir = absolute(settings.game_dir);
    const std::string door =
        settings.door.empty() ? place.game_dir + "/grimbo" : absolute(settings.door);
    if (stat(door.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || access(door.c_str(), X_OK) != 0) {
        complain("no door program at %s%s", door.c_str(),
                 settings.door.empty() ? " (copy grimbo there, or name it with --door)" : "");
        return false;
    }
    place.program = door;
    return true;
}

// The directory node1/, node2/, ... go into: the one named, or a fresh one
// that is removed again when the bench stops (`owned`).
bool prepare_nodes_dir(const Settings& settings, std::string& dir, bool& owned)
{
    owned = settings.nodes_dir.empty();
    if (owned) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                              "/grimbo-telnetd.XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            complain("cannot make a nodes directory in %s: %s", pattern.c_str(),
                     std::strerror(errno));
            return false;
        }
        dir = pattern;
        return true;
    }
    if (mkdir(settings.nodes_dir.c_str(), 0755) != 0 && errno != EEXIST) {
        complain("nodes directory %s: %s", settings.nodes_dir.c_str(), std::strerror(errno));
        return false;
    }
    dir = absolute(settings.nodes_dir);
    return true;
}

class Bench {
public:
    Bench(const Settings& settings, const NodePlace& door, std::string nodes_dir, UniqueFd listener,
          UniqueFd signals)
        : settings_(settings), door_(door), nodes_dir_(std::move(nodes_dir)),
          listener_(std::move(listener)), signals_(std::move(signals)), nodes_(settings.nodes)
    {
    }

    // Serves callers until a stop signal, then ends the running doors.
    void serve()
    {
        while (!stopping_) {
            pollfd fds[2] = {{listener_.get(), POLLIN, 0}, {signals_.get(), POLLIN, 0}};
            if (poll(fds, 2, -1) < 0)
                continue;
            if (fds[1].revents & POLLIN)
                take_signals();
            if (!stopping_ && (fds[0].revents & POLLIN))
                accept_caller();
        }
        listener_.reset();
        stop_nodes();
    }

private:
    void accept_caller()
    {
        UniqueFd socket(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!socket)
            return;
        const int node = nodes_.free_node();
        if (node == 0) {
            say("all %d nodes are busy; a caller from %s was turned away", nodes_.size(),
                peer_name(socket.get()).c_str());
            send_text(socket.get(), "All " + std::to_string(nodes_.size()) +
                                        " nodes are busy. Please call again later.\r\n");
            return;
        }
        NodePlace place = door_;
        place.node = node;
        place.dir = nodes_dir_ + "/node" + std::to_string(node);
        say_node(node, "call from %s", peer_name(socket.get()).c_str());

        const pid_t pid = fork();
        if (pid < 0) {
            say_node(node, "cannot serve the caller: %s", std::strerror(errno));
            send_text(socket.get(), "The board cannot take your call now. Goodbye.\r\n");
            return;
        }
        if (pid == 0) {
            // The caller's own process, in a group of its own so that a
            // Ctrl-C at the console reaches the bench alone.
            setpgid(0, 0);
            listener_.reset();
            signals_.reset();
            _exit(serve_caller(settings_, place, socket.get()));
        }
        setpgid(pid, pid);
        nodes_.hold(node, pid);
    }

    void take_signals()
    {
        signalfd_siginfo info{};
        while (read(signals_.get(), &info, sizeof info) == sizeof info) {
            if (info.ssi_signo == SIGCHLD)
                reap();
            else
                stopping_ = true;
        }
    }

    void reap()
    {
        int status = 0;
        pid_t pid;
        while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
            const int node = nodes_.release(pid);
            if (node != 0 && WIFSIGNALED(status))
                say_node(node, "stopped");
        }
    }

    void stop_nodes()
    {
        for (pid_t holder : nodes_.holders())
            kill(-holder, SIGTERM);
        const auto deadline = Clock::now() + kStopGrace;
        while (!nodes_.empty() && Clock::now() < deadline) {
            pollfd p{signals_.get(), POLLIN, 0};
            poll(&p, 1, 100);
            take_signals();
            reap();
        }
        for (pid_t holder : nodes_.holders()) {
            kill(-holder, SIGKILL);
            waitpid(holder, nullptr, 0);
            say_node(nodes_.release(holder), "killed: its door did not end in time");
        }
    }

    const Settings& settings_;
    NodePlace door_;
    std::string nodes_dir_;
    UniqueFd listener_;
    UniqueFd signals_;
    NodeTable nodes_;
    bool stopping_ = false;
};

// Stop signals and child ends arrive as readable data, never mid-call.
UniqueFd signal_descriptor()
{
    sigset_t handled;
    sigemptyset(&handled);
    for (int sig : {SIGCHLD, SIGINT, SIGTERM, SIGHUP})
        sigaddset(&handled, sig);
    if (sigprocmask(SIG_BLOCK, &handled, nullptr) != 0)
        return {};
    return UniqueFd(signalfd(-1, &handled, SFD_NONBLOCK | SFD_CLOEXEC));
}

int run(const Settings& settings)
{
    NodePlace door;
    if (!find_door(settings, door))
        return 1;
    UniqueFd signals = signal_descriptor();
    if (!signals) {
        complain("cannot watch signals: %s", std::strerror(errno));
        return 1;
    }
    std::string error;
    UniqueFd listener = open_listener(settings.address, settings.port, error);
    if (!listener) {
        complain("cannot listen on %s port %d: %s", settings.address.c_str(), settings.port,
                 error.c_str());
        return 1;
    }
    std::string nodes_dir;
    bool owned = false;
    if (!prepare_nodes_dir(settings, nodes_dir, owned))
        return 1;

    say("listening on %s port %d for up to %d callers", settings.address.c_str(),
        listening_port(listener.get()), settings.nodes);
    say("door: %s (in %s)", door.program.c_str(), door.game_dir.c_str());
    say("node directories: %s", nodes_dir.c_str());
    Bench bench(settings, door, nodes_dir, std::move(listener), std::move(signals));
    bench.serve();
    if (owned) {
        std::error_code ignored;
        std::filesystem::remove_all(nodes_dir, ignored);
    }
    say("stopped");
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    keep_standard_streams();
    signal(SIGPIPE, SIG_IGN);
    Settings settings;
    switch (parse_options(argc, argv, settings)) {
    case ParseOutcome::help:
        print_usage();
        return 0;
    case ParseOutcome::version:
        std::printf("grimbo-telnetd %s\n", TELNETD_VERSION);
        return 0;
    case ParseOutcome::bad:
        return 2;
    case ParseOutcome::run:
        break;
    }
    return run(settings);
}
