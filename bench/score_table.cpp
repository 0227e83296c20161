// What a long score table costs: ranking it for the hall of fame's local
// view (13 rows), and one score save with its bulletin rewrite, for story
// tables of 1 000, 100 000 and 1 000 000 lines (targets at a million
// lines: under 50 ms for the hall, under 100 ms for a save).
//
//   bench_score_table [rounds per size, default 7]
//
// Works in a fresh directory under /tmp, removed afterwards.
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "game/handle.h"
#include "game/run_state.h"
#include "game/scores.h"
#include "game/seasons.h"
#include "game/storage.h"

namespace {

constexpr int kHallRows = 13;

double NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A story table of `lines` runs by a few hundred handles, scores spread
// the way finished and lost runs spread them.
bool WriteTable(long lines)
{
    std::FILE* file = std::fopen("data/story.tsv", "w");
    if (file == nullptr)
        return false;
    unsigned dice = 2026;
    for (long i = 0; i < lines; ++i) {
        dice = dice * 1664525u + 1013904223u;
        std::fprintf(file, "202610%02u\tSurvivor%03u\t%u\t%u\t0\n", 1 + (dice >> 27), (dice >> 8) % 400,
                     (dice >> 4) % 16000, 1 + (dice >> 13) % 8);
    }
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: %s [rounds per size]\n", argv[0]);
        return 2;
    }
    char dir[] = "/tmp/grimbo-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr || chdir(dir) != 0 || mkdir("data", 0755) != 0) {
        std::perror("work directory");
        return 1;
    }
    storage_ok = 1;
    season_year = 2026;
    season_index = 9;
    season_day = 31;
    std::snprintf(player, sizeof player, "%s", "Bench");
    std::snprintf(profile_path, sizeof profile_path, "%s", "data/profile-0000000000000000.tsv");
    level = 7;

    std::printf("%10s  %14s  %14s  %14s\n", "lines", "hall ms (med)", "save ms (med)",
                "save ms (max)");
    int status = 0;
    for (long lines : {1000L, 100000L, 1000000L}) {
        if (!WriteTable(lines)) {
            std::perror("data/story.tsv");
            status = 1;
            break;
        }
        score_record rows[kHallRows];
        read_scores(rows, kHallRows, 0);  // the table is in the page cache, as on a busy board
        std::vector<double> hall_ms;
        std::vector<double> save_ms;
        for (int r = 0; r < rounds; ++r) {
            double start = NowMs();
            if (read_scores(rows, kHallRows, 0) != kHallRows)
                status = 1;
            hall_ms.push_back(NowMs() - start);
            score = 16000 + r;
            start = NowMs();
            if (save_score(0) != SAVE_OK)
                status = 1;
            save_ms.push_back(NowMs() - start);
        }
        std::printf("%10ld  %14.2f  %14.2f  %14.2f\n", lines, Median(hall_ms), Median(save_ms),
                    *std::max_element(save_ms.begin(), save_ms.end()));
        std::fflush(stdout);
    }
    for (const char* name : {"data/story.tsv", "data/interbbs-outbox.tsv", "highscores.ans",
                             "highscores.asc", "daily-highscores.ans", "daily-highscores.asc"})
        unlink(name);
    rmdir("data");
    if (chdir("/") != 0 || rmdir(dir) != 0)
        std::fprintf(stderr, "left behind: %s\n", dir);
    if (status != 0)
        std::fprintf(stderr, "a read or a save did not do what it should\n");
    return status;
}
