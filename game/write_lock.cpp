#include "game/write_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "game/data_file.h"

namespace {

using std::chrono::steady_clock;

constexpr const char* kDataDir = "data";
// A release waits this long (in 10 ms steps) for a recoverer's turn.
constexpr int kReleaseTurnAttempts = 100;
constexpr int kTurnDelayUs = 10000;

// One lock directory as made: a lock replaced by another is a new one.
struct lock_identity {
    dev_t dev;
    ino_t ino;
    struct timespec changed;
};

lock_identity identity_of(const struct stat& info)
{
    return {info.st_dev, info.st_ino, info.st_mtim};
}

bool same_directory(const lock_identity& a, const lock_identity& b)
{
    return a.dev == b.dev && a.ino == b.ino;
}

bool same_lock(const lock_identity& a, const lock_identity& b)
{
    return same_directory(a, b) && a.changed.tv_sec == b.changed.tv_sec &&
           a.changed.tv_nsec == b.changed.tv_nsec;
}

bool same_holder(const lock_holder& a, const lock_holder& b)
{
    return a.pid == b.pid && std::strcmp(a.host, b.host) == 0 &&
           std::strcmp(a.pid_space, b.pid_space) == 0 && a.started == b.started;
}

// What stands at the lock's place.
struct lock_look {
    bool present = false;
    bool directory = false;
    lock_identity id{};
    owned_fd dir;
    bool recorded = false;  // the holder's record could be read
    lock_holder holder{};
};

bool read_holder(int dir, lock_holder& holder)
{
    owned_fd record = open_plain_at(dir, WRITE_LOCK_HOLDER, O_RDONLY);
    if (!record)
        return false;
    char text[HOLDER_LINE_SIZE];
    ssize_t got = read(record.get(), text, sizeof text - 1);
    if (got <= 0)
        return false;
    text[got] = '\0';
    return holder_parse(text, holder);
}

lock_look look_at_lock()
{
    lock_look look;
    struct stat info {};
    if (lstat(WRITE_LOCK_PATH, &info) != 0)
        return look;
    look.present = true;
    if (!S_ISDIR(info.st_mode))
        return look;
    look.directory = true;
    look.id = identity_of(info);
    look.dir.reset(open(WRITE_LOCK_PATH, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!look.dir)
        return look;
    // The directory actually opened is the one whose record is read.
    if (fstat(look.dir.get(), &info) == 0)
        look.id = identity_of(info);
    look.recorded = read_holder(look.dir.get(), look.holder);
    return look;
}

// How old the lock's directory says it is (never below 0: another host's
// clock may run ahead).
double recorded_age(const lock_identity& id)
{
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    double age = static_cast<double>(now.tv_sec - id.changed.tv_sec) +
                 static_cast<double>(now.tv_nsec - id.changed.tv_nsec) / 1e9;
    return age > 0 ? age : 0;
}

// How long a waiter has seen the same lock: a lock watched unchanged this
// long is at least this old, whatever the clocks of the hosts say.
class lock_watch {
public:
    double seconds(const lock_identity& id)
    {
        steady_clock::time_point now = steady_clock::now();
        if (!watching_ || !same_lock(id, id_)) {
            watching_ = true;
            id_ = id;
            since_ = now;
        }
        return std::chrono::duration<double>(now - since_).count();
    }

private:
    bool watching_ = false;
    lock_identity id_{};
    steady_clock::time_point since_{};
};

lock_sight sight_of(const lock_look& look, double watched, const lock_holder& self)
{
    double age = recorded_age(look.id);
    return {look.directory, look.recorded ? holder_check(look.holder, self) : holder_state::unknown,
            watched > age ? watched : age};
}

// Recoverers and releasers of the lock take turns through an exclusive lock
// on "data", so a lock is removed by one of them only, after a fresh look.
class removal_turn {
public:
    explicit removal_turn(int attempts)
        : data_(open(kDataDir, O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        for (int attempt = 0; data_ && attempt < attempts; ++attempt) {
            if (flock(data_.get(), LOCK_EX | LOCK_NB) == 0) {
                held_ = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR)
                return;
            if (attempt + 1 < attempts)
                usleep(kTurnDelayUs);
        }
    }
    ~removal_turn()
    {
        if (held_)
            flock(data_.get(), LOCK_UN);
    }
    removal_turn(const removal_turn&) = delete;
    removal_turn& operator=(const removal_turn&) = delete;
    bool held() const { return held_; }

private:
    owned_fd data_;
    bool held_ = false;
};

// Moves the lock aside under a name of its own, which frees the lock's name
// in one step whatever the directory holds, then clears it away.
bool retire_lock(const lock_look& look)
{
    static unsigned long retired = 0;
    char aside[96];
    std::snprintf(aside, sizeof aside, "%s.%ld.%lu.old", WRITE_LOCK_PATH,
                  static_cast<long>(getpid()), ++retired);
    bool moved = std::rename(WRITE_LOCK_PATH, aside) == 0;
    if (look.dir)
        unlinkat(look.dir.get(), WRITE_LOCK_HOLDER, 0);
    if (!moved)
        return rmdir(WRITE_LOCK_PATH) == 0;
    rmdir(aside);
    return true;
}

// Takes over the lock seen as `seen` if a fresh look in turn still finds it
// abandoned. True when the lock's name is free to be taken.
bool recover(const lock_identity& seen, double watched, const lock_holder& self)
{
    removal_turn turn(1);
    if (!turn.held())
        return false;
    lock_look look = look_at_lock();
    if (!look.present)
        return true;
    if (!look.directory || !same_lock(look.id, seen) ||
        judge_lock(sight_of(look, watched, self)) != lock_verdict::recover)
        return false;
    return retire_lock(look);
}

// The lock this process holds.
int held = 0;
bool held_seen = false;      // its directory could be looked at when taken
lock_identity held_as{};
bool held_recorded = false;  // its holder record was written
lock_holder held_by{};

void hold(const lock_holder& self)
{
    held = 1;
    held_by = self;
    owned_fd dir(open(WRITE_LOCK_PATH, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    held_seen = dir && fstat(dir.get(), &info) == 0;
    held_recorded = false;
    if (!held_seen)
        return;
    held_as = identity_of(info);
    // Without a record others judge the lock by its age alone.
    char text[HOLDER_LINE_SIZE];
    std::size_t length = holder_format(self, text, sizeof text);
    owned_fd record(openat(dir.get(), WRITE_LOCK_HOLDER,
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    held_recorded =
        length > 0 && record && write_all(record.get(), text, length) && record.close_checked();
}

// Whether the lock still is the one this process took: a lock held past
// the stale age may have been taken over by another node meanwhile.
bool still_ours(const lock_look& look)
{
    if (!held_seen)
        return true;
    if (!same_directory(look.id, held_as))
        return false;
    return !held_recorded || (look.recorded && same_holder(look.holder, held_by));
}

}  // namespace

int write_lock_take(int wait_ms)
{
    if (held) {
        errno = EDEADLK;
        return 0;  // not reentrant: a nested take would release the outer one
    }
    const lock_holder self = holder_self();
    const steady_clock::time_point deadline =
        steady_clock::now() + std::chrono::milliseconds(wait_ms);
    lock_watch watch;
    for (;;) {
        if (mkdir(WRITE_LOCK_PATH, 0755) == 0) {
            hold(self);
            return 1;
        }
        if (errno != EEXIST)
            return 0;
        lock_look look = look_at_lock();
        if (!look.present)
            continue;  // let go just now
        double watched = watch.seconds(look.id);
        lock_verdict verdict = judge_lock(sight_of(look, watched, self));
        if (verdict == lock_verdict::refuse) {
            errno = ENOTDIR;
            return 0;
        }
        if (verdict == lock_verdict::recover && recover(look.id, watched, self))
            continue;
        if (steady_clock::now() >= deadline) {
            errno = ETIMEDOUT;
            return 0;
        }
        usleep(WRITE_LOCK_DELAY_US);
    }
}

void write_lock_release()
{
    if (!held)
        return;
    held = 0;
    // Without the turn (a recoverer stuck on it) the lock is still let go.
    removal_turn turn(kReleaseTurnAttempts);
    lock_look look = look_at_lock();
    if (look.present && look.directory && still_ours(look))
        retire_lock(look);
}
