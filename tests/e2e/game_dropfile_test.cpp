// The game started from drop files as Linux BBSes write them: each caller
// reaches the lobby, and the profile is keyed by the caller identity the
// drop file gives.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/doorkit/bbsdev/image.h"
#include "tests/doorkit/dropfile/samples.h"
#include "tests/e2e/game_door.h"
#include "tests/support/session_runner.h"

using namespace game_e2e;
using grimbo_test::Link;
using grimbo_test::TempDir;
using grimbo_test::with_line;

namespace {

const std::string kHandle = std::to_string(grimbo_test::DoorLaunch{}.handed_fd);

// How the BBS names the drop file to the door.
enum class Named {
    ByOption,       // -D with the full path
    ByEnvironment,  // BBSDEV_DRP with the full path
    InWorkdir,      // nothing: the door starts in the node directory
};

struct DropCase {
    const char* name;
    const char* file;
    std::string content;
    Link link;
    Named named;
    const char* identity;  // what the profile is keyed by
    bool telnet;           // the link carries Telnet; other sockets are raw
};

const DropCase kCases[] = {
    {"Door32SysTelnetSocket", "door32.sys",
     with_line(with_line(grimbo_test::kDoor32Sample, 1, "2"), 2, kHandle), Link::TcpSocket,
     Named::ByOption, "17:John Smith", true},
    {"DoorSysSocketFoundInNodeDirectory", "DOOR.SYS",
     with_line(with_line(grimbo_test::kDoorSysSample, 1, "COM0:SOCKET" + kHandle), 10,
               "Jane Doe"),
     Link::TcpSocket, Named::InWorkdir, "17:Jane Doe", false},
    {"Dorinfo1DefOverStdio", "DORINFO1.DEF", grimbo_test::kDorinfoSample, Link::SocketPair,
     Named::ByOption, ":John Smith", false},
    {"BbsdevSocket", "BBSDEV.DRP", grimbo_test::drp({{2, "socket"}, {3, kHandle}}),
     Link::TcpSocket, Named::ByEnvironment, "caller-7f3a", false},
    {"BbsdevStdio", "BBSDEV.DRP", grimbo_test::drp(), Link::SocketPair, Named::ByEnvironment,
     "caller-7f3a", false},
};

void PrintTo(const DropCase& c, std::ostream* os)
{
    *os << c.name;
}

std::unique_ptr<Call> start(const GameDir& game, const TempDir& node, const DropCase& c)
{
    auto call = std::make_unique<Call>();
    grimbo_test::DoorLaunch launch;
    launch.program = game.binary();
    launch.link = c.link;
    launch.workdir = game.path();
    launch.env = {{"TZ", "UTC"}};
    switch (c.named) {
    case Named::ByOption:
        launch.args = {"-D", node.file(c.file)};
        break;
    case Named::ByEnvironment:
        launch.env.emplace_back("BBSDEV_DRP", node.file(c.file));
        break;
    case Named::InWorkdir:
        launch.workdir = node.path();
        break;
    }
    if (!call->door.start(launch))
        return nullptr;
    return call;
}

class DropFileStart : public ::testing::TestWithParam<DropCase> {};

TEST_P(DropFileStart, CallerReachesTheLobbyAndTheProfileIsKeyedByTheDropFilesIdentity)
{
    const DropCase& c = GetParam();
    GameDir game;
    TempDir node;
    ASSERT_TRUE(node.write(c.file, c.content));
    // An old stamp, so a rewrite shows.
    const std::string path = node.file(c.file);
    const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), old_times, 0), 0);

    auto call = start(game, node, c);
    ASSERT_TRUE(call);
    // A Telnet client sends CR NUL for Enter.
    const std::string enter = c.telnet ? std::string("\r\0", 2) : "\r";
    ASSERT_TRUE(reach_lobby_as_new_caller(*call, enter))
        << call->screen.text() << call->door.error_output();
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
    EXPECT_EQ(call->door.error_output(), "");

    EXPECT_EQ(game.profiles(), std::vector<std::string>{profile_for(c.identity)});

    if (c.named == Named::InWorkdir) {
        // Written back where it was found, whole; the game's own
        // directory gets none.
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_NE(st.st_mtim.tv_sec, old_times[1].tv_sec);
        EXPECT_GT(st.st_size, 200);
        EXPECT_FALSE(game.exists(c.file));
        EXPECT_FALSE(game.exists("door.sys"));
    }
}

INSTANTIATE_TEST_SUITE_P(LinuxBbses, DropFileStart, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
