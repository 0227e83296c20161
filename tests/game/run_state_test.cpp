// Start values of a run for every survivor class.
#include <gtest/gtest.h>

#include "game/run_state.h"

namespace {

TEST(RunStart, EachClassGetsItsStartValuesAndEverythingElseIsCleared)
{
    struct Case {
        int player_class;
        int hp, energy, coins, clues;
    };
    const Case cases[] = {
        {0, 100, 100, 20, 0},  // Carver
        {1, 120, 100, 20, 0},  // Warden
        {2, 100, 100, 32, 0},  // Alchemist
        {3, 100, 115, 20, 0},  // Scout
        {4, 100, 100, 20, 1},  // Medium
        {9, 100, 100, 20, 0},  // unknown: the defaults
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.player_class);
        // Leftovers of an earlier run.
        weapon = 2, level = 6, score = 900, shield = 1, keys = 5, rounds = 40;
        lantern_upgrade = 3, blade_upgrade = 12, armor_upgrade = 9;
        for (int s = 0; s < STAGE_COUNT; ++s)
            exploration_count[s] = puzzle_solved[s] = 1;

        run_state_reset(c.player_class);
        EXPECT_EQ(hp, c.hp);
        EXPECT_EQ(energy, c.energy);
        EXPECT_EQ(coins, c.coins);
        EXPECT_EQ(clues, c.clues);
        for (std::int32_t value : {weapon, level, score, shield, keys, rounds, lantern_upgrade,
                                   blade_upgrade, armor_upgrade})
            EXPECT_EQ(value, 0);
        for (int s = 0; s < STAGE_COUNT; ++s) {
            EXPECT_EQ(exploration_count[s], 0);
            EXPECT_EQ(puzzle_solved[s], 0);
        }
    }
}

}  // namespace
