// The game's key reader: characters come through, terminal key sequences
// never read as Esc plus letters, Delete reads as a backspace.
#include <gtest/gtest.h>

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "game/keys.h"
#include "tests/game/game_session.h"

namespace {

long long now_ms()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The keys read (waiting) from `typed` up to and including the final '#',
// as a list of numbers.
std::string keys_from(const std::string& typed)
{
    grimbo_test::ChildResult result = game_test::run_session([&typed](game_test::Caller& caller) {
        caller.send(typed);
        for (int i = 0; i < 32; ++i) {
            int key = read_key(true);
            std::fprintf(stderr, "%d ", key);
            if (key == '#' || key == 0)
                break;
        }
        return 0;
    });
    EXPECT_TRUE(result.exited) << result.err;
    return result.err;
}

struct KeyCase {
    const char* what;
    std::string typed;
    const char* keys;
};

TEST(KeyReader, TerminalKeySequencesDecodeAndOnlyDeleteSurvives)
{
    const KeyCase cases[] = {
        {"arrows", "\x1b[A\x1b[B\x1b[C\x1b[Dq#", "113 35 "},
        {"function keys", "\x1bOP\x1b[15~\x1b[24~\x1b[11~x#", "120 35 "},
        {"page and insert keys", "\x1b[5~\x1b[6~\x1b[2~\x1b[4~y#", "121 35 "},
        {"delete sequence", "\x1b[3~#", "127 35 "},
        {"DEL byte", "\x7f#", "127 35 "},
        {"backspace", "\b#", "8 35 "},
        {"CR LF is one Enter", "\r\n#", "13 35 "},
        {"lone LF is nothing", "\n#", "35 "},
        {"Esc then a letter", std::string("\x1b") + "x#", "27 120 35 "},
        {"plain letters", "Sd#", "83 100 35 "},
    };
    for (const KeyCase& c : cases)
        EXPECT_EQ(keys_from(c.typed), c.keys) << c.what;
}

TEST(KeyReader, LoneEscReadsAsEscAfterTheSequenceWindow)
{
    grimbo_test::ChildResult result = game_test::run_session([](game_test::Caller& caller) {
        caller.send("\x1b");
        long long start = now_ms();
        int key = read_key(true);
        long long took = now_ms() - start;
        std::fprintf(stderr, "%d %s", key, took >= 200 && took < 1500 ? "timely" : "late");
        return 0;
    });
    EXPECT_EQ(result.err, "27 timely");
}

TEST(KeyReader, PollReturnsAtOnceWhenNothingWaits)
{
    grimbo_test::ChildResult result = game_test::run_session([](game_test::Caller& caller) {
        long long start = now_ms();
        int empty = read_key(false);
        long long took = now_ms() - start;
        caller.send("\x1b[A");
        usleep(100000);  // let the bytes arrive
        int arrow = read_key(false);
        caller.send("k");
        usleep(100000);
        int letter = read_key(false);
        std::fprintf(stderr, "%d %d %d %s", empty, arrow, letter, took < 40 ? "quick" : "slow");
        return 0;
    });
    EXPECT_EQ(result.err, "0 0 107 quick");
}

}  // namespace
