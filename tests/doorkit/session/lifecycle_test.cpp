#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/core/control.h"
#include "doorkit/kernel/input_queue.h"
#include "doorkit/log/log.h"
#include "doorkit/transport/transport.h"
#include "tests/doorkit/session/session_helpers.h"

using grimbo_test::ChildResult;
using grimbo_test::run_in_child;
using grimbo_test::start_preset_session;

namespace {

int before_exit_calls = 0;

void count_before_exit()
{
    ++before_exit_calls;
}

void announce_before_exit()
{
    std::fputs("before-exit;", stderr);
}

bool report_log_close(int errorlevel)
{
    std::fprintf(stderr, "log-close %d;", errorlevel);
    return true;
}

long long now_ms()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void expect_status(const ChildResult& result, int status)
{
    ASSERT_FALSE(result.timed_out);
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.status, status) << result.err;
}

TEST(SessionLifecycle, SecondInitLeavesTheRunningSessionAlone)
{
    auto result = run_in_child([] {
        start_preset_session();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        od_control.inactivity_seconds = 77;
        od_init();
        CHILD_CHECK(od_control.inactivity_seconds == 77);
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        return 0;
    });
    expect_status(result, 0);
}

TEST(SessionLifecycle, InitAfterAReturningExitIsRefused)
{
    auto result = run_in_child([] {
        od_control.exit_without_terminating = 1;
        start_preset_session();
        od_exit(0, false);
        CHILD_CHECK(eODLifecycleState == OD_STATE_SHUT_DOWN);
        CHILD_CHECK(!bODInitialized);
        od_control.error_code = 0;
        od_init();
        CHILD_CHECK(od_control.error_code == OD_ERR_GENERALFAILURE);
        CHILD_CHECK(eODLifecycleState == OD_STATE_SHUT_DOWN);
        return 0;
    });
    expect_status(result, 0);
}

TEST(SessionLifecycle, ExitBeforeInitStartsTheSessionThenEndsWithTheGivenStatus)
{
    auto result = run_in_child([] {
        grimbo_test::clear_door_environment();
        od_control.drop_file_kind = OD_DROP_PRESET;
        od_control.port = 65535;
        od_control.before_exit_hook = announce_before_exit;
        od_exit(5, false);
        std::fputs("od_exit returned", stderr);
        return 0;
    });
    expect_status(result, 5);
    EXPECT_EQ(result.err, "before-exit;");
}

TEST(SessionLifecycle, PublicCallsAfterShutdownAreRefused)
{
    auto result = run_in_child([] {
        od_control.exit_without_terminating = 1;
        start_preset_session();
        od_control.user_record_number = 3;
        ODCopyField(od_control.user_name, "Jane Doe");
        od_exit(0, false);

        od_control.error_code = 0;
        CHILD_CHECK(std::strcmp(od_get_user_id(), "") == 0);
        CHILD_CHECK(od_control.error_code == OD_ERR_GENERALFAILURE);

        od_control.error_code = 0;
        CHILD_CHECK(od_control_get() == nullptr);
        CHILD_CHECK(od_control.error_code == OD_ERR_GENERALFAILURE);

        od_control.error_code = 0;
        CHILD_CHECK(!od_carrier());
        CHILD_CHECK(od_control.error_code == OD_ERR_GENERALFAILURE);

        od_control.error_code = 0;
        std::uint32_t seconds = 0;
        CHILD_CHECK(!od_get_time(&seconds, nullptr));
        CHILD_CHECK(od_control.error_code == OD_ERR_GENERALFAILURE);

        od_control.error_code = 0;
        od_exit(4, false);
        CHILD_CHECK(od_control.error_code == OD_ERR_GENERALFAILURE);
        return 0;
    });
    expect_status(result, 0);
}

TEST(SessionLifecycle, ExitInsideAKitCallWaitsForTheOutermostCall)
{
    auto result = run_in_child([] {
        od_control.exit_without_terminating = 1;
        od_control.before_exit_hook = count_before_exit;
        start_preset_session();

        ODSyncAPIEntry();  // as if a kit call were running
        od_exit(3, false);
        CHILD_CHECK(eODLifecycleState == OD_STATE_EXIT_DEFERRED);
        CHILD_CHECK(bODInitialized);
        CHILD_CHECK(before_exit_calls == 1);

        od_control.error_code = 0;
        od_exit(9, false);  // a second request is refused
        CHILD_CHECK(od_control.error_code == OD_ERR_GENERALFAILURE);

        ODSyncAPIExit();  // the outermost call returns
        CHILD_CHECK(eODLifecycleState == OD_STATE_SHUT_DOWN);
        CHILD_CHECK(!bODInitialized);
        CHILD_CHECK(before_exit_calls == 1);
        CHILD_CHECK(nAPILevel == 0);
        CHILD_CHECK(hSerialPort == nullptr);
        CHILD_CHECK(hODInputQueue == nullptr);
        return 0;
    });
    expect_status(result, 0);
}

TEST(SessionLifecycle, ExitAskedForWhileStartingIsCarriedOutAtTheEnd)
{
    auto result = run_in_child([] {
        od_control.after_init_hook = [] {
            od_exit(4, false);
            std::fputs("deferred;", stderr);
        };
        start_preset_session();
        std::fputs("init returned", stderr);
        return 0;
    });
    expect_status(result, 4);
    EXPECT_EQ(result.err, "deferred;");
}

