// Score tables, the write lock and the score save: what a finished run
// leaves in the files, how the tables read back, and how several nodes
// share the files.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <thread>

#include "game/handle.h"
#include "game/lock_holder.h"
#include "game/run_state.h"
#include "game/scores.h"
#include "game/storage.h"
#include "game/write_lock.h"
#include "tests/game/score_files.h"
#include "tests/support/fast_clock.h"

namespace {

using game_test::in_game_dir;
using game_test::printed_in_game_dir;
using game_test::slurp;
using game_test::spill;

bool lock_present()
{
    struct stat info {};
    return stat(WRITE_LOCK_PATH, &info) == 0;
}

// The table as read back, one "handle score stage" line per record.
std::string table_text(int daily)
{
    score_record records[SCORE_RANK_MAX];
    int count = read_scores(records, SCORE_RANK_MAX, daily);
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::string(records[i].handle) + " " + std::to_string(records[i].score) + " " +
                std::to_string(records[i].stage) + "\n";
    return text;
}

TEST(ScoreSave, TwoRunsLeaveTheirRecordsAndHandOverLines)
{
    std::string out = printed_in_game_dir([]() {
        std::string text = std::to_string(save_score(0));
        std::snprintf(player, sizeof player, "%s", "An\tn\xE9\r");
        score = -5;
        level = 7;
        text += std::to_string(save_score(1)) + "|";
        text += slurp("data/story.tsv") + "|" + slurp("data/daily.tsv") + "|" +
                slurp("data/interbbs-outbox.tsv") + "|" + (lock_present() ? "locked" : "free") +
                "|" + table_text(1);
        return text;
    });
    std::string expected_tables =
        "11|20261208\tAnn\t1200\t3\t0\n|20261208\tAn_n\xE9_\t-5\t8\t1\n|";
    ASSERT_EQ(out.substr(0, expected_tables.size()), expected_tables);
    std::string rest = out.substr(expected_tables.size());
    std::string tail = "|free|An_n\xE9_ -5 8\n";
    ASSERT_GT(rest.size(), tail.size());
    EXPECT_EQ(rest.substr(rest.size() - tail.size()), tail);
    // A tab or line break in the handle must not split the record; the
    // hand-over line also keeps to printable ASCII.
    std::string outbox = rest.substr(0, rest.size() - tail.size());
    EXPECT_TRUE(std::regex_match(
        outbox, std::regex("grimbo\t20261208\tAnn\t1200\tstory\t[0-9]+-1-"
                           "profile-0123456789abcdef\\.tsv\n"
                           "grimbo\t20261208\tAn_n__\t-5\tdaily\t[0-9]+-2-"
                           "profile-0123456789abcdef\\.tsv\n")))
        << outbox;
}

TEST(ScoreSave, OutcomeWhenPartsOfTheGameDirectoryCannotBeWritten)
{
    struct Case {
        const char* what;
        const char* blocked;  // made a directory so it cannot be opened as a file
        int storage;
        int outcome;
        bool recorded;
    };
    const Case cases[] = {
        {"all writable", nullptr, 1, SAVE_OK, true},
        {"storage unusable", nullptr, 0, SAVE_FAILED, false},
        {"table unwritable", "data/story.tsv", 1, SAVE_FAILED, false},
        {"outbox unwritable", "data/interbbs-outbox.tsv", 1, SAVE_WARNING, true},
        {"bulletin unwritable", "daily-highscores.asc", 1, SAVE_WARNING, true},
    };
    for (const Case& c : cases) {
        std::string out = printed_in_game_dir([&c]() {
            if (c.blocked != nullptr)
                mkdir(c.blocked, 0755);
            storage_ok = c.storage;
            std::string text = std::to_string(save_score(0));
            return text + (lock_present() ? " locked " : " free ") + table_text(0);
        });
        EXPECT_EQ(out, std::to_string(c.outcome) + " free " + (c.recorded ? "Ann 1200 3\n" : ""))
            << c.what;
    }
}

TEST(ScoreTable, RanksBestFirstWithTiesInFileOrder)
{
    struct Case {
        const char* what;
        std::string lines;
        std::string expected;
    };
    const Case cases[] = {
        {"missing table", "", ""},
        {"one record", "20261201\tA\t50\t1\t0\n", "A 50 1\n"},
        {"ties",
         "20261201\tA\t50\t1\t0\n20261201\tB\t90\t2\t0\n20261201\tC\t50\t3\t0\n"
         "20261201\tD\t90\t4\t0\n",
         "B 90 2\nD 90 4\nA 50 1\nC 50 3\n"},
        {"negative scores", "d\tA\t-3\t1\t0\nd\tB\t-10\t1\t0\nd\tC\t0\t1\t0\n",
         "C 0 1\nA -3 1\nB -10 1\n"},
    };
    for (const Case& c : cases) {
        std::string out = printed_in_game_dir([&c]() {
            if (!c.lines.empty())
                spill("data/story.tsv", c.lines);
            return table_text(0);
        });
        EXPECT_EQ(out, c.expected) << c.what;
    }
}

TEST(ScoreTable, DamagedLinesAreSkippedAndEveryRecordCounts)
{
    std::string out = printed_in_game_dir([]() {
        std::string lines;
        const char* damaged[] = {
            "20261201\tShort\t10\t1\n",                       // four fields
            "20261201\tWord\tten\t1\t0\n",                    // score not a number
            "20261201\tHuge\t99999999999\t1\t0\n",            // score out of range
            "20261201\t\t10\t1\t0\n",                         // no handle
            "\n",
            "20261201\tPart\t1",                              // cut short by a crash
        };
        for (const char* line : damaged)
            lines += line;
        lines += "\n20261201\t" + std::string(64, 'h') + "\t10\t1\t0\n";  // handle too long
        lines += "20261201\tLong\t10\t1\t0\t" + std::string(300, 'x') + "\n";  // line too long
        lines += "20261201\tCrlf\t7\t2\t0\r\n";
        lines += "20261201\tExtra\t6\t2\t0\tlater field\n";
        lines += "20261201\tEsc\x1b[2J\t5\t2\t0\n";
        spill("data/story.tsv", lines);
        std::string text = table_text(0);

        // A board that has recorded 600 runs still ranks the 601st.
        std::string full;
        for (int i = 0; i < 600; ++i)
            full += "20261201\tP\t1\t1\t0\n";
        full += "20261201\tLate\t999999\t1\t0\n";
        spill("data/daily.tsv", full);
        score_record records[SCORE_RANK_MAX];
        int count = read_scores(records, SCORE_RANK_MAX, 1);
        return text + std::to_string(count) + " " + records[0].handle + " " +
               std::to_string(records[0].score) + " " + records[1].handle;
    });
    EXPECT_EQ(out, "Crlf 7 2\nExtra 6 2\nEsc_[2J 5 2\n20 Late 999999 P");
}

TEST(ScoreSave, RecordAfterAnUnfinishedLineStaysReadable)
{
    std::string out = printed_in_game_dir([]() {
        spill("data/story.tsv", "20261201\tDead\t5");
        std::string text = std::to_string(save_score(0));
        return text + " " + table_text(0);
    });
    EXPECT_EQ(out, "1 Ann 1200 3\n");
}

TEST(WriteLock, SaveWaitsForTheHolderAndRecoversALockLeftLongAgo)
{
    std::string out = printed_in_game_dir([]() {
        std::string text;
        // A holder that lets go after 300 ms: the save waits for it.
        mkdir(WRITE_LOCK_PATH, 0755);
        std::thread holder([]() {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            rmdir(WRITE_LOCK_PATH);
        });
        auto start = std::chrono::steady_clock::now();
        text += std::to_string(save_score(0));
        holder.join();
        auto waited = std::chrono::steady_clock::now() - start;
        text += waited >= std::chrono::milliseconds(250) ? " waited" : " did not wait";

        // A lock a dead process left an hour ago is removed.
        mkdir(WRITE_LOCK_PATH, 0755);
        struct timespec old[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
        utimensat(AT_FDCWD, WRITE_LOCK_PATH, old, 0);
        start = std::chrono::steady_clock::now();
        text += " " + std::to_string(save_score(0));
        waited = std::chrono::steady_clock::now() - start;
        text += waited < std::chrono::seconds(1) ? " at once" : " slowly";
        text += lock_present() ? " locked" : " free";
        return text;
    });
    EXPECT_EQ(out, "1 waited 1 at once free");
}

// What a save against a lock nobody lets go comes to, timed; run beside
// another directory's save so both waits overlap.
std::string timed_save()
{
    auto start = std::chrono::steady_clock::now();
    int outcome = save_score(0);
    double waited =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    struct stat info {};
    return std::to_string(outcome) + (waited < 29.0 ? " early" : waited > 33.0 ? " late" : "") +
           (stat("data/story.tsv", &info) == 0 ? " written" : " nothing written") +
           (lock_present() ? " locked" : " free");
}

TEST(WriteLock, SaveOutlastsTheStaleAgeButNeverBreaksALiveHoldersLock)
{
    // Thirty-odd seconds of the game's clock, in a few of the test's.
    if (grimbo_test::rerun_under_fast_clock(10))
        return;
    grimbo_test::ChildResult result = in_game_dir(
        []() {
            // A node elsewhere died just after taking the lock: no record
            // tells, so the lock is taken once it is stale, before the save
            // gives up.
            mkdir(WRITE_LOCK_PATH, 0755);
            pid_t other = fork();
            if (other == 0) {
                // A node of this host that holds the lock and keeps running.
                if (mkdir("live", 0755) != 0 || chdir("live") != 0 || mkdir("data", 0755) != 0 ||
                    mkdir(WRITE_LOCK_PATH, 0755) != 0)
                    _exit(90);
                char record[64];
                std::snprintf(record, sizeof record, "%ld\t", static_cast<long>(getppid()));
                char host[HOLDER_HOST_SIZE] = "";
                gethostname(host, sizeof host - 1);
                if (!spill((std::string(WRITE_LOCK_PATH) + "/holder").c_str(),
                           record + std::string(host) + "\n"))
                    _exit(91);
                _exit(spill("../live-save", timed_save()) ? 0 : 92);
            }
            std::string text = timed_save() + "|";
            int status = 0;
            waitpid(other, &status, 0);
            text += slurp("live-save");
            std::fwrite(text.data(), 1, text.size(), stdout);
            return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
        },
        45000);
    ASSERT_TRUE(result.exited && result.status == 0) << result.err;
    // The live holder's lock is not ours to remove; nothing is appended.
    EXPECT_EQ(result.out, "1 written free|0 nothing written locked");
}

TEST(WriteLock, ConcurrentSavesFromSeveralNodesLoseNothing)
{
    constexpr int kNodes = 4;
    constexpr int kSaves = 6;
    std::string out = printed_in_game_dir([]() {
        pid_t nodes[kNodes];
        for (int n = 0; n < kNodes; ++n) {
            nodes[n] = fork();
            if (nodes[n] == 0) {
                int failed = 0;
                for (int s = 0; s < kSaves; ++s) {
                    std::snprintf(player, sizeof player, "Node%d", n);
                    score = n * 100 + s;
                    failed += save_score(s % 2) != SAVE_OK;
                }
                _exit(failed);
            }
        }
        int failed = 0;
        for (pid_t node : nodes) {
            int status = 0;
            waitpid(node, &status, 0);
            failed += !WIFEXITED(status) || WEXITSTATUS(status) != 0;
        }
        score_record records[SCORE_RANK_MAX];  // twelve saves in each table
        int rows =
            read_scores(records, SCORE_RANK_MAX, 0) + read_scores(records, SCORE_RANK_MAX, 1);
        std::string outbox = slurp("data/interbbs-outbox.tsv");
        int handed = 0;
        for (char c : outbox)
            handed += c == '\n';
        return std::to_string(failed) + " " + std::to_string(rows) + " " +
               std::to_string(handed) + (lock_present() ? " locked" : " free");
    });
    EXPECT_EQ(out, "0 24 24 free");
}

}  // namespace
