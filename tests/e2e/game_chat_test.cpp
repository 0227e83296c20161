// The shared chat seen from the lobby, with "chat.json" enabling it and the
// hub played by a fake `curl` first on the search path: nothing reaches a
// real host.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "tests/e2e/game_door.h"

using namespace game_e2e;

namespace {

// Answers every request with fixed counters and writes the body it got to
// "hub.log" in the game directory.
constexpr const char* kFakeCurl =
    "#!/bin/sh\n"
    "out=''\n"
    "while [ $# -gt 0 ]; do\n"
    "  case \"$1\" in\n"
    "    --output) out=\"$2\"; shift ;;\n"
    "    --data-binary) case \"$2\" in @*) cat \"${2#@}\" >> hub.log; echo >> hub.log ;; esac; shift ;;\n"
    "  esac\n"
    "  shift\n"
    "done\n"
    "printf '{\"players\":5,\"bbses\":3,\"chatting\":1,\"cursor\":9,\"lines\":[\"<Ash@Moor> hello\"]}' > \"$out\"\n";

// The game started with the fake hub's directory first on its PATH.
std::unique_ptr<Call> call_with_fake_hub(const GameDir& dir)
{
    dir.write("bin/curl", kFakeCurl);
    chmod(dir.file("bin/curl").c_str(), 0755);
    auto call = std::make_unique<Call>();
    grimbo_test::DoorLaunch launch;
    launch.link = grimbo_test::Link::SocketPair;
    launch.workdir = dir.path();
    launch.program = dir.binary();
    launch.args = caller_options("Jack");
    launch.env = {{"TZ", "UTC"}, {"PATH", dir.file("bin") + ":/usr/local/bin:/usr/bin:/bin"}};
    if (!call->door.start(launch))
        return nullptr;
    return call;
}

TEST(GameChat, AnEnabledChatShowsTheHubsCountersInTheLobbyAndItsRoomOnC)
{
    GameDir dir;
    ASSERT_TRUE(dir.write("chat.json",
                          "{\"enabled\":true,\"bbs\":\"grim\",\"secret\":\"" + std::string(40, 'k') +
                              "\",\"url\":\"https://chat.invalid\"}\n"));
    auto call = call_with_fake_hub(dir);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    EXPECT_TRUE(call->wait_for("[C] SHARED CHAT | 5 players / 3 BBSes / 1 in chat", 5000))
        << call->screen.text();
    EXPECT_EQ(call->screen.cell(21, 3).attribute, 11);

    call->type("c", 800);
    EXPECT_EQ(call->screen.row_text(1), "VEXA SHARED GAME LOBBY");
    EXPECT_TRUE(call->wait_for("<Ash@Moor> hello", 3000)) << call->screen.text();
    call->type("\x1b", 800);
    EXPECT_TRUE(call->screen.contains("[S] STORY - 8 MONTHLY STAGES"));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
    const std::string log = dir.read("hub.log");
    EXPECT_NE(log.find("\"op\":\"poll\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"location\":\"chat\""), std::string::npos) << log;
}

TEST(GameChat, AChatJsonThatIsNotEnabledLeavesTheLobbyWithoutItsChatLine)
{
    GameDir dir;
    ASSERT_TRUE(dir.write("chat.json",
                          "{\"enabled\":\"yes\",\"bbs\":\"grim\",\"secret\":\"" +
                              std::string(40, 'k') + "\",\"url\":\"https://chat.invalid\"}\n"));
    auto call = call_with_fake_hub(dir);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    call->type("c", 1500);
    EXPECT_FALSE(call->screen.contains("SHARED CHAT"));
    EXPECT_TRUE(call->screen.contains("[S] STORY - 8 MONTHLY STAGES"));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
    EXPECT_FALSE(dir.exists("hub.log"));
}

}  // namespace
