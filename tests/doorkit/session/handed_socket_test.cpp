// Whether the door talks over a socket the BBS handed over or over its own
// standard input and output, as od_init decides it from the drop file.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/transport/transport.h"
#include "tests/doorkit/bbsdev/image.h"
#include "tests/doorkit/dropfile/samples.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/session_runner.h"

using grimbo_test::ChildResult;
using grimbo_test::run_in_child;
using grimbo_test::TempDir;
using grimbo_test::with_line;

namespace {

// Bytes that Telnet processing would change: CR alone becomes CR NUL and
// 255 is doubled.
const std::string kProbe = "a\rb\xff";

void expect_status(const ChildResult& result, int status)
{
    ASSERT_FALSE(result.timed_out);
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.status, status) << result.err;
}

// Starts a session from the drop file named with -D, as a BBS does.
void start_from(const std::string& path)
{
    grimbo_test::clear_door_environment();
    std::vector<std::string> words = {"door", "-D", path};
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    od_parse_cmd_line(static_cast<int>(argv.size()), argv.data());
    od_init();
}

std::string read_all(int fd)
{
    std::string got;
    char buf[256];
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, 200) > 0) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
}

struct NoSocketCase {
    const char* name;
    const char* file;
    std::string content;
};

void PrintTo(const NoSocketCase& c, std::ostream* os)
{
    *os << c.name;
}

class SocketAskedButNotHanded : public ::testing::TestWithParam<NoSocketCase> {};

TEST_P(SocketAskedButNotHanded, SessionRunsOverStandardIOWithoutTelnet)
{
    const NoSocketCase& c = GetParam();
    TempDir node;
    ASSERT_TRUE(node.write(c.file, c.content));
    const std::string path = node.file(c.file);
    auto result = run_in_child([&path] {
        // A caller who types nothing: input that never ends.
        int input[2];
        CHILD_CHECK(pipe(input) == 0 && dup2(input[0], 0) == 0);
        start_from(path);
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        CHILD_CHECK(od_control.com_method == kComMethodStdIO);
        CHILD_CHECK(od_control.socket_mode == 0);
        CHILD_CHECK(bTelnetSocket == 0);
        CHILD_CHECK(hSerialPort != nullptr && !hSerialPort->use_given_descriptor);
        CHILD_CHECK(hSerialPort->telnet == 0);
        od_disp(kProbe.data(), static_cast<int>(kProbe.size()), false);
        od_exit(0, false);
        return 3;
    });
    expect_status(result, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_NE(result.out.find(kProbe), std::string::npos) << result.out;
}

INSTANTIATE_TEST_SUITE_P(
    DropFiles, SocketAskedButNotHanded,
    ::testing::Values(
        NoSocketCase{"door32_minus_one", "door32.sys",
                     with_line(grimbo_test::kDoor32Sample, 2, "-1")},
        NoSocketCase{"door32_zero", "door32.sys", with_line(grimbo_test::kDoor32Sample, 2, "0")},
        NoSocketCase{"door32_not_a_number", "door32.sys",
                     with_line(grimbo_test::kDoor32Sample, 2, "none")},
        NoSocketCase{"doorsys_socket_without_number", "door.sys",
                     with_line(grimbo_test::kDoorSysSample, 1, "COM0:SOCKET")}),
    [](const auto& info) { return std::string(info.param.name); });

struct HandedCase {
    const char* name;
    const char* file;
    const std::string* sample;
    int line;
    const char* prefix;  // the handle goes after it on that line
    bool telnet;
    std::string expected;  // what the caller receives of the probe
};

void PrintTo(const HandedCase& c, std::ostream* os)
{
    *os << c.name;
}

class SocketHandedOver : public ::testing::TestWithParam<HandedCase> {};

TEST_P(SocketHandedOver, SessionAdoptsTheSocket)
{
    const HandedCase& c = GetParam();
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    TempDir node;
    ASSERT_TRUE(node.write(c.file, with_line(*c.sample, c.line,
                                             c.prefix + std::to_string(pair[0]))));
    const std::string path = node.file(c.file);
    auto result = run_in_child([&path, &pair, &c] {
        close(pair[1]);
        start_from(path);
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        CHILD_CHECK(od_control.com_method == kComMethodSocket);
        CHILD_CHECK(hSerialPort != nullptr && hSerialPort->descriptor == pair[0]);
        CHILD_CHECK(hSerialPort->telnet == (c.telnet ? 1 : 0));
        od_disp(kProbe.data(), static_cast<int>(kProbe.size()), false);
        od_exit(0, false);
        return 3;
    });
    close(pair[0]);
    expect_status(result, 0);
    EXPECT_EQ(read_all(pair[1]), c.expected);
    close(pair[1]);
}

INSTANTIATE_TEST_SUITE_P(
    DropFiles, SocketHandedOver,
    ::testing::Values(HandedCase{"door32_telnet", "door32.sys", &grimbo_test::kDoor32Sample, 2, "",
                                 true, std::string("a\r\0b\xff\xff", 6)},
                      HandedCase{"doorsys_raw_socket", "door.sys", &grimbo_test::kDoorSysSample,
                                 1, "COM0:SOCKET", false, kProbe}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SocketHandedOver, ClosedDescriptorStillStopsStartUp)
{
    TempDir node;
    ASSERT_TRUE(node.write("door32.sys", with_line(grimbo_test::kDoor32Sample, 2, "987")));
    const std::string path = node.file("door32.sys");
    auto result = run_in_child([&path] {
        start_from(path);
        return 3;
    });
    expect_status(result, 1);
    EXPECT_EQ(result.err, "Unable to use provided serial port handle.");
}

// BBSDEV.DRP names descriptor 0 outright: a socket given as standard input
// is adopted as a socket.
TEST(SocketHandedOver, BbsdevSocketZeroIsStillAdopted)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    TempDir dir;
    ASSERT_TRUE(dir.write("BBSDEV.DRP", grimbo_test::drp({{2, "socket"}, {3, "0"}})));
    auto result = run_in_child([&dir, &pair] {
        grimbo_test::clear_door_environment();
        CHILD_CHECK(dup2(pair[0], 0) == 0);
        setenv("BBSDEV_DRP", dir.file("BBSDEV.DRP").c_str(), 1);
        od_init();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        CHILD_CHECK(od_control.com_method == kComMethodSocket);
        CHILD_CHECK(hSerialPort != nullptr && hSerialPort->descriptor == 0);
        od_exit(0, false);
        return 3;
    });
    close(pair[0]);
    close(pair[1]);
    expect_status(result, 0);
}

}  // namespace
