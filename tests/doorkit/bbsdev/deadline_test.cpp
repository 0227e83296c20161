// The BBSDEV.DRP deadline: its arithmetic and the time limit it gives the
// caller once the session runs.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/bbsdev/bbsdev.h"
#include "doorkit/bbsdev/deadline.h"
#include "doorkit/core/control.h"
#include "doorkit/kernel/kernel.h"
#include "tests/doorkit/bbsdev/image.h"
#include "tests/doorkit/session/session_helpers.h"

using grimbo_test::drp;
using grimbo_test::run_in_child;

namespace {

struct DeadlineCase {
    const char* text;
    std::int64_t seconds;
};

TEST(BbsdevDeadline, CountsSecondsSince1970ByTheGregorianCalendar)
{
    const DeadlineCase cases[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"1970-01-02T00:00:01Z", 86401},
        {"2000-03-01T00:00:00Z", 951868800},
        {"2024-02-29T10:00:00Z", 1709200800},
        {"2038-01-19T03:14:08Z", 2147483648},
        {"2100-03-01T00:00:00Z", 4107542400},
        {"9999-12-31T23:59:59Z", 253402300799},
        {"1969-12-31T23:59:59Z", 0},
        {"0000-02-29T00:00:00Z", 0},
    };
    for (const DeadlineCase& c : cases) {
        std::int64_t seconds = -1;
        EXPECT_TRUE(ODBBSDevParseDeadline(c.text, &seconds)) << c.text;
        EXPECT_EQ(seconds, c.seconds) << c.text;
    }
}

struct LimitCase {
    const char* name;
    std::int64_t left;  // seconds from now to the deadline
    std::int16_t minutes;
    std::int64_t next_from_deadline;  // next deduction relative to the deadline
};

class TimeLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(TimeLimit, LastMinuteEndsAtTheDeadline)
{
    const LimitCase c = GetParam();
    const std::int64_t now = 1'800'000'000;
    const ODBBSDevTimeLimit limit = ODBBSDevTimeLimitAt(now + c.left, now);
    EXPECT_EQ(limit.minutes, c.minutes);
    EXPECT_EQ(limit.next_deduct, now + c.left + c.next_from_deadline);
}

INSTANTIATE_TEST_SUITE_P(
    Spans, TimeLimit,
    ::testing::Values(LimitCase{"ninety_seconds_give_two_minutes", 90, 2, -60},
                      LimitCase{"one_second", 1, 1, 0},
                      LimitCase{"just_past_a_minute", 61, 2, -60},
                      LimitCase{"largest_uncapped", 32767 * 60, 32767, -32766 * 60},
                      LimitCase{"capped", 32767 * 60 + 1, 32767, -32766 * 60},
                      // A passed deadline leaves nothing and deducts now.
                      LimitCase{"deadline_now", 0, 0, 0},
                      LimitCase{"deadline_passed", -300, 0, 300}),
    [](const auto& info) { return std::string(info.param.name); });

struct ApplyCase {
    const char* name;
    const char* deadline;  // line 11
    std::uint16_t max_time;
    std::int64_t now;
    bool limited;
    std::int16_t time_left;
    std::int16_t initial;
    std::uint16_t withheld;
    std::int64_t next_deduct;
};

class ApplyTimeLimit : public ::testing::TestWithParam<ApplyCase> {};

TEST_P(ApplyTimeLimit, SetsTheCallersMinutesAndTheKernelsSchedule)
{
    const ApplyCase c = GetParam();
    auto result = run_in_child([c] {
        od_control.max_time = c.max_time;
        // What the start-up's cap did with the placeholder minutes.
        od_control.disable_flags = c.limited ? OD_DISABLE_TIMELIMIT : 0;
        const std::string image = drp({{11, c.deadline}});
        CHILD_CHECK(ODBBSDevReadBuffer(image.data(), image.size()));
        od_control.time_withheld = 12345;
        nNextTimeDeductTime = 5;
        ODBBSDevApplyTimeLimitAt(static_cast<std::time_t>(c.now));
        CHILD_CHECK(((od_control.disable_flags & OD_DISABLE_TIMELIMIT) == 0) == c.limited);
        if (c.limited) {
            CHILD_CHECK(od_control.user_time_left == c.time_left);
            CHILD_CHECK(nInitialRemaining == c.initial);
            CHILD_CHECK(od_control.time_withheld == c.withheld);
            CHILD_CHECK(nNextTimeDeductTime == c.next_deduct);
        } else {
            CHILD_CHECK(nNextTimeDeductTime == 5);
            CHILD_CHECK(od_control.time_withheld == 12345);
        }
        return 0;
    });
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 0) << result.err;
}

constexpr std::int64_t kDeadline = 1893456000;  // 2030-01-01T00:00:00Z

INSTANTIATE_TEST_SUITE_P(
    Sessions, ApplyTimeLimit,
    ::testing::Values(
        ApplyCase{"no_deadline_means_no_limit", "", 0, kDeadline, false, 0, 0, 0, 0},
        ApplyCase{"ninety_seconds", "2030-01-01T00:00:00Z", 0, kDeadline - 90, true, 2, 2, 0,
                  kDeadline - 60},
        ApplyCase{"passed", "2030-01-01T00:00:00Z", 0, kDeadline + 10, true, 0, 0, 0,
                  kDeadline + 10},
        ApplyCase{"before_1970_is_long_past", "1969-12-31T23:59:59Z", 0, kDeadline, true, 0, 0, 0,
                  kDeadline},
        // The application's cap holds back what the deadline allows above it.
        ApplyCase{"capped_by_max_time", "2030-01-01T00:00:00Z", 30, kDeadline - 7200, true, 30, 120,
                  90, kDeadline - 119 * 60},
        ApplyCase{"max_time_out_of_range_ignored", "2030-01-01T00:00:00Z", 1441, kDeadline - 7200,
                  true, 120, 120, 0, kDeadline - 119 * 60}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
