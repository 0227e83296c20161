// The daily challenge from the lobby: a quit leaves the day open, a played
// attempt closes it for that caller until the next UTC day.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/game_door.h"

using namespace game_e2e;

namespace {

constexpr const char* kDec7 = "2026-12-07 12:00:00";
constexpr const char* kLobby = "[S] STORY - 8 MONTHLY STAGES";
constexpr const char* kIntro = "DAILY NIGHTMARE: ONE BOSS. ONE SHOT.";

// Fights with strikes, resting when tired, until the ending screen shows.
bool fight_to_the_end(Call& call)
{
    for (int turn = 0; turn < 200; ++turn) {
        if (call.screen.contains("FINAL SCORE:"))
            return true;
        if (call.screen.contains("THE MONSTER FALLS!"))
            call.type("c", 200);
        else
            call.type(turn % 6 == 5 ? "5" : "1", 150);
    }
    return false;
}

// The returning caller's way to the lobby.
std::unique_ptr<Call> return_to_lobby(const GameDir& dir, const char* when)
{
    auto call = call_game(dir, caller_options("Jack"), when);
    if (!call || !call->wait_for("[N] SILENT"))
        return nullptr;
    call->door.send("n");
    if (!call->wait_for("YOUR SURVIVOR PROFILE WAS FOUND:"))
        return nullptr;
    call->door.send("c");
    if (!call->wait_for(kLobby))
        return nullptr;
    call->settle(200);
    return call;
}

}  // namespace

TEST(GameDaily, QuitLeavesTheDayOpenAPlayedAttemptIsRefusedUntilTomorrow)
{
    GameDir dir;
    auto call = call_game(dir, caller_options("Jack"), kDec7);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    call->settle(200);
    const std::vector<std::string> profiles = dir.profiles();
    ASSERT_EQ(profiles.size(), 1u);
    // "data/profile-<hash>.tsv" reserved as "data/profile-<hash>-2026340.running".
    const std::string reservation =
        profiles[0].substr(0, profiles[0].rfind('.')) + "-2026340.running";

    // Started and quit at the first screen: no record, the day stays open.
    call->type("D");
    ASSERT_TRUE(call->wait_for(kIntro));
    EXPECT_EQ(left_of_art(call->screen, 10), "  DAY 07: THE STAR ENGINE");
    EXPECT_TRUE(dir.exists(reservation));
    call->type("Q");
    ASSERT_TRUE(call->wait_for("ABANDON THIS RUN? THE SCORE IS LOST. [Y/N]"));
    call->type("y");
    ASSERT_TRUE(call->wait_for(kLobby));
    EXPECT_FALSE(dir.exists(reservation));
    EXPECT_FALSE(dir.exists("data/daily-lock.tsv"));

    // Played to the end: the safe route, a rest from the shadows, the guardian.
    call->type("D");
    ASSERT_TRUE(call->wait_for(kIntro));
    call->type("c");
    ASSERT_TRUE(call->wait_for("MISSION 07: THE STAR ENGINE"));
    call->type("2");
    ASSERT_TRUE(call->wait_for("THE PATIENT PATH"));
    call->type("c");
    ASSERT_TRUE(call->wait_for("THE SHADOWS OFFER A CHOICE"));
    EXPECT_EQ(left_of_art(call->screen, 10), "  [1] SEARCH FOR TOKENS [2] REST");
    call->type("2");
    ASSERT_TRUE(call->wait_for("BOSS:"));
    ASSERT_TRUE(fight_to_the_end(*call));
    EXPECT_EQ(call->screen.row_text(12), "     Your score was saved. The harvest remembers.");
    call->type("c");
    ASSERT_TRUE(call->wait_for(kLobby));
    EXPECT_FALSE(dir.exists(reservation));
    EXPECT_EQ(dir.read("data/daily-lock.tsv"), profiles[0] + "\t2026340\n");
    EXPECT_NE(dir.read("data/daily.tsv").find("20261207\tJack\t"), std::string::npos);
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);

    // A second call the same day: refused, and either key goes back.
    auto second = return_to_lobby(dir, "2026-12-07 23:00:00");
    ASSERT_TRUE(second);
    second->type("D");
    ASSERT_TRUE(second->wait_for("DAILY UNAVAILABLE"));
    EXPECT_EQ(second->screen.row_text(7), "   Already played or running. Return tomorrow.");
    EXPECT_EQ(left_of_art(second->screen, 10), "   Story mode is always available.");
    EXPECT_EQ(left_of_art(second->screen, 23), "   [C] CONTINUE     [Q] BACK TO LOBBY");
    second->type("Q");
    ASSERT_TRUE(second->wait_for(kLobby));
    second->door.send("q");
    EXPECT_EQ(second->door.wait_exit(), 0);

    // The next UTC day is a new challenge.
    auto next_day = return_to_lobby(dir, "2026-12-08 00:30:00");
    ASSERT_TRUE(next_day);
    next_day->type("D");
    ASSERT_TRUE(next_day->wait_for(kIntro));
    EXPECT_EQ(left_of_art(next_day->screen, 10), "  DAY 08: THE MIDNIGHT SLEIGH");
    next_day->type("Q");
    next_day->type("y");
    ASSERT_TRUE(next_day->wait_for(kLobby));
    next_day->door.send("q");
    EXPECT_EQ(next_day->door.wait_exit(), 0);
}

TEST(GameDaily, AHangUpMidChallengeLeavesTheDayOpen)
{
    GameDir dir;
    auto call = call_game(dir, caller_options("Jack"), kDec7);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    call->settle(200);
    call->type("D");
    ASSERT_TRUE(call->wait_for(kIntro));
    call->type("c");
    ASSERT_TRUE(call->wait_for("MISSION 07: THE STAR ENGINE"));
    call->door.close_caller();
    call->door.wait_exit();
    EXPECT_FALSE(dir.exists("data/daily-lock.tsv"));

    auto again = return_to_lobby(dir, kDec7);
    ASSERT_TRUE(again);
    again->type("D");
    ASSERT_TRUE(again->wait_for(kIntro));
    again->type("Q");
    again->type("y");
    ASSERT_TRUE(again->wait_for(kLobby));
    again->door.send("q");
    EXPECT_EQ(again->door.wait_exit(), 0);
}
