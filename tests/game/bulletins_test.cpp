// The four bulletin files the BBS shows, regenerated from the tables.
#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "game/bulletins.h"
#include "tests/game/score_files.h"

namespace {

using game_test::slurp;
using game_test::spill;

TEST(Bulletins, SmallTablesInAnsiAndPlainText)
{
    grimbo_test::ChildResult result = game_test::in_game_dir([]() {
        spill("data/story.tsv",
              "20261201\tAnn\t50\t1\t0\n20261201\tBartholomew the Unbroken Soul\t90\t8\t0\n");
        spill("data/daily.tsv", "20261201\tCy\t-7\t4\t1\n");
        std::string text = std::to_string(export_scores());
        for (const char* file :
             {"highscores.ans", "highscores.asc", "daily-highscores.ans", "daily-highscores.asc"})
            text += "|" + slurp(file);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    });
    ASSERT_TRUE(result.exited && result.status == 0) << result.err;
    EXPECT_EQ(result.out,
              "1"
              "|\033[1;36mGOURDFALL - HALL OF HORRORS\033[0m\r\n"
              "\033[1;33m 1. Bartholomew the Unbroken\033[0m       90 STAGE 8\r\n"
              "\033[1;33m 2. Ann                     \033[0m       50 STAGE 1\r\n"
              "|GOURDFALL - HALL OF HORRORS\n"
              " 1. Bartholomew the Unbroken       90 STAGE 8\n"
              " 2. Ann                            50 STAGE 1\n"
              "|\033[1;35mGRIMBO - DAILY NIGHTMARE TOP SCORES\033[0m\r\n"
              "\033[1;33m 1. Cy                      \033[0m       -7\r\n"
              "|GRIMBO - DAILY NIGHTMARE TOP SCORES\n"
              " 1. Cy                             -7\n");
}

TEST(Bulletins, ListAtMostTwentyRowsAndEmptyTablesOnlyTheirHeader)
{
    grimbo_test::ChildResult result = game_test::in_game_dir([]() {
        std::string lines;
        for (int i = 0; i < 25; ++i)
            lines += "20261201\tP" + std::to_string(i) + "\t" + std::to_string(i) + "\t1\t0\n";
        spill("data/story.tsv", lines);
        export_scores();
        std::string plain = slurp("highscores.asc");
        int rows = 0;
        for (char c : plain)
            rows += c == '\n';
        std::string text = std::to_string(rows - 1) + "|" + slurp("daily-highscores.asc");
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    });
    ASSERT_TRUE(result.exited && result.status == 0) << result.err;
    EXPECT_EQ(result.out, "20|GRIMBO - DAILY NIGHTMARE TOP SCORES\n");
}

// Twenty rows for the story bulletins.
std::string full_table()
{
    std::string lines;
    for (int i = 0; i < BULLETIN_ROWS; ++i)
        lines += "20261201\tP" + std::to_string(i) + "\t" + std::to_string(i) + "\t1\t0\n";
    return lines;
}

int lines_in(const std::string& text)
{
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

// Files in the game directory whose name ends in ".tmp".
int temporaries()
{
    int found = 0;
    if (DIR* dir = opendir(".")) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            found += name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0;
        }
        closedir(dir);
    }
    return found;
}

TEST(Bulletins, ReadersDuringRewritesSeeOnlyWholeBulletins)
{
    grimbo_test::ChildResult result = game_test::in_game_dir([]() {
        spill("data/story.tsv", full_table());
        if (!export_scores())
            return 90;
        pid_t reader = fork();
        if (reader == 0) {
            // What the BBS does while nodes save: show the bulletin.
            int damaged = 0;
            int reads = 0;
            auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(800);
            while (std::chrono::steady_clock::now() < until) {
                std::string ansi = slurp("highscores.ans");
                std::string plain = slurp("highscores.asc");
                damaged += lines_in(ansi) != BULLETIN_ROWS + 1 ||
                           lines_in(plain) != BULLETIN_ROWS + 1 || plain.empty() ||
                           plain.back() != '\n';
                ++reads;
            }
            _exit(damaged > 0 ? 1 : reads < 10 ? 2 : 0);
        }
        int rewrites = 0;
        int status = 0;
        while (waitpid(reader, &status, WNOHANG) == 0) {
            if (!export_scores())
                return 91;
            ++rewrites;
        }
        std::printf("%s", rewrites < 10                  ? "few rewrites"
                          : !WIFEXITED(status)           ? "reader died"
                          : WEXITSTATUS(status) == 1     ? "damaged bulletin seen"
                          : WEXITSTATUS(status) == 2     ? "few reads"
                          : temporaries() != 0           ? "temporaries left"
                                                         : "whole");
        return 0;
    });
    ASSERT_TRUE(result.exited && result.status == 0) << result.err;
    EXPECT_EQ(result.out, "whole");
}

TEST(Bulletins, AFailedRewriteLeavesTheOldBulletinsAndNoTemporaryFile)
{
    grimbo_test::ChildResult result = game_test::in_game_dir([]() {
        spill("data/story.tsv", "20261201\tAnn\t50\t1\t0\n");
        if (!export_scores())
            return 90;
        const std::string before = slurp("highscores.ans") + slurp("highscores.asc");
        // A full disk, as far as files over 200 bytes go.
        spill("data/story.tsv", full_table());
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {200, 200};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 91;
        int exported = export_scores();
        std::string after = slurp("highscores.ans") + slurp("highscores.asc");
        std::printf("%d %s %d", exported, after == before ? "old" : "changed", temporaries());
        return 0;
    });
    ASSERT_TRUE(result.exited && result.status == 0) << result.err;
    EXPECT_EQ(result.out, "0 old 0");
}

TEST(Bulletins, ABulletinLinkedElsewhereByTheBoardIsUpdatedThereWithItsPermissions)
{
    grimbo_test::ChildResult result = game_test::in_game_dir([]() {
        spill("data/story.tsv", "20261201\tAnn\t50\t1\t0\n");
        if (mkdir("bbs", 0755) != 0 || !spill("bbs/grimbo.asc", "old\n") ||
            chmod("bbs/grimbo.asc", 0640) != 0 || symlink("bbs/grimbo.asc", "highscores.asc") != 0)
            return 90;
        int exported = export_scores();
        struct stat link {};
        struct stat target {};
        lstat("highscores.asc", &link);
        stat("bbs/grimbo.asc", &target);
        std::printf("%d %s %o %s", exported, S_ISLNK(link.st_mode) ? "link kept" : "link replaced",
                    target.st_mode & 0777,
                    slurp("bbs/grimbo.asc").find(" 1. Ann") != std::string::npos ? "updated"
                                                                                  : "stale");
        return 0;
    });
    ASSERT_TRUE(result.exited && result.status == 0) << result.err;
    EXPECT_EQ(result.out, "1 link kept 640 updated");
}

}  // namespace
