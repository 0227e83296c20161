// The daily challenge: the date alone sets the mission, and each caller gets
// one finished attempt per UTC day, however many nodes try at once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "game/daily.h"
#include "game/profile.h"
#include "game/run.h"
#include "game/run_state.h"
#include "game/scores.h"
#include "game/seasons.h"
#include "game/storage.h"
#include "tests/game/game_session.h"
#include "tests/game/score_files.h"

using game_test::in_game_dir;
using game_test::slurp;
using game_test::spill;

namespace {

std::time_t noon_utc(int year, int month, int day)
{
    std::tm when{};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_hour = 12;
    return timegm(&when);
}

// The day's mission as a run starts it for a survivor of `survivor_class`.
void start_daily(int year, int month, int day, int survivor_class)
{
    player_class = survivor_class;
    season_bind_at(noon_utc(year, month, day));
    seasonal_seed_daily();
    run_begin(run_daily);
    daily_setup();
}

// In the score tests' game directory (8 December 2026): today's stamp.
constexpr int kDec8 = 2026341;
constexpr const char* kReservation = "data/profile-0123456789abcdef-2026341.running";
constexpr const char* kLockLine = "data/profile-0123456789abcdef.tsv\t2026341\n";

bool exists(const char* path)
{
    struct stat info {};
    return stat(path, &info) == 0;
}

}  // namespace

TEST(DailyMission, TheDateAloneSetsSeedGuardianAndSupplies)
{
    struct Case {
        int year, month, day, survivor_class;
        int stamp, level, hp, energy, coins, clues, armor, blade, halloween;
        const char* title;
    };
    const Case cases[] = {
        // Day 12: every-third and every-fourth day bonuses, an even day's stamina.
        {2026, 12, 12, 0, 2026345, 1, 86, 85, 27, 0, 2, 3, 0, "DAY 12: THE TINSEL MAZE"},
        // Day 13: the thirteenth drains stamina, even a Scout's.
        {2026, 12, 13, 3, 2026346, 2, 90, 65, 30, 0, 0, 0, 0, "DAY 13: THE FROZEN DEPOT"},
        // Day 14: every seventh day starts weaker; a Scout keeps full stamina.
        {2026, 12, 14, 3, 2026347, 3, 82, 100, 12, 0, 0, 0, 0, "DAY 14: THE BELL COURT"},
        // Day 15: a Medium's clue plus the fifth-day clue.
        {2026, 3, 15, 4, 2026073, 3, 78, 100, 15, 2, 2, 0, 0, nullptr},
        // Day 17: the seventeenth sharpens the blade; day 20: blade and clue.
        {2026, 6, 17, 0, 2026167, 0, 86, 100, 21, 0, 0, 2, 0, nullptr},
        {2026, 6, 20, 0, 2026170, 3, 78, 85, 30, 1, 0, 3, 0, nullptr},
        // Day 22: every eleventh day pays more coins.
        {2027, 1, 22, 0, 2027021, 1, 86, 85, 25, 0, 0, 0, 0, nullptr},
        // 31 October: the last guardian with little to fight it.
        {2026, 10, 31, 0, 2026303, 7, 65, 100, 9, 0, 0, 0, 1, "DAY 31: ALL HALLOWS' EVE"},
        {2026, 10, 1, 0, 2026273, 4, 82, 100, 15, 0, 0, 0, 0, "DAY 01: THE CANDY TAX"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                     std::to_string(c.day));
        start_daily(c.year, c.month, c.day, c.survivor_class);
        EXPECT_EQ(season_stamp, c.stamp);
        EXPECT_EQ(seasonal_rng_state, static_cast<std::uint32_t>(c.stamp));
        EXPECT_EQ(level, c.level);
        EXPECT_EQ(hp, c.hp);
        EXPECT_EQ(energy, c.energy);
        EXPECT_EQ(coins, c.coins);
        EXPECT_EQ(clues, c.clues);
        EXPECT_EQ(armor_upgrade, c.armor);
        EXPECT_EQ(blade_upgrade, c.blade);
        EXPECT_EQ(Halloween_mode, c.halloween);
        if (c.title != nullptr) {
            char title[64];
            daily_title(title, sizeof title);
            EXPECT_STREQ(title, c.title);
        }
    }
}

