// Starting and ending the door the ways a BBS starts it.
#include <gtest/gtest.h>
#include <termios.h>

#include <cstring>

#include "tests/support/session_runner.h"

using namespace grimbo_test;

namespace {

const char* const kHelp =
    "AVALIABLE COMMAND LINE OPTIONS \r\n"
    "(Some can be overriden by config/drop file)\r\n"
    " -C or -CONFIG    - Specfies configuration filename.\r\n"
    " -L or -LOCAL     - Causes door to operate in local mode, without requiring a\r\n"
    "                    door information (drop) file.\r\n"
    " -D or -DROPFILE  - Door information file directory and/or filename.\r\n"
    " -N x or -NODE x  - Sets the node number to use.\r\n"
    " -B x or -BPS x   - Sets the serial port <---> modem bps (baud) rate to use.\r\n"
    " -P x or -PORT x  - Sets serial port to use. For COM1: use -P 0 or -P COM1, for\r\n"
    "                    COM2: use -P 1 or -P COM2, etc.\r\n"
    " -ADDRESS x       - Sets serial port address in HEXIDECIMAL (if no FOSSIL).\r\n"
    " -IRQ x           - Sets the serial port IRQ line (if FOSSIL is not used).\r\n"
    " -NOFOSSIL        - Disables use of FOSSIL driver, even if available.\r\n"
    " -NOFIFO          - Disables use of 16550 FIFO buffers (only if no FOSSIL).\r\n"
    " -MAXTIME x       - Sets the maximum number of minutes that any user will be\r\n"
    "                    permitted to access the door, regardless of time left.\r\n"
    " -SILENT          - Operate in silent mode, with no local display.\r\n"
    " -G or -GRAPHICS  - Unless followed by 0 or N, turns on ANSI display mode.\r\n"
    " -BBSNAME x       - Name of BBS.\r\n"
    " -USERNAME x      - Name of user who is currently online.\r\n"
    " -TIMELEFT x      - User's time remaining online.\r\n"
    " -SECURITY x      - User's security level.\r\n"
    " -LOCATION x      - Location from which user is calling.\r\n"
    " -?, -H or -HELP  - Displays command-line help and exits.\r\n";

const char* const kNoDropFile = "Unable to read door information (drop) file.";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome run_door(std::vector<std::string> args, Link link = Link::SocketPair)
{
    DoorRun door;
    DoorLaunch launch;
    launch.args = std::move(args);
    launch.link = link;
    EXPECT_TRUE(door.start(launch));
    auto status = door.wait_exit();
    EXPECT_TRUE(status.has_value()) << "the door did not end";
    return {status.value_or(-1), door.output(), door.error_output()};
}

bool same_settings(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

}  // namespace

TEST(DoorStartup, HelpOptionPrintsTheOptionListAndExitsWithOne)
{
    for (const char* word : {"-?", "/h", "-HELP"}) {
        Outcome o = run_door({word});
        EXPECT_EQ(o.status, 1) << word;
        EXPECT_EQ(o.out, kHelp) << word;
    }
}

TEST(DoorStartup, OptionWithoutItsValueNamesTheOptionAndExitsWithOne)
{
    Outcome o = run_door({"-L", "-NODE"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "Missing parameter for option: -NODE\r\n");
}

TEST(DoorStartup, NoDropFileAndNoOptionsFailsWithStatusOne)
{
    Outcome o = run_door({});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, kNoDropFile);
}

TEST(DoorStartup, SocketAloneStillNeedsADropFile)
{
    Outcome o = run_door({"-SOCKET", "{fd}"}, Link::TcpSocket);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, kNoDropFile);
}

TEST(DoorStartup, LocalSessionAtATerminalLeavesItsSettingsAsTheyWere)
{
    DoorRun door;
    DoorLaunch launch;
    launch.args = {"-L"};
    launch.link = Link::Pty;
    ASSERT_TRUE(door.start(launch));
    auto before = door.pty_settings();
    ASSERT_TRUE(before.has_value());
    ASSERT_EQ(door.wait_exit(), 0);
    auto after = door.pty_settings();
    ASSERT_TRUE(after.has_value());
    EXPECT_TRUE(same_settings(*before, *after));
}

TEST(DoorStartup, LocalSessionOverASocketPairEndsWithStatusZero)
{
    Outcome o = run_door({"-L"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
}

TEST(DoorStartup, InheritedTcpSocketIsAdoptedAndClosedAtTheEnd)
{
    const std::vector<std::vector<std::string>> cases = {
        {"-B", "38400", "-P", "0", "-SOCKET", "{fd}"},
        {"-L", "-SOCKET", "{fd}"},
        {"-B", "38400", "-P", "0", "-SOCKET", "+{fd}"},
    };
    for (const auto& args : cases) {
        DoorRun door;
        DoorLaunch launch;
        launch.args = args;
        launch.link = Link::TcpSocket;
        ASSERT_TRUE(door.start(launch));
        EXPECT_EQ(door.wait_exit(), 0) << args.back();
        EXPECT_EQ(door.error_output(), "") << args.back();
    }
}
