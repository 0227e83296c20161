// The local score tables ("data/story.tsv", "data/daily.tsv"), the score
// save at the end of a run and the hand-over line for inter-BBS sharing.
#ifndef GAME_SCORES_H
#define GAME_SCORES_H

#include <cstddef>
#include <cstdint>

// The longest ranking any screen or bulletin shows.
constexpr int SCORE_RANK_MAX = 20;
constexpr std::size_t SCORE_DATE_SIZE = 32;
constexpr std::size_t SCORE_HANDLE_SIZE = 64;

// One line of a score table.
struct score_record {
    char date[SCORE_DATE_SIZE];  // "YYYYMMDD"
    char handle[SCORE_HANDLE_SIZE];
    std::int32_t score;
    std::int32_t stage;  // 1-8
    std::int32_t daily;  // 1 for a daily-challenge run
};

// Save outcomes.
constexpr int SAVE_FAILED = 0;
constexpr int SAVE_OK = 1;
constexpr int SAVE_WARNING = 2;  // saved, but the hand-over or a bulletin failed

// Outbox lines written by this process; the first line carries 1.
extern unsigned long seq;

// "data/daily.tsv" (daily != 0) or "data/story.tsv".
inline const char* score_table_path(int daily)
{
    return daily ? "data/daily.tsv" : "data/story.tsv";
}

// Ranks the whole daily table (daily != 0) or story table and keeps its
// best `max_records` rows (at most SCORE_RANK_MAX) in `records`, best score
// first; equal scores stay in file order. Damaged lines are skipped and
// the file is only read. Returns the rows kept; a missing file gives 0.
int read_scores(score_record* records, int max_records, int daily);

// Appends the finished run (player, score, level + 1) to its table and the
// hand-over line to the outbox, and regenerates the bulletins, all under
// the write lock. Returns SAVE_FAILED, SAVE_OK or SAVE_WARNING.
int save_score(int daily);

#endif
