// Ranking a whole score table of any length: the rows the hall and the
// bulletins show are the best of every record, ties in file order.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "game/scores.h"
#include "tests/game/score_files.h"

namespace {

using game_test::in_game_dir;
using game_test::printed_in_game_dir;
using game_test::slurp;
using game_test::spill;

struct Row {
    std::string handle;
    int score;
};

// The table as ranked, one "handle score" line per kept row.
std::string ranked(int max_records, int daily = 0)
{
    score_record records[SCORE_RANK_MAX + 1];
    int count = read_scores(records, max_records, daily);
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::string(records[i].handle) + " " + std::to_string(records[i].score) + "\n";
    return text;
}

// What ranking must give: the valid rows sorted best first, stably.
std::string expected(std::vector<Row> rows, int max_records)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return a.score > b.score; });
    std::string text;
    for (int i = 0; i < static_cast<int>(rows.size()) && i < max_records; ++i)
        text += rows[i].handle + " " + std::to_string(rows[i].score) + "\n";
    return text;
}

struct Table {
    std::string file;
    std::vector<Row> valid;
};

// A long table with damaged lines among the records: over-long lines (one
// longer than a whole read block), short lines, line ends in both styles.
Table mixed_table(int records, int score_range)
{
    Table table;
    std::uint32_t dice = 12345;
    for (int i = 0; i < records; ++i) {
        dice = dice * 1664525u + 1013904223u;
        const int score = static_cast<int>((dice >> 8) % static_cast<std::uint32_t>(score_range)) -
                          score_range / 4;
        const std::string handle = "R" + std::to_string(i);
        table.file += "20261201\t" + handle + "\t" + std::to_string(score) + "\t3\t0" +
                      (i % 7 == 0 ? "\r\n" : "\n");
        table.valid.push_back({handle, score});
        if (i % 997 == 0)
            table.file += "20261201\tLong\t9999999\t1\t0\t" + std::string(300, 'x') + "\n";
        if (i % 4999 == 0)
            table.file += "20261201\tHuge\t9999999\t1\t0\t" + std::string(70000, 'y') + "\n";
        if (i % 1013 == 0)
            table.file += "20261201\tShort\t9999999\n";
    }
    return table;
}

TEST(ScoreRanking, BestRowsOfTheWholeTableWhateverItsLength)
{
    struct Case {
        const char* what;
        int records;
        int score_range;
        int max_records;
    };
    const Case cases[] = {
        {"hall rows of a long table", 20000, 1000000, 13},
        {"bulletin rows, many ties", 20000, 40, SCORE_RANK_MAX},
        {"one row", 3000, 500, 1},
        {"more rows asked than kept", 3000, 500, SCORE_RANK_MAX + 5},
        {"fewer records than rows", 6, 10, SCORE_RANK_MAX},
    };
    for (const Case& c : cases) {
        const Table table = mixed_table(c.records, c.score_range);
        const std::string out = printed_in_game_dir([&]() {
            spill("data/story.tsv", table.file);
            return ranked(c.max_records);
        });
        EXPECT_EQ(out, expected(table.valid, std::min(c.max_records, SCORE_RANK_MAX))) << c.what;
    }
}

TEST(ScoreRanking, RisingAndFallingTablesKeepTheirBest)
{
    struct Case {
        const char* what;
        int first;
        int step;
    };
    const Case cases[] = {{"each run better than the last", 0, 3}, {"each run worse", 90000, -3}};
    for (const Case& c : cases) {
        std::vector<Row> rows;
        std::string file;
        for (int i = 0; i < 30000; ++i) {
            rows.push_back({"P" + std::to_string(i), c.first + c.step * i});
            file += "20261201\tP" + std::to_string(i) + "\t" + std::to_string(c.first + c.step * i) +
                    "\t8\t1\n";
        }
        const std::string out = printed_in_game_dir([&]() {
            spill("data/daily.tsv", file);
            return ranked(SCORE_RANK_MAX, 1);
        });
        EXPECT_EQ(out, expected(rows, SCORE_RANK_MAX)) << c.what;
    }
}

TEST(ScoreRanking, LineLengthLimitAndTheLastLine)
{
    // A record of exactly 255 characters counts; one of 256 is damaged.
    struct Case {
        const char* what;
        std::string file;
        std::string ranked;
    };
    const std::string line255 = "20261201\tA\t7\t1\t0\t" + std::string(255 - 17, 'x');
    const std::string line256 = "20261201\tB\t8\t1\t0\t" + std::string(256 - 17, 'x');
    const Case cases[] = {
        {"255 characters", line255 + "\n", "A 7\n"},
        {"256 characters", line256 + "\n", ""},
        {"255 with a carriage return", line255 + "\r\n", ""},
        {"no line feed at the end", "20261201\tA\t7\t1\t0\n20261201\tC\t9\t1\t0", "C 9\nA 7\n"},
        {"long last line without a line feed", "20261201\tA\t7\t1\t0\n" + line256, "A 7\n"},
        {"empty file", "", ""},
        {"damaged lines only", "x\n\n\t\t\t\t\n20261201\tA\tseven\t1\t0\n", ""},
        {"a NUL ends the line", std::string("20261201\tNu\0l\t4\t1\t0\n", 20), ""},
        {"a NUL after the fields", std::string("20261201\tNul\t4\t1\t0\0\t9\n", 22), "Nul 4\n"},
    };
    for (const Case& c : cases) {
        const std::string out = printed_in_game_dir([&]() {
            spill("data/story.tsv", c.file);
            return ranked(SCORE_RANK_MAX);
        });
        EXPECT_EQ(out, c.ranked) << c.what;
    }
}

TEST(ScoreRanking, ReadingNeverChangesTheTable)
{
    const Table table = mixed_table(2000, 100);
    const std::string out = printed_in_game_dir([&]() {
        spill("data/story.tsv", table.file);
        chmod("data/story.tsv", 0444);  // a reader needs no more than this
        std::string text = ranked(3);
        text += slurp("data/story.tsv") == table.file ? "same" : "changed";
        score_record none[1];
        text += " " + std::to_string(read_scores(none, 0, 0)) + " " +
                std::to_string(read_scores(nullptr, 5, 0)) + " " +
                std::to_string(read_scores(none, 1, 1));  // no daily table
        return text;
    });
    EXPECT_EQ(out, expected(table.valid, 3) + "same 0 0 0");
}

}  // namespace
