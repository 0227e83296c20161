// A stop signal (the BBS ending the door, a hang-up, an interrupt) ends the
// session in order, through the kernel, as carrier loss: the before-exit
// hook runs once, a second signal does not start the exit again, and waits
// of the kit notice it at once, whichever thread the signal reaches.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "doorkit/core/stop_signal.h"
#include "tests/doorkit/input/fixture.h"
#include "tests/support/session_runner.h"

namespace {

using grimbo_test::ChildResult;
using grimbo_test::run_in_child;
using input_test::MonotonicMs;
using input_test::StartSocketSession;

int gHookCalls = 0;

// Notes each call and signals again, as a BBS that insists would.
void CountingHook()
{
    ++gHookCalls;
    std::fprintf(stderr, "hook %d|", gHookCalls);
    raise(SIGTERM);
    raise(SIGHUP);
}

// How the session is connected when the signal comes.
struct Line {
    const char* name;
    void (*start)();
};

void SocketLine()
{
    StartSocketSession();
}

void NoRemoteSide()
{
    StartSocketSession();
    od_control.baud = 0;
}

void CarrierChecksOff()
{
    StartSocketSession();
    od_control.disable_flags |= OD_DISABLE_CARRIER;
}

const Line kLines[] = {
    {"socket", SocketLine},
    {"no remote side", NoRemoteSide},
    {"carrier checks off", CarrierChecksOff},
};

struct Stop {
    const char* name;
    int number;
};

const Stop kStops[] = {{"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"SIGINT", SIGINT}};

TEST(StopSignal, EndsTheSessionAsCarrierLossWithTheHookRunOnce)
{
    for (const Line& line : kLines) {
        for (const Stop& stop : kStops) {
            for (bool custom : {false, true}) {
                grimbo_test::TempDir dir;
                ChildResult r = run_in_child(
                    [&] {
                        if (chdir(dir.path().c_str()) != 0)
                            return 3;
                        line.start();
                        if (custom) {
                            od_control.errorlevels[OD_LEVEL_USE_TABLE] = 1;
                            od_control.errorlevels[OD_LEVEL_CARRIER_LOST] = 42;
                        }
                        od_control.before_exit_hook = CountingHook;
                        raise(stop.number);
                        od_get_key(true);
                        std::fprintf(stderr, "still running|");
                        return 0;
                    },
                    10000);
                const std::string what = std::string(line.name) + " " + stop.name;
                EXPECT_TRUE(r.exited) << what << " signal " << r.signal;
                EXPECT_EQ(r.status, custom ? 42 : 1) << what;
                EXPECT_EQ(r.err, "hook 1|") << what;
            }
        }
    }
}

TEST(StopSignal, CarrierReadsAsLostOnceAStopHasCome)
{
    ChildResult r = run_in_child([] {
        StartSocketSession();
        CHILD_CHECK(od_carrier());
        raise(SIGTERM);
        CHILD_CHECK(!od_carrier());
        od_kernel();
        return 0;
    });
    EXPECT_EQ(r.status, 1) << r.err;
}

// Sends `number` to the process after a moment, from a thread of its own.
void SignalSoon(int number)
{
    std::thread([number] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        kill(getpid(), number);
    }).detach();
}

TEST(StopSignal, ASleepEndsAtOnce)
{
    ChildResult r = run_in_child([] {
        StartSocketSession();
        SignalSoon(SIGTERM);
        const long long start = MonotonicMs();
        od_sleep(5000);
        const long long took = MonotonicMs() - start;
        std::fprintf(stderr, "slept %lld ms\n", took);
        CHILD_CHECK(took < 1000);
        CHILD_CHECK(ODStopRequested());
        return 0;
    });
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(StopSignal, ASignalTakenByAnotherThreadStillWakesTheWait)
{
    ChildResult r = run_in_child([] {
        StartSocketSession();
        // The helper starts with the signal open; the main thread then
        // shuts it out, so only the helper can take it.
        std::thread helper([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            kill(getpid(), SIGTERM);
        });
        sigset_t term;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &term, nullptr);
        const long long start = MonotonicMs();
        od_sleep(5000);
        const long long took = MonotonicMs() - start;
        helper.join();
        std::fprintf(stderr, "slept %lld ms\n", took);
        CHILD_CHECK(took < 1000);
        return 0;
    });
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(StopSignal, AKeyWaitEndsTheDoorAtOnce)
{
    const auto start = std::chrono::steady_clock::now();
    ChildResult r = run_in_child(
        [] {
            StartSocketSession();
            SignalSoon(SIGTERM);
            od_get_key(true);
            return 0;
        },
        10000);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_LT(took, std::chrono::seconds(2));
}

TEST(StopSignal, OutsideASessionTheSignalsKeepTheirMeaning)
{
    // Ignored when the door was started: still ignored.
    ChildResult ignored = run_in_child([] {
        signal(SIGHUP, SIG_IGN);
        StartSocketSession();
        raise(SIGHUP);
        od_kernel();
        CHILD_CHECK(!ODStopRequested());
        return 0;
    });
    EXPECT_EQ(ignored.status, 0) << ignored.err;

    // An application that goes on after its session gets the default back.
    ChildResult after = run_in_child([] {
        StartSocketSession();
        od_control.exit_without_terminating = 1;
        od_exit(0, false);
        struct sigaction now {};
        sigaction(SIGTERM, nullptr, &now);
        CHILD_CHECK(now.sa_handler == SIG_DFL);
        raise(SIGTERM);
        return 0;
    });
    EXPECT_FALSE(after.exited);
    EXPECT_EQ(after.signal, SIGTERM);
}

}  // namespace
