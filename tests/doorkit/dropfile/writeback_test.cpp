#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/exitinfo.h"
#include "doorkit/dropfile/formats.h"
#include "doorkit/dropfile/writeback.h"
#include "doorkit/dropfile/writeback_formats.h"
#include "doorkit/dropfile/writer.h"
#include "tests/doorkit/dropfile/exitinfo_record.h"
#include "tests/doorkit/dropfile/fixture.h"
#include "tests/doorkit/dropfile/samples.h"
#include "tests/support/session_runner.h"

using grimbo_test::DropFileTest;
using grimbo_test::ExitRecord;
using grimbo_test::first_lines;

namespace {

// Line n (from 1) of a text, without its line feed.
std::string line_of(const std::string& text, int n)
{
    std::size_t start = 0;
    for (int i = 1; i < n; ++i)
        start = text.find('\n', start) + 1;
    return text.substr(start, text.find('\n', start) - start);
}

std::string with_line(std::string text, int n, const std::string& value)
{
    std::size_t start = 0;
    for (int i = 1; i < n; ++i)
        start = text.find('\n', start) + 1;
    text.replace(start, text.find('\n', start) - start, value);
    return text;
}

int line_count(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

std::string file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct RoundTrip {
    const char* name;
    bool (*reader)(std::FILE*);
    void (*writer)(ODDropFileWriter*);
    const std::string* sample;
    int time_line;          // where the minutes left are written
    const char* time_text;  // ...as what, for 30 minutes
    int seconds_line = 0;   // DOOR.SYS also gives them in seconds
};

class TextWriteBack : public DropFileTest, public ::testing::WithParamInterface<RoundTrip> {};

// Read and written back unchanged, a file keeps every byte; only the lines
// the session changed differ.
TEST_P(TextWriteBack, KeepsEveryByteButTheTimeLeft)
{
    const RoundTrip c = GetParam();
    ASSERT_TRUE(read(c.reader, *c.sample));
    EXPECT_EQ(write(c.writer), *c.sample);

    TearDown();
    SetUp();
    ASSERT_TRUE(read(c.reader, *c.sample));
    od_control.user_time_left = 30;
    std::string expected = with_line(*c.sample, c.time_line, c.time_text);
    if (c.seconds_line != 0)
        expected = with_line(expected, c.seconds_line, "1800");
    EXPECT_EQ(write(c.writer), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TextWriteBack,
    ::testing::Values(
        RoundTrip{"chain", ODReadChainTxt, ODWriteChainTxt, &grimbo_test::kChainSample, 16, "    1800.00"},
        RoundTrip{"sfdoors", ODReadSFDoors, ODWriteSFDoors, &grimbo_test::kSFDoorsSample, 7, "30"},
        RoundTrip{"doorsys", ODReadDoorSys, ODWriteDoorSys, &grimbo_test::kDoorSysSample, 19, "30", 18},
        RoundTrip{"doorsys_short", ODReadDoorSys, ODWriteDoorSys, &grimbo_test::kDoorSysShortSample, 4, "30"},
        RoundTrip{"tribbs", ODReadTriBBSSys, ODWriteTriBBSSys, &grimbo_test::kTriBBSSample, 7, "30"}),
    [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

class WriteBack : public DropFileTest {};

TEST_F(WriteBack, DoorSysGivesSecondsAndMinutesLeft)
{
    ASSERT_TRUE(read(ODReadDoorSys, grimbo_test::kDoorSysSample));
    od_control.user_time_left = 35;
    const std::string out = write(ODWriteDoorSys);
    EXPECT_EQ(line_of(out, 18), "2100");
    EXPECT_EQ(line_of(out, 19), "35");

    od_control.user_time_left = -2;  // past the limit: no seconds, not 4 billion
    const std::string over = write(ODWriteDoorSys);
    EXPECT_EQ(line_of(over, 18), "0");
    EXPECT_EQ(line_of(over, 19), "-2");
}

TEST_F(WriteBack, DoorSysOf40LinesIsWrittenWith31)
{
    ASSERT_TRUE(read(ODReadDoorSys, first_lines(grimbo_test::kDoorSysSample, 40)));
    EXPECT_EQ(write(ODWriteDoorSys), first_lines(grimbo_test::kDoorSysSample, 31));
}

TEST_F(WriteBack, SFDoorsWithout33LinesIsWrittenWith32)
{
    ASSERT_TRUE(read(ODReadSFDoors, first_lines(grimbo_test::kSFDoorsSample, 32)));
    EXPECT_EQ(write(ODWriteSFDoors), first_lines(grimbo_test::kSFDoorsSample, 32));
}

TEST_F(WriteBack, SFDoorsLastLineWithoutLineFeedStaysALineOfItsOwn)
{
    std::string text = first_lines(grimbo_test::kSFDoorsSample, 33);
    text.pop_back();
    ASSERT_TRUE(read(ODReadSFDoors, text));
    const std::string out = write(ODWriteSFDoors);
    EXPECT_EQ(line_count(out), 39);
    EXPECT_EQ(line_of(out, 33), "0");
    EXPECT_EQ(line_of(out, 34), "FALSE");
    // Lines the file did not have stay empty lines in their places.
    EXPECT_EQ(line_of(out, 36), "");
    EXPECT_EQ(line_of(out, 37), "0");  // port_irq
    EXPECT_EQ(line_of(out, 39), "");
}

TEST_F(WriteBack, ChainTxtOfALocalCallerSaysKB)
{
    ASSERT_TRUE(read(ODReadChainTxt, grimbo_test::kChainSample));
    od_control.baud = 0;
    const std::string out = write(ODWriteChainTxt);
    EXPECT_EQ(line_of(out, 15), "0");
    EXPECT_EQ(line_of(out, 20), "KB");
}

TEST_F(WriteBack, ChainTxtWithoutASexKeepsItsLines)
{
    std::string text = with_line(grimbo_test::kChainSample, 6, "");
    ASSERT_TRUE(read(ODReadChainTxt, text));
    EXPECT_EQ(write(ODWriteChainTxt), text);
}

TEST_F(WriteBack, DoorSysWritesNamesInUpperCaseAndComZeroWithoutSpeed)
{
    ASSERT_TRUE(read(ODReadDoorSys, grimbo_test::kDoorSysSample));
    ODCopyField(od_control.user_name, "Jane o'Doe");
    od_control.baud = 0;
    const std::string out = write(ODWriteDoorSys);
    EXPECT_EQ(line_of(out, 1), "COM0:");
    EXPECT_EQ(line_of(out, 10), "JANE O'DOE");
    EXPECT_EQ(line_of(out, 36), "SPOOKY");
}

struct PortCase {
    const char* name;
    bool (*reader)(std::FILE*);
    void (*writer)(ODDropFileWriter*);
    const std::string* sample;
    int port_line;
    const char* written;
};

class PortWriteBack : public DropFileTest, public ::testing::WithParamInterface<PortCase> {};

// "No serial port" is port 65535; one more is 0 in sixteen bits, never 65536.
TEST_P(PortWriteBack, NoSerialPortIsWrittenAsZero)
{
    const PortCase c = GetParam();
    ASSERT_TRUE(read(c.reader, *c.sample));
    od_control.port = 65535;
    od_control.baud = 1;
    const std::string out = write(c.writer);
    EXPECT_EQ(line_of(out, c.port_line), c.written);
    // And the file read back says "no port" again.
    TearDown();
    SetUp();
    ASSERT_TRUE(read(c.reader, out));
    EXPECT_EQ(od_control.port, 65535);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PortWriteBack,
    ::testing::Values(
        PortCase{"chain", ODReadChainTxt, ODWriteChainTxt, &grimbo_test::kChainSample, 21, "0"},
        PortCase{"sfdoors", ODReadSFDoors, ODWriteSFDoors, &grimbo_test::kSFDoorsSample, 6, "0"},
        PortCase{"doorsys", ODReadDoorSys, ODWriteDoorSys, &grimbo_test::kDoorSysSample, 1, "COM0:"},
        PortCase{"doorsys_short", ODReadDoorSys, ODWriteDoorSys, &grimbo_test::kDoorSysShortSample, 2, "0"},
        PortCase{"tribbs", ODReadTriBBSSys, ODWriteTriBBSSys, &grimbo_test::kTriBBSSample, 12, "0"}),
    [](const ::testing::TestParamInfo<PortCase>& info) { return std::string(info.param.name); });

TEST_F(WriteBack, WriterKeepsTheFirstError)
{
    ODDropFileWriter writer;
    EXPECT_FALSE(ODDropFileOpen(&writer, "/nonexistent-dir/door.sys", "w"));
    ODTextDropFileWrite(&writer, "%s\n", "ignored");
    errno = 0;
    EXPECT_FALSE(ODDropFileClose(&writer));
    EXPECT_EQ(od_control.error_code, OD_ERR_FILEOPEN);
    EXPECT_EQ(errno, ENOENT);

    od_control.error_code = 0;
    ASSERT_TRUE(ODDropFileOpen(&writer, "/dev/full", "w"));
    const std::string block(3 * BUFSIZ, 'x');
    ODTextDropFileWrite(&writer, "%s", block.c_str());  // fails: no space
    EXPECT_EQ(writer.error, OD_ERR_GENERALFAILURE);
    EXPECT_EQ(writer.saved_errno, ENOSPC);
    writer.saved_errno = ENOSPC;
    ODDropFileWrite(&writer, "y", 1);  // skipped
    errno = EINTR;
    EXPECT_FALSE(ODDropFileClose(&writer));
    EXPECT_EQ(od_control.error_code, OD_ERR_GENERALFAILURE);
    EXPECT_EQ(errno, ENOSPC);
}

TEST_F(WriteBack, TextFileThatCannotBeCreatedSetsErrorFour)
{
    od_control.drop_file_kind = OD_DROP_DOORSYS;
    ODCopyField(szDropFilePath, "/nonexistent-dir/door.sys");
    ODWriteDropFiles(false);
    EXPECT_EQ(od_control.error_code, OD_ERR_FILEOPEN);
}

TEST_F(WriteBack, ReadOnlyKindsWriteNothing)
{
    grimbo_test::TempDir dir;
    const std::string path = dir.file("drop");
    for (std::uint8_t kind : {OD_DROP_DORINFO, OD_DROP_CALLINFO, OD_DROP_DOOR32SYS,
                              OD_DROP_BBSDEV, OD_DROP_PRESET, OD_DROP_NONE}) {
        ASSERT_TRUE(dir.write("drop", "as the BBS wrote it\n"));
        od_control.drop_file_kind = kind;
        ODCopyField(szDropFilePath, path);
        ODWriteDropFiles(false);
        EXPECT_EQ(file_bytes(path), "as the BBS wrote it\n") << int(kind);
        EXPECT_EQ(od_control.error_code, 0);
    }
}

class ExitInfoWriteBack : public DropFileTest {
protected:
    // Reads the record, then writes it back as od_exit would.
    std::string round_trip(const std::string& bytes, bool term_call = false)
    {
        std::string copy = bytes;
        std::FILE* in = fmemopen(copy.data(), copy.size(), "rb");
        std::uint8_t kind = 0;
        EXPECT_TRUE(ODReadExitInfoRecord(in, &kind));
        std::fclose(in);
        od_control.drop_file_kind = kind;
        od_control.exitinfo_present = 1;
        nStartupUnixTime = std::time(nullptr);
        nInitialRemaining = od_control.user_time_left;
        if (adjust_)
            adjust_();
        char* buffer = nullptr;
        std::size_t size = 0;
        ODDropFileWriter writer;
        ODDropFileAttach(&writer, open_memstream(&buffer, &size));
        ODWriteExitInfoRecord(&writer, term_call);
        EXPECT_TRUE(ODDropFileClose(&writer));
        std::string out(buffer, size);
        std::free(buffer);
        return out;
    }
    void (*adjust_)() = nullptr;
};

TEST_F(ExitInfoWriteBack, EveryFormGoesBackByteForByte)
{
    struct Case {
        const char* name;
        ExitRecord record;
        std::size_t written;
    } cases[] = {
        {"short", ExitRecord::patterned(476, kExitInfoBaseFields), 476},
        {"medium", ExitRecord::patterned(902, kExitInfoBaseFields), 644},
        {"extended", ExitRecord::patterned(1493, kExitInfoBaseFields), 1493},
        {"ra2", ExitRecord::patterned(2363, kExitInfoRA2Fields), 2363},
    };
    cases[0].record.valid_texts(kExitInfoShortFields, 0);
    cases[2].record.valid_texts(kExitInfoShortFields, 0);
    cases[2].record.valid_texts(kExitInfoExtendedFields, 476);
    // The medium form's own bytes: a menu stack of 4, no hang-up, no RIP.
    cases[1].record.u8(454, 4).u8(700, 0).u8(702, 0);
    for (int i = 0; i < 4; ++i)
        cases[1].record.text(455 + 9 * i, "MENU" + std::to_string(i));
    cases[1].record.text(635, "TOP");
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        EXPECT_EQ(round_trip(c.record.bytes()), c.record.bytes().substr(0, c.written)) << c.name;
    }
}

TEST_F(ExitInfoWriteBack, TimeLimitWordLosesTheTimeTakenInTheDoor)
{
    ExitRecord record(476);
    record.u16(435, 100);
    adjust_ = [] { od_control.user_time_left = static_cast<std::int16_t>(nInitialRemaining - 5); };
    const std::string out = round_trip(record.bytes());
    EXPECT_EQ(static_cast<std::uint8_t>(out[435]) | static_cast<std::uint8_t>(out[436]) << 8, 95);

    TearDown();
    SetUp();
    record.u16(435, 2);
    EXPECT_EQ(static_cast<std::uint8_t>(round_trip(record.bytes())[435]), 0xFD);  // 65533
}

TEST_F(ExitInfoWriteBack, MediumFormRecordsTheHangUpAndKeepsTheElapsedTime)
{
    ExitRecord record(902);
    record.u16(387, 33).u8(454, 1).text(455, "MAIN");
    adjust_ = [] {
        od_control.user_time_used = 50;
        od_control.user_rip = 7;
        od_control.menu_stack_pointer = 2;
        ODCopyField(od_control.menu_stack[1], "GAMES");
        ODCopyField(od_control.menu_stack[2], "DOORS");
    };
    const std::string out = round_trip(record.bytes(), true);
    ASSERT_EQ(out.size(), 644u);
    ExitRecord expected = record;
    expected.u16(387, 33).u8(454, 2).text(464, "GAMES").text(635, "DOORS").u8(700, 1).u8(702, 1);
    EXPECT_EQ(out, expected.bytes().substr(0, 644));
}

TEST_F(ExitInfoWriteBack, RA2SexByteFollowsAChangeAndKeepsAnUnknownCode)
{
    struct Case {
        std::uint8_t stored;
        char sex;
        std::uint8_t written;
    } cases[] = {{0, 'F', 0}, {2, 'F', 2}, {1, 'M', 1}, {2, 'M', 1}, {1, 'F', 2}, {0, 'M', 1}};
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        ExitRecord record(2363);
        record.u8(1202, c.stored).u8(2263, 4);
        static char sex;
        sex = c.sex;
        adjust_ = [] { od_control.user_sex = static_cast<std::uint8_t>(sex); };
        const std::string out = round_trip(record.bytes());
        EXPECT_EQ(static_cast<std::uint8_t>(out[1202]), c.written) << int(c.stored) << c.sex;
        EXPECT_EQ(out[2263], 4);
    }
}

TEST_F(ExitInfoWriteBack, FileThatIsGoneSetsErrorFour)
{
    od_control.exitinfo_present = 1;
    od_control.drop_file_kind = OD_DROP_EXITINFO_RA2;
    ODCopyField(szDropFilePath, "/nonexistent-dir/exitinfo.bbs");
    ODWriteDropFiles(false);
    EXPECT_EQ(od_control.error_code, OD_ERR_FILEOPEN);
}

}  // namespace
