// The lobby through the calendar, the October opening, and every way out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/e2e/game_door.h"

using namespace game_e2e;

namespace {

std::string title_caption(const Call& call)
{
    std::string row = call.screen.row_text(1);
    return row.size() > 41 ? row.substr(41) : "";
}

// True when some cell of the art panel uses bright red (the rage frame).
bool art_has_rage(const Call& call)
{
    for (int row = 4; row <= 22; ++row) {
        for (int column = 47; column <= 76; ++column) {
            auto attribute = call.screen.cell(row, column).attribute;
            // Bright red as the foreground, or as a background (red + blink).
            if ((attribute & 0x0f) == 12 || (attribute & 0xf0) == 0xc0)
                return true;
        }
    }
    return false;
}

std::unique_ptr<Call> lobby_on(GameDir& dir, const std::string& when)
{
    auto call = call_game(dir, caller_options("Jack"), when);
    if (!call || !reach_lobby_as_new_caller(*call))
        return nullptr;
    call->settle(200);
    return call;
}

TEST(GameLobby, OrdinaryDayShowsTheMonthsStoryAndTheDate)
{
    GameDir dir;
    auto call = lobby_on(dir, "2026-03-15 12:00:00");
    ASSERT_TRUE(call);
    EXPECT_EQ(call->screen.row_text(1).substr(0, 20), " GRIMBO - HOLLOWTIDE");
    EXPECT_EQ(title_caption(*call), "THE STOLEN SPRING");
    EXPECT_EQ(left_of_art(call->screen, 5), "  March");
    EXPECT_EQ(call->screen.cell(5, 3).attribute, 14);
    EXPECT_EQ(left_of_art(call->screen, 7), "  Break the vault and return the first");
    EXPECT_EQ(left_of_art(call->screen, 8), "  rain.");
    EXPECT_EQ(left_of_art(call->screen, 11), "  [S] STORY - 8 MONTHLY STAGES");
    EXPECT_EQ(left_of_art(call->screen, 13), "  [D] DAILY - ONE DATED CHALLENGE");
    EXPECT_EQ(left_of_art(call->screen, 15), "  [H] HALL OF FAME (STORY / DAILY)");
    EXPECT_EQ(left_of_art(call->screen, 17), "  [Q] RETURN TO BBS");
    EXPECT_EQ(left_of_art(call->screen, 19),
              "  March 15, 2026 UTC - NEW MONTH, NEW STORY");
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

TEST(GameLobby, FirstOfOctoberIsTheHarvestButNotHalloween)
{
    GameDir dir;
    auto call = lobby_on(dir, "2026-10-01 12:00:00");
    ASSERT_TRUE(call);
    EXPECT_EQ(call->screen.row_text(1).substr(0, 10), " GOURDFALL");
    EXPECT_EQ(title_caption(*call), "A HALLOWEEN NIGHTMARE");
    EXPECT_EQ(left_of_art(call->screen, 5), "  THE HARVEST HAS TEETH.");
    EXPECT_EQ(left_of_art(call->screen, 7), "  You brought home a pumpkin. Something");
    EXPECT_EQ(left_of_art(call->screen, 19),
              "  October 01, 2026 UTC - NEW MONTH, NEW STORY");
    EXPECT_FALSE(art_has_rage(*call));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

TEST(GameLobby, HalloweenShowsTheNightmareInItsRageFrame)
{
    GameDir dir;
    auto call = lobby_on(dir, "2026-10-31 12:00:00");
    ASSERT_TRUE(call);
    EXPECT_EQ(title_caption(*call), "A HALLOWEEN NIGHTMARE");
    EXPECT_EQ(left_of_art(call->screen, 19), "  HALLOWEEN: FINAL BOSS, EXTRA DAMAGE!");
    EXPECT_TRUE(art_has_rage(*call));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

TEST(GameLobby, NewYearSwitchesTheStoryAtTheNextRedraw)
{
    GameDir dir;
    // Ten seconds before midnight, on a clock ten times as fast.
    auto call = call_game(dir, caller_options("Jack"), "2026-12-31 23:59:50",
                          grimbo_test::Link::SocketPair, kFastClock);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    call->settle(200);
    ASSERT_EQ(title_caption(*call), "THE MIDNIGHT SLEIGH");
    EXPECT_EQ(left_of_art(call->screen, 19),
              "  December 31, 2026 UTC - NEW MONTH, NEW STORY");
    // Past midnight nothing changes until the lobby is drawn again.
    call->settle(10500 / kFastClock + 500);
    EXPECT_EQ(left_of_art(call->screen, 5), "  December");
    // An unknown key changes nothing; coming back from the hall redraws.
    call->type("z", 300);
    EXPECT_EQ(left_of_art(call->screen, 5), "  December");
    call->type("h", 300);
    call->door.send("c");
    ASSERT_TRUE(call->wait_for("January 01, 2027 UTC"));
    EXPECT_EQ(title_caption(*call), "THE FROZEN MIDNIGHT");
    EXPECT_EQ(left_of_art(call->screen, 5), "  January");
    EXPECT_EQ(left_of_art(call->screen, 19),
              "  January 01, 2027 UTC - NEW MONTH, NEW STORY");
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

TEST(GameLobby, QAndEscReturnToTheBbsWithStatusZero)
{
    for (const char* key : {"Q", "q", "\x1b"}) {
        GameDir dir;
        auto call = lobby_on(dir, "2026-03-15 12:00:00");
        ASSERT_TRUE(call);
        call->door.send(key);
        EXPECT_EQ(call->door.wait_exit(), 0) << int(key[0]);
    }
}

TEST(GameLobby, ArrowFunctionAndUnknownKeysDoNothing)
{
    GameDir dir;
    auto call = lobby_on(dir, "2026-03-15 12:00:00");
    ASSERT_TRUE(call);
    const std::size_t before = call->door.output().size();
    // "c" too: the chat is off.
    call->type("\x1b[A\x1b[B\x1b[C\x1b[D\x1bOP\x1b[15~\x1b[24~\x1b[6~" "cx5", 1000);
    EXPECT_FALSE(call->door.wait_exit(300).has_value()) << "the door left the lobby";
    EXPECT_EQ(call->door.output().size(), before) << "the lobby sent something";
    EXPECT_TRUE(call->screen.contains("[S] STORY - 8 MONTHLY STAGES"));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

TEST(GameLobby, IdleLobbyWalksTheCatAcrossRow21)
{
    GameDir dir;
    // The cat comes after eight quiet seconds of the game's clock.
    auto call = call_game(dir, caller_options("Jack"), "2026-03-15 12:00:00",
                          grimbo_test::Link::SocketPair, kFastClock);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    call->settle(200);
    std::size_t before = call->door.output().size();
    call->settle(9500 / kFastClock + 500);
    std::string idle = call->door.output().substr(before);
    EXPECT_NE(idle.find(" /\\_/\\ "), std::string::npos);
    EXPECT_EQ(left_of_art(call->screen, 21), "");  // every step is erased again
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

TEST(GameLobby, DroppedConnectionEndsTheDoor)
{
    GameDir dir;
    auto call = lobby_on(dir, "2026-03-15 12:00:00");
    ASSERT_TRUE(call);
    call->door.close_caller();
    EXPECT_TRUE(call->door.wait_exit(5000).has_value());
}

TEST(GameOpening, OctoberOpeningPagesAndTheQTwiceRule)
{
    GameDir dir;
    auto call = call_game(dir, caller_options("Jack"), "2026-10-01 12:00:00");
    ASSERT_TRUE(call);
    ASSERT_TRUE(call->wait_for("[N] SILENT"));
    call->door.send("n");
    ASSERT_TRUE(call->wait_for("INTO YOUR HANDLE:"));
    call->door.send("|06Jack\ry");
    ASSERT_TRUE(call->wait_for("CHOOSE M / F"));
    call->door.send("m1");
    ASSERT_TRUE(call->wait_for("[W] WATCH THE 60-SECOND OPENING"));
    EXPECT_EQ(title_caption(*call), "THE NIGHT IT BEGAN");
    EXPECT_EQ(call->screen.row_text(6), "  WELCOME TO THE HARVEST, SURVIVOR.");
    EXPECT_EQ(call->screen.row_text(8), "  Jack");
    EXPECT_EQ(call->screen.cell(8, 3).attribute & 0x0f, 6);
    call->door.send("w");
    ASSERT_TRUE(call->wait_for("OCTOBER. THE LAST LIGHT OF THE HARVEST."));
    EXPECT_EQ(title_caption(*call), "THE PUMPKIN STAND");
    EXPECT_EQ(left_of_art(call->screen, 19), "  Q TWICE: SKIP TO GAME LOBBY");
    // Q, another key, Q: the other key broke the run.
    call->type("Q", 150);
    call->type("x", 150);
    call->type("q", 400);
    EXPECT_FALSE(call->screen.contains("[S] STORY - 8 MONTHLY STAGES"));
    // The next page; one more Q makes two in a row across the pages.
    ASSERT_TRUE(call->wait_for("A ROADSIDE FARM STAND.", 8000));
    EXPECT_EQ(title_caption(*call), "THE PUMPKIN STAND");
    call->door.send("Q");
    EXPECT_TRUE(call->wait_for("[S] STORY - 8 MONTHLY STAGES", 2000));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

TEST(GameOpening, GoStraightToTheLobbySkipsTheOpening)
{
    GameDir dir;
    auto call = call_game(dir, caller_options("Jack"), "2026-10-20 12:00:00");
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    EXPECT_EQ(call->door.output().find("THE PUMPKIN STAND"), std::string::npos);
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

}  // namespace
