#include <gtest/gtest.h>

#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/formats.h"
#include "doorkit/dropfile/name_form.h"
#include "tests/doorkit/dropfile/fixture.h"
#include "tests/doorkit/dropfile/samples.h"

using grimbo_test::DropFileTest;
using grimbo_test::first_lines;
using grimbo_test::lines;

namespace {

TEST(NameForm, CapitalisesEachWordAndDropsOneLineEnding)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"JOHN o'NEIL-SMITH", "John O'neil-Smith"},
        {"jane doe\r\n", "Jane Doe"},
        {"SALEM, MA\n", "Salem, Ma"},
        {"a.b\tc", "A.B\tC"},
        {"x\n\n", "X\n"},  // only one ending goes
        {"", ""},
        {"\x8e\x99RIK", "\x8e\x99rik"},  // code-page bytes stay as they are
    };
    for (const Case& c : cases) {
        char text[64];
        ODCopyField(text, c.in);
        ODStringToName(text);
        EXPECT_STREQ(text, c.out) << c.in;
    }
}

TEST(FramingCheck, EightDataBitsAreFoundAtTheStartOrBetweenCommas)
{
    EXPECT_TRUE(ODFramingIsEightBit("8N1"));
    EXPECT_TRUE(ODFramingIsEightBit(" \t8"));
    EXPECT_TRUE(ODFramingIsEightBit("38400,N,8,1"));
    EXPECT_FALSE(ODFramingIsEightBit("7E1"));
    EXPECT_FALSE(ODFramingIsEightBit("38400 BAUD,E,7,1"));
    EXPECT_FALSE(ODFramingIsEightBit(" 0"));
}

class DropFileRead : public DropFileTest {};

TEST_F(DropFileRead, DorinfoFillsTheCallerAndTheBoard)
{
    ASSERT_TRUE(read(ODReadDorinfo, grimbo_test::kDorinfoSample));
    EXPECT_EQ(od_control.drop_file_kind, OD_DROP_DORINFO);
    EXPECT_STREQ(od_control.system_name, "HOLLOWTIDE BBS");
    EXPECT_STREQ(od_control.sysop_name, "Jane Sysop");
    EXPECT_EQ(od_control.port, 0);
    EXPECT_EQ(od_control.baud, 38400u);
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_STREQ(od_control.user_location, "Salem, Ma");
    EXPECT_EQ(od_control.user_ansi, 1);
    EXPECT_EQ(od_control.user_security, 100);
    EXPECT_EQ(od_control.user_time_left, 45);
    EXPECT_STREQ(apszDropFileInfo[0], "38400 BAUD,N,8,1\n");
    EXPECT_STREQ(apszDropFileInfo[1], " 0\n");
    EXPECT_EQ(bUserEightBit, 0);
}

TEST_F(DropFileRead, DorinfoCutsNamesAndReadsComZeroAsNoPort)
{
    ASSERT_TRUE(read(ODReadDorinfo, lines({"BBS", "MAXIMILIAN", "VONSYSOPHAUSEN", "COM0",
                                           "0", "8N1", "JOHN", "o'NEIL-SMITH", "X", "0",
                                           "10", "30"})));
    EXPECT_STREQ(od_control.sysop_name, "Maximilian Vonsyso");  // 18
    EXPECT_STREQ(od_control.user_name, "John O'neil-Smit");     // 16
    EXPECT_EQ(od_control.port, 65535);
    EXPECT_EQ(od_control.baud, 1u);  // a remote side without a line speed
    EXPECT_EQ(od_control.user_ansi, 0);
    EXPECT_EQ(bUserEightBit, 1);
}

