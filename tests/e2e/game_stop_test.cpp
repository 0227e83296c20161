// The BBS ends the game with a signal: the session ends in order, as if the
// caller had hung up, and leaves nothing behind that would keep the caller
// out afterwards.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "tests/doorkit/dropfile/samples.h"
#include "tests/e2e/game_door.h"
#include "tests/support/session_runner.h"

using namespace game_e2e;
using grimbo_test::Link;
using grimbo_test::TempDir;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kLobby = "[S] STORY - 8 MONTHLY STAGES";
constexpr const char* kDailyIntro = "DAILY NIGHTMARE: ONE BOSS. ONE SHOT.";

// Reservation directories of running daily challenges.
std::vector<std::string> running(const GameDir& dir)
{
    std::vector<std::string> found;
    if (DIR* d = opendir(dir.file("data").c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() > 8 && name.compare(name.size() - 8, 8, ".running") == 0)
                found.push_back(name);
        }
        closedir(d);
    }
    return found;
}

std::unique_ptr<Call> call_with_door_sys(const GameDir& dir, const std::string& door_sys,
                                         Link link = Link::SocketPair)
{
    return call_game(dir, {"-D", door_sys}, "", link);
}

TEST(GameStop, TermInTheDailyLeavesTheDayOpenAndWritesTheDropFileBack)
{
    GameDir dir;
    TempDir node;
    ASSERT_TRUE(node.write("DOOR.SYS", grimbo_test::with_line(grimbo_test::kDoorSysSample, 1,
                                                               "COM1:")));
    const std::string door_sys = node.file("DOOR.SYS");
    const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, door_sys.c_str(), old_times, 0), 0);

    auto call = call_with_door_sys(dir, door_sys);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call)) << call->screen.text();
    call->settle(200);
    call->type("D");
    ASSERT_TRUE(call->wait_for(kDailyIntro));
    call->type("c");
    ASSERT_TRUE(call->wait_for("[2] TAKE")) << call->screen.text();
    EXPECT_EQ(running(dir).size(), 1u);

    const auto start = Clock::now();
    ASSERT_EQ(kill(call->door.pid(), SIGTERM), 0);
    EXPECT_EQ(call->door.wait_exit(5000), 1) << call->door.error_output();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(running(dir).empty());
    EXPECT_FALSE(dir.exists("data/daily-lock.tsv"));
    struct stat after {};
    ASSERT_EQ(stat(door_sys.c_str(), &after), 0);
    EXPECT_NE(after.st_mtim.tv_sec, old_times[1].tv_sec);
    EXPECT_GT(after.st_size, 200);

    // The same caller again: the day's challenge is still there to play.
    auto again = call_with_door_sys(dir, door_sys);
    ASSERT_TRUE(again);
    ASSERT_TRUE(again->wait_for("[N] SILENT"));
    again->door.send("n");
    ASSERT_TRUE(again->wait_for("YOUR SURVIVOR PROFILE WAS FOUND:"));
    again->door.send("c");
    ASSERT_TRUE(again->wait_for(kLobby));
    again->settle(200);
    again->type("D");
    ASSERT_TRUE(again->wait_for(kDailyIntro)) << again->screen.text();
    EXPECT_FALSE(again->screen.contains("DAILY UNAVAILABLE"));
    again->type("Q");
    ASSERT_TRUE(again->wait_for("ABANDON THIS RUN?"));
    again->type("Y");
    ASSERT_TRUE(again->wait_for(kLobby));
    again->door.send("q");
    EXPECT_EQ(again->door.wait_exit(), 0);
}

bool same_settings(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

TEST(GameStop, TermOnAPtyEndsWithStatusOneAndTheTerminalAsTheBbsLeftIt)
{
    GameDir dir;
    auto call = call_game(dir, caller_options("Jack"), "", Link::Pty);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call)) << call->screen.text();
    call->settle(200);
    ASSERT_EQ(kill(call->door.pid(), SIGTERM), 0);
    EXPECT_EQ(call->door.wait_exit(5000), 1);
    auto initial = call->door.initial_pty_settings();
    auto after = call->door.pty_settings();
    ASSERT_TRUE(initial && after);
    EXPECT_TRUE(same_settings(*initial, *after));
}

TEST(GameBoardName, ControlBytesFromTheSettingsFileNeverReachTheCaller)
{
    GameDir dir;
    ASSERT_TRUE(dir.write("grimbo.json", "{\"bbs_name\":\"Evil\x1b[2JBBS\x1b]0;owned\x07\"}"));
    auto call = call_game(dir, caller_options("Jack"));
    ASSERT_TRUE(call);
    ASSERT_TRUE(call->wait_for("[N] SILENT"));
    // The header shows the first 20 characters of the name.
    EXPECT_NE(call->screen.row_text(2).find("Evil_[2JBBS_]0;owned"), std::string::npos)
        << call->screen.row_text(2);
    const std::string& sent = call->door.output();
    EXPECT_EQ(sent.find("Evil\x1b"), std::string::npos);
    EXPECT_EQ(sent.find("\x1b]"), std::string::npos);
    EXPECT_EQ(sent.find('\x07'), std::string::npos);
    call->door.close_caller();
    call->door.wait_exit();
}

}  // namespace
