#include "game/bulletins.h"

#include <cstdio>

#include "game/scores.h"

namespace {

struct bulletin_pair {
    const char* ansi_path;
    const char* ascii_path;
    const char* ansi_header;
    const char* ascii_header;
    bool with_stage;
};

constexpr bulletin_pair kStory{"highscores.ans", "highscores.asc",
                               "\033[1;36mGOURDFALL - HALL OF HORRORS\033[0m\r\n",
                               "GOURDFALL - HALL OF HORRORS\n", true};
constexpr bulletin_pair kDaily{"daily-highscores.ans", "daily-highscores.asc",
                               "\033[1;35mGRIMBO - DAILY NIGHTMARE TOP SCORES\033[0m\r\n",
                               "GRIMBO - DAILY NIGHTMARE TOP SCORES\n", false};

static_assert(BULLETIN_ROWS <= SCORE_RANK_MAX, "a table read keeps every bulletin row");
score_record table[BULLETIN_ROWS];

bool write_pair(const bulletin_pair& pair, int daily)
{
    int count = read_scores(table, BULLETIN_ROWS, daily);
    std::FILE* ansi = std::fopen(pair.ansi_path, "w");
    std::FILE* ascii = std::fopen(pair.ascii_path, "w");
    if (ansi == nullptr || ascii == nullptr) {
        if (ansi != nullptr)
            std::fclose(ansi);
        if (ascii != nullptr)
            std::fclose(ascii);
        return false;
    }
    bool ok = std::fputs(pair.ansi_header, ansi) >= 0 && std::fputs(pair.ascii_header, ascii) >= 0;
    for (int i = 0; ok && i < count && i < BULLETIN_ROWS; ++i) {
        const score_record& r = table[i];
        if (pair.with_stage) {
            ok = std::fprintf(ansi, "\033[1;33m%2d. %-24.24s\033[0m %8d STAGE %d\r\n", i + 1,
                              r.handle, r.score, r.stage) > 0 &&
                 std::fprintf(ascii, "%2d. %-24.24s %8d STAGE %d\n", i + 1, r.handle, r.score,
                              r.stage) > 0;
        } else {
            ok = std::fprintf(ansi, "\033[1;33m%2d. %-24.24s\033[0m %8d\r\n", i + 1, r.handle,
                              r.score) > 0 &&
                 std::fprintf(ascii, "%2d. %-24.24s %8d\n", i + 1, r.handle, r.score) > 0;
        }
    }
    if (std::fclose(ansi) != 0)
        ok = false;
    if (std::fclose(ascii) != 0)
        ok = false;
    return ok;
}

}  // namespace

int export_scores()
{
    return write_pair(kStory, 0) && write_pair(kDaily, 1) ? 1 : 0;
}
