// grimbo.log as the system operator reads it after a caller's complaint:
// the real door, started from a game directory, notes a refused start, the
// end of every session and a save that failed. And the console's
// --version and --help.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/e2e/game_door.h"
#include "tests/support/log_lines.h"
#include "tests/support/session_runner.h"

using namespace game_e2e;
using grimbo_test::DoorLaunch;
using grimbo_test::DoorRun;
using grimbo_test::Link;

namespace {

std::vector<std::string> log_events(const GameDir& dir)
{
    return grimbo_test::log_events(dir.read("grimbo.log"));
}

struct Ended {
    int status;
    std::string out;
    std::string err;
};

// The door started from its game directory, ended without a caller.
Ended run_alone(const GameDir& dir, std::vector<std::string> args,
              std::vector<std::pair<std::string, std::string>> env = {})
{
    DoorRun door;
    DoorLaunch launch;
    launch.program = dir.binary();
    launch.args = std::move(args);
    launch.link = Link::SocketPair;
    launch.env = std::move(env);
    EXPECT_TRUE(door.start(launch));
    return {door.wait_exit().value_or(-1), door.output(), door.error_output()};
}

TEST(GameLogFile, ARefusedStartNamesTheKitsMessageTheDropFileAndTheNode)
{
    GameDir dir;
    const std::string missing = dir.file("nodes/3/door32.sys");
    Ended run = run_alone(dir, {"-D", missing}, {{"TASK", "3"}});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Unable to read door information (drop) file.");
    EXPECT_EQ(log_events(dir), std::vector<std::string>{
                                   "node 3 start refused: Unable to read door information (drop) "
                                   "file. (drop file: " + missing + ")"});

    run = run_alone(dir, {"-N"});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(log_events(dir).size(), 2u);
    EXPECT_EQ(log_events(dir)[1], "node - start refused: Missing parameter for option: -N");
}

TEST(GameLogFile, EverySessionsEndIsNotedWithItsStatusAndReason)
{
    struct Case {
        const char* what;
        bool hang_up;
        const char* line;
    };
    const Case cases[] = {
        {"Q in the lobby", false, "node 1 session ended for Jack: exit status 0, the caller left the game"},
        {"a hang-up in the lobby", true,
         "node 1 session ended for Jack: exit status 1, the caller's connection was lost"},
    };
    for (const Case& c : cases) {
        GameDir dir;
        auto call = call_game(dir, caller_options("Jack"));
        ASSERT_TRUE(call);
        ASSERT_TRUE(reach_lobby_as_new_caller(*call)) << c.what;
        if (c.hang_up)
            call->door.close_caller();
        else
            call->door.send("q");
        call->door.wait_exit();
        EXPECT_EQ(log_events(dir), std::vector<std::string>{c.line}) << c.what;
    }
}

TEST(GameLogFile, AFailedSaveNamesTheFileAndTheCause)
{
    GameDir dir;
    ASSERT_EQ(mkdir(dir.file("data").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.file("data/story.tsv").c_str(), 0755), 0);
    auto call = first_stage(dir);
    ASSERT_TRUE(call);
    // A line that drops mid-run saves the run, which cannot be written.
    call->door.close_caller();
    EXPECT_EQ(call->door.wait_exit(), 1);
    EXPECT_EQ(log_events(dir),
              (std::vector<std::string>{
                  "node 1 score save failed: data/story.tsv: Is a directory",
                  "node 1 session ended for Jack: exit status 1, the caller's connection was lost"}));
}

TEST(GameLogFile, AFailedProfileSaveNamesTheFileAndTheCause)
{
    GameDir dir;
    const std::string profile = profile_for(":Jack");
    ASSERT_EQ(mkdir(dir.file("data").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.file(profile).c_str(), 0755), 0);
    auto call = call_game(dir, caller_options("Jack"));
    ASSERT_TRUE(call);
    ASSERT_TRUE(call->wait_for("[Y] ENABLE SOUND"));
    call->door.send("n");
    ASSERT_TRUE(call->wait_for("INTO YOUR HANDLE:"));
    call->door.send("Jack\r");
    ASSERT_TRUE(call->wait_for("YOUR NAME WILL LOOK LIKE THIS:"));
    call->door.send("y");
    ASSERT_TRUE(call->wait_for("CHOOSE M / F"));
    call->door.send("m");
    ASSERT_TRUE(call->wait_for("[5] MEDIUM"));
    call->door.send("1");
    ASSERT_TRUE(call->wait_for("PROFILE SAVE ERROR"));
    call->door.close_caller();
    EXPECT_EQ(call->door.wait_exit(), 1);
    EXPECT_EQ(log_events(dir),
              (std::vector<std::string>{
                  "node 1 profile save failed: " + profile + ": Is a directory",
                  "node 1 session ended for Jack: exit status 1, the caller's connection was lost"}));
}

TEST(GameConsole, VersionAndHelpAnswerAtTheConsoleWithStatusZero)
{
    GameDir dir;
    Ended version = run_alone(dir, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "grimbo (GRIMBO - Hollowtide) " GRIMBO_VERSION "\n");

    Ended help = run_alone(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: grimbo [door options]", 0), 0u) << help.out;
    for (const char* mention : {"-D path", "-SOCKET n", "-CP437UTF8", "--chat-config", "-L",
                                "grimbo.log", "docs/SYSOP.md", "grimbo(6)"})
        EXPECT_NE(help.out.find(mention), std::string::npos) << mention;
    EXPECT_EQ(help.err, "");
    // Neither starts a session nor leaves anything in the game directory.
    EXPECT_FALSE(dir.exists("data"));
    EXPECT_FALSE(dir.exists("grimbo.log"));
}

}  // namespace
