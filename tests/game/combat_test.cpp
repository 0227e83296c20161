// Guardian fights: the arithmetic a caller cannot see on the screen, and one
// fight played through a real session.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "game/combat.h"
#include "game/music.h"
#include "game/profile.h"
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

void fresh_run(int month = season_october, int stage = 0)
{
    season_index = month;
    level = stage;
    hp = 100;
    energy = 100;
    coins = 20;
    weapon = 0;
    score = 0;
    shield = 0;
    keys = 0;
    rounds = 0;
    blade_upgrade = 0;
    lantern_upgrade = 0;
    armor_upgrade = 0;
    Halloween_mode = 0;
    quit_requested = 0;
    quit_loses_run = 0;  // a gate or fight on its own, no run at stake
    player_class = 1;
    sound_enabled = 0;
}

// Seeds the generator so that the next draw is one whose low bits are
// `low3` (searching a few seeds is quicker than inverting the generator).
void seed_for_low_bits(int low3)
{
    for (std::uint32_t seed = 1;; ++seed) {
        std::uint32_t next = seed * 1664525u + 1013904223u;
        if (static_cast<int>((next >> 1) & 7) == low3) {
            seasonal_seed(seed);
            return;
        }
    }
}

struct StrikeCase {
    const char* what;
    int player_class;
    int blade;
    int low3;
    int damage;
};

TEST(FightAction, StrikeAddsTheDiceTheBladeAndTheCarversEdge)
{
    const StrikeCase cases[] = {
        {"warden, bare", 1, 0, 0, 10},
        {"warden, high dice", 1, 0, 7, 17},
        {"carver", 0, 0, 3, 17},
        {"carver with a full blade", 0, 12, 7, 33},
    };
    for (const StrikeCase& c : cases) {
        fresh_run();
        player_class = c.player_class;
        blade_upgrade = c.blade;
        seed_for_low_bits(c.low3);
        blow hit{};
        ASSERT_EQ(fight_action('1', hit), action_outcome::accepted) << c.what;
        EXPECT_EQ(hit.damage, c.damage) << c.what;
        EXPECT_EQ(hit.gain, 3 * c.damage) << c.what;
        EXPECT_TRUE(hit.answered) << c.what;
        EXPECT_EQ(energy, 92) << c.what;
    }
}

TEST(FightAction, ThrowCostsThreeCoinsAndHitsSeventeenAndUp)
{
    fresh_run();
    seed_for_low_bits(5);
    blow hit{};
    ASSERT_EQ(fight_action('2', hit), action_outcome::accepted);
    EXPECT_EQ(hit.damage, 22);
    EXPECT_EQ(coins, 17);
}

struct SpecialCase {
    int weapon;
    int lantern;
    int damage;
    bool answered;
};

TEST(FightAction, SpecialSuppliesAreUsedUpAndTheFlareStuns)
{
    const SpecialCase cases[] = {
        {1, 3, 18, true}, {2, 0, 24, true}, {3, 0, 7, false}, {3, 3, 19, false},
    };
    for (const SpecialCase& c : cases) {
        fresh_run();
        weapon = c.weapon;
        lantern_upgrade = c.lantern;
        blow hit{};
        ASSERT_EQ(fight_action('4', hit), action_outcome::accepted) << c.weapon;
        EXPECT_EQ(hit.damage, c.damage) << c.weapon;
        EXPECT_EQ(hit.gain, 3 * c.damage) << c.weapon;
        EXPECT_EQ(hit.answered, c.answered) << c.weapon;
        EXPECT_EQ(weapon, 0);
    }
}

TEST(FightAction, RefusedActionsChangeNothing)
{
    struct Case {
        const char* what;
        int key;
        int energy;
        int coins;
        action_outcome outcome;
    };
    const Case cases[] = {
        {"strike while exhausted", '1', 7, 20, action_outcome::exhausted},
        {"throw with two coins", '2', 100, 2, action_outcome::ignored},
        {"special with no supply", '4', 100, 20, action_outcome::ignored},
        {"a letter", 'x', 100, 20, action_outcome::ignored},
        {"enter", '\r', 100, 20, action_outcome::ignored},
        {"six", '6', 100, 20, action_outcome::ignored},
    };
    for (const Case& c : cases) {
        fresh_run();
        energy = c.energy;
        coins = c.coins;
        seasonal_seed(42);
        blow hit{};
        EXPECT_EQ(fight_action(c.key, hit), c.outcome) << c.what;
        EXPECT_EQ(energy, c.energy) << c.what;
        EXPECT_EQ(coins, c.coins) << c.what;
        EXPECT_EQ(shield, 0) << c.what;
        EXPECT_EQ(seasonal_rng_state, 42u) << c.what << ": no dice were drawn";
        EXPECT_EQ(quit_requested, 0) << c.what;
    }
}

