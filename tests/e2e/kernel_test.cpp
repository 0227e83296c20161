// A door's session watched by the kernel, end to end: the key door started
// the way a BBS starts it, and a caller who types, stays silent, runs out
// of time or goes away.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/doorkit/dropfile/samples.h"
#include "tests/support/session_runner.h"

using namespace grimbo_test;

namespace {

const std::string kKeyDoor = TEST_DOORS_DIR "/key_door";

constexpr char kIdleWarning[] =
    "\r\nWARNING: Inactivity timeout in 10 seconds, press a key now to remain online.\r\n\r\n";
constexpr char kIdleTimeout[] =
    "\r\nMaximum user inactivity time has elapsed, please call again.\r\n\r\n";
constexpr char kTimeUsedUp[] =
    "\r\nSorry, you have used up all of your time for this session.\r\n\r\n";

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// Collects the door's output until it holds `text`.
bool WaitOutput(DoorRun& door, std::string_view text, int timeout_ms = 5000)
{
    auto start = Clock::now();
    while (door.output().find(text) == std::string::npos) {
        if (MsSince(start) >= timeout_ms)
            return false;
        door.pump(20);
    }
    return true;
}

std::size_t Count(const std::string& haystack, std::string_view needle)
{
    std::size_t n = 0;
    for (auto at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + needle.size()))
        ++n;
    return n;
}

DoorLaunch KeyDoor(Link link, std::vector<std::pair<std::string, std::string>> env = {})
{
    DoorLaunch launch;
    launch.program = kKeyDoor;
    launch.link = link;
    launch.args = {"-L"};
    if (link == Link::TcpSocket)
        launch.args = {"-L", "-SOCKET", "{fd}"};
    launch.env = std::move(env);
    return launch;
}

// The door under a clock that runs twenty times as fast, so minutes pass
// in seconds.
DoorLaunch FastClockKeyDoor(std::vector<std::string> args,
                            std::vector<std::pair<std::string, std::string>> env = {})
{
    DoorLaunch launch;
    launch.program = kKeyDoor;
    launch.args = std::move(args);
    launch.link = Link::SocketPair;
    launch.env = std::move(env);
    use_fake_clock(launch, "+0 x20");
    return launch;
}

// Processor time the process has used so far, in seconds.
double CpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Fields after the command name, which is in parentheses.
    auto close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    unsigned long utime = 0;
    unsigned long stime = 0;
    if (std::sscanf(stat.c_str() + close + 2,
                    "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime,
                    &stime) != 2)
        return -1;
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

class KeysOverEachLink : public ::testing::TestWithParam<Link> {};

TEST_P(KeysOverEachLink, KeysArriveAsTheCallerSentThemAndQEndsTheDoor)
{
    DoorRun door;
    ASSERT_TRUE(door.start(KeyDoor(GetParam())));
    ASSERT_TRUE(WaitOutput(door, "ready\r\n"));
    door.send("\x1b[A");
    EXPECT_TRUE(WaitOutput(door, "<27><91><65>"));
    door.send("\r\n");
    EXPECT_TRUE(WaitOutput(door, "<13>"));
    door.send("Q");
    EXPECT_EQ(door.wait_exit(), 0);
    EXPECT_EQ(Count(door.output(), "<"), 5u) << door.output();
}

std::string LinkName(const ::testing::TestParamInfo<Link>& info)
{
    switch (info.param) {
    case Link::Pty:
        return "Pty";
    case Link::SocketPair:
        return "SocketPair";
    case Link::TcpSocket:
        return "TcpSocket";
    }
    return "Other";
}

INSTANTIATE_TEST_SUITE_P(Links, KeysOverEachLink,
                         ::testing::Values(Link::Pty, Link::SocketPair, Link::TcpSocket),
                         LinkName);

TEST(SilentCaller, IsWarnedOnceThenTimedOutWithStatusFour)
{
    for (bool custom : {false, true}) {
        DoorRun door;
        std::vector<std::pair<std::string, std::string>> env = {{"KEY_DOOR_IDLE", "3,2"}};
        if (custom)
            env.emplace_back("KEY_DOOR_LEVELS", "42,43,44,45");
        // Three seconds of silence on the door's clock, which runs fast.
        ASSERT_TRUE(door.start(FastClockKeyDoor({"-L"}, env)));
        EXPECT_EQ(door.wait_exit(10000), custom ? 45 : 4);
        const std::string& out = door.output();
        EXPECT_EQ(Count(out, kIdleWarning), 1u) << out;
        auto warned = out.find(kIdleWarning);
        auto ended = out.find(kIdleTimeout);
        ASSERT_NE(ended, std::string::npos) << out;
        EXPECT_LT(warned, ended);
    }
}

