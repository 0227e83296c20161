// The four bulletin files the BBS shows, regenerated from the tables.
#include <gtest/gtest.h>

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

}  // namespace
