// The three Halloween scenes after the last guardian, each ending on the
// score screen.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "doorkit/doorkit.h"
#include "game/handle.h"
#include "game/music.h"
#include "game/run.h"
#include "game/screen_kit.h"
#include "game/run_state.h"
#include "game/seasons.h"
#include "game/storage.h"
#include "tests/game/game_session.h"
#include "tests/game/score_files.h"
#include "tests/support/screen.h"
#include "tests/support/session_runner.h"

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
        // The score screen shows no art: the outcome reads whole.
        EXPECT_EQ(screen.row_text(12), "     SCORE SAVE FAILED! Check game directory permissions.");
        EXPECT_EQ(screen.cell(12, 6).attribute, 12);
    }
}

// A line that drops during the finale: a story run keeps the score reached
// (saved once, as its ending saves it), a daily run records nothing.
TEST(HalloweenFinale, AHangUpSavesAStoryRunOnceAndADailyRunNever)
{
    struct Case {
        const char* name;
        int mode;
        const char* typed;  // before the line drops
        const char* table;  // data/story.tsv afterwards
    };
    const Case cases[] = {
        {"at the bell", run_story, "", "20261031\tAnn\t900\t8\t0\n"},
        {"at the last flame", run_story, "1", "20261031\tAnn\t1250\t8\t0\n"},
        {"on the score screen after a quit", run_story, "q", "20261031\tAnn\t900\t8\t0\n"},
        {"in the daily challenge", run_daily, "1", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grimbo_test::TempDir dir;
        grimbo_test::ChildResult result = game_test::run_session([&](game_test::Caller& caller) {
            if (chdir(dir.path().c_str()) != 0 || mkdir("data", 0755) != 0)
                return 90;
            season_bind_at(k2026Oct31);
            sound_enabled = 0;
            storage_ok = 1;
            std::snprintf(player, sizeof player, "%s", "Ann");
            std::snprintf(profile_path, sizeof profile_path, "%s",
                          "data/profile-0123456789abcdef.tsv");
            run_begin(c.mode);
            in_adventure = 1;
            level = 7;
            hp = 50;
            score = 900;
            od_control.before_exit_hook = run_save_unseen;
            caller.send(c.typed);
            caller.drain();
            std::thread hang_up([&caller]() {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                shutdown(caller.fd, SHUT_RDWR);
            });
            hang_up.detach();
            halloween_finale(c.mode);
            waitc();  // the lobby's next wait, had the line stayed
            return 0;
        });
        ASSERT_TRUE(result.exited) << result.err;
        EXPECT_EQ(result.status, 1);  // the kit's lost-carrier status
        EXPECT_EQ(game_test::slurp(dir.file("data/story.tsv").c_str()), c.table);
        EXPECT_EQ(game_test::slurp(dir.file("data/daily.tsv").c_str()), "");
    }
}

}  // namespace

