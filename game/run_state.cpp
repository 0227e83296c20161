#include "game/run_state.h"

std::int32_t hp;
std::int32_t energy;
std::int32_t coins;
std::int32_t weapon;
std::int32_t level;
std::int32_t score;
std::int32_t shield;
std::int32_t keys;
std::int32_t clues;
std::int32_t rounds;

std::int32_t lantern_upgrade;
std::int32_t blade_upgrade;
std::int32_t armor_upgrade;

std::int32_t exploration_count[STAGE_COUNT];
std::int32_t puzzle_solved[STAGE_COUNT];

std::int32_t Halloween_mode;
std::int32_t in_adventure;
std::int32_t quit_requested;
std::int32_t quit_loses_run;

void run_state_reset(int player_class)
{
    hp = player_class == 1 ? 120 : 100;
    energy = player_class == 3 ? 115 : 100;
    coins = player_class == 2 ? 32 : 20;
    clues = player_class == 4 ? 1 : 0;
    weapon = level = score = shield = keys = rounds = 0;
    lantern_upgrade = blade_upgrade = armor_upgrade = 0;
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        exploration_count[stage] = 0;
        puzzle_solved[stage] = 0;
    }
}
