// The kernel's watch over a live session: inactivity, the time limit,
// carrier loss and the exit codes they end the door with, and waits that
// stay off the processor.
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "doorkit/kernel/input_queue.h"
#include "doorkit/kernel/kernel.h"
#include "tests/doorkit/input/fixture.h"
#include "tests/support/session_runner.h"

namespace {

using namespace input_test;
using grimbo_test::ChildResult;
using grimbo_test::run_in_child;

constexpr char kIdleWarning[] =
    "\r\nWARNING: Inactivity timeout in 10 seconds, press a key now to remain online.\r\n\r\n";
constexpr char kIdleTimeout[] =
    "\r\nMaximum user inactivity time has elapsed, please call again.\r\n\r\n";
constexpr char kTimeUsedUp[] =
    "\r\nSorry, you have used up all of your time for this session.\r\n\r\n";

std::string TimeWarning(int minutes)
{
    return "\r\nWARNING: You only have " + std::to_string(minutes) +
           " minute(s) remaining for this session.\r\n\r\n";
}

// Kernel messages of the child, in order, one per line of its standard
// error (the texts hold no bare line feed of their own after "|").
std::vector<std::string> gMessages;

void RecordMessage(const char* text)
{
    gMessages.push_back(text);
    std::fprintf(stderr, "%s|", text);
    std::fflush(stderr);
}

std::string Joined(const std::vector<std::string>& texts)
{
    std::string out;
    for (const std::string& t : texts)
        out += t + "|";
    return out;
}

// A session whose kernel messages are recorded; the child's exit status is
// whatever ends it (the body's 0, or the door's exit code).
template <typename Body>
ChildResult RunKernelSession(Body body)
{
    grimbo_test::TempDir dir;
    return run_in_child(
        [&] {
            if (chdir(dir.path().c_str()) != 0)
                return 3;
            int caller = StartSocketSession();
            if (caller < 0)
                return 2;
            od_control.message_hook = RecordMessage;
            // The first pass takes note of the inactivity setting (and so
            // restarts the idle measure); the tests set the idle time after.
            od_kernel();
            int failures = body(caller);
            return failures != 0 || ::testing::Test::HasFailure() ? 1 : 0;
        },
        30000);
}

void SetIdleFor(std::time_t seconds)
{
    hODInputQueue->last_activity = std::time(nullptr) - seconds;
}

TEST(Inactivity, IdleCallerIsWarnedOnceAndAKeyStartsTheMeasureAgain)
{
    ChildResult r = RunKernelSession([](int caller) {
        SetIdleFor(191);
        od_kernel();
        od_kernel();
        EXPECT_EQ(Joined(gMessages), Joined({kIdleWarning}));
        SendAll(caller, "k");
        usleep(20000);
        od_kernel();
        EXPECT_EQ(bWarnedAboutInactivity, 0);
        SetIdleFor(195);
        od_kernel();
        EXPECT_EQ(Joined(gMessages), Joined({kIdleWarning, kIdleWarning}));
        SetIdleFor(201);
        od_kernel();
        ADD_FAILURE() << "the door should have ended";
        return 1;
    });
    EXPECT_EQ(r.status, 4) << r.out;
    EXPECT_EQ(r.err, Joined({kIdleWarning, kIdleWarning, kIdleTimeout}));
    EXPECT_EQ(r.out, "");
}

TEST(Inactivity, SwitchingTheCheckOnStartsTheIdleMeasureThen)
{
    ChildResult r = RunKernelSession([](int) {
        od_control.inactivity_seconds = 0;
        od_kernel();
        SetIdleFor(1000);
        od_kernel();  // off: nothing happens
        od_control.inactivity_seconds = 60;
        od_kernel();
        EXPECT_GE(hODInputQueue->last_activity, std::time(nullptr) - 1);
        // A negative setting is off as well.
        od_control.inactivity_seconds = -1;
        od_kernel();
        SetIdleFor(1000);
        od_kernel();
        od_control.inactivity_seconds = 60;
        od_kernel();
        EXPECT_GE(hODInputQueue->last_activity, std::time(nullptr) - 1);
        EXPECT_TRUE(gMessages.empty());
        return 0;
    });
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

TEST(Inactivity, CheckSwitchedOffOrNegativeKeepsAnIdleCaller)
{
    ChildResult r = RunKernelSession([](int) {
        od_control.inactivity_check_off = 1;
        SetIdleFor(5000);
        od_kernel();
        od_control.inactivity_check_off = 0;
        od_control.inactivity_seconds = -5;
        od_kernel();
        EXPECT_TRUE(gMessages.empty());
        return 0;
    });
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

// Moves the session clock to the next minute boundary and runs a pass.
void PassMinute()
{
    nNextTimeDeductTime = std::time(nullptr);
    od_kernel();
}

TEST(TimeLimit, LastMinutesAreAnnouncedAndTheDoorEndsWithThreeAtZero)
{
    ChildResult r = RunKernelSession([](int) {
        od_control.user_time_left = 4;
        PassMinute();
        PassMinute();
        PassMinute();
        EXPECT_EQ(od_control.user_time_left, 1);
        EXPECT_EQ(bForceStatusUpdate, 1);
        PassMinute();
        ADD_FAILURE() << "the door should have ended";
        return 1;
    });
    EXPECT_EQ(r.status, 3) << r.out;
    EXPECT_EQ(r.err, Joined({TimeWarning(3), TimeWarning(2), TimeWarning(1), kTimeUsedUp}));
}

TEST(TimeLimit, DisabledLimitStillCountsButNeverWarnsOrEnds)
{
    ChildResult r = RunKernelSession([](int) {
        od_control.disable_flags |= OD_DISABLE_TIMELIMIT;
        od_control.user_time_left = 2;
        PassMinute();
        PassMinute();
        PassMinute();
        EXPECT_EQ(od_control.user_time_left, -1);
        EXPECT_TRUE(gMessages.empty());
        return 0;
    });
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

TEST(TimeLimit, APassAfterALongPauseTakesEveryMinuteThatPassed)
{
    ChildResult r = RunKernelSession([](int) {
        od_control.disable_flags |= OD_DISABLE_TIMELIMIT;
        od_control.user_time_left = 10;
        nNextTimeDeductTime = std::time(nullptr) - 150;
        od_kernel();
        EXPECT_EQ(od_control.user_time_left, 7);
        EXPECT_GT(nNextTimeDeductTime, std::time(nullptr));
        return 0;
    });
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

TEST(TimeLimit, NoTimeIsTakenDuringChat)
{
    ChildResult r = RunKernelSession([](int) {
        od_control.user_time_left = 10;
        od_control.chat_active = 1;
        nNextTimeDeductTime = std::time(nullptr) - 10;
        od_kernel();
        EXPECT_EQ(od_control.user_time_left, 10);
        EXPECT_GE(nNextTimeDeductTime, std::time(nullptr) + 59);
        return 0;
    });
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

TEST(TimeLimit, AClockSetBackDoesNotFreezeTheCount)
{
    ChildResult r = RunKernelSession([](int) {
        nNextTimeDeductTime = std::time(nullptr) + 3600;
        od_kernel();
        EXPECT_LE(nNextTimeDeductTime, std::time(nullptr) + 60);
        SetIdleFor(-3600);
        od_kernel();
        EXPECT_LE(hODInputQueue->last_activity, std::time(nullptr));
        return 0;
    });
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

// How each limit is made to end the door, and the code it ends with.
struct Ending {
    const char* name;
    void (*provoke)(int caller);
    int level_index;
    int default_code;
};

const Ending kEndings[] = {
    {"CarrierLost", [](int caller) { close(caller); }, OD_LEVEL_CARRIER_LOST, 1},
    {"TimeUsedUp", [](int) { od_control.user_time_left = 0; }, OD_LEVEL_TIME_UP, 3},
    {"Inactivity", [](int) { SetIdleFor(300); }, OD_LEVEL_INACTIVITY, 4},
};

class KernelEnding : public ::testing::TestWithParam<Ending> {};

TEST_P(KernelEnding, UsesTheDefaultCodeOrTheCustomOne)
{
    const Ending ending = GetParam();
    for (bool custom : {false, true}) {
        ChildResult r = RunKernelSession([&](int caller) {
            if (custom) {
                od_control.errorlevels[OD_LEVEL_USE_TABLE] = 1;
                od_control.errorlevels[ending.level_index] = 40;
            }
            ending.provoke(caller);
            od_get_key(true);
            ADD_FAILURE() << "the door should have ended";
            return 1;
        });
        EXPECT_EQ(r.status, custom ? 40 : ending.default_code) << ending.name << r.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Limits, KernelEnding, ::testing::ValuesIn(kEndings),
                         [](const ::testing::TestParamInfo<Ending>& info) {
                             return info.param.name;
                         });

TEST(KernelExitReason, NamesWhyTheKernelEndedTheDoor)
{
    // btExitReason is read by the log's closing step, before the process
    // ends: the before-exit hook sees it at the same point.
    ChildResult r = RunKernelSession([](int) {
        od_control.before_exit_hook = [] { std::fprintf(stderr, "reason=%d|", btExitReason); };
        od_control.user_time_left = 0;
        od_kernel();
        return 1;
    });
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("reason=3|"), std::string::npos) << r.err;
}

TEST(KernelInput, KeyboardOffThrowsTheCallersBytesAway)
{
    InSession([](int caller) {
        od_control.user_keyboard_on = 0;
        SendAll(caller, "abc");
        usleep(20000);
        od_kernel();
        od_control.user_keyboard_on = 1;
        EXPECT_FALSE(od_key_pending());
        SendAll(caller, "d");
        EXPECT_EQ(od_get_key(true), 'd');
    });
}

TEST(KernelInput, EveryEnterByteIsLoggedOnOneLine)
{
    grimbo_test::TempDir dir;
    InSession([&dir](int caller) {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        SendAll(caller, "a\r\nb\r");
        for (int i = 0; i < 4; ++i)
            od_get_key(true);
        std::ifstream in(dir.file("grimbo-raw-enter.log"), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(text.str(),
                  "raw incoming key=13\\nraw incoming key=10\\nraw incoming key=13\\n");
    });
}

double CpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Waits a second for input that cannot come and tells how much processor
// time that took.
double CpuOfOneSecondWait()
{
    double before = CpuSeconds();
    long long start = MonotonicMs();
    ODInputEvent event{};
    EXPECT_FALSE(od_get_input(&event, 1000, 0));
    EXPECT_EQ(od_get_key(false), 0);
    EXPECT_GE(MonotonicMs() - start, 900);
    return CpuSeconds() - before;
}

int gPasses = 0;

void CountPass()
{
    ++gPasses;
}

// Times this thread gave up the processor of its own accord: each is a
// sleep it woke from.
long Wakeups()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

TEST(KernelWaits, AWaitIsOneKernelPassPerSliceEachSleepingOnTheLine)
{
    InSession([](int) {
        od_control.kernel_hook = CountPass;
        gPasses = 0;
        const long before = Wakeups();
        ODInputEvent event{};
        EXPECT_FALSE(od_get_input(&event, 1000, 0));
        const long wakeups = Wakeups() - before;
        // Twenty 50 ms slices; a pass more or less at the edges.
        EXPECT_GE(gPasses, 1);
        EXPECT_LE(gPasses, 22);
        EXPECT_LE(wakeups, 25);
        od_control.kernel_hook = nullptr;
    });
}

TEST(KernelWaits, APollForAKeyIsOneKernelPassThatDoesNotSleep)
{
    struct Case {
        const char* name;
        bool key_queued;
        int (*poll)();
    };
    const Case cases[] = {
        {"od_get_key, nothing typed", false, [] { return od_get_key(false); }},
        {"od_get_key, a key waiting", true, [] { return od_get_key(false); }},
        {"od_get_input, nothing typed", false, [] {
             ODInputEvent event{};
             return od_get_input(&event, 0, 0) ? 1 : 0;
         }},
        {"od_key_pending, nothing typed", false, [] { return od_key_pending() ? 1 : 0; }},
    };
    for (const Case& c : cases) {
        InSession([&c](int caller) {
            if (c.key_queued) {
                SendAll(caller, "k");
                EXPECT_TRUE(od_key_pending());
            }
            od_control.kernel_hook = CountPass;
            gPasses = 0;
            const long before = Wakeups();
            const int got = c.poll();
            EXPECT_EQ(gPasses, 1) << c.name;
            EXPECT_EQ(Wakeups() - before, 0) << c.name;
            EXPECT_EQ(got, c.key_queued ? 'k' : 0) << c.name;
            od_control.kernel_hook = nullptr;
        });
    }
}

TEST(KernelWaits, AGoneCallerWithCarrierChecksOffDoesNotSpinTheProcessor)
{
    InSession([](int caller) {
        od_control.disable_flags |= OD_DISABLE_CARRIER;
        close(caller);
        EXPECT_LT(CpuOfOneSecondWait(), 0.1);
    });
}

TEST(KernelWaits, ASessionWithoutRemoteSideWaitsWithoutSpinning)
{
    ChildResult r = run_in_child([] {
        grimbo_test::start_preset_session();
        od_control.baud = 0;
        double cpu = CpuOfOneSecondWait();
        std::fprintf(stderr, "cpu=%f\n", cpu);
        return cpu < 0.1 && !::testing::Test::HasFailure() ? 0 : 1;
    });
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

// A stdio session whose standard input and output are one end of a socket
// pair; the caller's end is returned.
int StartStdioSession()
{
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return -1;
    dup2(fds[0], STDIN_FILENO);
    dup2(fds[0], STDOUT_FILENO);
    close(fds[0]);
    grimbo_test::start_preset_session();
    return fds[1];
}

TEST(StdioCarrier, EndOfInputEndsTheSessionAsCarrierLoss)
{
    for (bool custom : {false, true}) {
        ChildResult r = run_in_child([custom] {
            int caller = StartStdioSession();
            CHILD_CHECK(caller >= 0);
            if (custom) {
                od_control.errorlevels[OD_LEVEL_USE_TABLE] = 1;
                od_control.errorlevels[OD_LEVEL_CARRIER_LOST] = 42;
            }
            close(caller);
            od_get_key(true);
            std::fprintf(stderr, "still running\n");
            return 0;
        });
        EXPECT_EQ(r.status, custom ? 42 : 1) << r.err;
        EXPECT_EQ(r.err, "");
    }
}

TEST(StdioCarrier, WithCarrierChecksOffAGoneCallerLeavesTheWaitsQuiet)
{
    ChildResult r = run_in_child([] {
        int caller = StartStdioSession();
        CHILD_CHECK(caller >= 0);
        od_control.disable_flags |= OD_DISABLE_CARRIER;
        close(caller);
        double cpu = CpuOfOneSecondWait();
        std::fprintf(stderr, "cpu=%f\n", cpu);
        CHILD_CHECK(cpu < 0.1);
        CHILD_CHECK(!::testing::Test::HasFailure());
        return 0;
    });
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(Clock, SleepsAsLongAsAskedAndTimersWrapAround)
{
    long long start = MonotonicMs();
    od_sleep(0);
    EXPECT_LT(MonotonicMs() - start, 20);
    start = MonotonicMs();
    od_sleep(150);
    long long took = MonotonicMs() - start;
    EXPECT_GE(took, 150);
    EXPECT_LT(took, 400);

    tODTimer timer{ODTimerNow() - 20u, 10};
    EXPECT_TRUE(ODTimerElapsed(&timer));
    EXPECT_EQ(ODTimerLeft(&timer), 0u);
    // A start just below the 32-bit wrap still measures correctly.
    timer = {ODTimerNow() + 0xFFFFFFF0u, 1000};
    EXPECT_FALSE(ODTimerElapsed(&timer));
    EXPECT_GT(ODTimerLeft(&timer), 900u);
}

}  // namespace
