#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/log/log.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/session_runner.h"

using grimbo_test::ChildResult;
using grimbo_test::run_in_child;
using grimbo_test::start_preset_session;
using grimbo_test::TempDir;

namespace {

std::vector<std::string> read_lines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// An event line: the time right-aligned in five columns, then the text.
bool is_event_line(const std::string& line, const std::string& text)
{
    static const std::regex stamp("^> [ 12][0-9]:[0-5][0-9]:[0-5][0-9]  ");
    std::smatch m;
    return std::regex_search(line, m, stamp) && line.substr(m.length()) == text;
}

void expect_ok(const ChildResult& result)
{
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 0) << result.err;
}

void start_in(const TempDir& dir)
{
    if (chdir(dir.path().c_str()) != 0)
        std::abort();
    ODCopyField(od_control.program_name, "Test Door");
    ODCopyField(od_control.user_name, "Jane Caller");
    start_preset_session();
}

TEST(DoorLog, TimeStampKeepsOneAndTwoDigitHoursAligned)
{
    const struct {
        int h, m, s;
        const char* expected;
    } cases[] = {
        {9, 5, 7, ">  9:05:07  "},
        {13, 5, 7, "> 13:05:07  "},
        {0, 0, 0, ">  0:00:00  "},
        {23, 59, 59, "> 23:59:59  "},
    };
    for (const auto& c : cases) {
        char out[16];
        ODLogTimeStamp(c.h, c.m, c.s, out);
        EXPECT_STREQ(out, c.expected);
    }
}

TEST(DoorLog, FirstWriteAddsSessionHeaderAndCallerLine)
{
    TempDir dir;
    auto result = run_in_child([&] {
        start_in(dir);
        CHILD_CHECK(pfLogClose == nullptr);
        CHILD_CHECK(od_log_write("Found the key"));
        CHILD_CHECK(pfLogWrite != nullptr && pfLogClose != nullptr);
        CHILD_CHECK(od_log_write("Left the crypt"));
        return 0;
    });
    expect_ok(result);

    std::time_t now = std::time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char header[80];
    std::snprintf(header, sizeof header, "----------  %s %02d %s %02d, Test Door", days[local.tm_wday],
                  local.tm_mday, months[local.tm_mon], local.tm_year % 100);

    auto lines = read_lines(dir.file("DOOR.LOG"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], header);
    EXPECT_TRUE(is_event_line(lines[2], "Jane Caller entering door")) << lines[2];
    EXPECT_TRUE(is_event_line(lines[3], "Found the key")) << lines[3];
    EXPECT_TRUE(is_event_line(lines[4], "Left the crypt")) << lines[4];
}

TEST(DoorLog, ClosingLineNamesWhyTheDoorEnded)
{
    const struct {
        std::uint8_t reason;
        bool from_callback;
        const char* expected;
    } cases[] = {
        {1, false, "Carrier lost, exiting door"},
        {2, false, "System operator terminating call, exiting door"},
        {3, false, "User's time limit expired, exiting door"},
        {4, false, "User keyboard inactivity time limit exceeded, exiting door"},
        {5, false, "System operator returning user to BBS, exiting door"},
        {0, false, "Exiting door with errorlevel 3"},
        {9, false, "Exiting door with errorlevel 3"},
        {1, true, "Exiting door"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        auto result = run_in_child([&] {
            start_in(dir);
            CHILD_CHECK(od_log_open());
            btExitReason = c.reason;
            bPreOrExit = c.from_callback ? 1 : 0;
            od_exit(3, false);
            CHILD_CHECK(pfLogClose == nullptr);
            return 3;
        });
        ASSERT_TRUE(result.exited) << result.err;
        EXPECT_EQ(result.status, 3) << result.err;
        auto lines = read_lines(dir.file("DOOR.LOG"));
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(is_event_line(lines.back(), c.expected)) << lines.back();
    }
}

TEST(DoorLog, FailedOpenReportsAndLaterWritesTryAgain)
{
    TempDir dir;
    auto result = run_in_child([&] {
        start_in(dir);
        ODCopyField(od_control.log_file_name, "no-such-dir/door.log");
        od_control.error_code = 0;
        CHILD_CHECK(!od_log_write("lost"));
        CHILD_CHECK(od_control.error_code == OD_ERR_FILEOPEN);
        CHILD_CHECK(pfLogWrite == nullptr && pfLogClose == nullptr);
        ODCopyField(od_control.log_file_name, "door.log");
        CHILD_CHECK(od_log_write("kept"));
        CHILD_CHECK(pfLogClose != nullptr);
        return 0;
    });
    expect_ok(result);
    auto lines = read_lines(dir.file("door.log"));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(is_event_line(lines.back(), "kept"));
}

TEST(DoorLog, DisabledLoggingSucceedsWithoutAFile)
{
    TempDir dir;
    auto result = run_in_child([&] {
        od_control.logging_disabled = 1;
        start_in(dir);
        CHILD_CHECK(od_log_open());
        CHILD_CHECK(od_log_write("nothing"));
        CHILD_CHECK(pfLogClose == nullptr);
        return 0;
    });
    expect_ok(result);
    EXPECT_NE(access(dir.file("DOOR.LOG").c_str(), F_OK), 0);
}

TEST(DoorLog, PagingLogsTheChatReasonCutToTheLineWidth)
{
    TempDir dir;
    auto result = run_in_child([&] {
        start_in(dir);
        std::string reason(sizeof od_control.chat_reason - 1, 'x');
        ODCopyField(od_control.chat_reason, reason);
        CHILD_CHECK(!ODLogWriteStandardMsg(12));
        CHILD_CHECK(od_log_open());
        CHILD_CHECK(ODLogWriteStandardMsg(8));
        return 0;
    });
    expect_ok(result);
    auto lines = read_lines(dir.file("DOOR.LOG"));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(is_event_line(lines[lines.size() - 2], "User paging system operator"));
    std::string cut = "Reason for chat: " + std::string(67 - 17, 'x');
    EXPECT_TRUE(is_event_line(lines.back(), cut)) << lines.back();
}

}  // namespace
