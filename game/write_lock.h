// The write lock: a directory whose creation serialises every writer of the
// shared game files (score tables, outbox, bulletins, daily lock file)
// across the nodes of a board.
#ifndef GAME_WRITE_LOCK_H
#define GAME_WRITE_LOCK_H

inline constexpr const char* WRITE_LOCK_PATH = "data/.grimbo-write.lock";
inline constexpr int WRITE_LOCK_ATTEMPTS = 100;        // about ten seconds
inline constexpr int WRITE_LOCK_DELAY_US = 100000;
// Holders keep the lock for milliseconds; one this old was left behind by a
// process that died holding it and is removed.
inline constexpr int WRITE_LOCK_STALE_SECONDS = 30;

// Takes the lock, trying up to `attempts` times 100 ms apart while another
// process holds it. Returns 1 when held, 0 when not obtained.
int write_lock_take(int attempts = WRITE_LOCK_ATTEMPTS);

// Removes the lock if this process holds it.
void write_lock_release();

#endif
