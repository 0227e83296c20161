#include "game/write_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace {

int held = 0;

bool is_stale(const struct stat& lock)
{
    return S_ISDIR(lock.st_mode) && std::time(nullptr) - lock.st_mtime > WRITE_LOCK_STALE_SECONDS;
}

// Removes a lock directory left behind by a dead holder. Recoverers take
// turns through an exclusive lock on "data" and look again once they have
// it, so a lock that another recoverer already replaced with a fresh one is
// never removed.
bool recover_stale(const struct stat& seen)
{
    int dir = open("data", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    bool removed = false;
    if (flock(dir, LOCK_EX | LOCK_NB) == 0) {
        struct stat now {};
        if (lstat(WRITE_LOCK_PATH, &now) == 0 && now.st_ino == seen.st_ino &&
            now.st_dev == seen.st_dev && is_stale(now))
            removed = rmdir(WRITE_LOCK_PATH) == 0;
        flock(dir, LOCK_UN);
    }
    close(dir);
    return removed;
}

}  // namespace

int write_lock_take(int attempts)
{
    if (held)
        return 0;  // not reentrant: a nested take would release the outer one
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (mkdir(WRITE_LOCK_PATH, 0755) == 0) {
            held = 1;
            return 1;
        }
        if (errno != EEXIST)
            return 0;
        if (struct stat lock {};
            lstat(WRITE_LOCK_PATH, &lock) == 0 && is_stale(lock) && recover_stale(lock))
            continue;
        usleep(WRITE_LOCK_DELAY_US);
    }
    return 0;
}

void write_lock_release()
{
    if (!held)
        return;
    rmdir(WRITE_LOCK_PATH);
    held = 0;
}
