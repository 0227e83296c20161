// A story run played from the lobby with scripted keys on a fixed date, so
// the month's dice always fall the same way.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/e2e/game_door.h"

using namespace game_e2e;

namespace {

constexpr const char* kMarch = "2026-03-15 12:00:00";

std::string status_line(const Call& call)
{
    return left_of_art(call.screen, 22);
}

// Columns 1-43 of a row, trailing blanks cut: the October opening draws
// its picture from column 46.
std::string text_left_of_picture(const Call& call, int row)
{
    std::string text = call.screen.row_text(row).substr(0, 43);
    return text.erase(text.find_last_not_of(' ') + 1);
}

// Into a story run from a new caller's lobby, at its opening.
std::unique_ptr<Call> story_opening(GameDir& dir)
{
    auto call = call_game(dir, caller_options("Jack"), kMarch);
    if (!call || !reach_lobby_as_new_caller(*call))
        return nullptr;
    call->settle(200);
    call->type("S");
    if (!call->wait_for("[C] CONTINUE     [Q] BACK TO LOBBY"))
        return nullptr;
    return call;
}

TEST(GameRun, StoryRunSearchesBuysFightsAndQuitsBackToTheLobby)
{
    GameDir dir;
    auto call = story_opening(dir);
    ASSERT_TRUE(call);
    // The month's opening: its title, and its goal beside the art.
    EXPECT_NE(call->screen.row_text(1).find("THE STOLEN SPRING"), std::string::npos);
    EXPECT_EQ(left_of_art(call->screen, 14), "  Break the vault and return the first");

    call->type("c");
    ASSERT_TRUE(call->wait_for("STAGE 1/8"));
    EXPECT_EQ(left_of_art(call->screen, 9), "  [1] EXPLORE    [2] PUZZLE");
    EXPECT_EQ(left_of_art(call->screen, 10), "  [3] TRUNK      [4] BOSS   [Q] QUIT");
    EXPECT_EQ(status_line(*call), "  STAGE 1/8 SCORE 0 TOKENS 20 KEYS 0 CLUES 0");

    // March's dice: the first two searches hurt, the third pays.
    for (const char* status : {"  STAGE 1/8 SCORE 0 TOKENS 20 KEYS 0 CLUES 0",
                               "  STAGE 1/8 SCORE 0 TOKENS 20 KEYS 0 CLUES 0",
                               "  STAGE 1/8 SCORE 30 TOKENS 25 KEYS 0 CLUES 0"}) {
        call->type("1");
        EXPECT_EQ(left_of_art(call->screen, 5), "  YOU SEARCH THE DARKNESS. SOMETHING MOVES.");
        EXPECT_EQ(left_of_art(call->screen, 15), "  [C] CONTINUE");
        EXPECT_EQ(status_line(*call), status);
        call->type("c");
    }
    // Two hurts: 84 health fills 11 of the 14 cells.
    EXPECT_EQ(call->screen.cell(18, 24).ch, U'\u2588');
    EXPECT_EQ(call->screen.cell(18, 25).ch, U'\u2591');
    EXPECT_EQ(left_of_art(call->screen, 9), "  [1] EXPLORE  [2] PUZZLE");
    EXPECT_EQ(left_of_art(call->screen, 10), "  [3] TRUNK    [4] BOSS  [Q] QUIT");

    // A fourth search finds nothing.
    call->type("1");
    EXPECT_EQ(left_of_art(call->screen, 5), "  THE AREA HAS BEEN SEARCHED THOROUGHLY.");
    EXPECT_EQ(left_of_art(call->screen, 12), "  Nothing else remains here.");
    call->type("c");
    EXPECT_EQ(left_of_art(call->screen, 5), "  YOU SEARCH THE DARKNESS. SOMETHING MOVES.");
    call->type("c");

    // The trunk: buy the token burst; Q closes the trunk, not the run.
    call->type("3");
    EXPECT_EQ(left_of_art(call->screen, 7), "  [1] TOKEN BURST     7 tokens (18 damage)");
    EXPECT_EQ(left_of_art(call->screen, 10), "  [4] FIELD TONIC     8 tokens (+25 health)");
    EXPECT_EQ(left_of_art(call->screen, 14), "  TOKENS: 25");
    EXPECT_EQ(left_of_art(call->screen, 16), "  [C] LEAVE TRUNK");
    call->type("1");
    EXPECT_EQ(left_of_art(call->screen, 14), "  TOKENS: 18");
    call->type("q");
    EXPECT_EQ(left_of_art(call->screen, 10), "  [3] TRUNK    [4] BOSS  [Q] QUIT");

    // The guardian: the supply first, then strikes, resting when tired.
    call->type("4");
    EXPECT_EQ(left_of_art(call->screen, 5), "  THE GUARDIAN BLOCKS YOUR PATH!");
    call->type("4", 150);
    bool fell = false;
    for (int turn = 0; turn < 40 && !fell; ++turn) {
        call->type(turn % 6 == 5 ? "5" : "1", 150);
        fell = left_of_art(call->screen, 5) == "  THE MONSTER FALLS!";
    }
    ASSERT_TRUE(fell);
    call->type("c");
    ASSERT_TRUE(call->wait_for("STAGE 2/8"));
    EXPECT_NE(status_line(*call).find("KEYS 1"), std::string::npos);
    EXPECT_EQ(left_of_art(call->screen, 9), "  [1] EXPLORE    [2] PUZZLE");

    // Q at the stage menu asks first; N keeps the run as it was.
    const std::string before = call->screen.text();
    call->type("Q");
    EXPECT_EQ(call->screen.row_text(24), "  ABANDON THIS RUN? THE SCORE IS LOST. [Y/N]");
    call->type("n");
    EXPECT_EQ(call->screen.text(), before);
    // Q and Y: back in the lobby, nothing saved.
    call->type("Q");
    call->type("y");
    ASSERT_TRUE(call->wait_for("[S] STORY - 8 MONTHLY STAGES"));
    EXPECT_FALSE(dir.exists("data/story.tsv"));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

TEST(GameRun, TheSameMonthMeetsTheSameDice)
{
    // A second run in the same month: the first search hurts again.
    GameDir dir;
    auto call = first_stage(dir);
    ASSERT_TRUE(call);
    call->type("1");
    call->type("c");
    call->type("q");
    call->type("y");
    ASSERT_TRUE(call->wait_for("[S] STORY - 8 MONTHLY STAGES"));
    call->type("S");
    ASSERT_TRUE(call->wait_for("[C] CONTINUE     [Q] BACK TO LOBBY"));
    call->type("c");
    ASSERT_TRUE(call->wait_for("STAGE 1/8"));
    call->type("1");
    // 92 health: 12 cells filled, and no reward.
    EXPECT_EQ(call->screen.cell(18, 25).ch, U'\u2588');
    EXPECT_EQ(call->screen.cell(18, 26).ch, U'\u2591');
    EXPECT_EQ(status_line(*call), "  STAGE 1/8 SCORE 0 TOKENS 20 KEYS 0 CLUES 0");
    call->type("q");
    call->type("y");
    ASSERT_TRUE(call->wait_for("[S] STORY - 8 MONTHLY STAGES"));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

TEST(GameRun, DeathAtTheFirstSealEndsTheRunAndSavesTheStageReached)
{
    GameDir dir;
    auto call = first_stage(dir);
    ASSERT_TRUE(call);
    // Nine wrong answers at March's first seal cost 108 health.
    for (int wrong = 0; wrong < kWrongAnswersToDie; ++wrong)
        wrong_answer_at_first_seal(*call);
    ASSERT_TRUE(call->wait_for("THE GUARDIANS WIN"));
    EXPECT_EQ(left_of_art(call->screen, 9), "     FINAL SCORE: 0    BOSS REACHED: 1/8");
    // The score screen shows no art: the outcome reads whole.
    EXPECT_EQ(call->screen.row_text(12), "     Your score was saved. The harvest remembers.");
    EXPECT_EQ(call->screen.cell(12, 6).attribute, 11);
    EXPECT_EQ(dir.read("data/story.tsv"), "20260315\tJack\t0\t1\t0\n");
    call->type("c");
    ASSERT_TRUE(call->wait_for("[S] STORY - 8 MONTHLY STAGES"));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

// The score on the status line ("... SCORE 1040 TOKENS ..."), -1 when none.
int status_score(const Call& call)
{
    const std::string line = status_line(call);
    const auto at = line.find("SCORE ");
    return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + 6);
}

// Strikes at the stage-1 guardian (resting when tired) until it falls.
bool beat_first_guardian(Call& call)
{
    call.type("4");
    if (left_of_art(call.screen, 5) != "  THE GUARDIAN BLOCKS YOUR PATH!")
        return false;
    for (int turn = 0; turn < 40; ++turn) {
        call.type(turn % 6 == 5 ? "5" : "1", 150);
        if (left_of_art(call.screen, 5) == "  THE MONSTER FALLS!") {
            call.type("c");
            return call.wait_for("STAGE 2/8");
        }
    }
    return false;
}

// A caller whose line drops mid-run keeps the score and stage reached: the
// same table line, hand-over line and bulletins the ending would write.
TEST(GameRun, AHangUpMidRunSavesTheScoreAndStageReached)
{
    struct Case {
        const char* name;
        bool beat_first;   // reach stage 2 first
        const char* keys;  // typed before the line drops
        int stage;
        bool stopped;      // the BBS stops the node instead
    };
    const Case cases[] = {
        {"at the second stage's menu", true, "", 2, false},
        {"in the middle of a fight", false, "411", 1, false},
        {"at a search's result", false, "111", 1, false},
        {"at the question before abandoning", false, "q", 1, false},
        {"stopped by the BBS in a fight", false, "41", 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GameDir dir;
        auto call = first_stage(dir);
        ASSERT_TRUE(call);
        call->type("c");
        ASSERT_TRUE(call->wait_for("STAGE 1/8"));
        if (c.beat_first) {
            ASSERT_TRUE(beat_first_guardian(*call));
        }
        for (const char* key = c.keys; *key != '\0'; ++key)
            call->type(std::string(1, *key), 150);
        const int score = status_score(*call);
        ASSERT_GE(score, 0) << call->screen.text();
        if (c.stopped)
            kill(call->door.pid(), SIGTERM);
        else
            call->door.close_caller();
        EXPECT_EQ(call->door.wait_exit(), 1);

        EXPECT_EQ(dir.read("data/story.tsv"),
                  "20260315\tJack\t" + std::to_string(score) + "\t" + std::to_string(c.stage) +
                      "\t0\n");
        const std::string handed_over = dir.read("data/interbbs-outbox.tsv");
        EXPECT_EQ(handed_over.rfind("grimbo\t20260315\tJack\t" + std::to_string(score) +
                                        "\tstory\t",
                                    0),
                  0u)
            << handed_over;
        EXPECT_NE(dir.read("highscores.asc").find("Jack"), std::string::npos);
    }
}

TEST(GameRun, OctoberOpensOnTheNightItBeganAndSpeaksOfCandy)
{
    GameDir dir;
    auto call = call_game(dir, caller_options("Jack"), "2026-10-01 12:00:00");
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    call->settle(200);
    call->type("s");
    ASSERT_TRUE(call->wait_for("The nightmare begins."));
    EXPECT_NE(call->screen.row_text(1).find("THE NIGHT IT BEGAN"), std::string::npos);
    const struct {
        int row;
        const char* text;
        int colour;
    } lines[] = {
        {4, "   You buy a pumpkin. Maybe two.", 14},
        {6, "   The farmer avoids your eyes.", 14},
        {8, "   The sky turns black. Radio dies.", 7},
        {9, "   Something scratches the back seat.", 7},
        {13, "   GRIMBO: THE HARVEST HAS BEGUN.", 12},
        {17, "   Doors lock. Headlights die.", 11},
        {18, "   The nightmare begins.", 11},
    };
    for (const auto& line : lines) {
        EXPECT_EQ(text_left_of_picture(*call, line.row), line.text);
        EXPECT_EQ(call->screen.cell(line.row, 4).attribute, line.colour) << line.row;
    }

    call->type("c");
    ASSERT_TRUE(call->wait_for("STAGE 1/8"));
    EXPECT_EQ(status_line(*call), "  STAGE 1/8 SCORE 0 CANDY 20 KEYS 0 CLUES 0");
    call->type("3");
    EXPECT_EQ(left_of_art(call->screen, 7), "  [1] CANDY BOMB      7 candy  (18 damage)");
    EXPECT_EQ(left_of_art(call->screen, 14), "  CANDY: 20");
    call->type("\x1b", 700);  // a lone Esc closes the trunk only
    EXPECT_EQ(left_of_art(call->screen, 10), "  [3] TRUNK    [4] BOSS  [Q] QUIT");
    call->type("q");
    call->type("y");
    ASSERT_TRUE(call->wait_for("[S] STORY - 8 MONTHLY STAGES"));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
}

}  // namespace
