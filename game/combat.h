// The guardian fight at the end of every stage, and the short animation that
// ends a run.
#ifndef GAME_COMBAT_H
#define GAME_COMBAT_H

// One guardian fight on the current stage. Everything it reads and changes
// is run state; the caller tells the outcome by quit_requested and hp alone:
// quit_requested 1 after a quit, hp 0 or less after a death or the turn
// limit, otherwise the guardian fell (keys + 1) or the carrier was lost.
void combat();

// The run's closing animation: lost 1 when the survivor died, 0 when the last
// guardian fell. Does not wait for a key.
void explosion(int lost);

// --- Fight arithmetic, kept apart from the drawing ---

inline constexpr int combat_turn_limit = 70;  // exchanges beyond this are lost

// The guardian of one fight.
struct fight_state {
    int boss_hp;
    int boss_max;  // also the bar's scale and the half-strength mark
    int turn;      // exchanges completed
    int pattern;   // 0-7
};

// A fresh guardian for the current stage and month.
fight_state fight_begin();
// Attack pattern for a stage in a month: October's follow the stage.
int fight_pattern(int month_index, int stage);
// Filled cells of the guardian's 14-cell bar.
int fight_bar_cells(const fight_state& fight);

// What the survivor's chosen action does.
enum class action_outcome {
    ignored,    // not an action, or silently refused
    exhausted,  // STRIKE without the stamina for it
    accepted,
    quit,       // Q or Esc: quit_requested is set
};
struct blow {
    int damage;
    int gain;      // score for the hit
    bool answered; // the guardian answers this exchange (not after a flare)
};

// Takes the action for one key, pays its cost and plays its tune; `out` is
// set when the action was accepted.
action_outcome fight_action(int key, blow& out);

// What one exchange did, for the screen and the music.
struct exchange_report {
    bool big_hit;      // the survivor's hit was 18 or more
    bool answered;     // the guardian hit back
    int answer_damage; // what the survivor lost to it
    bool out_of_turns; // the turn limit struck: hp is now 0
};

// Plays out one accepted action: pattern effect, the hit, the guardian's
// answer, the round count. Draws nothing.
exchange_report fight_exchange(fight_state& fight, blow hit);

// The guardian's answer for a draw r after `turn` exchanges (the new count).
int fight_answer_damage(const fight_state& fight, int r, int turn);

// Score and coins for a fallen guardian (the key is given with its screen).
void fight_reward();

#endif
