// The shared chat seen from the lobby, with "chat.json" enabling it and the
// door pointed at the test HTTPS hub on 127.0.0.1 through GRIMBO_CHAT_HUB
// (the file names a hub that does not exist, so the override must win).
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <set>
#include <string>

#include "tests/e2e/game_door.h"
#include "tests/support/leftovers.h"
#include "tests/support/test_hub.h"

using namespace game_e2e;

namespace {

using Clock = std::chrono::steady_clock;
using grimbo_test::chat_temp_files;
using grimbo_test::children_of;
using grimbo_test::TestHub;

const std::string kSecret(40, 'k');

std::string chat_json(const std::string& enabled)
{
    return "{\"enabled\":" + enabled + ",\"bbs\":\"grim\",\"secret\":\"" + kSecret +
           "\",\"url\":\"https://chat.invalid\"}\n";
}

// The game with the hub's certificate trusted and its address in force;
// `fast_clock` runs the game's clock twenty times faster.
std::unique_ptr<Call> call_with_hub(const GameDir& dir, const TestHub& hub, bool fast_clock = false)
{
    auto call = std::make_unique<Call>();
    grimbo_test::DoorLaunch launch;
    launch.link = grimbo_test::Link::SocketPair;
    launch.workdir = dir.path();
    launch.env = {{"TZ", "UTC"}, {"CURL_CA_BUNDLE", hub.ca_file()}, {"GRIMBO_CHAT_HUB", hub.url()}};
    launch.program = dir.binary();
    if (fast_clock)
        grimbo_test::use_fake_clock(launch, "+0 x20");
    const auto options = caller_options("Jack");
    launch.args.insert(launch.args.end(), options.begin(), options.end());
    if (!call->door.start(launch))
        return nullptr;
    return call;
}

// Exactly one leave, from the session that polled.
void expect_one_leave(const TestHub& hub, const char* way)
{
    const auto polls = hub.chat_ops("poll");
    const auto leaves = hub.chat_ops("leave");
    ASSERT_FALSE(polls.empty()) << way;
    ASSERT_EQ(leaves.size(), 1u) << way;
    EXPECT_EQ(leaves[0].field("session"), polls[0].field("session")) << way;
    EXPECT_EQ(leaves[0].field("player"), "Jack") << way;
}

class GameChat : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(hub.ready());
        hub.require_secret(kSecret);
        hub.add_chat_line("<Ash@Moor> hello");
    }
    TestHub hub;
    GameDir dir;
};

TEST_F(GameChat, AnEnabledChatShowsTheHubsCountersInTheLobbyAndRelaysTheRoomOnOneConnection)
{
    const auto temp_before = chat_temp_files();
    ASSERT_TRUE(dir.write("chat.json", chat_json("true")));
    auto call = call_with_hub(dir, hub);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    EXPECT_TRUE(call->wait_for("[C] SHARED CHAT | 1 players / 1 BBSes / 0 in chat", 5000))
        << call->screen.text();
    EXPECT_EQ(call->screen.cell(21, 3).attribute, 11);

    call->type("c", 800);
    EXPECT_EQ(call->screen.row_text(1), "VEXA SHARED GAME LOBBY");
    EXPECT_TRUE(call->wait_for("<Ash@Moor> hello", 3000)) << call->screen.text();
    call->type("hi all\r", 300);
    EXPECT_TRUE(call->wait_for("<Jack@grim> hi all", 5000)) << call->screen.text();
    EXPECT_TRUE(call->wait_for("1 players online | 1 BBSes | 1 in chat", 3000))
        << call->screen.text();
    // A few of the room's polls, two seconds apart.
    ASSERT_TRUE(hub.wait_for_op("poll", 4, 8000));
    EXPECT_EQ(children_of(call->door.pid()), "");
    call->type("\x1b", 800);
    EXPECT_TRUE(call->screen.contains("[S] STORY - 8 MONTHLY STAGES"));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);

    expect_one_leave(hub, "Q");
    const auto messages = hub.chat_ops("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].field("text"), "hi all");
    bool was_in_chat = false;
    for (const auto& poll : hub.chat_ops("poll"))
        was_in_chat = was_in_chat || poll.field("location") == "chat";
    EXPECT_TRUE(was_in_chat);
    // Every poll and message went over the first connection.
    for (const auto& got : hub.requests()) {
        if (got.field("op") != "leave") {
            EXPECT_EQ(got.connection, 1) << got.body;
        }
    }
    EXPECT_EQ(chat_temp_files(), temp_before);
}