TEST(FightAction, QOrEscQuitsAndDodgeAndRestAreFree)
{
    for (int key : {int{'q'}, int{'Q'}, 27}) {
        fresh_run();
        blow hit{};
        EXPECT_EQ(fight_action(key, hit), action_outcome::quit) << key;
        EXPECT_EQ(quit_requested, 1) << key;
    }
    fresh_run();
    energy = 7;
    blow hit{};
    ASSERT_EQ(fight_action('5', hit), action_outcome::accepted);
    EXPECT_EQ(energy, 21);
    energy = 95;
    fight_action('5', hit);
    EXPECT_EQ(energy, 100);
    ASSERT_EQ(fight_action('3', hit), action_outcome::accepted);
    EXPECT_EQ(shield, 1);
    EXPECT_EQ(hit.damage, 0);
}

TEST(FightSetup, PatternFollowsMonthAndStageAndTheBarScalesToTheGuardian)
{
    EXPECT_EQ(fight_pattern(9, 0), 0);
    EXPECT_EQ(fight_pattern(9, 5), 5);
    EXPECT_EQ(fight_pattern(0, 0), 1);
    EXPECT_EQ(fight_pattern(11, 7), 3);

    fresh_run(season_october, 7);
    fight_state fight = fight_begin();
    EXPECT_EQ(fight.boss_hp, 112);
    EXPECT_EQ(fight.boss_max, 112);
    fight.boss_hp = 8;
    EXPECT_EQ(fight_bar_cells(fight), 1);
    fight.boss_hp = 7;
    EXPECT_EQ(fight_bar_cells(fight), 0);
    fight.boss_hp = 130;  // healed past its start
    EXPECT_EQ(fight_bar_cells(fight), 14);
    fight.boss_hp = -20;
    EXPECT_EQ(fight_bar_cells(fight), 0);
}

struct AnswerCase {
    const char* what;
    int stage;
    int halloween;
    int armor;
    int shield;
    int pattern;
    int turn;
    int boss_hp;  // of a 112 maximum
    int r;
    int damage;
};

TEST(FightAnswer, GuardianDamageWithStageHalloweenArmorShieldAndPattern)
{
    const AnswerCase cases[] = {
        {"stage 1 guardian, lowest dice", 0, 0, 0, 0, 0, 1, 100, 0, 5},
        {"dice are taken modulo 7", 0, 0, 0, 0, 0, 1, 100, 13, 11},
        {"last stage on Halloween", 7, 1, 0, 0, 0, 1, 100, 6, 30},
        {"Halloween adds five", 3, 1, 0, 0, 0, 1, 100, 2, 18},
        {"armor never takes the hit below one", 0, 0, 9, 0, 0, 1, 100, 0, 1},
        {"shield divides by three", 7, 0, 0, 1, 0, 1, 100, 6, 8},
        {"shielded raw two costs nothing", 0, 0, 3, 1, 0, 1, 100, 0, 0},
        {"pattern 1 bonus after the shield", 0, 0, 3, 1, 1, 3, 100, 0, 3},
        {"pattern 1 off its beat", 0, 0, 0, 0, 1, 4, 100, 0, 5},
        {"pattern 2 every fourth", 0, 0, 0, 0, 2, 8, 100, 0, 9},
        {"pattern 5 every fifth", 0, 0, 0, 0, 5, 10, 100, 0, 10},
        {"pattern 7 below half", 0, 0, 0, 0, 7, 3, 55, 0, 9},
        {"pattern 7 at exactly half", 0, 0, 0, 0, 7, 3, 56, 0, 5},
    };
    for (const AnswerCase& c : cases) {
        fresh_run(season_october, c.stage);
        Halloween_mode = c.halloween;
        armor_upgrade = c.armor;
        shield = c.shield;
        fight_state fight{c.boss_hp, 112, c.turn, c.pattern};
        EXPECT_EQ(fight_answer_damage(fight, c.r, c.turn), c.damage) << c.what;
    }
}

TEST(FightExchange, PatternThreeTakesAQuarterOffTheSecondHit)
{
    fresh_run(11, 7);  // December, last stage: pattern 3
    fight_state fight = fight_begin();
    ASSERT_EQ(fight.pattern, 3);
    fight.turn = 1;
    fight_exchange(fight, blow{20, 60, true});
    EXPECT_EQ(fight.boss_hp, 112 - 15);
    EXPECT_EQ(score, 45);
}

