// The game started the way a popular Linux BBS starts stdio doors: directly,
// with the full path of the drop file, on one pty in cooked mode as standard
// input, output and error, hung up by SIGHUP alone. And the same game handed
// a telnet socket through DOOR32.SYS.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <termios.h>

#include <chrono>
#include <cstring>
#include <ostream>
#include <string>

#include "tests/doorkit/dropfile/samples.h"
#include "tests/e2e/game_door.h"
#include "tests/support/session_runner.h"

using namespace game_e2e;
using grimbo_test::Link;
using grimbo_test::TempDir;
using grimbo_test::with_line;

namespace {

using Clock = std::chrono::steady_clock;

// DOOR32.SYS with comm type 2 (telnet) and `handle` on line 2.
std::string door32(const std::string& handle)
{
    return with_line(with_line(grimbo_test::kDoor32Sample, 1, "2"), 2, handle);
}

// The same lines ended with CR LF, as BBSes that write DOS-style files end
// them.
std::string with_crlf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

struct DropFileCase {
    const char* name;
    const char* file;
    std::string content;
    bool written_back;  // the door rewrites it at the end
};

// As that BBS writes them: a DOOR32.SYS asking for a socket it never hands
// over, a 52-line DOOR.SYS on COM1 and a DORINFO1.DEF.
const DropFileCase kDropFiles[] = {
    {"Door32Sys", "door32.sys", door32("-1"), false},
    {"DoorSys", "DOOR.SYS", with_line(grimbo_test::kDoorSysSample, 1, "COM1:"), true},
    {"Dorinfo1Def", "DORINFO1.DEF", grimbo_test::kDorinfoSample, false},
    // ENiGMA½'s for a stdio door on a pty, started with -D {dropFilePath}:
    // telnet with handle -1, CR LF line ends.
    {"Door32SysCrLf", "DOOR32.SYS", with_crlf(door32("-1")), false},
};

// The drop file in a node directory of its own, as the BBS keeps it.
struct Node {
    TempDir dir;
    std::string path;

