// One Q or Esc no longer throws a run away: every place that would leave a
// run unsaved asks first, and any answer but Y goes back to where the
// caller was. Where a quit still saves (the Halloween finale, the campaign
// screen) nothing is asked.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <string>

#include "game/combat.h"
#include "game/daily.h"
#include "game/explore.h"
#include "game/handle.h"
#include "game/music.h"
#include "game/profile.h"
#include "game/puzzle.h"
#include "game/run.h"
#include "game/run_state.h"
#include "game/seasons.h"
#include "game/storage.h"
#include "tests/game/game_session.h"
#include "tests/game/score_files.h"
#include "tests/support/session_runner.h"

namespace {

constexpr std::time_t k2026Jan1 = 1767268800;   // 12:00 UTC, a shadows' day
constexpr std::time_t k2026Jan15 = 1768478400;  // 12:00 UTC
constexpr std::time_t k2026Oct31 = 1793448000;  // 12:00 UTC
constexpr const char* kQuestion = "ABANDON THIS RUN? THE SCORE IS LOST. [Y/N]";

struct Outcome {
    std::string state;  // what the step left, as the case reports it
    bool asked;         // the question was shown
};

// Runs `step` in a game directory with the run at stake and `keys` typed.
Outcome play(std::time_t when, const std::string& keys,
             const std::function<std::string()>& step)
{
    grimbo_test::TempDir dir;
    grimbo_test::ChildResult result = game_test::run_session([&](game_test::Caller& caller) {
        if (chdir(dir.path().c_str()) != 0 || mkdir("data", 0755) != 0)
            return 90;
        storage_ok = 1;
        sound_enabled = 0;
        player_class = 1;
        std::snprintf(player, sizeof player, "%s", "Ann");
        std::snprintf(profile_path, sizeof profile_path, "%s",
                      "data/profile-0123456789abcdef.tsv");
        season_bind_at(when);
        run_state_reset(player_class);
        in_adventure = 1;
        quit_requested = 0;
        quit_loses_run = 1;
        caller.send(keys);
        const std::string state = step();
        std::fwrite(state.data(), 1, state.size(), stderr);
        return 0;
    });
    EXPECT_TRUE(result.exited && result.status == 0) << result.err;
    return {result.err, result.out.find(kQuestion) != std::string::npos};
}

std::string quit_and(const std::string& more)
{
    return "quit=" + std::to_string(quit_requested) + " " + more;
}

TEST(AbandonQuestion, EveryWayOutOfARunAsksFirst)
{
    struct Case {
        const char* what;
        std::time_t when;
        std::string keys;
        std::function<std::string()> step;
        std::string state;
    };
    const auto stage_menu = [] {
        story_run();
        return quit_and("searches=" + std::to_string(exploration_count[0]) + " saved=" +
                        (game_test::slurp("data/story.tsv").empty() ? "no" : "yes"));
    };
    const auto search_result = [] {
        explore();
        return quit_and("searches=" + std::to_string(exploration_count[0]));
    };
    const auto seal = [] {
        puzzle();
        return quit_and("keys=" + std::to_string(keys));
    };
    const auto fight = [] {
        combat();
        return quit_and("rounds=" + std::to_string(rounds));
    };
    const auto daily_choice = [] {
        daily_setup();
        daily_story(season_day);
        return quit_and("score=" + std::to_string(score));
    };
    const auto daily = [] {
        daily_run();
        return quit_and("hp=" + std::to_string(hp) + " played=" +
                        (game_test::slurp(DAILY_LOCK_PATH).empty() ? "no" : "yes"));
    };
    // The January seal of stage 1 is answered by its key "1".
    const Case cases[] = {
        {"stage menu: N, a search, then Q and Y", k2026Jan15, "cqn1cqy", stage_menu,
         "quit=0 searches=1 saved=no"},
        {"stage menu: Esc and Y", k2026Jan15, "c\x1by", stage_menu, "quit=0 searches=0 saved=no"},
        {"a search's prompt: N, then C", k2026Jan15, "qnc", search_result, "quit=0 searches=1"},
        {"a search's prompt: Y", k2026Jan15, "Qy", search_result, "quit=1 searches=1"},
        {"the seal: N, then the answer", k2026Jan15, "qn1c", seal, "quit=0 keys=1"},
        {"the seal: Y", k2026Jan15, "qy", seal, "quit=1 keys=0"},
        {"a fight: N, then Q and Y", k2026Jan15, "qnqy", fight, "quit=1 rounds=0"},
        {"the daily's choice: N, then the safe way", k2026Jan15, "qn2c", daily_choice,
         "quit=0 score=25"},
        {"the daily's choice: Y", k2026Jan15, "qy", daily_choice, "quit=1 score=0"},
        // Day 1: the shadows' choice; N, then a rest (82 + 6 + 12, at most 100).
        {"the shadows' choice: N, then rest", k2026Jan1, "c2cqn2qy", daily,
         "quit=0 hp=100 played=no"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = play(c.when, c.keys, c.step);
        EXPECT_EQ(outcome.state, c.state) << c.what;
        EXPECT_TRUE(outcome.asked) << c.what;
    }
    // The seal's answer key for January's first stage is what the cases type.
    seal_question january{};
    puzzle_question(0, 0, january);
    EXPECT_EQ(january.answer, '1');
}

TEST(AbandonQuestion, NothingIsAskedWhereTheScoreIsKept)
{
    struct Case {
        const char* what;
        std::time_t when;
        std::string keys;
        std::function<std::string()> step;
        std::string state;
    };
    const Case cases[] = {
        {"the Halloween finale goes to the ending with the score", k2026Oct31, "qc",
         [] {
             level = 7;
             Halloween_mode = 1;
             score = 900;
             halloween_finale(run_story);
             return quit_and("saved=" + game_test::slurp("data/story.tsv"));
         },
         "quit=0 saved=20261031\tAnn\t900\t8\t0\n"},
        {"the campaign screen leads to the ending", k2026Jan15, "q",
         [] {
             campaign_complete();
             return quit_and("");
         },
         "quit=1 "},
        {"the score screen", k2026Jan15, "q",
         [] {
             run_ending(run_story);
             return quit_and("");
         },
         "quit=0 "},
    };
    for (const Case& c : cases) {
        const Outcome outcome = play(c.when, c.keys, c.step);
        EXPECT_EQ(outcome.state, c.state) << c.what;
        EXPECT_FALSE(outcome.asked) << c.what;
    }
}

}  // namespace
