#include <fcntl.h>
#include <netinet/tcp.h>
#include <signal.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/core/clock.h"
#include "doorkit/transport/telnet.h"
#include "doorkit/transport/transport.h"
#include "tests/doorkit/transport/fixture.h"

namespace {

using namespace transport_test;

class SocketPort : public ::testing::TestWithParam<int> {};

// A socket port over loopback TCP; the test plays the caller.
struct Line {
    TcpPair pair;
    tPortHandle port = nullptr;

    explicit Line(int method)
    {
        if (pair.door >= 0)
            port = AdoptPort(pair.door, method);
        if (port != nullptr)
            pair.TakeDoor();
    }
    ~Line()
    {
        if (port != nullptr) {
            ODComClose(port);
            ODComFree(port);
        }
    }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    // The caller types; the door reads everything that came.
    Bytes Type(const Bytes& bytes, int* last_result = nullptr)
    {
        EXPECT_TRUE(WriteAll(pair.caller, bytes));
        EXPECT_TRUE(WaitReadable(port->descriptor));
        return DrainPort(port, last_result);
    }
};

TEST(RawSocket, DeliversEveryByteUnchanged)
{
    Line line(kComMethodSocket);
    ASSERT_NE(line.port, nullptr);
    Bytes wire = B({'a', 255, 13, 10, 13, 0, 255, 251, 1, 0xB0});
    int last = -1;
    EXPECT_EQ(line.Type(wire, &last), wire);
    EXPECT_EQ(last, kODRCNothingWaiting);
}

TEST(TelnetSocket, CommandsAreSwallowedOnTheWire)
{
    Line line(kComMethodTelnet);
    ASSERT_NE(line.port, nullptr);
    int method = 0;
    ODComGetMethod(line.port, &method);
    EXPECT_EQ(method, kComMethodSocket);
    EXPECT_EQ(line.Type(B({255, 251, 1, 0x78})), B({0x78}));
    EXPECT_EQ(line.Type(B({255, 250, 24, 0, 'v', 't', 255, 240, 'q'})), B("q"));
    EXPECT_EQ(line.Type(B({255, 255, 13, 10, 13, 0})), B({255, 13, 13}));
}

TEST(TelnetSocket, ASubnegotiationWithoutEndSwallowsNoKeysPastItsBound)
{
    Line line(kComMethodTelnet);
    ASSERT_NE(line.port, nullptr);
    const Bytes endless = B({255, 250, 24}) + Bytes(kTelnetMaxSubnegotiation + 9, 'x');
    EXPECT_EQ(line.Type(endless + B("ok")), Bytes(10, 'x') + B("ok"));
    // The line reads as usual afterwards.
    EXPECT_EQ(line.Type(B({255, 250, 31, 0, 80, 0, 24, 255, 240, 'q'})), B("q"));
}

TEST(TelnetSocket, SequencesSplitAcrossSeparateWritesStillDecode)
{
    Line line(kComMethodTelnet);
    ASSERT_NE(line.port, nullptr);
    int last = -1;
    // The CR is held until its follower arrives, and nothing is lost while
    // reads in between report nothing waiting.
    EXPECT_EQ(line.Type(B({'a', 13}), &last), B("a"));
    EXPECT_EQ(last, kODRCNothingWaiting);
    EXPECT_EQ(DrainPort(line.port), B({}));
    EXPECT_EQ(line.Type(B({'b'})), B({13, 'b'}));

    EXPECT_EQ(line.Type(B({13})), B({}));
    EXPECT_EQ(line.Type(B({10, 'c'})), B({13, 'c'}));

    EXPECT_EQ(line.Type(B({255})), B({}));
    EXPECT_EQ(line.Type(B({253})), B({}));
    EXPECT_EQ(line.Type(B({3, 'd'})), B("d"));

    EXPECT_EQ(line.Type(B({255, 250, 31, 0})), B({}));
    EXPECT_EQ(line.Type(B({80, 255})), B({}));
    EXPECT_EQ(line.Type(B({240, 'e'})), B("e"));
}

TEST_P(SocketPort, PeerCloseReadsAsNothingWaitingAndCarrierLost)
{
    Line line(GetParam());
    ASSERT_NE(line.port, nullptr);
    EXPECT_TRUE(Carrier(line.port));
    ASSERT_TRUE(WriteAll(line.pair.caller, B("k")));
    line.pair.CloseCaller();
    ASSERT_TRUE(WaitReadable(line.port->descriptor));
    // Data sent before the close is still the caller's.
    EXPECT_TRUE(Carrier(line.port));
    char c = 0;
    ASSERT_EQ(ODComGetByte(line.port, &c, false), kODRCSuccess);
    EXPECT_EQ(c, 'k');
    EXPECT_EQ(ODComGetByte(line.port, &c, false), kODRCNothingWaiting);
    EXPECT_FALSE(Carrier(line.port));
}

TEST_P(SocketPort, SendingToAClosedPeerFailsWithoutEndingTheProcess)
{
    RunInChild([method = GetParam()] {
        signal(SIGPIPE, SIG_DFL);
        Line line(method);
        ASSERT_NE(line.port, nullptr);
        line.pair.CloseCaller();
        int result = kODRCSuccess;
        for (int i = 0; i < 100 && result == kODRCSuccess; ++i) {
            result = ODComSendBuffer(line.port, B("still there?").data(), 12);
            od_sleep(5);
        }
        EXPECT_EQ(result, kODRCGeneralFailure);
        EXPECT_EQ(ODComSendByte(line.port, 'x'), kODRCGeneralFailure);
        EXPECT_FALSE(Carrier(line.port));
    });
}

TEST_P(SocketPort, ZeroLengthSendSucceedsAndSendsNothing)
{
    Line line(GetParam());
    ASSERT_NE(line.port, nullptr);
    EXPECT_EQ(ODComSendBuffer(line.port, nullptr, 0), kODRCSuccess);
    EXPECT_EQ(ODComSendBuffer(line.port, B("x").data(), 0), kODRCSuccess);
    EXPECT_EQ(ReadQuiet(line.pair.caller, 100), B({}));
}

TEST_P(SocketPort, LargeOutputArrivesWholeAndInOrder)
{
    Line line(GetParam());
    ASSERT_NE(line.port, nullptr);
    Bytes big;
    for (int i = 0; i < 3 * 1024 * 1024; ++i)
        big.push_back(static_cast<std::uint8_t>('A' + i % 26));
    Bytes received;
    std::thread reader([&] { received = ReadQuiet(line.pair.caller, 300); });
    EXPECT_EQ(ODComSendBuffer(line.port, big.data(), big.size()), kODRCSuccess);
    reader.join();
    EXPECT_TRUE(received == big) << "received " << received.size() << " of " << big.size();
}

TEST_P(SocketPort, LoweringDtrClosesTheConnection)
{
    Line line(GetParam());
    ASSERT_NE(line.port, nullptr);
    EXPECT_EQ(ODComSetDTR(line.port, true), kODRCUnsupported);
    EXPECT_EQ(ODComSetDTR(line.port, false), kODRCSuccess);
    ASSERT_TRUE(WaitReadable(line.pair.caller));
    std::uint8_t c = 0;
    EXPECT_EQ(read(line.pair.caller, &c, 1), 0);
    EXPECT_FALSE(Carrier(line.port));
    EXPECT_EQ(ODComSendByte(line.port, 'x'), kODRCGeneralFailure);
    char got = 0;
    EXPECT_EQ(ODComGetByte(line.port, &got, false), kODRCGeneralFailure);
    EXPECT_EQ(ODComClose(line.port), kODRCSuccess);
}

INSTANTIATE_TEST_SUITE_P(RawAndTelnet, SocketPort,
                         ::testing::Values(int{kComMethodSocket}, int{kComMethodTelnet}),
                         [](const auto& info) {
                             return info.param == kComMethodSocket ? "Raw" : "Telnet";
                         });

TEST(TelnetSocket, OutputIsEscapedAfterTranslation)
{
    RunInChild([] {
        Line line(kComMethodTelnet);
        ASSERT_NE(line.port, nullptr);
        Bytes out = B({0x41, 0xFF, 0x42, 13, 10, 13});
        ASSERT_EQ(ODComSendBuffer(line.port, out.data(), out.size()), kODRCSuccess);
        EXPECT_EQ(ReadQuiet(line.pair.caller), B({0x41, 0xFF, 0xFF, 0x42, 13, 10, 13, 0}));
        ASSERT_EQ(ODComSendByte(line.port, 0xFF), kODRCSuccess);
        ASSERT_EQ(ODComSendByte(line.port, 13), kODRCSuccess);
        EXPECT_EQ(ReadQuiet(line.pair.caller), B({0xFF, 0xFF, 13, 0}));

        od_control.cp437_to_utf8 = 1;
        ASSERT_EQ(ODComSendBuffer(line.port, out.data(), out.size()), kODRCSuccess);
        EXPECT_EQ(ReadQuiet(line.pair.caller), B({0x41, 0xC2, 0xA0, 0x42, 13, 10, 13, 0}));
        ASSERT_EQ(ODComSendByte(line.port, 0xB0), kODRCSuccess);
        EXPECT_EQ(ReadQuiet(line.pair.caller), B({0xE2, 0x96, 0x91}));
    });
}

TEST(RawSocket, OutputIsSentAsGivenUnlessTranslated)
{
    RunInChild([] {
        Line line(kComMethodSocket);
        ASSERT_NE(line.port, nullptr);
        Bytes out = B({0x41, 0xFF, 13, 0x82});
        ASSERT_EQ(ODComSendBuffer(line.port, out.data(), out.size()), kODRCSuccess);
        ASSERT_EQ(ODComSendByte(line.port, 13), kODRCSuccess);
        EXPECT_EQ(ReadQuiet(line.pair.caller), out + B({13}));
        od_control.cp437_to_utf8 = 1;
        ASSERT_EQ(ODComSendBuffer(line.port, out.data(), out.size()), kODRCSuccess);
        EXPECT_EQ(ReadQuiet(line.pair.caller), B({0x41, 0xC2, 0xA0, 13, 0xC3, 0xA9}));
    });
}

TEST(RawSocket, BufferReadTakesWhatHasArrived)
{
    Line line(kComMethodSocket);
    ASSERT_NE(line.port, nullptr);
    std::uint8_t buffer[16] = {};
    int count = -1;
    EXPECT_EQ(ODComGetBuffer(line.port, buffer, sizeof buffer, &count), kODRCSuccess);
    EXPECT_EQ(count, 0);
    ASSERT_TRUE(WriteAll(line.pair.caller, B({1, 2, 255, 4})));
    ASSERT_TRUE(WaitReadable(line.port->descriptor));
    int waiting = 0;
    EXPECT_EQ(ODComInbound(line.port, &waiting), kODRCSuccess);
    EXPECT_EQ(waiting, 4);
    EXPECT_EQ(ODComGetBuffer(line.port, buffer, sizeof buffer, &count), kODRCSuccess);
    EXPECT_EQ(Bytes(buffer, static_cast<std::size_t>(count)), B({1, 2, 255, 4}));
}

TEST(RawSocket, NoDelayIsOnWhileTheDoorHoldsATcpSocketAndPutBackAtClose)
{
    for (int found : {0, 1}) {
        TcpPair pair;
        ASSERT_GE(pair.door, 0);
        ASSERT_EQ(setsockopt(pair.door, IPPROTO_TCP, TCP_NODELAY, &found, sizeof found), 0);
        int watch = dup(pair.door);  // the same socket, still open after close
        tPortHandle port = AdoptPort(pair.TakeDoor(), kComMethodSocket);
        ASSERT_NE(port, nullptr);
        auto no_delay = [watch] {
            int value = -1;
            socklen_t size = sizeof value;
            getsockopt(watch, IPPROTO_TCP, TCP_NODELAY, &value, &size);
            return value;
        };
        EXPECT_EQ(no_delay(), 1) << found;
        ODComClose(port);
        EXPECT_EQ(no_delay(), found);
        EXPECT_EQ(port->descriptor, -1);
        ODComFree(port);
        close(watch);
    }
}

TEST(RawSocket, ReadThatMustNotWaitWaitsAtMost200ms)
{
    RunInChild([] {
        Line line(kComMethodSocket);
        ASSERT_NE(line.port, nullptr);
        ODMaxMSToWait = 5000;
        std::uint32_t start = ODTimerNow();
        char c = 0;
        EXPECT_EQ(ODComGetByte(line.port, &c, false), kODRCNothingWaiting);
        std::uint32_t took = ODTimerNow() - start;
        EXPECT_GE(took, 150u);
        EXPECT_LT(took, 1000u);
    });
}

TEST(TelnetSocket, PeerSendingOnlyCommandsCannotHoldAReadAndTheDataAfterThemArrives)
{
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    tPortHandle port = AdoptPort(fds[0], kComMethodTelnet);
    ASSERT_NE(port, nullptr);
    const int caller = fds[1];
    // Small buffers, so little is left to read once the flood stops.
    int small = 4096;
    setsockopt(caller, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    // IAC NOP pairs for a second and a half, then one data byte.
    std::thread flood([caller] {
        Bytes nops;
        for (int i = 0; i < 512; ++i)
            nops += B({255, 241});
        std::uint32_t start = ODTimerNow();
        while (ODTimerNow() - start < 1500)
            WriteAll(caller, nops);
        WriteAll(caller, B("x"));
    });
    EXPECT_TRUE(WaitReadable(port->descriptor));
    // As in a kernel pass of a waiting call.
    const std::uint32_t resting = ODMaxMSToWait;
    ODMaxMSToWait = 200;
    std::uint32_t start = ODTimerNow();
    char c = 0;
    EXPECT_EQ(ODComGetByte(port, &c, false), kODRCNothingWaiting);
    EXPECT_LT(ODTimerNow() - start, 500u);
    int result = kODRCNothingWaiting;
    start = ODTimerNow();
    while (result == kODRCNothingWaiting && ODTimerNow() - start < 10000)
        result = ODComGetByte(port, &c, false);
    ODMaxMSToWait = resting;
    flood.join();
    EXPECT_EQ(result, kODRCSuccess);
    EXPECT_EQ(c, 'x');
    ODComClose(port);
    ODComFree(port);
    close(caller);
}

TEST(PortObject, AnAdoptedDescriptorIsClosedOnExecTheStandardOnesAreLeftAlone)
{
    RunInChild([] {
        struct Case {
            const char* name;
            int method;
            bool standard;  // adopted as descriptor 0
        };
        const Case cases[] = {
            {"raw socket", kComMethodSocket, false},
            {"telnet socket", kComMethodTelnet, false},
            {"given stdio descriptor", kComMethodStdIO, false},
            {"standard input", kComMethodStdIO, true},
        };
        for (const Case& c : cases) {
            int fds[2];
            ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
            int fd = fds[0];
            if (c.standard) {
                ASSERT_EQ(dup2(fds[0], STDIN_FILENO), STDIN_FILENO);
                close(fds[0]);
                fd = STDIN_FILENO;
            }
            ASSERT_EQ(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << c.name;
            tPortHandle port = AdoptPort(fd, c.method);
            ASSERT_NE(port, nullptr) << c.name;
            EXPECT_EQ((fcntl(fd, F_GETFD) & FD_CLOEXEC) != 0, !c.standard) << c.name;
            ODComClose(port);
            ODComFree(port);
            if (c.method == kComMethodStdIO)  // a given descriptor stays open
                close(fd);
            close(fds[1]);
        }
    });
}

TEST(PortObject, MethodsThatCannotWorkHereAreRefused)
{
    tPortHandle port = nullptr;
    ASSERT_EQ(ODComAlloc(&port), kODRCSuccess);
    EXPECT_EQ(port->rx_buffer_size, 1024u);
    EXPECT_EQ(port->fifo_setting, 0x81);
    for (int method : {kComMethodFossil, kComMethodUART, kComMethodWin32, kComMethodDoor32}) {
        ODComSetPreferredMethod(port, method);
        EXPECT_EQ(ODComOpen(port), kODRCGeneralFailure) << method;
        EXPECT_EQ(ODComOpenFromExistingHandle(port, 0), kODRCInvalidCall) << method;
    }
    ODComSetPreferredMethod(port, kComMethodSocket);
    EXPECT_EQ(ODComOpen(port), kODRCGeneralFailure);
    EXPECT_EQ(ODComOpenFromExistingHandle(port, -1), kODRCGeneralFailure);
    EXPECT_EQ(ODComOpenFromExistingHandle(port, 1L << 40), kODRCGeneralFailure);
    EXPECT_EQ(ODComOpenFromExistingHandle(port, 987654), kODRCGeneralFailure);
    EXPECT_FALSE(port->is_open);
    ODComFree(port);
}

}  // namespace
