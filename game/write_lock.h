// The write lock: a directory whose creation serialises every writer of the
// shared game files (score tables, outbox, bulletins, daily lock file)
// across the nodes of a board. The holder records itself in it, so a lock
// left by a process that died on this host is taken over at once.
#ifndef GAME_WRITE_LOCK_H
#define GAME_WRITE_LOCK_H

#include "game/lock_holder.h"

inline constexpr const char* WRITE_LOCK_PATH = "data/.grimbo-write.lock";
// The holder's record inside the lock directory.
inline constexpr const char* WRITE_LOCK_HOLDER = "holder";
inline constexpr int WRITE_LOCK_DELAY_US = 100000;
// A waiter outlasts the stale age, so a lock whose holder died on another
// host is taken over before the waiter gives up.
inline constexpr int WRITE_LOCK_WAIT_MS = (WRITE_LOCK_STALE_SECONDS + 1) * 1000;

// Takes the lock, looking again every 100 ms for up to `wait_ms` while
// another process holds it. A lock whose holder is dead is taken over; one
// held by a live process on this host never is. Returns 1 when held, 0 when
// not obtained, with errno ETIMEDOUT when the wait ran out, ENOTDIR at once
// for a link or file standing in its place, else why it could not be made.
int write_lock_take(int wait_ms = WRITE_LOCK_WAIT_MS);

// Removes the lock if this process holds it (and it is still its own).
void write_lock_release();

#endif
