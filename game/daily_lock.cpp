// The daily challenge's files: the caller's reservation directory and the
// lock file of finished attempts, both changed only under the write lock.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "doorkit/core/control.h"
#include "game/daily.h"
#include "game/data_file.h"
#include "game/game_log.h"
#include "game/score_line.h"
#include "game/scores.h"
#include "game/seasons.h"
#include "game/storage.h"
#include "game/write_lock.h"

char daily_reservation[DAILY_RESERVATION_SIZE] = "";
int daily_reserved = 0;

namespace {

// Keys longer than this never match, as the lock file has always been read.
constexpr std::size_t kKeyMax = 63;
constexpr std::size_t kLineMax = 255;  // longer lines are damaged and skipped
constexpr const char* kNotRecorded = "daily attempt not recorded, the caller may play today again";

enum class lock_file { missing, read, unreadable };

// Whether the lock file could be looked at, and in `found` whether it holds
// the key's line for the day. Damaged lines are skipped.
lock_file find_attempt(const char* key, int stamp, bool& found)
{
    found = false;
    text_file file = read_plain(DAILY_LOCK_PATH);
    if (!file)
        return errno == ENOENT ? lock_file::missing : lock_file::unreadable;
    char line[kLineMax + 2];
    while (!found && read_line(file.get(), line, sizeof line)) {
        char* tab = std::strchr(line, '\t');
        if (tab == nullptr || static_cast<std::size_t>(tab - line) > kKeyMax)
            continue;
        *tab = '\0';
        const char* day = tab + 1;
        errno = 0;
        char* end = nullptr;
        long value = std::strtol(day, &end, 10);
        if (end == day || *end != '\0' || errno != 0 || value < INT_MIN || value > INT_MAX)
            continue;
        found = value == stamp && std::strcmp(line, key) == 0;
    }
    return lock_file::read;
}

// A caller whose line drops mid-run leaves through the kit's exit, not
// through the run's own way out; the reservation must not outlive it and
// keep the caller out for the rest of the day.
void release_at_exit()
{
    daily_release();
}

void build_reservation()
{
    char base[PROFILE_PATH_SIZE];
    ODCopyField(base, profile_path);
    if (char* dot = std::strrchr(base, '.'); dot != nullptr)
        *dot = '\0';
    std::snprintf(daily_reservation, sizeof daily_reservation, "%s-%d.running", base,
                  season_stamp);
}

}  // namespace

int daily_played(const char* key, int stamp)
{
    bool found = false;
    find_attempt(key, stamp, found);
    return found ? 1 : 0;
}

int daily_reserve()
{
    if (profile_path[0] == '\0' || !storage_ok || daily_reserved)
        return 0;
    build_reservation();
    if (!write_lock_take())
        return 0;
    bool played = false;
    // A lock file that cannot be read cannot show that today is still open.
    if (find_attempt(profile_path, season_stamp, played) != lock_file::unreadable && !played &&
        mkdir(daily_reservation, 0755) == 0) {
        daily_reserved = 1;
        static const bool registered = std::atexit(release_at_exit) == 0;
        (void)registered;
    }
    write_lock_release();
    return daily_reserved;
}

int daily_record(int outcome)
{
    if (!write_lock_take()) {
        game_log_failure(kNotRecorded, WRITE_LOCK_PATH, errno);
        if (outcome == SAVE_OK)
            outcome = SAVE_WARNING;
    } else {
        bool played = false;
        if (find_attempt(profile_path, season_stamp, played) != lock_file::read || !played) {
            char line[PROFILE_PATH_SIZE + 16];
            int length = std::snprintf(line, sizeof line, "%s\t%d\n", profile_path, season_stamp);
            const bool written =
                length > 0 && static_cast<std::size_t>(length) < sizeof line &&
                append_line(DAILY_LOCK_PATH, line, static_cast<std::size_t>(length));
            if (!written)
                game_log_failure(kNotRecorded, DAILY_LOCK_PATH, errno);
            // A failed save stays a failure; only a good one turns into a warning.
            if (!written && outcome == SAVE_OK)
                outcome = SAVE_WARNING;
        }
        write_lock_release();
    }
    daily_release();
    return outcome;
}

void daily_release()
{
    if (daily_reserved)
        rmdir(daily_reservation);
    daily_reservation[0] = '\0';
    daily_reserved = 0;
}
