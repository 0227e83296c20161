// Searching a stage and buying from the supply trunk, on a seeded generator.
#include <gtest/gtest.h>

#include "game/explore.h"
#include "game/music.h"
#include "game/run_state.h"
#include "game/seasons.h"

namespace {

void fresh_run(int stage = 0)
{
    sound_enabled = 0;
    run_state_reset(0);
    level = stage;
}

TEST(Search, SeededDiceGiveTheSameOutcomesAndOnlyThreeSearchesCount)
{
    struct Case {
        std::uint32_t seed;
        search_outcome first, second, third;
    };
    // Expected from the generator's own recurrence, worked out by hand.
    const Case cases[] = {
        {1, search_outcome::hurt, search_outcome::found, search_outcome::found},
        {3, search_outcome::found, search_outcome::found, search_outcome::found},
        {202603, search_outcome::hurt, search_outcome::hurt, search_outcome::found},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        fresh_run(4);
        seasonal_seed(c.seed);
        const search_outcome want[] = {c.first, c.second, c.third};
        int found = 0;
        int hurt = 0;
        for (search_outcome expected : want) {
            EXPECT_EQ(search_stage(), expected);
            (expected == search_outcome::found ? found : hurt) += 1;
        }
        EXPECT_EQ(coins, 20 + 5 * found);
        EXPECT_EQ(score, 30 * found);
        EXPECT_EQ(hp, 100 - 8 * hurt);
        EXPECT_EQ(exploration_count[4], 3);

        // The fourth search changes nothing and draws no dice.
        const std::uint32_t state = seasonal_rng_state;
        EXPECT_EQ(search_stage(), search_outcome::exhausted);
        EXPECT_EQ(seasonal_rng_state, state);
        EXPECT_EQ(coins, 20 + 5 * found);
        EXPECT_EQ(hp, 100 - 8 * hurt);
        EXPECT_EQ(exploration_count[4], 3);
        // Other stages keep their own count.
        EXPECT_EQ(exploration_count[3], 0);
    }
}

TEST(Trunk, EachItemCostsItsPriceAndDoesItsEffect)
{
    struct Case {
        int item;
        int price;
        std::int32_t* changed;
        int after;  // the changed value from a fresh Carver
    };
    const Case cases[] = {
        {0, 7, &weapon, 1},          {1, 9, &weapon, 2},
        {2, 10, &weapon, 3},         {4, 15, &blade_upgrade, 4},
        {5, 16, &armor_upgrade, 3},  {6, 14, &lantern_upgrade, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        fresh_run();
        coins = 40;
        EXPECT_EQ(trunk_buy(c.item), trunk_outcome::bought);
        EXPECT_EQ(coins, 40 - c.price);
        EXPECT_EQ(*c.changed, c.after);
    }
}

TEST(Trunk, ASupplyNeedsTheWholePriceAndReplacesTheOneHeld)
{
    fresh_run();
    coins = 7;
    EXPECT_EQ(trunk_buy(0), trunk_outcome::bought);
    EXPECT_EQ(coins, 0);
    EXPECT_EQ(weapon, 1);
    EXPECT_EQ(trunk_buy(0), trunk_outcome::too_dear);
    EXPECT_EQ(weapon, 1);

    coins = 9;
    EXPECT_EQ(trunk_buy(1), trunk_outcome::bought);
    EXPECT_EQ(weapon, 2);
    EXPECT_EQ(trunk_buy(-1), trunk_outcome::too_dear);
    EXPECT_EQ(trunk_buy(7), trunk_outcome::too_dear);
}

TEST(Trunk, HealingCapsAtOneHundredAndStillCosts)
{
    const struct {
        int before, after;
    } cases[] = {{50, 75}, {95, 100}, {100, 100}, {120, 100}};
    for (const auto& c : cases) {
        fresh_run();
        hp = c.before;
        EXPECT_EQ(trunk_buy(3), trunk_outcome::bought);
        EXPECT_EQ(hp, c.after) << c.before;
        EXPECT_EQ(coins, 12);
    }
}

TEST(Trunk, UpgradesStopAtTheirCapsAndGiveThePriceBack)
{
    struct Case {
        int item;
        std::int32_t* upgrade;
        int cap;
        int buys_to_cap;
    };
    const Case cases[] = {
        {4, &blade_upgrade, 12, 3}, {5, &armor_upgrade, 9, 3}, {6, &lantern_upgrade, 3, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        fresh_run();
        coins = 1000;
        for (int i = 0; i < c.buys_to_cap; ++i)
            EXPECT_EQ(trunk_buy(c.item), trunk_outcome::bought);
        EXPECT_EQ(*c.upgrade, c.cap);
        const int purse = coins;
        EXPECT_EQ(trunk_buy(c.item), trunk_outcome::at_limit);
        EXPECT_EQ(*c.upgrade, c.cap);
        EXPECT_EQ(coins, purse);
    }
}

}  // namespace
