#include <pty.h>
#include <signal.h>
#include <termios.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "doorkit/core/clock.h"
#include "doorkit/transport/transport.h"
#include "tests/doorkit/transport/fixture.h"

namespace {

using namespace transport_test;

// Both ends of a socket pair: the door's and the caller's.
struct SocketPair {
    int door = -1;
    int caller = -1;
    SocketPair()
    {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0) {
            door = fds[0];
            caller = fds[1];
        }
    }
};

void RouteStdio(int fd)
{
    dup2(fd, STDIN_FILENO);
    dup2(fd, STDOUT_FILENO);
}

tPortHandle OpenStdio()
{
    tPortHandle port = nullptr;
    if (ODComAlloc(&port) != kODRCSuccess)
        return nullptr;
    if (ODComOpen(port) != kODRCSuccess) {
        ODComFree(port);
        return nullptr;
    }
    return port;
}

// Opens the stdio method on descriptors 0 and 1, both made `fd`.
tPortHandle OpenStdioOn(int fd)
{
    RouteStdio(fd);
    return OpenStdio();
}

// A stdio port in either form: standard input/output, or a given descriptor.
class StdioPort : public ::testing::TestWithParam<bool> {
protected:
    tPortHandle Open(int fd)
    {
        return GetParam() ? AdoptPort(fd, kComMethodStdIO) : OpenStdioOn(fd);
    }
};

TEST_P(StdioPort, OutputReachesTheReaderAtOnceAndInputIsRead)
{
    RunInChild([this] {
        SocketPair link;
        ASSERT_GE(link.door, 0);
        tPortHandle port = nullptr;
        if (GetParam()) {
            port = AdoptPort(link.door, kComMethodStdIO);
        } else {
            RouteStdio(link.door);
            // Printed through the stream before the port opened: comes first.
            std::fputs("early ", stdout);
            port = OpenStdio();
        }
        ASSERT_NE(port, nullptr);
        int method = 0;
        ODComGetMethod(port, &method);
        EXPECT_EQ(method, kComMethodStdIO);
        ASSERT_EQ(ODComSendBuffer(port, B("late").data(), 4), kODRCSuccess);
        ASSERT_EQ(ODComSendByte(port, '!'), kODRCSuccess);
        Bytes expected = GetParam() ? B("late!") : B("early late!");
        EXPECT_EQ(ReadQuiet(link.caller, 300), expected);

        ASSERT_TRUE(WriteAll(link.caller, B({'a', 13, 10, 255})));
        ASSERT_TRUE(WaitReadable(link.door));
        EXPECT_EQ(DrainPort(port), B({'a', 13, 10, 255}));
        EXPECT_TRUE(Carrier(port));
        EXPECT_EQ(ODComSendBuffer(port, nullptr, 0), kODRCSuccess);
        int count = -1;
        EXPECT_EQ(ODComOutbound(port, &count), kODRCUnsupported);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(ODComSetDTR(port, false), kODRCUnsupported);
        EXPECT_EQ(ODComSetDTR(port, true), kODRCUnsupported);
    });
}

TEST_P(StdioPort, CallerClosingTheLineIsCarrierLoss)
{
    RunInChild([this] {
        SocketPair link;
        tPortHandle port = Open(link.door);
        ASSERT_NE(port, nullptr);
        ASSERT_TRUE(WriteAll(link.caller, B("q")));
        close(link.caller);
        EXPECT_TRUE(Carrier(port));
        char c = 0;
        ASSERT_EQ(ODComGetByte(port, &c, false), kODRCSuccess);
        EXPECT_EQ(c, 'q');
        EXPECT_EQ(ODComGetByte(port, &c, false), kODRCGeneralFailure);
        EXPECT_FALSE(Carrier(port));
        // Later reads fail at once instead of waiting.
        std::uint32_t start = ODTimerNow();
        EXPECT_EQ(ODComGetByte(port, &c, true), kODRCGeneralFailure);
        EXPECT_LT(ODTimerNow() - start, 100u);
    });
}

TEST_P(StdioPort, WriteToAGoneReaderFailsWithoutSigpipeAndIsCarrierLoss)
{
    RunInChild([this] {
        signal(SIGPIPE, SIG_DFL);
        SocketPair link;
        tPortHandle port = Open(link.door);
        ASSERT_NE(port, nullptr);
        close(link.caller);
        EXPECT_EQ(ODComSendBuffer(port, B("anyone?").data(), 7), kODRCGeneralFailure);
        EXPECT_FALSE(Carrier(port));
        EXPECT_EQ(ODComSendByte(port, 'x'), kODRCGeneralFailure);
    });
}

