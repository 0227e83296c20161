// However the door ends, what it had collected for the caller reaches the
// caller first.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/kernel/input_queue.h"
#include "tests/doorkit/session/session_helpers.h"

namespace {

using grimbo_test::ChildResult;
using grimbo_test::run_in_child;

// Everything the caller's end receives until the door's end is closed.
std::string ReadUntilClosed(int fd)
{
    std::string out;
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 5000) != 1)
            return out + "<time-out>";
        char chunk[4096];
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0)
            return out;
        out.append(chunk, static_cast<std::size_t>(n));
    }
}

void StartSocketSession(int fd)
{
    grimbo_test::clear_door_environment();
    od_control.drop_file_kind = OD_DROP_PRESET;
    od_control.port = 65535;
    od_control.socket_mode = 1;
    od_control.open_handle = static_cast<std::uint64_t>(fd);
    od_init();
    od_kernel();
}

void ShowInChat()
{
    od_disp_str("said in chat");
    od_exit(0, false);
}

void SayGoodbye()
{
    od_disp_str("goodbye from the door");
}

// Stops the door once the caller's page is ringing.
void StopWhilePaging()
{
    if (od_control.user_wants_chat)
        std::raise(SIGTERM);
}

struct ExitCase {
    const char* name;
    std::string typed;  // what the caller has typed beforehand
    std::function<void()> end;
    int status;
    std::string expected;  // must arrive, in this order, before the line closes
};

std::vector<ExitCase> ExitCases()
{
    return {
        {"od_exit", "", [] { od_disp_str("last words"); od_exit(5, false); }, 5, "last words"},
        {"od_exit with hang-up", "", [] { od_disp_str("last words"); od_exit(5, true); }, 5, "last words"},
        {"the time used up", "",
         [] {
             od_disp_str("drawn before ");
             od_control.user_time_left = 0;
             od_kernel();
         },
         3, "drawn before \r\nSorry, you have used up all of your time"},
        {"inactivity", "",
         [] {
             od_disp_str("drawn before ");
             od_control.inactivity_seconds = 5;
             hODInputQueue->last_activity -= 60;
             od_get_key(true);
         },
         4, "drawn before \r\nMaximum user inactivity time has elapsed"},
        {"a stop signal", "",
         [] {
             od_disp_str("drawn before the stop");
             std::raise(SIGTERM);
             od_get_key(true);
         },
         1, "drawn before the stop"},
        {"a hook that draws before the exit", "",
         [] {
             od_control.before_exit_hook = SayGoodbye;
             od_exit(0, false);
         },
         0, "goodbye from the door"},
        {"the process ending without od_exit", "", [] { od_disp_str("last words"); std::exit(0); }, 0,
         "last words"},
        {"an exit from the sysop chat", "",
         [] {
             od_control.chat_hook = ShowInChat;
             od_chat();
         },
         0, "said in chat"},
        {"a stop while paging the sysop", "help\r",
         [] {
             od_control.page_mode = 1;
             od_control.kernel_hook = StopWhilePaging;
             od_page();
         },
         1, "help\r\n"},
    };
}

TEST(ExitOutput, NothingCollectedForTheCallerIsLeftUnsent)
{
    for (const ExitCase& c : ExitCases()) {
        int fds[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        ASSERT_EQ(write(fds[1], c.typed.data(), c.typed.size()), static_cast<ssize_t>(c.typed.size()));
        ChildResult result = run_in_child([&] {
            close(fds[1]);
            StartSocketSession(fds[0]);
            c.end();
            std::fprintf(stderr, "the door went on\n");
            return 99;
        });
        close(fds[0]);
        const std::string received = ReadUntilClosed(fds[1]);
        close(fds[1]);
        EXPECT_TRUE(result.exited) << c.name << ": " << result.err;
        EXPECT_EQ(result.status, c.status) << c.name << ": " << result.err;
        EXPECT_NE(received.find(c.expected), std::string::npos)
            << c.name << ": received \"" << received << "\"";
    }
}

TEST(ExitOutput, AStdioSessionGetsItsLastScreen)
{
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    ChildResult result = run_in_child([&] {
        close(fds[1]);
        dup2(fds[0], STDIN_FILENO);
        dup2(fds[0], STDOUT_FILENO);
        close(fds[0]);
        grimbo_test::start_preset_session();
        od_disp_str("the last screen");
        od_exit(0, false);
        return 99;
    });
    close(fds[0]);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadUntilClosed(fds[1]), "the last screen");
    close(fds[1]);
}

}  // namespace
