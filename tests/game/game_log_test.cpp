// grimbo.log: one whole line per event with a UTC time stamp and the node,
// capped at 1 MB with one old file kept, never written through a link, and
// the lines the score save and the game's start leave there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "game/game_log.h"
#include "game/scores.h"
#include "game/storage.h"
#include "tests/game/score_files.h"
#include "tests/support/log_lines.h"
#include "tests/support/session_runner.h"

namespace {

using game_test::in_game_dir;
using game_test::slurp;
using game_test::spill;

// The events of a log, one per line, without their time stamps and nodes.
std::vector<std::string> events(const std::string& log)
{
    std::vector<std::string> found;
    for (std::string line : grimbo_test::log_events(log)) {
        // "node 12 " or "node - ", then the event.
        const std::size_t end = line.find(' ', 5);
        const bool numbered = line.rfind("node ", 0) == 0 && end != std::string::npos &&
                              end > 5 &&
                              (line.substr(5, end - 5) == "-" ||
                               line.find_first_not_of("0123456789", 5) == end);
        found.push_back(numbered ? line.substr(end + 1) : "NO NODE " + line);
    }
    return found;
}

// Runs `body` in a child whose log is kept in a fresh game directory, and
// returns the log's events.
std::vector<std::string> logged(const std::function<void()>& body)
{
    grimbo_test::ChildResult result = in_game_dir([&]() {
        char here[PATH_MAX];
        if (getcwd(here, sizeof here) == nullptr)
            return 91;
        game_log_open(here);
        body();
        const std::string log = slurp(GAME_LOG_NAME);
        std::fwrite(log.data(), 1, log.size(), stdout);
        return 0;
    });
    EXPECT_TRUE(result.exited && result.status == 0) << result.err;
    return events(result.out);
}

TEST(GameLog, EachEventIsOneStampedLineWithItsNode)
{
    std::vector<std::string> lines = logged([]() {
        game_log("before the node is known");
        game_log_set_node(7);
        game_log("a %s of %d", "line", 2);
        game_log("split\nby\ra\tline break\x1b[2J");
        game_log("%s", std::string(3000, 'x').c_str());
    });
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "before the node is known");
    EXPECT_EQ(lines[1], "a line of 2");
    EXPECT_EQ(lines[2], "split?by?a?line break?[2J");
    EXPECT_LT(lines[3].size(), GAME_LOG_LINE_MAX);
    EXPECT_EQ(lines[3].find_first_not_of('x'), std::string::npos);
}

TEST(GameLog, StampsInUtcWithTheNodeNumber)
{
    grimbo_test::ChildResult result = in_game_dir([]() {
        setenv("TZ", "America/Los_Angeles", 1);
        tzset();
        game_log_open(".");
        game_log_set_node(12);
        const time_t before = time(nullptr);
        game_log("stamped");
        char expected[64];
        struct tm utc {};
        gmtime_r(&before, &utc);
        strftime(expected, sizeof expected, "%Y-%m-%dT%H:%M", &utc);
        const std::string log = slurp(GAME_LOG_NAME);
        return log.rfind(expected, 0) == 0 && log.find("Z node 12 stamped\n") != std::string::npos
                   ? 0
                   : 1;
    });
    EXPECT_EQ(result.status, 0) << result.out << result.err;
}

TEST(GameLog, AFullLogBecomesTheOldOneAndANewOneStarts)
{
    struct Case {
        const char* what;
        long size;           // of the log before the line
        bool old_present;    // a grimbo.log.1 from before
        bool rotated;
    };
    const Case cases[] = {
        {"below the cap", GAME_LOG_LIMIT - 1, false, false},
        {"at the cap", GAME_LOG_LIMIT, false, true},
        {"past the cap, replacing the old file", GAME_LOG_LIMIT + 500, true, true},
    };
    for (const Case& c : cases) {
        grimbo_test::ChildResult result = in_game_dir([&c]() {
            game_log_open(".");
            std::string full(static_cast<std::size_t>(c.size), 'o');
            if (!spill(GAME_LOG_NAME, full) || (c.old_present && !spill(GAME_LOG_OLD_NAME, "older\n")))
                return 90;
            game_log("after");
            const std::string log = slurp(GAME_LOG_NAME);
            const std::string old = slurp(GAME_LOG_OLD_NAME);
            const bool fresh = log.find("oooo") == std::string::npos &&
                               log.find(" after\n") != std::string::npos;
            if (c.rotated)
                return fresh && old == full ? 0 : 1;
            return log.size() > full.size() && log.rfind(full, 0) == 0 && old.empty() ? 0 : 2;
        });
        EXPECT_EQ(result.status, 0) << c.what;
    }
}