TEST_F(DropFileRead, ChainTxtFillsTheCallerAndKeepsTheRest)
{
    ASSERT_TRUE(read(ODReadChainTxt, grimbo_test::kChainSample));
    EXPECT_EQ(od_control.drop_file_kind, OD_DROP_CHAINTXT);
    EXPECT_EQ(od_control.user_record_number, 17);
    EXPECT_STREQ(od_control.user_handle, "Spooky");
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_STREQ(od_control.user_callsign, "");
    EXPECT_EQ(od_control.user_sex, 'M');
    EXPECT_STREQ(od_control.user_last_date, "03/15/24");
    EXPECT_EQ(od_control.user_screen_width, 80);
    EXPECT_EQ(od_control.user_screen_length, 25);
    EXPECT_EQ(od_control.user_security, 100);
    EXPECT_EQ(od_control.user_ansi, 1);
    EXPECT_EQ(od_control.user_time_left, 45);  // 2700 seconds
    EXPECT_EQ(od_control.baud, 38400u);
    EXPECT_EQ(od_control.port, 0);
    EXPECT_STREQ(od_control.user_password, "Secret");
    EXPECT_STREQ(apszDropFileInfo[6], "Hollowtide BBS\n");
    EXPECT_EQ(bUserEightBit, 1);
}

TEST_F(DropFileRead, ChainTxtOfALocalCallerHasNoSpeed)
{
    std::string text = grimbo_test::kChainSample;
    text.replace(text.find("38400\n1\n"), 6, "KB\n");
    ASSERT_TRUE(read(ODReadChainTxt, text));
    EXPECT_EQ(od_control.baud, 0u);
}

TEST_F(DropFileRead, SFDoorsFillsTheCallerAndTheLoginMinute)
{
    ASSERT_TRUE(read(ODReadSFDoors, grimbo_test::kSFDoorsSample));
    EXPECT_EQ(od_control.drop_file_kind, OD_DROP_SFDOORS);
    EXPECT_EQ(od_control.user_record_number, 17);
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_EQ(od_control.baud, 38400u);
    EXPECT_EQ(od_control.port, 0);
    EXPECT_EQ(od_control.user_time_left, 45);
    EXPECT_EQ(od_control.user_ansi, 1);
    EXPECT_EQ(od_control.user_uploads, 3u);
    EXPECT_EQ(od_control.user_downloads, 7u);
    EXPECT_STREQ(od_control.user_login_time, "14:30");
    EXPECT_EQ(od_control.sysop_next, 0);
    EXPECT_EQ(od_control.user_error_free, 1);
    EXPECT_EQ(od_control.user_msg_area, 2);
    EXPECT_EQ(od_control.user_file_area, 3);
    EXPECT_EQ(od_control.node_number, 1);
    EXPECT_EQ(od_control.user_download_kb, 4096u);
    EXPECT_STREQ(od_control.user_home_phone, "217-555-1234");
    EXPECT_STREQ(od_control.user_location, "Salem");
    EXPECT_EQ(od_control.user_wants_chat, 1);
    EXPECT_EQ(od_control.port_irq, 4);
    EXPECT_EQ(od_control.port_address, 0x3F8);
}

TEST_F(DropFileRead, SFDoorsLoginMinuteStaysWithinTheField)
{
    std::string text = grimbo_test::kSFDoorsSample;
    text.replace(text.find("\n870\n"), 5, "\n99999\n");
    ASSERT_TRUE(read(ODReadSFDoors, text));
    EXPECT_STREQ(od_control.user_login_time, "99:59");
}