TEST(FightExchange, PatternEffectsBeforeTheHit)
{
    struct Case {
        const char* what;
        int pattern;
        int turn;
        int hp;
        int energy;
        int boss_after;  // boss starts at 100, takes a 10-point hit
        int hp_loss_before_answer;
        int energy_after;
    };
    const Case cases[] = {
        {"pattern 0 heals 3 on every fourth", 0, 3, 100, 50, 93, 0, 50},
        {"pattern 2 heals 2", 2, 1, 100, 50, 92, 0, 50},
        {"pattern 6 heals 5", 6, 3, 100, 50, 95, 0, 50},
        {"pattern 4 bites 3", 4, 2, 100, 50, 90, 3, 50},
        {"pattern 4 spares the weak", 4, 2, 5, 50, 90, 0, 50},
        {"pattern 1 drains, never below zero", 1, 2, 100, 3, 90, 0, 0},
        {"pattern 5 drains 4", 5, 4, 100, 50, 90, 0, 46},
    };
    for (const Case& c : cases) {
        fresh_run();
        hp = c.hp;
        energy = c.energy;
        fight_state fight{100, 112, c.turn, c.pattern};
        // A stunned guardian does not answer, so hp shows the pattern alone.
        exchange_report report = fight_exchange(fight, blow{10, 30, false});
        EXPECT_EQ(fight.boss_hp, c.boss_after) << c.what;
        EXPECT_EQ(hp, c.hp - c.hp_loss_before_answer) << c.what;
        EXPECT_EQ(energy, c.energy_after) << c.what;
        EXPECT_FALSE(report.answered) << c.what;
        EXPECT_EQ(fight.turn, c.turn + 1) << c.what;
    }
}

TEST(FightExchange, StunnedGuardianStillCountsTheRoundAndDropsTheShield)
{
    fresh_run();
    shield = 1;
    seasonal_seed(7);
    fight_state fight = fight_begin();
    exchange_report report = fight_exchange(fight, blow{19, 57, false});
    EXPECT_TRUE(report.big_hit);
    EXPECT_FALSE(report.answered);
    EXPECT_EQ(hp, 100);
    EXPECT_EQ(rounds, 1);
    EXPECT_EQ(shield, 0);
    EXPECT_EQ(seasonal_rng_state, 7u);
    EXPECT_EQ(score, 57);
}

TEST(FightExchange, AnsweredHitUsesOneDraw)
{
    fresh_run(season_october, 2);
    seasonal_seed(99);
    const int r = static_cast<int>((99u * 1664525u + 1013904223u) >> 1);
    fight_state fight = fight_begin();  // pattern 2, no bonus on turn 1
    exchange_report report = fight_exchange(fight, blow{0, 0, true});
    EXPECT_TRUE(report.answered);
    EXPECT_EQ(report.answer_damage, r % 7 + 9);
    EXPECT_EQ(hp, 100 - report.answer_damage);
    EXPECT_FALSE(report.big_hit);
}

TEST(FightExchange, TurnLimitEndsTheFightUnlessTheLastExchangeWinsIt)
{
    fresh_run();
    fight_state standing{50, 112, 70, 1};
    exchange_report report = fight_exchange(standing, blow{10, 30, true});
    EXPECT_TRUE(report.out_of_turns);
    EXPECT_EQ(hp, 0);

    fresh_run();
    fight_state earlier{50, 112, 69, 1};
    EXPECT_FALSE(fight_exchange(earlier, blow{10, 30, false}).out_of_turns);
    EXPECT_EQ(hp, 100);

    fresh_run();
    fight_state falling{10, 112, 70, 1};
    report = fight_exchange(falling, blow{10, 30, true});
    EXPECT_FALSE(report.out_of_turns);
    EXPECT_FALSE(report.answered);
    EXPECT_EQ(hp, 100);
}

TEST(FightReward, HalloweenGuardiansPayMore)
{
    fresh_run(season_october, 7);
    Halloween_mode = 1;
    fight_reward();
    EXPECT_EQ(score, 1300);
    EXPECT_EQ(coins, 20 + 26);
    fresh_run(0, 0);
    fight_reward();
    EXPECT_EQ(score, 250);
    EXPECT_EQ(coins, 32);
}

// --- Through a session ---

