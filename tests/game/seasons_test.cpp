// The UTC calendar, the month content and its working copies, and the
// game's random generator.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <limits>
#include <cstring>
#include <ctime>
#include <string>

#include "game/seasons.h"

namespace {

std::time_t utc(int year, int month, int day, int hour = 12, int minute = 0, int second = 0)
{
    std::tm date{};
    date.tm_year = year - 1900;
    date.tm_mon = month - 1;
    date.tm_mday = day;
    date.tm_hour = hour;
    date.tm_min = minute;
    date.tm_sec = second;
    return timegm(&date);
}

struct calendar_case {
    const char* name;
    std::time_t moment;
    int index;
    int day;
    int year;
    int stamp;
};

TEST(SeasonBind, UtcDateSetsMonthDayYearAndStamp)
{
    const calendar_case cases[] = {
        {"new year's day", utc(2026, 1, 1, 0, 0, 0), 0, 1, 2026, 2026000},
        {"last second of 2025", utc(2025, 12, 31, 23, 59, 59), 11, 31, 2025, 2025364},
        {"last day of a leap year", utc(2024, 12, 31, 18), 11, 31, 2024, 2024365},
        {"leap day", utc(2024, 2, 29), 1, 29, 2024, 2024059},
        {"first of October", utc(2025, 10, 1, 0, 0, 0), 9, 1, 2025, 2025273},
        {"Halloween", utc(2026, 10, 31, 23, 30), 9, 31, 2026, 2026303},
        {"mid March", utc(2026, 3, 15), 2, 15, 2026, 2026073},
    };
    for (const calendar_case& c : cases) {
        SCOPED_TRACE(c.name);
        season_bind_at(c.moment);
        EXPECT_EQ(season_index, c.index);
        EXPECT_EQ(season_day, c.day);
        EXPECT_EQ(season_year, c.year);
        EXPECT_EQ(season_stamp, c.stamp);
    }
}

TEST(SeasonBind, OneSecondAfterNewYearsEveSwitchesToJanuaryStory)
{
    const std::time_t last = utc(2025, 12, 31, 23, 59, 59);
    season_bind_at(last);
    EXPECT_STREQ(places[0], "LANTERN SQUARE");
    EXPECT_STREQ(bosses[7], "THE MIDNIGHT DRIVER");

    season_bind_at(last + 1);
    EXPECT_EQ(season_index, 0);
    EXPECT_EQ(season_year, 2026);
    EXPECT_EQ(season_stamp, 2026000);
    EXPECT_STREQ(places[0], "FROSTBOUND STATION");
    EXPECT_STREQ(bosses[7], "THE MIDNIGHT KING");
    EXPECT_STREQ(stage_clues[0], "Rime Runner guards the next seal. Rebuild the clock and thaw the town.");
    EXPECT_STREQ(stage_discoveries[0],
                 "At frostbound station, you find a broken seal. Its mark points toward the ice road.");
}

TEST(SeasonBind, HalloweenOnlyOnTheThirtyFirstOfOctober)
{
    season_bind_at(utc(2025, 10, 1, 0, 0, 0));
    EXPECT_TRUE(season_is_october());
    EXPECT_FALSE(season_is_halloween());
    EXPECT_STREQ(places[7], "GRIMBO'S THRONE");

    season_bind_at(utc(2025, 10, 31, 0, 0, 0));
    EXPECT_TRUE(season_is_halloween());

    season_bind_at(utc(2025, 11, 1, 0, 0, 0));
    EXPECT_FALSE(season_is_october());
    EXPECT_FALSE(season_is_halloween());
    EXPECT_STREQ(places[0], "HARVEST SQUARE");
}

TEST(SeasonBind, ClockBeyondTheCalendarKeepsTheDateAndStillRefreshesStages)
{
    season_bind_at(utc(2026, 5, 20));
    places[0] = "stale";
    season_bind_at(std::numeric_limits<std::time_t>::max());
    EXPECT_EQ(season_index, 4);
    EXPECT_EQ(season_day, 20);
    EXPECT_EQ(season_year, 2026);
    EXPECT_STREQ(places[0], "SEEDLING SQUARE");

    // Years past four digits would overflow the day stamp.
    season_bind_at(utc(12000, 1, 1));
    EXPECT_EQ(season_year, 2026);
    EXPECT_EQ(season_stamp, 2026139);
}

TEST(SeasonBind, ReadsTheRealClock)
{
    const std::time_t before = std::time(nullptr);
    season_bind();
    std::tm now{};
    gmtime_r(&before, &now);
    // Allow for the clock ticking over midnight between the two readings.
    if (season_day == now.tm_mday) {
        EXPECT_EQ(season_index, now.tm_mon);
        EXPECT_EQ(season_year, now.tm_year + 1900);
        EXPECT_EQ(season_stamp, (now.tm_year + 1900) * 1000 + now.tm_yday);
    }
}

struct month_case {
    const char* month;
    const char* title;
    const char* goal;
};

TEST(SeasonTable, TwelveMonthsInCalendarOrderWithTheirTitlesAndGoals)
{
    const month_case months[season_count] = {
        {"January", "THE FROZEN MIDNIGHT", "Rebuild the clock and thaw the town."},
        {"February", "THE HEARTBREAK ENGINE", "Return the letters before the final dance."},
        {"March", "THE STOLEN SPRING", "Break the vault and return the first rain."},
        {"April", "THE STORM-EGG HEIST", "Rescue the fair from the nesting storm."},
        {"May", "THE THORN QUEEN", "Free the garden from its hungry crown."},
        {"June", "THE SUN THAT WOULD NOT SET", "Restore sunset before the harbor burns."},
        {"July", "THE FIREWORK REBELLION", "Stop the fortress and save the festival."},
        {"August", "THE UNDERTOW ARCADE", "Return the memories and break the undertow."},
        {"September", "THE BELL AFTER DARK", "Stop the bell and keep tomorrow unwritten."},
        {"October", "A HALLOWEEN NIGHTMARE", "Survive the harvest and defeat Grimbo."},
        {"November", "THE FEAST OF SHADOWS", "Break the feast and bring the missing guests home."},
        {"December", "THE MIDNIGHT SLEIGH", "Return the stars before the sleigh departs."},
    };
    for (int i = 0; i < season_count; ++i) {
        SCOPED_TRACE(months[i].month);
        EXPECT_STREQ(seasons[i].month, months[i].month);
        EXPECT_STREQ(seasons[i].title, months[i].title);
        EXPECT_STREQ(seasons[i].goal, months[i].goal);
    }
    EXPECT_STREQ(seasons[9].intro, "You brought home a pumpkin. Something else came home with you.");
    EXPECT_STREQ(seasons[0].intro,
                 "The town clock stopped at midnight. Frost is growing inside the wires. Find its eight "
                 "broken gears before the winter steals the sunrise.");
    EXPECT_STREQ(seasons[11].ending, "The stars return. Every light in town shines through the winter night.");
}

TEST(SeasonTable, EveryMonthHasEightNamedStagesInCapitals)
{
    for (const season_record& season : seasons) {
        SCOPED_TRACE(season.month);
        EXPECT_GT(std::strlen(season.intro), 0u);
        EXPECT_GT(std::strlen(season.ending), 0u);
        for (int stage = 0; stage < season_stages; ++stage) {
            for (const char* name : {season.places[stage], season.guardians[stage]}) {
                ASSERT_NE(name, nullptr);
                ASSERT_GT(std::strlen(name), 0u);
                for (const char* p = name; *p; ++p)
                    EXPECT_FALSE(std::islower(static_cast<unsigned char>(*p))) << name;
            }
            EXPECT_GT(std::strlen(season.guardian_lines[stage]), 0u);
            EXPECT_GT(std::strlen(season.seal_lines[stage]), 0u);
        }
    }
}

TEST(SeasonTable, DerivedGuardianLinesCapitaliseEachWordAndEndWithTheGoal)
{
    EXPECT_STREQ(seasons[0].guardian_lines[4],
                 "Archivist Of Ice guards the next seal. Rebuild the clock and thaw the town.");
    EXPECT_STREQ(seasons[6].guardian_lines[6],
                 "Roman Candle Giant guards the next seal. Stop the fortress and save the festival.");
    EXPECT_STREQ(seasons[10].guardian_lines[7],
                 "The Hungry Host guards the next seal. Break the feast and bring the missing guests home.");
}

TEST(SeasonTable, DerivedSealLinesPointToTheNextPlaceAndTheLastToItself)
{
    EXPECT_STREQ(seasons[1].seal_lines[3],
                 "At the masked ballroom, you find a broken seal. Its mark points toward broken promise bridge.");
    EXPECT_STREQ(seasons[0].seal_lines[7],
                 "At the winter crown, you find a broken seal. Its mark points toward the winter crown.");
    EXPECT_STREQ(seasons[7].seal_lines[2],
                 "At the saltglass booth, you find a broken seal. Its mark points toward the kelp maze.");
}

TEST(SeasonTable, OctoberStageLinesAreItsOwn)
{
    season_bind_at(utc(2025, 10, 12));
    EXPECT_STREQ(stage_clues[0], "Rotten vines conceal a buried lantern.");
    EXPECT_STREQ(stage_clues[7], "Grimbo waits behind the black gate.");
    EXPECT_STREQ(stage_discoveries[0], "A black root curls around a forgotten coin.");
    EXPECT_STREQ(stage_discoveries[7], "A scorched crown waits below the throne.");
    EXPECT_STREQ(bosses[7], "GRIMBO THE UNDEAD");
    EXPECT_STREQ(places[6], "THE ROT KING'S GARDEN");
}

TEST(SeasonTable, WorkingCopiesFollowTheBoundMonthForEveryStage)
{
    for (int month = 1; month <= 12; ++month) {
        season_bind_at(utc(2026, month, 10));
        const season_record& season = seasons[month - 1];
        for (int stage = 0; stage < season_stages; ++stage) {
            EXPECT_EQ(places[stage], season.places[stage]);
            EXPECT_EQ(bosses[stage], season.guardians[stage]);
            EXPECT_EQ(stage_clues[stage], season.guardian_lines[stage]);
            EXPECT_EQ(stage_discoveries[stage], season.seal_lines[stage]);
        }
    }
}

TEST(SeasonalRandom, StepFromOneGivesTheKnownStateAndValue)
{
    seasonal_seed(1);
    EXPECT_EQ(seasonal_rand(), 507784374);
    EXPECT_EQ(seasonal_rng_state, 1015568748u);

    seasonal_seed(1);
    EXPECT_EQ(seasonal_rng_step(), 1015568748u);
    // The step wraps modulo 2^32.
    seasonal_seed(0xFFFFFFFFu);
    EXPECT_EQ(seasonal_rng_step(), 0xFFFFFFFFu * 1664525u + 1013904223u);
}

TEST(SeasonalRandom, SeedsForLoginStoryAndDailyRuns)
{
    season_bind_at(utc(2026, 3, 15));
    seasonal_seed_story();
    EXPECT_EQ(seasonal_rng_state, 202603u);
    seasonal_seed_daily();
    EXPECT_EQ(seasonal_rng_state, 2026073u);

    const std::uint32_t before = static_cast<std::uint32_t>(std::time(nullptr));
    seasonal_seed_login();
    EXPECT_GE(seasonal_rng_state, before);
    EXPECT_LE(seasonal_rng_state, before + 2);

    seasonal_seed(0);
    EXPECT_EQ(seasonal_rng_state, 1u);
}

TEST(SeasonalRandom, StoryRunsOfOneMonthMeetTheSameDice)
{
    season_bind_at(utc(2026, 7, 2));
    seasonal_seed_story();
    int first[6];
    for (int& value : first)
        value = seasonal_roll(100);
    season_bind_at(utc(2026, 7, 29));
    seasonal_seed_story();
    for (int value : first)
        EXPECT_EQ(seasonal_roll(100), value);
}

TEST(SeasonalRandom, RollIsTheDrawnValueModuloTheRange)
{
    seasonal_seed(1);
    EXPECT_EQ(seasonal_roll(7), 507784374 % 7);
    const std::uint32_t state = seasonal_rng_state;
    EXPECT_EQ(seasonal_roll(0), 0);
    EXPECT_EQ(seasonal_roll(-3), 0);
    EXPECT_EQ(seasonal_rng_state, state);  // an empty range draws nothing
}

}  // namespace