TEST_F(DropFileRead, DoorSysStandardFillsAll52Lines)
{
    ASSERT_TRUE(read(ODReadDoorSys, grimbo_test::kDoorSysSample));
    EXPECT_EQ(od_control.drop_file_kind, OD_DROP_DOORSYS);
    EXPECT_EQ(od_control.port, 1);
    EXPECT_EQ(od_control.connect_speed, 38400u);
    EXPECT_EQ(bUserEightBit, 1);
    EXPECT_EQ(od_control.node_number, 1);
    EXPECT_EQ(od_control.baud, 19200u);
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_STREQ(od_control.user_location, "Salem, MA");
    EXPECT_STREQ(od_control.user_password, "SECRET");
    EXPECT_EQ(od_control.user_times_on, 42u);
    EXPECT_EQ(od_control.user_time_left, 45);
    EXPECT_EQ(od_control.user_ansi, 1);
    EXPECT_EQ(od_control.user_screen_length, 24);
    // The conference list on line 24 is one line: line 25 is still read as
    // the subscription date.
    EXPECT_STREQ(apszDropFileInfo[10], "1,2,3,4,5\n");
    EXPECT_STREQ(od_control.user_subscription_date, "12/31/24");
    EXPECT_EQ(od_control.user_record_number, 17);
    EXPECT_EQ(od_control.user_today_kb, 2048u);
    EXPECT_STREQ(od_control.user_birth_date, "01/02/90");
    EXPECT_STREQ(od_control.sysop_name, "Jane Sysop");
    EXPECT_STREQ(od_control.user_handle, "Spooky");
    EXPECT_STREQ(od_control.event_start_time, "00:00");
    EXPECT_EQ(od_control.user_error_free, 1);
    EXPECT_STREQ(od_control.user_login_time, "14:30");
    EXPECT_STREQ(od_control.user_last_time, "09:15");
    EXPECT_EQ(od_control.user_upload_kb, 100u);
    EXPECT_EQ(od_control.user_download_kb, 200u);
    EXPECT_STREQ(od_control.user_comment, "Likes pumpkins");
    EXPECT_EQ(od_control.user_messages_posted, 120);
}

TEST_F(DropFileRead, DoorSysLengthDecidesItsKind)
{
    struct Case {
        int line_count;
        std::uint8_t kind;
    } cases[] = {{31, OD_DROP_DOORSYS_SHORT}, {36, OD_DROP_DOORSYS_SHORT},
                 {40, OD_DROP_DOORSYS_SHORT}, {51, OD_DROP_DOORSYS_SHORT},
                 {52, OD_DROP_DOORSYS}};
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        ASSERT_TRUE(read(ODReadDoorSys, first_lines(grimbo_test::kDoorSysSample, c.line_count)))
            << c.line_count;
        EXPECT_EQ(od_control.drop_file_kind, c.kind) << c.line_count;
        EXPECT_EQ(od_control.user_messages_posted, c.line_count == 52 ? 120 : 0);
    }
}

TEST_F(DropFileRead, DoorSysWithoutLine36LeavesTheExtendedNamesAlone)
{
    ASSERT_TRUE(read(ODReadDoorSys, first_lines(grimbo_test::kDoorSysSample, 33)));
    EXPECT_STREQ(od_control.user_birth_date, "");
    EXPECT_STREQ(od_control.user_handle, "");
    EXPECT_STREQ(apszDropFileInfo[7], "01/02/90\n");
    EXPECT_STREQ(apszDropFileInfo[12], "");  // line 34 missing
}

TEST_F(DropFileRead, DoorSysFirstLineSaysHowTheConnectionIsHandedOver)
{
    struct Case {
        const char* line1;
        std::uint8_t method;
        std::uint8_t socket;
        std::uint64_t handle;
        std::uint16_t port;
        std::uint32_t baud;
    } cases[] = {
        {"COM0:SOCKET12", 5, 1, 12, 65535, 1},
        {"COM0:HANDLE7", 3, 0, 7, 65535, 1},
        {"COM0:STDIO", 6, 0, 0, 65535, 1},
        {"COM1:", 0, 0, 0, 0, 19200},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        std::string text = grimbo_test::kDoorSysSample;
        text.replace(0, text.find('\n'), c.line1);
        ASSERT_TRUE(read(ODReadDoorSys, text)) << c.line1;
        EXPECT_EQ(od_control.com_method, c.method) << c.line1;
        EXPECT_EQ(od_control.socket_mode, c.socket) << c.line1;
        EXPECT_EQ(od_control.open_handle, c.handle) << c.line1;
        EXPECT_EQ(od_control.port, c.port) << c.line1;
        EXPECT_EQ(od_control.baud, c.baud) << c.line1;
    }
}


