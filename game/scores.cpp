#include "game/scores.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "game/bulletins.h"
#include "game/data_file.h"
#include "game/game_log.h"
#include "game/handle.h"
#include "game/run_state.h"
#include "game/score_line.h"
#include "game/seasons.h"
#include "game/storage.h"
#include "game/write_lock.h"

unsigned long seq = 0;

namespace {

constexpr std::size_t kOutboxHandleMax = 32;
constexpr const char* kOutboxPath = "data/interbbs-outbox.tsv";
constexpr const char* kSaveFailed = "score save failed";

int outbox_line(char* out, std::size_t size, const char* date, const char* mode)
{
    char handle[kOutboxHandleMax + 1];
    safe_field(handle, sizeof handle, player, kOutboxHandleMax, true);
    const char* profile = profile_path;
    if (std::strncmp(profile, "data/", 5) == 0)
        profile += 5;
    ++seq;
    return std::snprintf(out, size, "grimbo\t%s\t%s\t%d\t%s\t%ld-%lu-%s\n", date, handle,
                         static_cast<int>(score), mode, static_cast<long>(std::time(nullptr)),
                         seq, profile);
}

// 1 written, 2 the hand-over could not be queued.
int queue_for_sharing(const char* date, int daily)
{
    char line[512];
    int length = outbox_line(line, sizeof line, date, daily ? "daily" : "story");
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof line)
        return SAVE_WARNING;
    if (append_line(kOutboxPath, line, static_cast<std::size_t>(length)))
        return SAVE_OK;
    game_log_failure("score saved, but not queued for sharing", kOutboxPath, errno);
    return SAVE_WARNING;
}

}  // namespace

int save_score(int daily)
{
    if (!storage_ok) {
        game_log("%s: no usable data directory", kSaveFailed);
        return SAVE_FAILED;
    }
    char date[SCORE_DATE_SIZE];
    std::snprintf(date, sizeof date, "%04d%02d%02d", season_year, season_index + 1, season_day);
    // The handle is the only free text in the record: a tab or line break in
    // it would split the line, so such bytes are stored as "_".
    char handle[PLAYER_SIZE];
    safe_field(handle, sizeof handle, player, PLAYER_SIZE - 1, false);
    char line[SCORE_DATE_SIZE + PLAYER_SIZE + 48];
    int length = std::snprintf(line, sizeof line, "%s\t%s\t%d\t%d\t%d\n", date, handle,
                               static_cast<int>(score), static_cast<int>(level) + 1,
                               daily ? 1 : 0);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof line)
        return SAVE_FAILED;

    if (!write_lock_take()) {
        game_log_failure(kSaveFailed, WRITE_LOCK_PATH, errno);
        return SAVE_FAILED;
    }
    if (!append_line(score_table_path(daily), line, static_cast<std::size_t>(length))) {
        game_log_failure(kSaveFailed, score_table_path(daily), errno);
        write_lock_release();
        return SAVE_FAILED;
    }
    int outcome = queue_for_sharing(date, daily);
    if (!export_scores())
        outcome = SAVE_WARNING;
    write_lock_release();
    return outcome;
}