INSTANTIATE_TEST_SUITE_P(StandardOrGiven, StdioPort, ::testing::Bool(), [](const auto& info) {
    return info.param ? "GivenDescriptor" : "StandardInputOutput";
});

TEST(StdioLine, BrokenPipeOnStandardOutputIsCarrierLoss)
{
    RunInChild([] {
        signal(SIGPIPE, SIG_DFL);
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        SocketPair input;
        tPortHandle port = OpenStdioOn(input.door);
        ASSERT_NE(port, nullptr);
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        EXPECT_TRUE(Carrier(port));
        EXPECT_EQ(ODComSendBuffer(port, B("gone").data(), 4), kODRCGeneralFailure);
        EXPECT_FALSE(Carrier(port));
    });
}

TEST(StdioLine, PendingHangUpIsCarrierLoss)
{
    RunInChild([] {
        sigset_t hup;
        sigemptyset(&hup);
        sigaddset(&hup, SIGHUP);
        ASSERT_EQ(sigprocmask(SIG_BLOCK, &hup, nullptr), 0);
        SocketPair link;
        tPortHandle port = AdoptPort(link.door, kComMethodStdIO);
        ASSERT_NE(port, nullptr);
        EXPECT_TRUE(Carrier(port));
        raise(SIGHUP);
        EXPECT_FALSE(Carrier(port));
    });
}

bool SameSettings(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

TEST(StdioLine, TerminalIsRawWhileOpenAndRestoredExactlyAtClose)
{
    RunInChild([] {
        int master = -1;
        int slave = -1;
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        termios before{};
        ASSERT_EQ(tcgetattr(slave, &before), 0);
        ASSERT_TRUE(before.c_lflag & ICANON);
        dup2(slave, STDIN_FILENO);
        tPortHandle port = OpenStdio();
        ASSERT_NE(port, nullptr);

        termios raw{};
        ASSERT_EQ(tcgetattr(slave, &raw), 0);
        EXPECT_EQ(raw.c_lflag & (ECHO | ECHONL | ICANON | ISIG | IEXTEN), 0u);
        EXPECT_EQ(raw.c_iflag & (ICRNL | IXON | ISTRIP | BRKINT), 0u);
        EXPECT_EQ(raw.c_oflag & OPOST, 0u);
        EXPECT_EQ(raw.c_cflag & (CSIZE | PARENB), static_cast<tcflag_t>(CS8));
        EXPECT_EQ(raw.c_cc[VMIN], 1);
        EXPECT_EQ(raw.c_cc[VTIME], 0);

        // Raw input: CR arrives as typed, not turned into LF.
        ASSERT_TRUE(WriteAll(master, B({'x', 13, 3})));
        ASSERT_TRUE(WaitReadable(STDIN_FILENO));
        EXPECT_EQ(DrainPort(port), B({'x', 13, 3}));

        ODComClose(port);
        termios after{};
        ASSERT_EQ(tcgetattr(slave, &after), 0);
        EXPECT_TRUE(SameSettings(before, after));
        ODComFree(port);
    });
}

TEST(StdioLine, TerminalThatHasBeenHungUpIsCarrierLoss)
{
    RunInChild([] {
        int master = -1;
        int slave = -1;
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        dup2(slave, STDIN_FILENO);
        tPortHandle port = OpenStdio();
        ASSERT_NE(port, nullptr);
        char c = 0;
        EXPECT_EQ(ODComGetByte(port, &c, false), kODRCNothingWaiting);
        EXPECT_TRUE(Carrier(port));
        // No SIGHUP comes when the terminal is not the controlling one.
        close(master);
        EXPECT_EQ(ODComGetByte(port, &c, false), kODRCGeneralFailure);
        EXPECT_FALSE(Carrier(port));
        ODComClose(port);
        ODComFree(port);
    });
}

TEST(StdioLine, GivenDescriptorLeavesTheTerminalAlone)
{
    RunInChild([] {
        int master = -1;
        int slave = -1;
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        termios before{};
        ASSERT_EQ(tcgetattr(slave, &before), 0);
        dup2(slave, STDIN_FILENO);
        tPortHandle port = AdoptPort(slave, kComMethodStdIO);
        ASSERT_NE(port, nullptr);
        termios during{};
        ASSERT_EQ(tcgetattr(slave, &during), 0);
        EXPECT_TRUE(SameSettings(before, during));
        ODComClose(port);
        ODComFree(port);
    });
}

}  // namespace