TEST_F(DropFileRead, DoorSysGraphicsLine)
{
    struct Case {
        const char* line20;
        std::uint8_t ansi;
        std::uint8_t rip;
    } cases[] = {{"GR", 1, 0}, {"rip", 1, 1}, {"NG", 0, 0}, {"RIPX", 0, 0}};
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        std::string text = grimbo_test::kDoorSysSample;
        text.replace(text.find("\nGR\n") + 1, 2, c.line20);
        ASSERT_TRUE(read(ODReadDoorSys, text));
        EXPECT_EQ(od_control.user_ansi, c.ansi) << c.line20;
        EXPECT_EQ(od_control.user_rip, c.rip) << c.line20;
    }
}

TEST_F(DropFileRead, DoorSysShortVariant)
{
    ASSERT_TRUE(read(ODReadDoorSys, grimbo_test::kDoorSysShortSample));
    EXPECT_EQ(od_control.drop_file_kind, OD_DROP_DOORSYS_NOCOM);
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_EQ(od_control.port, 0);
    EXPECT_EQ(od_control.baud, 38400u);
    EXPECT_EQ(od_control.user_time_left, 45);
    EXPECT_EQ(od_control.user_ansi, 1);
}

TEST_F(DropFileRead, CallInfoFillsTheCaller)
{
    ASSERT_TRUE(read(ODReadCallInfo, grimbo_test::kCallInfoSample));
    EXPECT_EQ(od_control.drop_file_kind, OD_DROP_CALLINFO);
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_STREQ(od_control.user_location, "Salem, Ma");
    EXPECT_EQ(od_control.user_security, 100);
    EXPECT_EQ(od_control.user_time_left, 45);
    EXPECT_EQ(od_control.user_ansi, 1);
    EXPECT_STREQ(od_control.user_password, "Secret");
    EXPECT_STREQ(od_control.user_home_phone, "217-555-1234");
    EXPECT_EQ(od_control.user_screen_length, 24);
    EXPECT_EQ(od_control.port, 0);
    EXPECT_EQ(od_control.baud, 38400u);
}

TEST_F(DropFileRead, TriBBSFillsTheCallerAndDashesTheBirthDate)
{
    ASSERT_TRUE(read(ODReadTriBBSSys, grimbo_test::kTriBBSSample));
    EXPECT_EQ(od_control.drop_file_kind, OD_DROP_TRIBBSSYS);
    EXPECT_EQ(od_control.user_record_number, 17);
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_STREQ(od_control.user_password, "Secret");
    EXPECT_EQ(od_control.user_expert, 0);
    EXPECT_EQ(od_control.user_ansi, 1);
    EXPECT_STREQ(od_control.user_birth_date, "01-02-90");
    EXPECT_EQ(od_control.port, 0);
    EXPECT_EQ(od_control.connect_speed, 38400u);
    EXPECT_EQ(od_control.baud, 38400u);
    EXPECT_EQ(od_control.flow_control, 1);
    EXPECT_STREQ(od_control.system_name, "Hollowtide");
    EXPECT_STREQ(od_control.sysop_name, "Jane Sysop");
    EXPECT_STREQ(od_control.user_handle, "Spooky");
}

TEST_F(DropFileRead, TriBBSShortBirthDateGetsNoDashBeyondItsEnd)
{
    std::string text = grimbo_test::kTriBBSSample;
    text.replace(text.find("01/02/90"), 8, "1");
    ASSERT_TRUE(read(ODReadTriBBSSys, text));
    EXPECT_STREQ(od_control.user_birth_date, "1");
}

