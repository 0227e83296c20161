// Output collected in the port: it leaves in one write, byte for byte what
// separate sends would have put on the wire, and never stays behind.
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/transport/transport.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/doorkit/transport/fixture.h"

namespace {

using namespace transport_test;

// The door's end of a record socket: every write the door makes arrives at
// the caller as one record, so the test can count them.
struct RecordLine {
    int caller = -1;
    tPortHandle port = nullptr;

    explicit RecordLine(int method)
    {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds) != 0)
            return;
        caller = fds[1];
        port = AdoptPort(fds[0], method);
    }
    ~RecordLine()
    {
        if (port != nullptr) {
            ODComClose(port);
            ODComFree(port);
        }
        if (caller >= 0)
            close(caller);
    }
    RecordLine(const RecordLine&) = delete;
    RecordLine& operator=(const RecordLine&) = delete;

    // The sizes of the writes that have arrived.
    std::vector<std::size_t> Writes() const
    {
        std::vector<std::size_t> sizes;
        static std::uint8_t record[1 << 20];
        for (;;) {
            ssize_t n = recv(caller, record, sizeof record, MSG_DONTWAIT);
            if (n <= 0)
                return sizes;
            sizes.push_back(static_cast<std::size_t>(n));
        }
    }
};

Bytes Repeated(char c, std::size_t count)
{
    return Bytes(count, static_cast<std::uint8_t>(c));
}

TEST(CollectedOutput, LeavesInOneWriteOnceItReachesAFewKilobytes)
{
    struct Case {
        const char* name;
        std::vector<std::size_t> pieces;    // collected one after the other
        std::vector<std::size_t> written;   // what has gone out, write by write
        std::size_t left;                   // what still waits for a flush
    };
    const std::size_t kLimit = kODComFlushThreshold;
    const Case cases[] = {
        {"small pieces wait", {10, 200, 3000}, {}, 3210},
        {"the piece that reaches the limit sends all", {3000, 1500}, {4500}, 0},
        {"a large piece follows what was collected", {100, 3 * kLimit}, {100, 3 * kLimit}, 0},
        {"a large piece alone", {kLimit}, {kLimit}, 0},
    };
    for (const Case& c : cases) {
        RecordLine line(kComMethodSocket);
        ASSERT_NE(line.port, nullptr);
        for (std::size_t size : c.pieces) {
            const Bytes piece = Repeated('x', size);
            EXPECT_EQ(ODComQueueBuffer(line.port, piece.data(), piece.size()), kODRCSuccess);
        }
        EXPECT_EQ(line.Writes(), c.written) << c.name;
        EXPECT_EQ(line.port->out_length, c.left) << c.name;
        EXPECT_EQ(ODComFlush(line.port), kODRCSuccess);
        const std::vector<std::size_t> rest = line.Writes();
        EXPECT_EQ(rest, c.left == 0 ? std::vector<std::size_t>{} : std::vector<std::size_t>{c.left})
            << c.name;
    }
}

TEST(CollectedOutput, AnImmediateSendTakesWhatWasCollectedInTheSameWrite)
{
    RecordLine line(kComMethodSocket);
    ASSERT_NE(line.port, nullptr);
    const Bytes first = B("collected ");
    ASSERT_EQ(ODComQueueBuffer(line.port, first.data(), first.size()), kODRCSuccess);
    ASSERT_EQ(ODComSendByte(line.port, '!'), kODRCSuccess);
    EXPECT_EQ(line.Writes(), std::vector<std::size_t>{first.size() + 1});
}

// The wire bytes of `pieces`, handed over one by one, either each sent at
// once or all collected and flushed at the end.
Bytes OnTheWire(const std::vector<Bytes>& pieces, int method, bool translate, bool collect)
{
    TcpPair pair;
    if (pair.door < 0)
        return B("no connection");
    tPortHandle port = AdoptPort(pair.TakeDoor(), method);
    if (port == nullptr)
        return B("no port");
    od_control.cp437_to_utf8 = translate ? 1 : 0;
    Bytes received;
    std::thread reader([&] { received = ReadQuiet(pair.caller, 300); });
    for (const Bytes& piece : pieces) {
        if (collect)
            ODComQueueBuffer(port, piece.data(), piece.size());
        else
            ODComSendBuffer(port, piece.data(), piece.size());
    }
    ODComFlush(port);
    reader.join();
    ODComClose(port);
    ODComFree(port);
    od_control.cp437_to_utf8 = 0;
    return received;
}