TEST(GameLog, ALinkOrAFifoAtItsNameIsNeverWrittenThrough)
{
    grimbo_test::TempDir elsewhere;
    ASSERT_TRUE(elsewhere.write("target", "someone else's\n"));
    const std::string target = elsewhere.file("target");
    grimbo_test::ChildResult result = in_game_dir([&target]() {
        game_log_open(".");
        if (symlink(target.c_str(), GAME_LOG_NAME) != 0)
            return 90;
        game_log("through a link");
        if (unlink(GAME_LOG_NAME) != 0 || mkfifo(GAME_LOG_NAME, 0644) != 0)
            return 91;
        game_log("into a fifo");  // must not wait for a reader
        return 0;
    }, 5000);
    EXPECT_TRUE(result.exited && result.status == 0) << result.err;
    EXPECT_EQ(game_test::slurp(target.c_str()), "someone else's\n");
}

TEST(GameLog, ALogThatCannotBeWrittenChangesNothingForTheGame)
{
    grimbo_test::ChildResult result = in_game_dir([]() {
        game_log_open("/nonexistent/game/directory");
        errno = EAGAIN;
        game_log("nowhere to go");
        return errno == EAGAIN ? 0 : 1;
    });
    EXPECT_TRUE(result.exited && result.status == 0) << result.err;
}

TEST(GameLog, NodesWritingAtOnceLeaveWholeLines)
{
    std::vector<std::string> lines = logged([]() {
        std::vector<std::thread> writers;
        for (int t = 0; t < 4; ++t) {
            writers.emplace_back([t]() {
                for (int i = 0; i < 200; ++i)
                    game_log("writer %d line %d %s", t, i, std::string(100, 'a' + t).c_str());
            });
        }
        for (std::thread& writer : writers)
            writer.join();
    });
    ASSERT_EQ(lines.size(), 800u);
    for (const std::string& line : lines) {
        int writer = -1;
        int number = -1;
        char filler[128] = "";
        ASSERT_EQ(std::sscanf(line.c_str(), "writer %d line %d %127s", &writer, &number, filler), 3)
            << line;
        ASSERT_TRUE(writer >= 0 && writer < 4) << line;
        EXPECT_EQ(line, "writer " + std::to_string(writer) + " line " + std::to_string(number) +
                            " " + std::string(100, static_cast<char>('a' + writer)));
    }
}

TEST(GameLog, CausesReadAsASysopWouldSayThem)
{
    const struct {
        int error;
        const char* text;
    } cases[] = {
        {EACCES, "permission denied"},
        {EPERM, "permission denied"},
        {EROFS, "permission denied (read-only file system)"},
        {ENOSPC, "disk full"},
        {EDQUOT, "disk full"},
        {ETIMEDOUT, "lock timeout"},
        {ELOOP, "a symbolic link stands there (never followed)"},
        {EINVAL, "not a plain file"},
        {EISDIR, "Is a directory"},
    };
    for (const auto& c : cases) {
        char text[128];
        game_log_cause(c.error, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.error;
    }
}

// What a save that fails, or saves with a warning, leaves in the log.
TEST(GameLog, SaveFailuresNameWhatFailedAndWhy)
{
    struct Case {
        const char* what;
        std::function<void()> block;
        const char* line;
    };
    const Case cases[] = {
        {"all writable", [] {}, nullptr},
        {"no data directory", [] { storage_ok = 0; },
         "score save failed: no usable data directory"},
        {"table unwritable", [] { mkdir("data/story.tsv", 0755); },
         "score save failed: data/story.tsv: Is a directory"},
        {"link in place of the table", [] { symlink("/etc/passwd", "data/story.tsv"); },
         "score save failed: data/story.tsv: a symbolic link stands there (never followed)"},
        {"something else at the lock", [] { spill("data/.grimbo-write.lock", "x"); },
         "score save failed: data/.grimbo-write.lock: Not a directory"},
        {"outbox unwritable", [] { mkdir("data/interbbs-outbox.tsv", 0755); },
         "score saved, but not queued for sharing: data/interbbs-outbox.tsv: Is a directory"},
        {"bulletin led nowhere",
         [] { symlink("missing/dir/highscores.ans", "highscores.ans"); },
         "score saved, but a bulletin was not written: highscores.ans: No such file or "
         "directory"},
        {"plain bulletin unwritable", [] { mkdir("daily-highscores.asc", 0755); },
         "score saved, but a bulletin was not written: daily-highscores.asc: Is a directory"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = logged([&c]() {
            c.block();
            save_score(0);
        });
        if (c.line == nullptr) {
            EXPECT_TRUE(lines.empty()) << c.what << ": " << (lines.empty() ? "" : lines.front());
            continue;
        }
        ASSERT_EQ(lines.size(), 1u) << c.what;
        EXPECT_EQ(lines[0], c.line) << c.what;
    }
}

}  // namespace
