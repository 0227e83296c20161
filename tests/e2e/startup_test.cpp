// Starting and ending the door the ways a BBS starts it.
#include <gtest/gtest.h>
#include <termios.h>

#include <cstring>

#include "tests/e2e/game_door.h"
#include "tests/support/expected_help.h"
#include "tests/support/session_runner.h"

using namespace grimbo_test;

namespace {

const char* const kNoDropFile = "Unable to read door information (drop) file.";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run_door(std::vector<std::string> args, Link link = Link::SocketPair)
{
    DoorRun door;
    DoorLaunch launch;
    launch.args = std::move(args);
    launch.link = link;
    EXPECT_TRUE(door.start(launch));
    auto status = door.wait_exit();
    EXPECT_TRUE(status.has_value()) << "the door did not end";
    return {status.value_or(-1), door.output(), door.error_output()};
}

bool same_settings(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

}  // namespace

TEST(DoorStartup, HelpOptionPrintsTheOptionListAndExitsWithOne)
{
    for (const char* word : {"-?", "/h", "-HELP"}) {
        Outcome o = run_door({word});
        EXPECT_EQ(o.status, 1) << word;
        EXPECT_EQ(o.out, kBuiltInHelp) << word;
    }
}

TEST(DoorStartup, OptionWithoutItsValueNamesTheOptionAndExitsWithOne)
{
    Outcome o = run_door({"-L", "-NODE"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "Missing parameter for option: -NODE\r\n");
}

TEST(DoorStartup, NoDropFileAndNoOptionsFailsWithStatusOne)
{
    Outcome o = run_door({});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, kNoDropFile);
}

TEST(DoorStartup, SocketAloneStillNeedsADropFile)
{
    Outcome o = run_door({"-SOCKET", "{fd}"}, Link::TcpSocket);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, kNoDropFile);
}

TEST(DoorStartup, LocalSessionAtATerminalLeavesItsSettingsAsTheyWere)
{
    game_e2e::GameDir dir;
    auto call = game_e2e::call_game(dir, {"-L"}, "", Link::Pty);
    ASSERT_TRUE(call);
    ASSERT_TRUE(game_e2e::reach_lobby_as_new_caller(*call));
    call->door.send("q");
    ASSERT_EQ(call->door.wait_exit(), 0);
    auto before = call->door.initial_pty_settings();
    auto after = call->door.pty_settings();
    ASSERT_TRUE(before && after);
    EXPECT_TRUE(same_settings(*before, *after));
}

// The kit alone, in a door that ends when the caller types Q.
TEST(DoorStartup, KitSessionsOverEveryConnectionAdoptItAndEndWithStatusZero)
{
    struct Case {
        Link link;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases = {
        {Link::SocketPair, {"-L"}},
        {Link::TcpSocket, {"-B", "38400", "-P", "0", "-SOCKET", "{fd}"}},
        {Link::TcpSocket, {"-L", "-SOCKET", "{fd}"}},
        {Link::TcpSocket, {"-B", "38400", "-P", "0", "-SOCKET", "+{fd}"}},
    };
    for (const auto& c : cases) {
        DoorRun door;
        DoorLaunch launch;
        launch.program = TEST_DOORS_DIR "/key_door";
        launch.args = c.args;
        launch.link = c.link;
        ASSERT_TRUE(door.start(launch));
        Screen screen;
        ASSERT_TRUE(door.wait_for_text(screen, "ready")) << c.args.back();
        door.send("Q");
        EXPECT_EQ(door.wait_exit(), 0) << c.args.back();
        EXPECT_EQ(door.error_output(), "") << c.args.back();
    }
}
