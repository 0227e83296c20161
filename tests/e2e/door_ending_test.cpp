// How a door built on the kit ends, seen from the BBS: a stop signal ends
// it in order with the carrier-loss status (an interrupt on the sysop's own
// console keeps its ordinary meaning), and the caller's line closes when
// the door ends even while a program it started still runs.
#include <dirent.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/doorkit/dropfile/samples.h"
#include "tests/support/session_runner.h"

using namespace grimbo_test;

namespace {

const std::string kKeyDoor = TEST_DOORS_DIR "/key_door";
const std::string kSpawnDoor = TEST_DOORS_DIR "/spawn_door";

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

bool WaitOutput(DoorRun& door, std::string_view text, int timeout_ms = 5000)
{
    const auto start = Clock::now();
    while (door.output().find(text) == std::string::npos) {
        if (MsSince(start) >= timeout_ms)
            return false;
        door.pump(20);
    }
    return true;
}

bool SameSettings(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

struct StopCase {
    const char* name;
    int signal;
    Link link;
    bool local;      // the sysop's own console (-L)
    int status;      // exit status; 128 + n when the signal ended the process
};

const StopCase kStops[] = {
    {"TermOnLocalConsole", SIGTERM, Link::Pty, true, 1},
    {"TermOverTcpSocket", SIGTERM, Link::TcpSocket, false, 1},
    {"TermOverStdio", SIGTERM, Link::SocketPair, false, 1},
    {"HangUpOverTcpSocket", SIGHUP, Link::TcpSocket, false, 1},
    {"InterruptOverStdio", SIGINT, Link::SocketPair, false, 1},
    {"InterruptOverPty", SIGINT, Link::Pty, false, 1},
    {"InterruptOnLocalConsole", SIGINT, Link::Pty, true, 128 + SIGINT},
};

void PrintTo(const StopCase& c, std::ostream* os)
{
    *os << c.name;
}

class StopSignal : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopSignal, EndsTheDoorAtOnceWithTheCarrierLossStatusAndTheTerminalRestored)
{
    const StopCase c = GetParam();
    for (bool custom : {false, true}) {
        DoorLaunch launch;
        launch.program = kKeyDoor;
        launch.link = c.link;
        launch.args = c.local ? std::vector<std::string>{"-L"}
                              : std::vector<std::string>{"-B", "38400", "-P", "0",
                                                         "-USERNAME", "Jack"};
        if (c.link == Link::TcpSocket) {
            launch.args.push_back("-SOCKET");
            launch.args.push_back("{fd}");
        }
        if (custom)
            launch.env = {{"KEY_DOOR_LEVELS", "42,43,44,45"}};
        DoorRun door;
        ASSERT_TRUE(door.start(launch)) << c.name;
        ASSERT_TRUE(WaitOutput(door, "ready\r\n")) << c.name << door.error_output();
        const auto start = Clock::now();
        ASSERT_EQ(kill(door.pid(), c.signal), 0);
        const int expected = custom && c.status == 1 ? 42 : c.status;
        EXPECT_EQ(door.wait_exit(3000), expected) << c.name << door.error_output();
        EXPECT_LT(MsSince(start), 1000) << c.name;
        if (c.link == Link::Pty && c.status == 1) {
            auto initial = door.initial_pty_settings();
            auto after = door.pty_settings();
            ASSERT_TRUE(initial && after) << c.name;
            EXPECT_TRUE(SameSettings(*initial, *after)) << c.name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignal, ::testing::ValuesIn(kStops),
                         [](const ::testing::TestParamInfo<StopCase>& info) {
                             return info.param.name;
                         });

// The descriptors a process holds, by number.
std::vector<int> OpenDescriptors(pid_t pid)
{
    std::vector<int> fds;
    const std::string path = "/proc/" + std::to_string(pid) + "/fd";
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] != '.')
                fds.push_back(std::stoi(e->d_name));
        }
        closedir(d);
    }
    std::sort(fds.begin(), fds.end());
    return fds;
}

// The descriptors the door named as born with, less the caller's line.
std::vector<int> BornWith(const std::string& err, int handed_fd)
{
    std::vector<int> fds;
    const auto at = err.find("born");
    if (at == std::string::npos)
        return fds;
    std::istringstream line(err.substr(at + 4, err.find('\n', at) - at - 4));
    for (int fd = 0; line >> fd;) {
        if (fd != handed_fd)
            fds.push_back(fd);
    }
    std::sort(fds.begin(), fds.end());
    return fds;
}

// The caller's end reads end of connection within `timeout_ms`.
bool LineClosesWithin(int fd, int timeout_ms)
{
    const auto start = Clock::now();
    for (;;) {
        const long long left = timeout_ms - MsSince(start);
        if (left < 0)
            return false;
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left)) != 1)
            return false;
        char buffer[4096];
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0)
            return got == 0;
    }
}

struct Handover {
    const char* name;
    bool door32;  // the socket named in DOOR32.SYS, else by the SOCKET option
};

void PrintTo(const Handover& h, std::ostream* os)
{
    *os << h.name;
}

class ChildOfTheDoor : public ::testing::TestWithParam<Handover> {};

TEST_P(ChildOfTheDoor, HoldsNoDescriptorOfTheDoorAndTheLineClosesWhenTheDoorEnds)
{
    const Handover h = GetParam();
    TempDir node;
    DoorLaunch launch;
    launch.program = kSpawnDoor;
    launch.link = Link::TcpSocket;
    launch.workdir = node.path();
    if (h.door32) {
        ASSERT_TRUE(node.write("door32.sys",
                               with_line(with_line(kDoor32Sample, 1, "2"), 2,
                                         std::to_string(launch.handed_fd))));
        launch.args = {"-D", node.file("door32.sys")};
    } else {
        launch.args = {"-B", "38400", "-P", "0", "-USERNAME", "Jack", "-SOCKET", "{fd}"};
    }
    DoorRun door;
    ASSERT_TRUE(door.start(launch));
    ASSERT_TRUE(WaitOutput(door, "ready\r\n")) << door.error_output();
    door.pump(50);
    const std::string& err = door.error_output();
    const auto at = err.find("child ");
    ASSERT_NE(at, std::string::npos) << err;
    const pid_t child = static_cast<pid_t>(std::stol(err.substr(at + 6)));

    // The log and the reservation file are open in the door; the program it
    // started has only what the door was born with, less the caller's line.
    EXPECT_EQ(OpenDescriptors(child), BornWith(err, launch.handed_fd)) << h.name;

    door.send("Q");
    EXPECT_EQ(door.wait_exit(3000), 0) << h.name;
    EXPECT_TRUE(LineClosesWithin(door.caller_fd(), 100)) << h.name;
    EXPECT_EQ(kill(child, 0), 0) << "the program should still run";
    kill(child, SIGKILL);
}

INSTANTIATE_TEST_SUITE_P(Handovers, ChildOfTheDoor,
                         ::testing::Values(Handover{"SocketOption", false},
                                           Handover{"Door32Sys", true}),
                         [](const ::testing::TestParamInfo<Handover>& info) {
                             return info.param.name;
                         });

}  // namespace
