// Who holds the write lock, and whether a waiter may take over a lock it
// finds: the holder's record written into the lock, the check of that
// holder on this host, and the verdict on a lock a waiter sees.
#ifndef GAME_LOCK_HOLDER_H
#define GAME_LOCK_HOLDER_H

#include <cstddef>

inline constexpr std::size_t HOLDER_HOST_SIZE = 65;   // a host name and its end
inline constexpr std::size_t HOLDER_SPACE_SIZE = 32;  // "pid:[4026531836]"
inline constexpr std::size_t HOLDER_LINE_SIZE = 160;

// A lock older than this was left behind by a holder that died (holders
// keep the lock for milliseconds); it may be taken over.
inline constexpr int WRITE_LOCK_STALE_SECONDS = 30;

struct lock_holder {
    long pid;                           // 0: unknown
    char host[HOLDER_HOST_SIZE];        // "": unknown
    char pid_space[HOLDER_SPACE_SIZE];  // the holder's process-id namespace; "": not recorded
    unsigned long long started;         // its start, in clock ticks since boot; 0: not recorded
};

// This process as a holder.
lock_holder holder_self();

// The record written into the lock: "pid<TAB>host<TAB>space<TAB>started\n".
// Returns its length, or 0 when it does not fit.
std::size_t holder_format(const lock_holder& holder, char* out, std::size_t size);

// Reads a record. Only the process id and the host are needed (a writer
// may record no more); later fields are taken when present. False when the
// record is damaged.
bool holder_parse(const char* text, lock_holder& out);

enum class holder_state {
    unknown,    // no usable record: only the lock's age tells
    elsewhere,  // a process on another host (or process-id space): only the age tells
    running,    // a process on this host that still runs
    gone,       // a process on this host that no longer exists
};

// Looks the holder up from `self`'s host.
holder_state holder_check(const lock_holder& holder, const lock_holder& self);

// The start of a process on this host, in clock ticks since boot; 0 when
// unknown.
unsigned long long process_started(long pid);

// What a waiter sees of the lock.
struct lock_sight {
    bool directory;       // a lock directory, not a link or a file put there
    holder_state holder;
    double age_seconds;   // how old the lock is known to be
};

enum class lock_verdict {
    wait,     // a holder may still be at work
    recover,  // the holder is dead: the lock may be taken over
    refuse,   // not a lock this game makes: never touched, never waited for
};

lock_verdict judge_lock(const lock_sight& sight);

#endif
