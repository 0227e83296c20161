#include "game/hall.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "doorkit/doorkit.h"
#include "game/data_file.h"
#include "game/keys.h"
#include "game/score_line.h"
#include "game/scores.h"
#include "game/screen_kit.h"

namespace {

constexpr int kLocalRows = 13;
constexpr int kInterbbsLineMax = 191;
constexpr std::size_t kInterbbsField = 48;  // 47 characters
constexpr int kEscape = 27;

score_record table[kLocalRows];

int upper(int key) { return key >= 'a' && key <= 'z' ? key - 'a' + 'A' : key; }

bool leaves(int key) { return key == 'C' || key == 'Q' || key == kEscape; }

// The next key of interest in upper case, or 0 once the caller is gone.
int wait_key(const char* wanted)
{
    while (od_carrier()) {
        int key = upper(read_key(true));
        if (key != 0 && (leaves(key) || std::strchr(wanted, key) != nullptr))
            return key;
    }
    return 0;
}

void local_view(int daily)
{
    header(daily ? "DAILY CHALLENGE - TOP SCORES" : "STORY MODE - TOP SCORES");
    int count = read_scores(table, kLocalRows, daily);
    if (count == 0)
        put(4, 7, 7,
            daily ? "No Daily Challenge scores recorded yet." : "No Story Mode scores recorded yet.");
    for (int r = 1; r <= count && r <= kLocalRows; ++r) {
        const score_record& record = table[r - 1];
        char row[42];
        std::snprintf(row, sizeof row, "%2d. %-20.20s %7d  STAGE %d", r, record.handle,
                      static_cast<int>(record.score), static_cast<int>(record.stage));
        put(3, 4 + r, r == 1 ? 14 : 7, row);
    }
    put(3, 21, 11, "[S] STORY  [D] DAILY  [I] INTERBBS  [C] LOBBY");
}

// One row of an inter-BBS table: handle, board name, score; anything after
// the score is ignored.
bool parse_interbbs(char* line, char (&handle)[kInterbbsField], char (&board)[kInterbbsField],
                    int& score)
{
    char* tab1 = std::strchr(line, '\t');
    if (tab1 == nullptr)
        return false;
    *tab1 = '\0';
    char* tab2 = std::strchr(tab1 + 1, '\t');
    if (tab2 == nullptr)
        return false;
    *tab2 = '\0';
    std::size_t handle_length = std::strlen(line);
    std::size_t board_length = std::strlen(tab1 + 1);
    if (handle_length == 0 || handle_length >= kInterbbsField || board_length == 0 ||
        board_length >= kInterbbsField)
        return false;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(tab2 + 1, &end, 10);
    if (end == tab2 + 1 || errno != 0 || value < INT_MIN || value > INT_MAX)
        return false;
    score = static_cast<int>(value);
    // The tables come from other boards: nothing in them may steer the
    // caller's terminal.
    safe_field(handle, sizeof handle, line, kInterbbsField - 1, false);
    safe_field(board, sizeof board, tab1 + 1, kInterbbsField - 1, false);
    return true;
}

void interbbs_overview()
{
    header("INTERBBS - TOP SCORES");
    put(3, 4, 14, "DAILY NIGHTMARE");
    interbbs_rows("data/interbbs-daily.tsv", 6, 6);
    put(3, 13, 14, "STORY MODE");
    interbbs_rows("data/interbbs-story.tsv", 15, 5);
}

// The inter-BBS screens; returns when the caller goes back (or is gone).
void interbbs()
{
    interbbs_overview();
    for (;;) {
        put(3, 22, 11, "[A] ALL  [S] STORY  [D] DAILY  [C] RETURN");
        switch (wait_key("ASD")) {
        case 'A':
            interbbs_overview();
            break;
        case 'S':
            header("INTERBBS STORY - TOP SCORES");
            interbbs_rows("data/interbbs-story.tsv", 5, 14);
            break;
        case 'D':
            header("INTERBBS DAILY - TOP SCORES");
            interbbs_rows("data/interbbs-daily.tsv", 5, 14);
            break;
        default:
            return;
        }
    }
}

}  // namespace

void interbbs_rows(const char* path, int first_row, int max_rows)
{
    text_file file = read_plain(path);
    if (!file) {
        put(3, first_row, 12, "Leaderboard not synchronized yet.");
        return;
    }
    int shown = 0;
    char line[kInterbbsLineMax + 2];
    while (shown < max_rows && read_line(file.get(), line, sizeof line)) {
        char handle[kInterbbsField];
        char board[kInterbbsField];
        int score = 0;
        if (!parse_interbbs(line, handle, board, score))
            continue;
        ++shown;
        char row[77];
        std::snprintf(row, sizeof row, "%2d. %-20.20s %-15.15s %8d", shown, handle, board, score);
        // The hall shows no art, so the row reads whole to column 78.
        put(3, first_row + shown - 1, shown == 1 ? 14 : 11, row);
    }
    file.reset();
    if (shown == 0)
        put(3, first_row, 12, "No scores in this category yet.");
}

void hall()
{
    int daily = 0;
    local_view(daily);
    for (;;) {
        int key = wait_key("SDI");
        if (key == 0 || leaves(key))
            return;
        if (key == 'I') {
            interbbs();
            if (!od_carrier())
                return;
        } else {
            daily = key == 'D';
        }
        local_view(daily);
    }
}
