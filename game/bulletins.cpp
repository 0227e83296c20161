#include "game/bulletins.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "game/file_replacement.h"
#include "game/game_log.h"
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

// Bulletins are created as the stdio writes always made them (0666 less the
// umask), and a bulletin the board linked elsewhere is still updated there.
constexpr auto kLink = file_replacement::final_link::follow;
constexpr mode_t kMode = 0666;

static_assert(BULLETIN_ROWS <= SCORE_RANK_MAX, "a table read keeps every bulletin row");
score_record table[BULLETIN_ROWS];

// Appends one formatted row; false when it did not fit or was not written.
__attribute__((format(printf, 2, 3))) bool put_row(file_replacement& file, const char* format,
                                                    ...)
{
    char line[160];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    return length > 0 && static_cast<std::size_t>(length) < sizeof line &&
           file.write({line, static_cast<std::size_t>(length)});
}

bool write_pair(const bulletin_pair& pair, int daily)
{
    int count = read_scores(table, BULLETIN_ROWS, daily);
    file_replacement ansi(pair.ansi_path, kLink, kMode);
    file_replacement ascii(pair.ascii_path, kLink, kMode);
    bool ok = ansi.write(pair.ansi_header) && ascii.write(pair.ascii_header);
    for (int i = 0; ok && i < count && i < BULLETIN_ROWS; ++i) {
        const score_record& r = table[i];
        if (pair.with_stage)
            ok = put_row(ansi, "\033[1;33m%2d. %-24.24s\033[0m %8d STAGE %d\r\n", i + 1,
                         r.handle, r.score, r.stage) &&
                 put_row(ascii, "%2d. %-24.24s %8d STAGE %d\n", i + 1, r.handle, r.score,
                         r.stage);
        else
            ok = put_row(ansi, "\033[1;33m%2d. %-24.24s\033[0m %8d\r\n", i + 1, r.handle,
                         r.score) &&
                 put_row(ascii, "%2d. %-24.24s %8d\n", i + 1, r.handle, r.score);
    }
    // Each file is replaced whole or not at all; a failure leaves the
    // bulletins the board already shows.
    if (ok && ansi.commit() && ascii.commit())
        return true;
    const bool ansi_failed = ansi.error() != 0 || ascii.error() == 0;
    const int error = ansi_failed ? ansi.error() : ascii.error();
    game_log_failure("score saved, but a bulletin was not written",
                     ansi_failed ? pair.ansi_path : pair.ascii_path,
                     error != 0 ? error : EOVERFLOW);
    return false;
}

}  // namespace

int export_scores()
{
    return write_pair(kStory, 0) && write_pair(kDaily, 1) ? 1 : 0;
}
