// The three Halloween scenes after the last guardian, each ending on the
// score screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "game/music.h"
#include "game/run.h"
#include "game/run_state.h"
#include "game/seasons.h"
#include "game/storage.h"
#include "tests/game/game_session.h"
#include "tests/support/screen.h"

namespace {

constexpr std::time_t k2026Oct31 = 1793448000;  // 2026-10-31 12:00 UTC

TEST(HalloweenFinale, ChoicesQuitsAndDeathAllEndOnTheScoreScreen)
{
    struct Case {
        const char* name;
        int clues;
        int start_hp;
        const char* typed;
        const char* state;  // afterwards
        int score;
        const char* caption;
    };
    const Case cases[] = {
        {"one clue cannot light the lantern", 1, 50, "21cc",
         "hp=30 score=1800 coins=30 quit=0 adventure=0", 1800, "THE NIGHT IS YOURS"},
        {"two clues light it", 2, 50, "22cc",
         "hp=50 score=1700 coins=20 quit=0 adventure=0", 1700, "THE NIGHT IS YOURS"},
        {"the steeple kills a weak survivor", 0, 10, "1c",
         "hp=-2 score=350 coins=20 quit=0 adventure=0", 350, "THE GUARDIANS WIN"},
        {"a quit at the bell still ends on the score", 0, 50, "qc",
         "hp=50 score=0 coins=20 quit=0 adventure=0", 0, "THE NIGHT IS YOURS"},
        {"a quit at the dawn keeps its points", 0, 50, "11qc",
         "hp=38 score=2150 coins=30 quit=0 adventure=0", 2150, "THE NIGHT IS YOURS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grimbo_test::ChildResult result = game_test::run_session([&c](game_test::Caller& caller) {
            season_bind_at(k2026Oct31);
            sound_enabled = 0;
            storage_ok = 0;  // nothing is written; the save reports a failure
            run_state_reset(0);
            Halloween_mode = 1;
            in_adventure = 1;
            level = 7;
            hp = c.start_hp;
            clues = c.clues;
            caller.send(c.typed);
            halloween_finale(run_story);
            std::fprintf(stderr, "hp=%d score=%d coins=%d quit=%d adventure=%d",
                         static_cast<int>(hp), static_cast<int>(score),
                         static_cast<int>(coins), static_cast<int>(quit_requested),
                         static_cast<int>(in_adventure));
            return 0;
        });
        ASSERT_TRUE(result.exited);
        EXPECT_EQ(result.err, c.state);
        grimbo_test::Screen screen(25, 80, true);
        screen.feed(result.out);
        EXPECT_EQ(game_test::cells_text(screen, 1, 42, 18).find(c.caption), 0u);
        char final_line[64];
        std::snprintf(final_line, sizeof final_line, "FINAL SCORE: %d    BOSS REACHED: 8/8",
                      c.score);
        EXPECT_EQ(game_test::cells_text(screen, 9, 6, 38).find(final_line), 0u);
        // Row 12 lies beside the art: 38 characters of the outcome.
        EXPECT_EQ(game_test::cells_text(screen, 12, 6, 39),
                  "SCORE SAVE FAILED! Check game director ");
        EXPECT_EQ(screen.cell(12, 6).attribute, 12);
    }
}

}  // namespace
