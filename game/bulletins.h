// The score bulletins the BBS shows: the story and daily tables, top 20,
// in ANSI and plain text, in the game directory.
#ifndef GAME_BULLETINS_H
#define GAME_BULLETINS_H

constexpr int BULLETIN_ROWS = 20;

// Regenerates "highscores.ans", "highscores.asc", "daily-highscores.ans" and
// "daily-highscores.asc". Returns 1 when all four were written and closed
// without error. Only while the write lock is held.
int export_scores();

#endif
