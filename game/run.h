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

// --- The story run's own steps, kept apart for their tests ---

// The whole story run once the calendar is bound: run(run_story) without
// its season_bind.
void story_run();
// The month's opening ("THE NIGHT IT BEGAN" in October), up to its prompt.
void story_opening();
// A stage's screen with its menu: the first drawing of the stage, or the
// redraw after a search, a seal or the trunk.
void stage_screen(bool first);
// The campaign screen after the last guardian, in months other than October.
void campaign_complete();

// The session stops (lost connection, time limit, inactivity, shutdown)
// while a story run is on: saves the score and stage reached as its ending
// would, drawing nothing. Does nothing for a daily run, a run the caller
// quit, or one already saved.
void run_save_unseen();

#endif
