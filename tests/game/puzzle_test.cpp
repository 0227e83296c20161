// Sealed gates: every question's right and wrong answers, and the gate
// played through a session.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "game/data/puzzle_table.h"
#include "game/music.h"
#include "game/puzzle.h"
#include "game/run_state.h"
#include "game/seasons.h"
#include "tests/game/game_session.h"
#include "tests/support/screen.h"

namespace {

// The text left of the art panel on a row, without trailing blanks.
std::string left_text(const grimbo_test::Screen& screen, int row)
{
    std::string text = game_test::cells_text(screen, row, 1, 43);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

void fresh_gate(int month, int stage)
{
    season_index = month;
    level = stage;
    hp = 100;
    clues = 0;
    keys = 0;
    score = 0;
    quit_requested = 0;
    quit_loses_run = 0;  // a gate or fight on its own, no run at stake
    sound_enabled = 0;
    for (int& solved : puzzle_solved)
        solved = 0;
}

// The button of the option line that carries `item`, or 0.
int button_of(const char* line, const char* item)
{
    for (int button = 1; button <= 3; ++button) {
        char label[64];
        std::snprintf(label, sizeof label, "[%d] %s", button, item);
        const char* at = std::strstr(line, label);
        if (at != nullptr) {
            char after = at[std::strlen(label)];
            if (after == '\0' || after == ' ')
                return button;
        }
    }
    return 0;
}

TEST(SealQuestion, EveryAnswerPaysOnceAndEveryOtherKeyBites)
{
    for (int month = 0; month < season_count; ++month) {
        for (int stage = 0; stage < STAGE_COUNT; ++stage) {
            fresh_gate(month, stage);
            seal_question question{};
            puzzle_question(month, stage, question);
            ASSERT_GE(question.answer, '1');
            ASSERT_LE(question.answer, '3');
            for (int key : {'1', '2', '3', '4', '\r', 'X'}) {
                fresh_gate(month, stage);
                const bool right = puzzle_answer(question, key);
                EXPECT_EQ(right, key == question.answer) << month << "/" << stage << " key " << key;
                if (right) {
                    EXPECT_EQ(clues, 1);
                    EXPECT_EQ(keys, 1);
                    EXPECT_EQ(score, 125);
                    EXPECT_EQ(puzzle_solved[stage], 1);
                    EXPECT_EQ(hp, 100);
                } else {
                    EXPECT_EQ(hp, 88);
                    EXPECT_EQ(score + keys + clues + puzzle_solved[stage], 0);
                }
            }
            if (month == season_october)
                continue;
            // The right button carries the item the hint describes.
            const int k = (stage + month) % 8;
            EXPECT_EQ(button_of(question.options, items[k]), question.answer - '0')
                << month << "/" << stage << ": " << question.options;
            std::string expected = std::string(seasons[month].month) + ": " + hints[k];
            EXPECT_EQ(question.text, expected);
        }
    }
}

TEST(SealQuestion, OctoberRiddlesAndBuiltQuestionsReadAsWritten)
{
    struct Case {
        int month;
        int stage;
        const char* text;
        const char* options;
        char answer;
    };
    const Case cases[] = {
        {0, 0, "January: I turn in a lock but have no engine.", "[1] KEY [2] BELL [3] MIRROR", '1'},
        {1, 0, "February: I show the way but never travel.", "[1] BELL [2] MIRROR [3] MAP", '3'},
        {2, 3, "March: I carry a flame through the dark.", "[1] COIN [2] LANTERN [3] KEY", '2'},
        {9, 0, "A face carved by hand, a heart made of fire.", "[1] MASK  [2] LANTERN  [3] MIRROR", '2'},
        {9, 3, "Which way does the corn lean when there is no wind?", "[1] TOWARD YOU  [2] NORTH  [3] AWAY",
         '3'},
        {9, 7, "Grimbo's throne burns with a flame that has no heat.",
         "[1] SUNLIGHT  [2] MOONLIGHT  [3] GHOSTLIGHT", '3'},
    };
    for (const Case& c : cases) {
        seal_question question{};
        puzzle_question(c.month, c.stage, question);
        EXPECT_STREQ(question.text, c.text);
        EXPECT_STREQ(question.options, c.options);
        EXPECT_EQ(question.answer, c.answer) << c.text;
    }
}

struct GateRun {
    std::string state;
    std::string out;
};

GateRun gate_through_session(int month, int stage, bool solved, const std::string& typed)
{
    grimbo_test::ChildResult result =
        game_test::run_session([month, stage, solved, &typed](game_test::Caller& caller) {
            fresh_gate(month, stage);
            in_adventure = 1;
            puzzle_solved[stage] = solved ? 1 : 0;
            caller.send(typed);
            puzzle();
            std::fprintf(stderr, "hp=%d keys=%d clues=%d score=%d quit=%d", static_cast<int>(hp),
                         static_cast<int>(keys), static_cast<int>(clues), static_cast<int>(score),
                         static_cast<int>(quit_requested));
            return 0;
        });
    EXPECT_TRUE(result.exited) << result.err;
    return {result.err, result.out};
}

TEST(GateSession, RightWrongQuitAndAlreadyBroken)
{
    struct Case {
        const char* what;
        int month;
        int stage;
        bool solved;
        const char* typed;
        const char* state;
        int row;
        const char* line;
    };
    const Case cases[] = {
        {"right riddle", 9, 0, false, "2c", "hp=100 keys=1 clues=1 score=125 quit=0", 17,
         "  SEAL BROKEN! +125 SCORE, +1 KEY."},
        {"wrong in January", 0, 0, false, "\rc", "hp=88 keys=0 clues=0 score=0 quit=0", 17,
         "  WRONG! THE GATE BITES. -12 SANITY."},
        {"lower-case q quits", 0, 0, false, "q", "hp=100 keys=0 clues=0 score=0 quit=0", 16,
         "  CHOOSE 1 / 2 / 3"},
        {"broken seal pays nothing", 4, 2, true, "2c", "hp=100 keys=0 clues=0 score=0 quit=0", 12,
         "  No second reward from this lock."},
    };
    for (const Case& c : cases) {
        GateRun gate = gate_through_session(c.month, c.stage, c.solved, c.typed);
        std::string state = c.state;
        if (std::strcmp(c.typed, "q") == 0)
            state.back() = '1';
        EXPECT_EQ(gate.state, state) << c.what;
        grimbo_test::Screen screen(25, 80, true);
        screen.feed(gate.out);
        EXPECT_EQ(left_text(screen, c.row), c.line) << c.what;
    }
    GateRun riddle = gate_through_session(9, 5, false, "1c");
    grimbo_test::Screen screen(25, 80, true);
    screen.feed(riddle.out);
    EXPECT_EQ(left_text(screen, 5), "  A RUSTED SEAL BARS YOUR PATH.");
    EXPECT_EQ(left_text(screen, 8), "  The judge has no eyes, but watches from");
    EXPECT_EQ(left_text(screen, 12), "  [1] CROW  [2] SCARECROW  [3] OWL");
    EXPECT_EQ(screen.cell(8, 3).attribute, 14);
    EXPECT_EQ(screen.cell(12, 3).attribute, 7);
}

}  // namespace