TEST_F(GameChat, TheLeaveReachesTheHubOnEveryWayOutWithinMomentsOfIt)
{
    enum class Out { quit, hang_up, stop };
    struct Way {
        const char* name;
        Out out;
        int status;
    } ways[] = {{"Q from the lobby", Out::quit, 0},
                {"hang-up in the lobby", Out::hang_up, 1},
                {"the BBS stopping the node", Out::stop, 1}};
    for (const Way& way : ways) {
        TestHub own;
        ASSERT_TRUE(own.ready());
        GameDir game;
        ASSERT_TRUE(game.write("chat.json", chat_json("true")));
        auto call = call_with_hub(game, own);
        ASSERT_TRUE(call);
        ASSERT_TRUE(reach_lobby_as_new_caller(*call)) << way.name;
        ASSERT_TRUE(own.wait_for_op("poll")) << way.name;
        const auto asked = Clock::now();
        switch (way.out) {
        case Out::quit:
            call->door.send("q");
            break;
        case Out::hang_up:
            call->door.close_caller();
            break;
        case Out::stop:
            kill(call->door.pid(), SIGTERM);
            break;
        }
        EXPECT_EQ(call->door.wait_exit(5000), way.status) << way.name;
        EXPECT_LT(Clock::now() - asked, std::chrono::seconds(3)) << way.name;
        expect_one_leave(own, way.name);
    }
}

TEST_F(GameChat, AStalledHubHoldsTheHangUpForLittleMoreThanASecond)
{
    hub.stall();
    ASSERT_TRUE(dir.write("chat.json", chat_json("true")));
    auto call = call_with_hub(dir, hub);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    ASSERT_TRUE(hub.wait_for_op("poll"));  // and never answered
    EXPECT_TRUE(call->wait_for("[C] SHARED CHAT | Hub unavailable - reconnecting", 3000));
    const auto asked = Clock::now();
    call->door.close_caller();
    EXPECT_EQ(call->door.wait_exit(5000), 1);
    EXPECT_LT(Clock::now() - asked, std::chrono::seconds(3));
    // The goodbye was still tried, on a connection of its own.
    EXPECT_TRUE(hub.wait_for_op("leave", 1, 100));
}

TEST_F(GameChat, ACallerWhoFallsSilentIsSentOffWithALeave)
{
    ASSERT_TRUE(dir.write("chat.json", chat_json("true")));
    auto call = call_with_hub(dir, hub, true);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    ASSERT_TRUE(hub.wait_for_op("poll"));
    // 200 silent seconds of the door's clock are ten of ours.
    ASSERT_TRUE(call->door.wait_exit(20000).has_value());
    EXPECT_NE(call->door.output().find("Maximum user inactivity time has elapsed"),
              std::string::npos);
    expect_one_leave(hub, "inactivity");
}

TEST_F(GameChat, AChatJsonThatIsNotEnabledLeavesTheLobbyWithoutItsChatLine)
{
    ASSERT_TRUE(dir.write("chat.json", chat_json("\"yes\"")));
    auto call = call_with_hub(dir, hub);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    call->type("c", 1500);
    EXPECT_FALSE(call->screen.contains("SHARED CHAT"));
    EXPECT_TRUE(call->screen.contains("[S] STORY - 8 MONTHLY STAGES"));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
    EXPECT_TRUE(hub.requests().empty());
}

}  // namespace