TEST(CollectedOutput, PutsExactlyTheBytesOfSeparateSendsOnTheWire)
{
    // CR at the end of one piece and LF at the start of the next; 255 and
    // code page 437 graphics; pieces on both sides of the flush size.
    std::vector<Bytes> pieces = {
        B("line one\r"), B("\nline two\r\n"), B({255, 0xB0, 0xDB, 13}), B("x"),
        B({0x1B, '[', '1', ';', '1', 'H'}), Repeated('y', 3000), B("\r"), Repeated('z', 5000),
        B({0xFF, 0xFF, 13}),
    };
    for (int i = 0; i < 200; ++i)
        pieces.push_back(B({static_cast<int>('a' + i % 26), i % 7 == 0 ? 13 : 0x80 + i % 128}));

    struct Case {
        const char* name;
        int method;
        bool translate;
    };
    const Case cases[] = {
        {"raw", kComMethodSocket, false},
        {"raw, translated", kComMethodSocket, true},
        {"telnet", kComMethodTelnet, false},
        {"telnet, translated", kComMethodTelnet, true},
    };
    for (const Case& c : cases) {
        RunInChild([&] {
            const Bytes separate = OnTheWire(pieces, c.method, c.translate, false);
            const Bytes collected = OnTheWire(pieces, c.method, c.translate, true);
            EXPECT_GT(separate.size(), 8000u) << c.name;
            EXPECT_TRUE(collected == separate) << c.name << ": " << collected.size() << " bytes against "
                                               << separate.size();
        });
    }
}

TEST(CollectedOutput, ClosingOrHangingUpSendsWhatWasCollectedFirst)
{
    for (bool hang_up : {false, true}) {
        TcpPair pair;
        ASSERT_GE(pair.door, 0);
        tPortHandle port = AdoptPort(pair.TakeDoor(), kComMethodSocket);
        ASSERT_NE(port, nullptr);
        const Bytes last = B("the last screen");
        ASSERT_EQ(ODComQueueBuffer(port, last.data(), last.size()), kODRCSuccess);
        if (hang_up)
            ODComSetDTR(port, false);
        ODComClose(port);
        ODComFree(port);
        EXPECT_EQ(ReadQuiet(pair.caller), last) << hang_up;
    }
}

TEST(CollectedOutput, AReadThatMayWaitSendsWhatWasCollectedFirst)
{
    RecordLine line(kComMethodSocket);
    ASSERT_NE(line.port, nullptr);
    const Bytes prompt = B("Your name: ");
    ASSERT_EQ(ODComQueueBuffer(line.port, prompt.data(), prompt.size()), kODRCSuccess);
    char c = 0;
    // A read that must not wait at all leaves the collection alone.
    const std::uint32_t resting = ODMaxMSToWait;
    ODMaxMSToWait = 0;
    EXPECT_EQ(ODComGetByte(line.port, &c, false), kODRCNothingWaiting);
    EXPECT_TRUE(line.Writes().empty());
    ODMaxMSToWait = 5;
    EXPECT_EQ(ODComGetByte(line.port, &c, false), kODRCNothingWaiting);
    ODMaxMSToWait = resting;
    EXPECT_EQ(line.Writes(), std::vector<std::size_t>{prompt.size()});
}

TEST(CollectedOutput, AFailedFlushDropsItsBytesAndTheGoneCallerReadsAsCarrierLoss)
{
    RunInChild([] {
        RecordLine line(kComMethodSocket);
        ASSERT_NE(line.port, nullptr);
        close(line.caller);
        line.caller = -1;
        const Bytes screen = B("nobody reads this");
        EXPECT_EQ(ODComQueueBuffer(line.port, screen.data(), screen.size()), kODRCSuccess);
        EXPECT_EQ(ODComFlush(line.port), kODRCGeneralFailure);
        EXPECT_EQ(line.port->out_length, 0u);
        EXPECT_FALSE(Carrier(line.port));
    });
}

}  // namespace

namespace {

TEST(CollectedOutput, AFlushToAReaderThatHasGoneEndsTheSessionAsCarrierLoss)
{
    grimbo_test::ChildResult result = grimbo_test::run_in_child([] {
        int input[2];
        int output[2];
        if (pipe(input) != 0 || pipe(output) != 0)
            return 90;
        dup2(input[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        // The caller's terminal goes away on the output side only; its
        // input stays open, so only the failed write tells.
        close(output[0]);
        grimbo_test::start_preset_session();
        od_disp_str("a screen nobody will see");
        od_get_key(true);
        std::fprintf(stderr, "the door went on\n");
        return 99;
    });
    EXPECT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 1) << result.err;
}

TEST(CollectedOutput, ACallerWhoStopsReadingCannotHoldTheDoorForEver)
{
    grimbo_test::ChildResult result = grimbo_test::run_in_child(
        [] {
            int fds[2];
            if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
                return 90;
            int small = 4096;
            setsockopt(fds[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
            setsockopt(fds[1], SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
            grimbo_test::clear_door_environment();
            od_control.drop_file_kind = OD_DROP_PRESET;
            od_control.port = 65535;
            od_control.socket_mode = 1;
            od_control.open_handle = static_cast<std::uint64_t>(fds[0]);
            od_control.disable_flags |= OD_DISABLE_CARRIER;
            od_init();
            // Screens the caller never reads, each followed by a wait.
            const std::string row(79, '#');
            for (int screen = 0; screen < 4; ++screen) {
                for (int line = 0; line < 24; ++line)
                    od_disp_str(row.c_str());
                od_get_key(false);
            }
            od_exit(0, false);
            return 99;
        },
        60000);
    EXPECT_FALSE(result.timed_out);
    EXPECT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 0) << result.err;
}

}  // namespace