    explicit Node(const DropFileCase& c) : path(dir.file(c.file))
    {
        EXPECT_TRUE(dir.write(c.file, c.content));
    }
};

std::unique_ptr<Call> launch(const GameDir& game, const Node& node, Link link)
{
    return call_game(game, {"-D", node.path}, "", link);
}

bool same_settings(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// The music question as the door draws it where nothing stands between it
// and the caller: standard input and output on a socket pair.
std::string music_question_bytes(const DropFileCase& c)
{
    GameDir game;
    Node node(c);
    auto call = launch(game, node, Link::SocketPair);
    if (!call || !call->wait_for("SyncTERM: enable ANSI music in setup."))
        return {};
    call->settle();
    return call->door.output();
}

timespec modified(const std::string& path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mtim;
}

void PrintTo(const DropFileCase& c, std::ostream* os)
{
    *os << c.name;
}

class StdioLaunch : public ::testing::TestWithParam<DropFileCase> {};

TEST_P(StdioLaunch, CookedPtyBecomesRawAndTheCallerPlaysToTheLobbyAndLeaves)
{
    const DropFileCase& c = GetParam();
    const std::string expected = music_question_bytes(c);
    ASSERT_FALSE(expected.empty());

    GameDir game;
    Node node(c);
    auto call = launch(game, node, Link::Pty);
    ASSERT_TRUE(call);
    ASSERT_TRUE(call->wait_for("SyncTERM: enable ANSI music in setup."))
        << call->screen.text();
    call->settle();

    // Byte for byte what the door sends where no terminal stands between.
    EXPECT_EQ(call->door.output(), expected);
    const auto& screen = call->screen;
    EXPECT_NE(screen.row_text(1).find("SYNCTERM ANSI MUSIC"), std::string::npos);
    EXPECT_EQ(screen.row_text(5), "  GRIMBO CAN PLAY ANSI MUSIC NOTES.");
    EXPECT_EQ(screen.row_text(7), "  [T] TEST MELODY");
    EXPECT_EQ(screen.row_text(9), "  [Y] ENABLE SOUND  [N] SILENT");
    EXPECT_EQ(screen.row_text(12), "  Requires ANSI music-capable terminal.");
    EXPECT_EQ(screen.row_text(14), "  SyncTERM: enable ANSI music in setup.");
    for (int row : {3, 4, 6, 8, 10, 11, 13, 15})
        EXPECT_EQ(screen.row_text(row), "") << "row " << row;

    auto during = call->door.pty_settings();
    ASSERT_TRUE(during);
    EXPECT_EQ(during->c_lflag & (ECHO | ICANON | ISIG), 0u);
    EXPECT_EQ(during->c_oflag & OPOST, 0u);
    EXPECT_EQ(during->c_iflag & ICRNL, 0u);

    // Keys the question ignores: nothing comes back, not even an echo.
    const std::size_t before = call->door.output().size();
    call->type("x\r");
    EXPECT_EQ(call->door.output().substr(before), "");

    ASSERT_TRUE(reach_lobby_as_new_caller(*call)) << call->screen.text();
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);

    auto initial = call->door.initial_pty_settings();
    auto after = call->door.pty_settings();
    ASSERT_TRUE(initial && after);
    EXPECT_TRUE(initial->c_lflag & ECHO);
    EXPECT_TRUE(initial->c_oflag & OPOST);
    EXPECT_TRUE(same_settings(*initial, *after));
}

// The maintenance notice ends its line with CR LF: the pair arrives as
// sent, not with a second CR from the terminal's output handling.
TEST_P(StdioLaunch, LineEndsReachTheCallerAsTheDoorSentThem)
{
    const DropFileCase& c = GetParam();
    GameDir game;
    ASSERT_TRUE(game.write(".grimbo-maintenance", ""));
    Node node(c);
    auto call = launch(game, node, Link::Pty);
    ASSERT_TRUE(call);
    EXPECT_EQ(call->door.wait_exit(), 0);
    EXPECT_EQ(call->door.output(), "GRIMBO is being updated. Please return shortly.\r\n");
    call->door.feed_screen(call->screen);
    EXPECT_EQ(call->screen.text(), "GRIMBO is being updated. Please return shortly.\n");
    EXPECT_EQ(call->screen.cursor().row, 2);
    EXPECT_EQ(call->screen.cursor().column, 1);
    auto initial = call->door.initial_pty_settings();
    auto after = call->door.pty_settings();
    ASSERT_TRUE(initial && after);
    EXPECT_TRUE(same_settings(*initial, *after));
}

TEST_P(StdioLaunch, SighupAloneEndsTheDoorWithinASecondWithStatusOne)
{
    const DropFileCase& c = GetParam();
    GameDir game;
    Node node(c);
    // An old stamp, so a rewrite shows.
    const timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, node.path.c_str(), old_times, 0), 0);

    auto call = launch(game, node, Link::Pty);
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call)) << call->screen.text();
    const auto start = Clock::now();
    call->door.hang_up_with_signal();
    EXPECT_EQ(call->door.wait_exit(3000), 1);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));

    const timespec now = modified(node.path);
    EXPECT_EQ(now.tv_sec != old_times[1].tv_sec, c.written_back);
    if (c.written_back) {
        // Still the whole file, not an empty or cut one.
        struct stat st {};
        ASSERT_EQ(stat(node.path.c_str(), &st), 0);
        EXPECT_GT(st.st_size, 200);
    }

    auto initial = call->door.initial_pty_settings();
    auto after = call->door.pty_settings();
    ASSERT_TRUE(initial && after);
    EXPECT_TRUE(same_settings(*initial, *after));
}

INSTANTIATE_TEST_SUITE_P(DropFiles, StdioLaunch, ::testing::ValuesIn(kDropFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// A telnet BBS hands its socket over: DOOR32.SYS comm type 2 with the
// descriptor on line 2.
TEST(SocketLaunch, Door32SysWithASocketHandleReachesTheLobbyWithTelnetProcessing)
{
    const int handle = grimbo_test::DoorLaunch{}.handed_fd;
    GameDir game;
    Node node({"Door32Sys", "door32.sys", door32(std::to_string(handle)), false});
    auto call = launch(game, node, Link::TcpSocket);
    ASSERT_TRUE(call);
    ASSERT_TRUE(call->wait_for("[Y] ENABLE SOUND"));

    // A Telnet command swallows the "N" after it; as a plain key the "N"
    // would answer the question.
    call->type("\xff\xfdN");
    EXPECT_TRUE(call->screen.contains("[T] TEST MELODY"));
    EXPECT_FALSE(call->screen.contains("INTO YOUR HANDLE:"));

    ASSERT_TRUE(reach_lobby_as_new_caller(*call, std::string("\r\0", 2)))
        << call->screen.text();
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(), 0);
    EXPECT_EQ(call->door.error_output(), "");
}

}  // namespace