TEST(DailyMission, StoryChoicesPayByTheDate)
{
    struct Case {
        int month;
        const char* typed;
        const char* state;  // after the choice
        const char* seen;   // a line of the answer screen
    };
    const Case cases[] = {
        // 12 October: the shortcut's draw is 0 (coins and points), with the day's result.
        {10, "x1c", "score=100 hp=86 energy=85 coins=39 clues=0 keys=0 quit=0",
         "The coordinates point to your own"},
        {10, "2c", "score=25 hp=92 energy=93 coins=27 clues=0 keys=0 quit=0",
         "You ignore the coordinates and follow"},
        // 12 December: the shortcut's draw is 4 (a clue).
        {12, "1c", "score=110 hp=86 energy=85 coins=27 clues=1 keys=0 quit=0",
         "THE SHORTCUT HAS A PRICE"},
        {12, "2c", "score=25 hp=92 energy=93 coins=27 clues=0 keys=0 quit=0",
         "THE PATIENT PATH"},
        // A quit is asked about first: taken back, then confirmed.
        {12, "qnQy", "score=0 hp=86 energy=85 coins=27 clues=0 keys=0 quit=1",
         "ABANDON THIS RUN? THE SCORE IS LOST. [Y/N]"},
        {12, "\x1bN2c", "score=25 hp=92 energy=93 coins=27 clues=0 keys=0 quit=0",
         "THE PATIENT PATH"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const int month = c.month;
        const std::string typed = c.typed;
        grimbo_test::ChildResult result = game_test::run_session([&](game_test::Caller& caller) {
            start_daily(2026, month, 12, 0);
            in_adventure = 1;
            caller.send(typed);
            daily_story(season_day);
            std::fprintf(stderr, "score=%d hp=%d energy=%d coins=%d clues=%d keys=%d quit=%d",
                         static_cast<int>(score), static_cast<int>(hp),
                         static_cast<int>(energy), static_cast<int>(coins),
                         static_cast<int>(clues), static_cast<int>(keys),
                         static_cast<int>(quit_requested));
            return 0;
        });
        ASSERT_TRUE(result.exited) << result.err;
        EXPECT_EQ(result.err, c.state);
        EXPECT_NE(result.out.find(c.seen), std::string::npos);
    }
}

TEST(DailyAttempt, OneFinishedAttemptPerCallerAndDay)
{
    grimbo_test::ChildResult result = in_game_dir([]() {
        season_stamp = kDec8;
        // Started and abandoned: the day stays open.
        if (daily_reserve() != 1 || !exists(kReservation))
            return 1;
        daily_release();
        if (exists(kReservation) || daily_reserve() != 1)
            return 2;
        // Finished: recorded once, the reservation given up, and refused again.
        if (daily_record(SAVE_OK) != SAVE_OK || exists(kReservation) || daily_reserved != 0)
            return 3;
        if (slurp("data/daily-lock.tsv") != kLockLine)
            return 4;
        if (daily_reserve() != 0 || exists(kReservation))
            return 5;
        // The next UTC day is a new attempt.
        season_stamp = kDec8 + 1;
        if (daily_reserve() != 1 || !exists("data/profile-0123456789abcdef-2026342.running"))
            return 6;
        daily_release();
        // A failed save is not dressed up as a warning, but still counts.
        season_stamp = kDec8 + 2;
        if (daily_reserve() != 1 || daily_record(SAVE_FAILED) != SAVE_FAILED ||
            daily_played(profile_path, kDec8 + 2) != 1)
            return 7;
        return 0;
    });
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(DailyAttempt, RecordingThatCannotBeWrittenTurnsTheOutcomeIntoAWarning)
{
    grimbo_test::ChildResult result = in_game_dir([]() {
        season_stamp = kDec8;
        if (daily_reserve() != 1)
            return 1;
        // The lock file's place is taken by a directory: nothing can be appended.
        if (mkdir("data/daily-lock.tsv", 0755) != 0)
            return 2;
        if (daily_record(SAVE_OK) != SAVE_WARNING || exists(kReservation))
            return 3;
        return 0;
    });
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(DailyAttempt, TwoNodesRacingForTheSameCallerLetOnlyOnePlay)
{
    grimbo_test::ChildResult result = in_game_dir([]() {
        season_stamp = kDec8;
        for (int round = 0; round < 20; ++round) {
            int go[2];
            if (pipe(go) != 0)
                return 90;
            pid_t nodes[2];
            for (pid_t& node : nodes) {
                node = fork();
                if (node == 0) {
                    close(go[1]);
                    char start;
                    if (read(go[0], &start, 1) != 0)
                        _exit(90);
                    // _exit: the winner keeps its reservation, as a node still playing does.
                    _exit(daily_reserve());
                }
            }
            close(go[0]);
            close(go[1]);  // both nodes start together
            int winners = 0;
            for (pid_t node : nodes) {
                int status = 0;
                if (node < 0 || waitpid(node, &status, 0) != node || !WIFEXITED(status))
                    return 91;
                winners += WEXITSTATUS(status);
            }
            if (winners != 1 || !exists(kReservation))
                return 10 + round;
            // Node 2 is still refused while node 1 plays.
            if (daily_reserve() != 0)
                return 40 + round;
            rmdir(kReservation);
        }
        return 0;
    });
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(DailyAttempt, DamagedLockLinesAreSkipped)
{
    const std::string key = "data/profile-0123456789abcdef.tsv";
    struct Case {
        std::string content;
        int played;
    };
    const Case cases[] = {
        {"garbage\n\t\n\xff\xfe\t\t\n" + key + "\t2026341\n", 1},
        {std::string(300, 'x') + "\t2026341\n" + key + "\t2026341\n", 1},
        {key + "\t2026341x\n" + key + "\t\n" + key + "\n", 0},
        {key + "\t2026340\ndata/profile-fedcba9876543210.tsv\t2026341\n", 0},
        {key + "x\t2026341\n" + key.substr(1) + "\t2026341\n", 0},
        {key + "\t2026341", 1},  // the last line's line feed never written
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        const Case current = c;
        grimbo_test::ChildResult result = in_game_dir([&]() {
            season_stamp = kDec8;
            if (!spill("data/daily-lock.tsv", current.content))
                return 90;
            if (daily_played(profile_path, kDec8) != current.played)
                return 1;
            if (daily_reserve() != 1 - current.played)
                return 2;
            return 0;
        });
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(result.status, 0) << result.err;
    }
}

TEST(DailyAttempt, ARecordAfterAnUnfinishedLineStartsOnALineOfItsOwn)
{
    grimbo_test::ChildResult result = in_game_dir([]() {
        season_stamp = kDec8;
        if (!spill("data/daily-lock.tsv", "data/profile-dead") || daily_reserve() != 1)
            return 1;
        daily_record(SAVE_OK);
        if (slurp("data/daily-lock.tsv") != std::string("data/profile-dead\n") + kLockLine)
            return 2;
        return daily_reserve() == 0 ? 0 : 3;
    });
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0) << result.err;
}
