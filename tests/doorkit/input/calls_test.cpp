// The public input calls over a live session: raw keys, line input,
// answers, and a queue that fills up.
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "doorkit/transport/transport.h"
#include "tests/doorkit/input/fixture.h"

namespace {

using namespace input_test;

// What the door sent the caller until it stays quiet for `quiet_ms`.
std::string ReadFromDoor(int caller, int quiet_ms = 200)
{
    // What the door collected since its last wait goes out at its next one.
    ODCoreFlushRemote();
    std::string out;
    for (;;) {
        pollfd entry{caller, POLLIN, 0};
        if (poll(&entry, 1, quiet_ms) != 1)
            return out;
        char chunk[4096];
        ssize_t n = read(caller, chunk, sizeof chunk);
        if (n <= 0)
            return out;
        out.append(chunk, static_cast<std::size_t>(n));
    }
}

TEST(GetKey, DeliversTheRawBytesOfASequence)
{
    InSession([](int caller) {
        SendAll(caller, kEsc + "[A");
        EXPECT_EQ(od_get_key(true), 27);
        EXPECT_EQ(od_get_key(true), '[');
        EXPECT_EQ(od_get_key(true), 'A');
        EXPECT_EQ(od_get_key(false), 0);
    });
}

TEST(GetKey, SkipsLineFeedsSoCrLfIsOneEnter)
{
    InSession([](int caller) {
        SendAll(caller, "\r\na\nb");
        EXPECT_EQ(od_get_key(true), 13);
        EXPECT_EQ(od_get_key(true), 'a');
        EXPECT_EQ(od_get_key(true), 'b');
        EXPECT_EQ(od_get_key(false), 0);
        EXPECT_EQ(od_control.last_key_local, 0);
    });
}

TEST(GetKey, WaitsForAKeyThatComesLater)
{
    InSession([](int caller) {
        Typist typist(caller, {{300, "k"}});
        long long start = MonotonicMs();
        EXPECT_EQ(od_get_key(true), 'k');
        EXPECT_GE(MonotonicMs() - start, 250);
    });
}

TEST(GetKey, NothingWaitingReturnsZeroAtOnce)
{
    InSession([](int) {
        long long start = MonotonicMs();
        EXPECT_EQ(od_get_key(false), 0);
        EXPECT_FALSE(od_key_pending());
        EXPECT_LT(MonotonicMs() - start, 100);
    });
}

TEST(InputQueue, BurstLargerThanTheQueueLosesNoBytes)
{
    InSession(
        [](int caller) {
            std::string burst;
            for (int i = 0; i < 3000; ++i)
                burst += static_cast<char>(32 + i % 95);
            SendAll(caller, burst);
            std::string got;
            while (got.size() < burst.size()) {
                int key = od_get_key(true);
                if (key == 0)
                    break;
                got += static_cast<char>(key);
            }
            EXPECT_EQ(got, burst);
        },
        8);
}

TEST(InputQueue, ClearingTheKeyBufferDropsWhatIsQueued)
{
    InSession([](int caller) {
        SendAll(caller, "abc");
        usleep(50000);
        EXPECT_TRUE(od_key_pending());
        od_clear_keybuffer();
        EXPECT_FALSE(od_key_pending());
        SendAll(caller, "d");
        EXPECT_EQ(od_get_key(true), 'd');
    });
}

TEST(InputStr, KeepsAtMostMaxLengthCharactersAndEchoesOnlyThose)
{
    InSession([](int caller) {
        SendAll(caller, "abcd\r");
        char buffer[4] = {'x', 'x', 'x', 'x'};
        od_input_str(buffer, 3, 'a', 'z');
        EXPECT_STREQ(buffer, "abc");
        EXPECT_EQ(ReadFromDoor(caller), "abc\r\n");
    });
}

TEST(InputStr, BackspaceRubsOutAndKeysOutOfRangeAreIgnored)
{
    InSession([](int caller) {
        SendAll(caller, "ab\bX1c\x7f\b\bd\r\n");
        char buffer[11] = {};
        od_input_str(buffer, 10, 'a', 'z');
        EXPECT_STREQ(buffer, "d");
        EXPECT_EQ(ReadFromDoor(caller), "ab\b \bc\b \b\b \bd\r\n");
        // The LF of CR LF does not end a second line at once.
        SendAll(caller, "e\r");
        od_input_str(buffer, 10, 'a', 'z');
        EXPECT_STREQ(buffer, "e");
    });
}

TEST(InputStr, RefusesBadArguments)
{
    InSession([](int) {
        char buffer[4] = "abc";
        od_control.error_code = 0;
        od_input_str(buffer, 0, 'a', 'z');
        EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
        od_control.error_code = 0;
        od_input_str(buffer, 3, 'z', 'a');
        EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
        od_control.error_code = 0;
        od_input_str(nullptr, 3, 'a', 'z');
        EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
        EXPECT_STREQ(buffer, "abc");
    });
}

TEST(GetAnswer, MatchesCaseInsensitivelyAndAnswersAsWritten)
{
    InSession([](int caller) {
        SendAll(caller, "xqy");
        EXPECT_EQ(od_get_answer("YN"), 'Y');
        SendAll(caller, "N");
        EXPECT_EQ(od_get_answer("yn"), 'n');
    });
}

TEST(GetInputUntil, GivesUpAtTheDeadlineOnTheSessionClock)
{
    InSession([](int) {
        std::uint32_t seconds = 0;
        std::uint16_t ms = 0;
        ASSERT_TRUE(od_get_time(&seconds, &ms));
        std::uint32_t at = seconds * 1000u + ms + 300;
        ODInputEvent event{};
        long long start = MonotonicMs();
        EXPECT_FALSE(od_get_input_until(&event, at / 1000, static_cast<std::uint16_t>(at % 1000), 0));
        long long took = MonotonicMs() - start;
        EXPECT_GE(took, 250);
        EXPECT_LT(took, 600);
        // A deadline already passed: false at once.
        start = MonotonicMs();
        EXPECT_FALSE(od_get_input_until(&event, 0, 0, 0));
        EXPECT_LT(MonotonicMs() - start, 50);
        od_control.error_code = 0;
        EXPECT_FALSE(od_get_input_until(&event, seconds + 5, 1000, 0));
        EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
    });
}

TEST(GetInputUntil, CutsTheSequenceWindowAtTheDeadline)
{
    InSession([](int caller) {
        std::uint32_t seconds = 0;
        std::uint16_t ms = 0;
        ASSERT_TRUE(od_get_time(&seconds, &ms));
        std::uint32_t at = seconds * 1000u + ms + 100;
        SendAll(caller, kEsc);
        ODInputEvent event{};
        long long start = MonotonicMs();
        ASSERT_TRUE(od_get_input_until(&event, at / 1000, static_cast<std::uint16_t>(at % 1000), 0));
        EXPECT_LT(MonotonicMs() - start, 200);
        EXPECT_EQ(Describe(event), Describe(Char(27)));
    });
}

}  // namespace