grimbo_test::ChildResult fight_session(const std::string& typed, int stage_energy, int sound)
{
    grimbo_test::ChildResult result =
        game_test::run_session([&typed, stage_energy, sound](game_test::Caller& caller) {
            fresh_run(season_october, 0);
            sound_enabled = sound;
            in_adventure = 1;
            energy = stage_energy;
            coins = 30;
            seasonal_seed(2026 * 100 + 10);
            caller.send(typed);
            combat();
            std::fprintf(stderr, "hp=%d keys=%d quit=%d rounds=%d", static_cast<int>(hp),
                         static_cast<int>(keys), static_cast<int>(quit_requested),
                         static_cast<int>(rounds));
            return 0;
        });
    EXPECT_TRUE(result.exited) << result.err;
    return result;
}

std::string fight_through_session(const std::string& typed, int stage_energy, grimbo_test::Screen& screen)
{
    grimbo_test::ChildResult result = fight_session(typed, stage_energy, 0);
    screen.feed(result.out);
    return result.err;
}

TEST(CombatSession, TunesFollowTheFightWhenSoundIsOn)
{
    const std::string out = fight_session("1q", 7, 1).out;
    const std::string intro = "\x1b[|MFT90O3L8C.P8G.C\x0e\x0f\x1b[|MFT116O3L16CE<G\x0e\x0f";
    const std::size_t first = out.find(intro);
    ASSERT_NE(first, std::string::npos);
    const std::size_t refused = out.find("\x1b[|MFT220O5L32C<G\x0e\x0f", first);
    ASSERT_NE(refused, std::string::npos);
    // The intro plays again on the redraw: no exchange has completed yet.
    EXPECT_NE(out.find(intro, refused), std::string::npos);
    EXPECT_EQ(fight_session("1q", 7, 0).out.find("\x1b[|"), std::string::npos);
}

TEST(CombatSession, ExhaustedStrikeIsShownOnTheRedrawnTurnAndQQuits)
{
    grimbo_test::Screen screen(25, 80, true);
    std::string state = fight_through_session("1q", 7, screen);
    EXPECT_EQ(state, "hp=100 keys=0 quit=1 rounds=0");
    EXPECT_EQ(left_text(screen, 5), "  THE HARVEST IS HUNGRY!");
    EXPECT_EQ(left_text(screen, 6), "  BOSS: RANCID ROOT");
    EXPECT_EQ(left_text(screen, 8), "  BOSS HP   [??????????????]");
    for (int column = 14; column <= 27; ++column)
        EXPECT_EQ(screen.cell(8, column).ch, U'\u2588') << column;
    EXPECT_EQ(screen.cell(8, 14).attribute, 12);
    // An option's key stays with its words; no option loses its end.
    EXPECT_EQ(left_text(screen, 10), "  [1] CARVE (12) [2] THROW CANDY (18)");
    EXPECT_EQ(left_text(screen, 11), "  [3] DODGE");
    EXPECT_EQ(left_text(screen, 12), "  [4] SPECIAL (supply)");
    EXPECT_EQ(left_text(screen, 13), "  [5] TAUNT (+stamina)");
    EXPECT_EQ(left_text(screen, 14), "  ROOT: YOUR BONES WILL FEED MY VINES!");
    EXPECT_EQ(left_text(screen, 16), "  TOO EXHAUSTED! REST WITH [5].");
    EXPECT_EQ(screen.cell(16, 3).attribute, 12);
}

TEST(CombatSession, ThrowsBringTheRootDownAndTheKeyIsWon)
{
    grimbo_test::Screen screen(25, 80, true);
    std::string state = fight_through_session("2222c", 100, screen);
    EXPECT_NE(state.find("keys=1 quit=0"), std::string::npos) << state;
    EXPECT_EQ(left_text(screen, 5), "  THE MONSTER FALLS!");
    // The victory screen counts the key it hands over.
    EXPECT_NE(game_test::cells_text(screen, 22, 1, 46).find(" KEYS 1 CLUES "), std::string::npos)
        << game_test::cells_text(screen, 22, 1, 46);
    EXPECT_EQ(left_text(screen, 11), "  BOSS DEFEATED! YOU RECOVER CANDY AND A");
    EXPECT_EQ(left_text(screen, 12), "  STRANGE KEY.");
    EXPECT_EQ(screen.cell(11, 3).attribute, 10);
}

TEST(CombatSession, LostRunFinaleOutsideOctoberClaimsTheSeals)
{
    grimbo_test::Screen screen(25, 80, true);
    game_test::draw_on_screen(
        [] {
            fresh_run(0, 3);
            explosion(1);
        },
        screen);
    EXPECT_NE(screen.row_text(1).find("THE ADVENTURE ENDS"), std::string::npos);
    EXPECT_EQ(screen.row_text(22), "    THE GUARDIAN CLAIMS YOUR SEALS.");
    EXPECT_EQ(screen.cell(22, 5).attribute, 14);  // the last frame is odd
}

}  // namespace