TEST(SessionLifecycle, ExitFlushesBufferedOutputBeforeTheProcessEnds)
{
    auto result = run_in_child([] {
        start_preset_session();
        std::fputs("still buffered", stdout);
        od_exit(2, false);
        return 0;
    });
    expect_status(result, 2);
    EXPECT_NE(result.out.find("still buffered"), std::string::npos);
}

struct AtExitCase {
    const char* name;
    bool custom_levels;
    int expected_level;
};

class ProcessExitCallback : public ::testing::TestWithParam<AtExitCase> {};

TEST_P(ProcessExitCallback, EndingTheProcessWithTheKitRunningEndsTheSession)
{
    const AtExitCase c = GetParam();
    auto result = run_in_child([c]() -> int {
        if (c.custom_levels) {
            od_control.errorlevels[OD_LEVEL_USE_TABLE] = 1;
            od_control.errorlevels[OD_LEVEL_NORMAL_EXIT] = 9;
        }
        start_preset_session();
        pfLogClose = report_log_close;  // as if the log were open
        std::exit(0);
    });
    // The session is ended with the callback's level, but the process keeps
    // the status it was already ending with.
    expect_status(result, 0);
    EXPECT_EQ(result.err, "log-close " + std::to_string(c.expected_level) + ";");
}

INSTANTIATE_TEST_SUITE_P(Levels, ProcessExitCallback,
                         ::testing::Values(AtExitCase{"plain", false, 6},
                                           AtExitCase{"custom", true, 9}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SessionLifecycle, ProcessEndAfterExitDoesNotEndTheSessionTwice)
{
    auto result = run_in_child([] {
        od_control.before_exit_hook = announce_before_exit;
        start_preset_session();
        od_exit(7, false);
        return 0;
    });
    expect_status(result, 7);
    EXPECT_EQ(result.err, "before-exit;");
}

TEST(SessionLifecycle, LocalSessionOverASocketPairStartsAndEnds)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    auto result = run_in_child([&pair] {
        grimbo_test::clear_door_environment();
        dup2(pair[1], STDIN_FILENO);
        dup2(pair[1], STDOUT_FILENO);
        close(pair[0]);
        close(pair[1]);
        od_control.local_mode = 1;
        od_init();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        CHILD_CHECK(od_control.drop_file_kind == OD_DROP_NONE);
        CHILD_CHECK(od_control.com_method == kComMethodStdIO);
        CHILD_CHECK(od_control.user_ansi == 1);
        CHILD_CHECK(od_control.user_time_left == 60);
        CHILD_CHECK(std::strcmp(od_control.user_location, "Unknown Location") == 0);
        CHILD_CHECK(od_control.connect_speed == od_control.baud);
        CHILD_CHECK(od_control.kernel_started == 1);
        od_exit(0, false);
        return 3;
    });
    close(pair[0]);
    close(pair[1]);
    expect_status(result, 0);
}

TEST(SessionLifecycle, HangUpOverStdioDoesNotWaitForACarrierItCannotDrop)
{
    const long long started = now_ms();
    auto result = run_in_child([] {
        start_preset_session();
        od_exit(0, true);
        return 3;
    });
    expect_status(result, 0);
    // Standard output has no line to drop: waiting five seconds for the
    // carrier to go would only hold the BBS up.
    EXPECT_LT(now_ms() - started, 3000);
}

TEST(SessionLifecycle, HangUpOverASocketClosesTheConnectionAndEndsPromptly)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    const long long started = now_ms();
    auto result = run_in_child([&pair] {
        close(pair[0]);
        grimbo_test::clear_door_environment();
        od_control.drop_file_kind = OD_DROP_PRESET;
        od_control.port = 65535;
        od_control.socket_mode = 1;
        od_control.open_handle = static_cast<std::uint64_t>(pair[1]);
        od_init();
        CHILD_CHECK(od_control.com_method == kComMethodSocket);
        od_exit(0, true);
        return 3;
    });
    close(pair[1]);
    expect_status(result, 0);
    EXPECT_LT(now_ms() - started, 3000);
    char byte = 0;
    EXPECT_EQ(read(pair[0], &byte, 1), 0);  // the door's end is closed
    close(pair[0]);
}

struct CarrierCase {
    const char* name;
    bool custom_levels;
    int expected_status;
};

class CarrierLoss : public ::testing::TestWithParam<CarrierCase> {};

TEST_P(CarrierLoss, SocketClosedByThePeerEndsTheDoorFromTheKernel)
{
    const CarrierCase c = GetParam();
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    close(pair[0]);  // the caller has already gone
    auto result = run_in_child([&pair, c] {
        grimbo_test::clear_door_environment();
        if (c.custom_levels) {
            od_control.errorlevels[OD_LEVEL_USE_TABLE] = 1;
            od_control.errorlevels[OD_LEVEL_CARRIER_LOST] = 12;
        }
        od_control.drop_file_kind = OD_DROP_PRESET;
        od_control.port = 65535;
        od_control.socket_mode = 1;
        od_control.open_handle = static_cast<std::uint64_t>(pair[1]);
        od_init();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        od_kernel();
        return 3;
    });
    close(pair[1]);
    expect_status(result, c.expected_status);
}

INSTANTIATE_TEST_SUITE_P(Levels, CarrierLoss,
                         ::testing::Values(CarrierCase{"plain", false, 1},
                                           CarrierCase{"custom", true, 12}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
