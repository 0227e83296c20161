// One run from the lobby: the month's story (mode 0) or the daily
// challenge (mode 1); returns to the lobby when it ends.
#ifndef GAME_RUN_H
#define GAME_RUN_H

inline constexpr int run_story = 0;
inline constexpr int run_daily = 1;

void run(int mode);

// --- Steps the story run shares with the daily challenge ---

// After the seed: Halloween_mode from the calendar, then the class's start
// values (run_state_reset). A story run is unsaved until its ending.
void run_begin(int mode);
// The three scenes after the last guardian on 31 October, then the ending.
void halloween_finale(int mode);
// Saves the run with `mode` as its daily flag and shows the outcome, then
// leaves the run.
void run_ending(int mode);
// Back to the lobby without a record.
void run_leave();

// The session stops (lost connection, time limit, inactivity, shutdown)
// while a story run is on: saves the score and stage reached as its ending
// would, drawing nothing. Does nothing for a daily run, a run the caller
// quit, or one already saved.
void run_save_unseen();

#endif