TEST_F(DropFileRead, Door32FillsTheCallerAndTheSocket)
{
    ASSERT_TRUE(read(ODReadDoor32Sys, grimbo_test::kDoor32Sample));
    EXPECT_EQ(od_control.drop_file_kind, OD_DROP_DOOR32SYS);
    EXPECT_EQ(od_control.socket_mode, 1);
    EXPECT_EQ(bTelnetSocket, 1);
    EXPECT_EQ(od_control.open_handle, 12u);
    EXPECT_EQ(od_control.baud, 38400u);
    EXPECT_EQ(od_control.user_record_number, 17);
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_STREQ(od_control.user_handle, "Spooky");
    EXPECT_EQ(od_control.user_time_left, 45);
    EXPECT_EQ(od_control.user_ansi, 1);
    EXPECT_EQ(od_control.node_number, 3);
}


struct ShortCase {
    const char* name;
    bool (*reader)(std::FILE*);
    const std::string* sample;
    int mandatory;
};

class ShortDropFile : public DropFileTest, public ::testing::WithParamInterface<ShortCase> {};

// A file that stops before its last mandatory line is no drop file; what
// was read so far stays.
TEST_P(ShortDropFile, FailsOneLineBeforeTheLastMandatoryLine)
{
    const ShortCase c = GetParam();
    EXPECT_FALSE(read(c.reader, first_lines(*c.sample, c.mandatory - 1)));
    EXPECT_TRUE(read(c.reader, first_lines(*c.sample, c.mandatory)));
    EXPECT_FALSE(read(c.reader, ""));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ShortDropFile,
    ::testing::Values(ShortCase{"dorinfo", ODReadDorinfo, &grimbo_test::kDorinfoSample, 12},
                      ShortCase{"chain", ODReadChainTxt, &grimbo_test::kChainSample, 30},
                      ShortCase{"sfdoors", ODReadSFDoors, &grimbo_test::kSFDoorsSample, 32},
                      ShortCase{"doorsys", ODReadDoorSys, &grimbo_test::kDoorSysSample, 31},
                      ShortCase{"doorsys_short", ODReadDoorSys, &grimbo_test::kDoorSysShortSample, 5},
                      ShortCase{"callinfo", ODReadCallInfo, &grimbo_test::kCallInfoSample, 31},
                      ShortCase{"tribbs", ODReadTriBBSSys, &grimbo_test::kTriBBSSample, 20},
                      ShortCase{"door32", ODReadDoor32Sys, &grimbo_test::kDoor32Sample, 11}),
    [](const ::testing::TestParamInfo<ShortCase>& info) { return std::string(info.param.name); });

TEST_F(DropFileRead, ShortFileKeepsWhatWasRead)
{
    EXPECT_FALSE(read(ODReadDoor32Sys, first_lines(grimbo_test::kDoor32Sample, 8)));
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_EQ(od_control.user_security, 100);
}

TEST_F(DropFileRead, OverlongLineIsCutAndTheNextLineStaysInPlace)
{
    const std::string name(300, 'X');
    ASSERT_TRUE(read(ODReadDoor32Sys,
                     lines({"1", "0", "38400", "BBS", "17", name, "SPOOKY", "100", "45", "1", "3"})));
    EXPECT_EQ(std::string(od_control.user_name), "X" + std::string(33, 'x'));  // 34 read
    EXPECT_STREQ(od_control.user_handle, "Spooky");
    EXPECT_EQ(od_control.user_time_left, 45);
}

TEST_F(DropFileRead, OverlongKeptLineIsCutToItsBufferWithALineEnding)
{
    std::string text = grimbo_test::kChainSample;
    const std::string long_line(120, 'k');
    text.replace(text.find("1500.00"), 7, long_line);
    ASSERT_TRUE(read(ODReadChainTxt, text));
    EXPECT_EQ(std::string(apszDropFileInfo[1]), std::string(78, 'k') + "\n");
    EXPECT_STREQ(od_control.user_last_date, "03/15/24");
}


}  // namespace