TEST(SilentCaller, DefaultLimitsWarnAtTheRightMomentUnderAFastClock)
{
    // 200 s of silence with a warning 10 s before the end, at twenty times
    // the speed.
    DoorRun door;
    ASSERT_TRUE(door.start(FastClockKeyDoor({"-L"})));
    ASSERT_TRUE(WaitOutput(door, "ready\r\n"));
    auto start = Clock::now();
    ASSERT_TRUE(WaitOutput(door, kIdleWarning, 15000)) << door.output();
    long long warned_ms = MsSince(start);
    EXPECT_EQ(door.wait_exit(5000), 4);
    long long ended_ms = MsSince(start);
    // 191 and 201 fake seconds are about 9.5 and 10 real ones.
    EXPECT_GT(warned_ms, 8000);
    EXPECT_GT(ended_ms - warned_ms, 200);
    EXPECT_EQ(Count(door.output(), kIdleWarning), 1u);
    EXPECT_NE(door.output().find(kIdleTimeout), std::string::npos);
}

TEST(TimeLimit, CallerWithOneMinuteLeftIsToldTimeIsUpAndTheDoorEndsWithThree)
{
    for (bool custom : {false, true}) {
        std::vector<std::pair<std::string, std::string>> env;
        if (custom)
            env.emplace_back("KEY_DOOR_LEVELS", "42,43,44,45");
        DoorRun door;
        ASSERT_TRUE(door.start(FastClockKeyDoor({"-L", "-TIMELEFT", "1"}, env)));
        ASSERT_TRUE(WaitOutput(door, "ready\r\n"));
        EXPECT_EQ(door.wait_exit(15000), custom ? 44 : 3) << door.error_output();
        EXPECT_NE(door.output().find(kTimeUsedUp), std::string::npos) << door.output();
        EXPECT_EQ(door.output().find("WARNING"), std::string::npos) << door.output();
    }
}

struct Hangup {
    const char* name;
    Link link;
    bool signal;  // SIGHUP with the pty left open, else the caller closes
};

class CallerGone : public ::testing::TestWithParam<Hangup> {};

TEST_P(CallerGone, EndsTheDoorWithCarrierLossWithinASecond)
{
    const Hangup h = GetParam();
    for (bool custom : {false, true}) {
        std::vector<std::pair<std::string, std::string>> env;
        if (custom)
            env.emplace_back("KEY_DOOR_LEVELS", "42,43,44,45");
        DoorRun door;
        ASSERT_TRUE(door.start(KeyDoor(h.link, env)));
        ASSERT_TRUE(WaitOutput(door, "ready\r\n"));
        auto start = Clock::now();
        if (h.signal)
            door.hang_up_with_signal();
        else
            door.close_caller();
        EXPECT_EQ(door.wait_exit(3000), custom ? 42 : 1) << h.name;
        EXPECT_LT(MsSince(start), 1000) << h.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Links, CallerGone,
    ::testing::Values(Hangup{"PeerClosesTcpSocket", Link::TcpSocket, false},
                      Hangup{"BbsClosesStdioSocketPair", Link::SocketPair, false},
                      Hangup{"PtyHangsUp", Link::Pty, true}),
    [](const ::testing::TestParamInfo<Hangup>& info) { return info.param.name; });

TEST(CallerGone, CarrierLossStillWritesTheDropFileBack)
{
    TempDir dir;
    ASSERT_TRUE(dir.write("CHAIN.TXT", grimbo_test::kChainSample));
    // An old stamp, so the rewrite shows.
    timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.file("CHAIN.TXT").c_str(), old_times, 0), 0);
    DoorLaunch launch = KeyDoor(Link::SocketPair);
    launch.args = {"-D", dir.path()};
    DoorRun door;
    ASSERT_TRUE(door.start(launch));
    ASSERT_TRUE(WaitOutput(door, "ready\r\n")) << door.error_output();
    door.close_caller();
    EXPECT_EQ(door.wait_exit(3000), 1);
    struct stat after {};
    ASSERT_EQ(stat(dir.file("CHAIN.TXT").c_str(), &after), 0);
    EXPECT_GT(after.st_mtim.tv_sec, old_times[1].tv_sec);
}

TEST(CallerGone, WithCarrierChecksOffTheDoorWaitsWithoutSpinning)
{
    DoorRun door;
    ASSERT_TRUE(door.start(KeyDoor(Link::SocketPair, {{"KEY_DOOR_NO_CARRIER_CHECK", "1"}})));
    ASSERT_TRUE(WaitOutput(door, "ready\r\n"));
    door.close_caller();
    door.pump(200);
    double before = CpuSeconds(door.pid());
    door.pump(2000);
    double used = CpuSeconds(door.pid()) - before;
    EXPECT_GE(before, 0.0);
    EXPECT_LT(used, 0.1) << "processor seconds in two idle seconds";
    EXPECT_FALSE(door.wait_exit(10).has_value()) << "the door ended";
}

}  // namespace
