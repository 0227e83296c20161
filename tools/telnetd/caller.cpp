#include "tools/telnetd/caller.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "tools/telnetd/console.h"
#include "tools/telnetd/door32.h"
#include "tools/telnetd/door_run.h"
#include "tools/telnetd/exit_status.h"
#include "tools/telnetd/login.h"
#include "tools/telnetd/unique_fd.h"

namespace {

// While the caller is at the prompt the bench's stop signal ends this
// process at once; once the door runs, the door gets it and this process
// stays to report the door's end.
void take_stop_signals(bool now)
{
    sigset_t stop;
    sigemptyset(&stop);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stop, sig);
    sigprocmask(now ? SIG_UNBLOCK : SIG_BLOCK, &stop, nullptr);
}

std::string command_line(const DoorCommand& command)
{
    std::string text = command.program;
    for (const std::string& arg : command.args)
        text += " " + arg;
    return text;
}

// The socket number the door is told; kept clear of the standard streams
// the door gets /dev/null on.
UniqueFd door_socket(int socket)
{
    return UniqueFd(fcntl(socket, F_DUPFD_CLOEXEC, 3));
}

}  // namespace

int serve_caller(const Settings& settings, const NodePlace& place, int socket)
{
    const int node = place.node;
    take_stop_signals(true);
    if (!offer_telnet_options(socket)) {
        say_node(node, "the caller hung up before the login prompt");
        return 1;
    }
    send_text(socket, "\r\n" + settings.bbs_name + ", node " + std::to_string(node) + "\r\n\r\n");

    std::string name = settings.caller;
    if (name.empty()) {
        Login login = ask_name(socket, settings.login_seconds);
        if (login.outcome == LoginOutcome::hung_up) {
            say_node(node, "the caller hung up at the login prompt");
            return 1;
        }
        if (login.outcome == LoginOutcome::timed_out) {
            say_node(node, "no name typed within %d s; hung up", settings.login_seconds);
            return 1;
        }
        name = login.name;
    }
    take_stop_signals(false);

    UniqueFd handed = door_socket(socket);
    if (mkdir(place.dir.c_str(), 0755) != 0 && errno != EEXIST) {
        say_node(node, "cannot make %s: %s", place.dir.c_str(), std::strerror(errno));
        send_text(socket, "The door cannot be started now. Goodbye.\r\n");
        return 1;
    }
    Door32 d;
    d.socket = handed.get();
    d.bbs_name = settings.bbs_name;
    d.caller = name;
    d.minutes = settings.minutes;
    d.node = node;
    const std::string drop_file = place.dir + "/DOOR32.SYS";
    std::string error;
    if (!handed || !write_door32(drop_file, d, error)) {
        say_node(node, "cannot write the drop file: %s",
                 handed ? error.c_str() : std::strerror(errno));
        send_text(socket, "The door cannot be started now. Goodbye.\r\n");
        return 1;
    }

    DoorCommand command{place.program, place.game_dir, {"-D", drop_file}};
    command.args.insert(command.args.end(), settings.door_args.begin(),
                        settings.door_args.end());
    say_node(node, "%s logged in; starting %s", name.c_str(), command_line(command).c_str());
    const int status = run_door(command, handed.get(), node, error);
    handed.reset();
    if (status == -1) {
        say_node(node, "cannot start the door: %s", error.c_str());
        send_text(socket, "The door cannot be started now. Goodbye.\r\n");
        return 1;
    }
    const std::string ending = describe_wait_status(status);
    say_node(node, "%s: the door ended with %s", name.c_str(), ending.c_str());
    // Back at the BBS: the caller learns how the door ended, then the line
    // is dropped.
    send_text(socket, "\r\n\r\nBack at " + settings.bbs_name + ": the door ended with " +
                          ending + ".\r\nGoodbye.\r\n");
    return 0;
}
