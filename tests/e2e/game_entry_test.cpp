// A caller's way into the game: who may enter, the music question, and the
// system operator's chat options.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/e2e/game_door.h"

using namespace game_e2e;

namespace {

const char* const kScale = "\x1b[|MFT150O4L8CDEFGAB>C\x0e\x0f";

TEST(GameEntry, MusicQuestionTestMelodyPlaysTheScaleAndWaitsForAnAnswer)
{
    GameDir dir;
    auto call = call_game(dir, caller_options("Jack"));
    ASSERT_TRUE(call);
    ASSERT_TRUE(call->wait_for("[Y] ENABLE SOUND  [N] SILENT"));
    EXPECT_NE(call->screen.row_text(1).find("SYNCTERM ANSI MUSIC"), std::string::npos);
    EXPECT_EQ(call->screen.row_text(5), "  GRIMBO CAN PLAY ANSI MUSIC NOTES.");
    EXPECT_EQ(call->screen.row_text(7), "  [T] TEST MELODY");
    EXPECT_EQ(call->screen.row_text(14), "  SyncTERM: enable ANSI music in setup.");
    EXPECT_EQ(call->door.output().find("\x1b[|"), std::string::npos);

    call->type("t");
    ASSERT_TRUE(call->wait_for("Did you hear the scale? Choose Y/N."));
    EXPECT_NE(call->door.output().find(kScale), std::string::npos);
    // Still the question: other keys change nothing.
    call->type("x");
    EXPECT_TRUE(call->screen.contains("[T] TEST MELODY"));
    call->type("y");
    EXPECT_TRUE(call->wait_for("CHOOSE YOUR SURVIVOR"));
}

TEST(GameEntry, CallerWithoutIdentityIsTurnedAwayWithStatusOne)
{
    GameDir dir;
    auto call = call_game(dir, caller_options(""));
    ASSERT_TRUE(call);
    ASSERT_TRUE(call->wait_for("BBS CALLER ID REQUIRED"));
    EXPECT_EQ(call->screen.row_text(7), "  No caller identity in BBS drop file.");
    EXPECT_EQ(call->screen.row_text(9), "  Check drop file and door kit setup.");
    call->door.send("c");
    EXPECT_EQ(call->door.wait_exit(), 1);
    EXPECT_TRUE(dir.profiles().empty());
}

TEST(GameEntry, MaintenanceFlagShowsOneLineAndTouchesNothingElse)
{
    GameDir dir;
    ASSERT_TRUE(dir.write(".grimbo-maintenance", ""));
    // Sharing is set up, but must not start while the door is closed.
    ASSERT_TRUE(dir.write("grimbo.json", R"({"score_sharing":{"enabled":true}})"));
    ASSERT_TRUE(dir.write("hub/sync.json", "{}"));
    ASSERT_TRUE(dir.write("GRIMBO-CONFIG", "#!/bin/sh\necho started >> sync.log\n"));
    chmod(dir.file("GRIMBO-CONFIG").c_str(), 0755);

    auto call = call_game(dir, caller_options("Jack"));
    ASSERT_TRUE(call);
    EXPECT_EQ(call->door.wait_exit(), 0);
    call->door.feed_screen(call->screen);
    EXPECT_EQ(call->screen.text(), "GRIMBO is being updated. Please return shortly.\n");
    usleep(200000);
    EXPECT_FALSE(dir.exists("sync.log"));
}

TEST(GameEntry, ChatOptionsRunTheConsoleToolWithoutADoorSession)
{
    struct Case {
        const char* option;
        const char* chat_json;  // null: none yet
        int status;
        const char* output;
    };
    const Case cases[] = {
        {"--chat-config", nullptr, 0,
         "\nVexa shared lobby setup (independent of score sharing)\n"
         "Enable shared live chat? Y/N [N]: Shared live chat disabled; hidden from the menu.\n"},
        {"--chat-disable", nullptr, 0, "Shared live chat disabled; hidden from the menu.\n"},
        {"--chat-enable", R"({"url":"http://chat.example"})", 1, "Chat requires HTTPS.\n"},
    };
    for (const Case& c : cases) {
        GameDir dir;
        ASSERT_TRUE(dir.write("grimbo.json", R"({"bbs_name":"|09Crypt BBS"})"));
        if (c.chat_json != nullptr) {
            ASSERT_TRUE(dir.write("chat.json", c.chat_json));
        }
        auto call = call_game(dir, {c.option});
        ASSERT_TRUE(call);
        // The operator answers nothing: every question keeps its default.
        shutdown(call->door.caller_fd(), SHUT_WR);
        EXPECT_EQ(call->door.wait_exit(), c.status) << c.option;
        EXPECT_EQ(call->door.output(), c.output) << c.option;
        if (c.status == 0) {
            EXPECT_NE(dir.read("chat.json").find("\"bbs\":\"Crypt BBS\""), std::string::npos);
        }
    }
}

}  // namespace
