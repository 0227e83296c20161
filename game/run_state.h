// State of the run in progress: reset at the start of every run and read and
// changed directly by the stage, search, puzzle and fight screens.
#ifndef GAME_RUN_STATE_H
#define GAME_RUN_STATE_H

#include <cstdint>

constexpr int STAGE_COUNT = 8;

extern std::int32_t hp;        // health; dead at 0 or less
extern std::int32_t energy;    // stamina
extern std::int32_t coins;     // candy in October, tokens otherwise
extern std::int32_t weapon;    // special supply held: 0 none, 1-3
extern std::int32_t level;     // current stage 0-7
extern std::int32_t score;
extern std::int32_t shield;    // one-hit shield, 0/1
extern std::int32_t keys;
extern std::int32_t clues;
extern std::int32_t rounds;    // combat rounds fought

extern std::int32_t lantern_upgrade;  // 0-3
extern std::int32_t blade_upgrade;    // added attack damage
extern std::int32_t armor_upgrade;    // damage taken off each guardian hit

extern std::int32_t exploration_count[STAGE_COUNT];  // searches made per stage
extern std::int32_t puzzle_solved[STAGE_COUNT];      // 1 once the seal is broken

extern std::int32_t Halloween_mode;  // the run started on 31 October
extern std::int32_t in_adventure;    // a run is in progress
extern std::int32_t quit_requested;  // the caller asked to leave
// 1 while leaving would throw the run away unsaved: from the start of a run
// until its Halloween finale or its ending, where a quit still saves.
extern std::int32_t quit_loses_run;

// Start values of a story run for a survivor class (0 Carver, 1 Warden,
// 2 Alchemist, 3 Scout, 4 Medium): every counter, upgrade and stage flag
// back to 0, then the class's health, stamina, coins and clues.
// Halloween_mode, in_adventure and quit_requested are left as they are.
void run_state_reset(int player_class);

#endif
