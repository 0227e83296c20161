// The daily challenge: one dated mission per UTC day, the same on every
// board, one attempt per caller and day.
#ifndef GAME_DAILY_H
#define GAME_DAILY_H

#include <cstddef>

inline constexpr const char* DAILY_LOCK_PATH = "data/daily-lock.tsv";
inline constexpr std::size_t DAILY_RESERVATION_SIZE = 160;

// The caller's reservation directory for today, and whether this process
// holds it.
extern char daily_reservation[DAILY_RESERVATION_SIZE];
extern int daily_reserved;

// The whole daily run from the lobby's "D": reservation, set-up, the story
// choice, the side event, the guardian and the ending.
void daily_run();

// --- Steps, kept apart for the run and its tests ---

// Takes today's reservation for the caller under the write lock. Returns 1
// when held; 0 when storage or the caller key is missing, the lock cannot be
// had, today's attempt is already recorded or another node is playing it.
int daily_reserve();

// Records today's finished attempt in the daily lock file and gives up the
// reservation. Returns the save outcome, turned into a warning when the
// attempt could not be recorded.
int daily_record(int outcome);

// Gives up the reservation if held (the attempt may be started again).
void daily_release();

// 1 when the lock file holds a line for `key` on the day `stamp`.
int daily_played(const char* key, int stamp);

// The dated set-up over the class start values of run_begin.
void daily_setup();

// "DAY %02d: %s" for today, cut to what the intro screen shows.
void daily_title(char* out, std::size_t size);

// The day's story event with its choice (day of the month 1-31).
void daily_story(int day);

#endif
