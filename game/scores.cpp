#include "game/scores.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "doorkit/core/control.h"
#include "game/bulletins.h"
#include "game/data_file.h"
#include "game/handle.h"
#include "game/run_state.h"
#include "game/score_line.h"
#include "game/seasons.h"
#include "game/storage.h"
#include "game/write_lock.h"

unsigned long seq = 0;

namespace {

constexpr int kLineMax = 255;          // longer lines are damaged and skipped
constexpr std::size_t kOutboxHandleMax = 32;

const char* table_path(int daily) { return daily ? "data/daily.tsv" : "data/story.tsv"; }

// The next tab-separated field of `line` from `at`; false when there is none.
bool next_field(char*& at, char*& field)
{
    if (at == nullptr)
        return false;
    field = at;
    char* tab = std::strchr(at, '\t');
    if (tab != nullptr) {
        *tab = '\0';
        at = tab + 1;
    } else {
        at = nullptr;
    }
    return true;
}

bool whole_int(const char* text, std::int32_t& value)
{
    if (*text == '\0')
        return false;
    errno = 0;
    char* end = nullptr;
    long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX)
        return false;
    value = static_cast<std::int32_t>(parsed);
    return true;
}

// One table line, its line feed already removed; false for a damaged line.
bool parse_record(char* line, score_record& record)
{
    char* at = line;
    char* fields[5];
    for (char*& field : fields)
        if (!next_field(at, field))
            return false;
    // Anything after the fifth field is ignored, as a longer record from a
    // later version may carry it.
    if (*fields[0] == '\0' || std::strlen(fields[0]) >= SCORE_DATE_SIZE || *fields[1] == '\0' ||
        std::strlen(fields[1]) >= SCORE_HANDLE_SIZE)
        return false;
    if (!whole_int(fields[2], record.score) || !whole_int(fields[3], record.stage) ||
        !whole_int(fields[4], record.daily))
        return false;
    ODCopyField(record.date, fields[0]);
    // A hand-edited or damaged file must not put controls on anyone's screen.
    safe_field(record.handle, sizeof record.handle, fields[1], SCORE_HANDLE_SIZE - 1, false);
    return true;
}

// Best score first: each position in turn takes the best of the rest, by
// exchange. Equal scores come out in the order this exchange leaves them,
// which the hall and the bulletins have always shown.
void sort_best_first(score_record* records, int count)
{
    for (int p = 0; p + 1 < count; ++p)
        for (int q = p + 1; q < count; ++q)
            if (records[q].score > records[p].score) {
                score_record swap = records[p];
                records[p] = records[q];
                records[q] = swap;
            }
}

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
    return append_line("data/interbbs-outbox.tsv", line, static_cast<std::size_t>(length))
               ? SAVE_OK
               : SAVE_WARNING;
}

}  // namespace

int read_scores(score_record* records, int daily)
{
    text_file file = read_plain(table_path(daily));
    if (!file)
        return 0;
    int count = 0;
    char line[kLineMax + 2];
    while (count < SCORE_TABLE_MAX && read_line(file.get(), line, sizeof line))
        if (parse_record(line, records[count]))
            ++count;
    file.reset();
    sort_best_first(records, count);
    return count;
}

int save_score(int daily)
{
    if (!storage_ok)
        return SAVE_FAILED;
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

    if (!write_lock_take())
        return SAVE_FAILED;
    if (!append_line(table_path(daily), line, static_cast<std::size_t>(length))) {
        write_lock_release();
        return SAVE_FAILED;
    }
    int outcome = queue_for_sharing(date, daily);
    if (!export_scores())
        outcome = SAVE_WARNING;
    write_lock_release();
    return outcome;
}
