#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "tests/doorkit/dropfile/samples.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/session_runner.h"

using grimbo_test::run_in_child;
using grimbo_test::TempDir;

namespace {

std::string file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string line_of(const std::string& text, int n)
{
    std::size_t start = 0;
    for (int i = 1; i < n; ++i)
        start = text.find('\n', start) + 1;
    return text.substr(start, text.find('\n', start) - start);
}

// A caller with 45 minutes, cut to 30 by -MAXTIME, who spends 10 of them on
// a line forced to 38400: the BBS gets 35 minutes and its own 19200 back,
// in the directory the door started in.
TEST(DropFileSession, ExitGivesWithheldTimeBackInTheFileItWasFoundIn)
{
    TempDir start;
    ASSERT_TRUE(start.write("door.sys", grimbo_test::kDoorSysSample));
    auto result = run_in_child([&] {
        grimbo_test::clear_door_environment();
        CHILD_CHECK(chdir(start.path().c_str()) == 0);
        od_control.max_time = 30;
        od_control.baud = 38400;
        od_init();
        CHILD_CHECK(od_control.drop_file_kind == OD_DROP_DOORSYS);
        CHILD_CHECK(od_control.user_time_left == 30);
        CHILD_CHECK(od_control.baud == 38400);
        CHILD_CHECK(std::string(od_get_user_id()) == "17:John Smith");
        CHILD_CHECK(chdir("/") == 0);  // as the game does
        od_control.user_time_left = 20;  // ten minutes later
        od_exit(3, false);
        return 99;
    });
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 3) << result.err;
    const std::string out = file_bytes(start.file("door.sys"));
    EXPECT_EQ(line_of(out, 19), "35");
    EXPECT_EQ(line_of(out, 18), "2100");
    EXPECT_EQ(line_of(out, 5), "19200");
}

TEST(DropFileSession, ExitBeforeInitStillWritesTheDropFileBack)
{
    TempDir start;
    std::string text = grimbo_test::kDoorSysSample;
    text.replace(text.find("JOHN SMITH"), 10, "john smith");
    ASSERT_TRUE(start.write("door.sys", text));
    auto result = run_in_child([&] {
        grimbo_test::clear_door_environment();
        CHILD_CHECK(chdir(start.path().c_str()) == 0);
        od_exit(0, false);
        return 99;
    });
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(file_bytes(start.file("door.sys")), grimbo_test::kDoorSysSample);
}

TEST(DropFileSession, ShortDropFileFallsBackToNoDropFile)
{
    TempDir start;
    ASSERT_TRUE(start.write("door32.sys", grimbo_test::first_lines(grimbo_test::kDoor32Sample, 10)));
    auto result = run_in_child([&] {
        grimbo_test::clear_door_environment();
        CHILD_CHECK(chdir(start.path().c_str()) == 0);
        od_init();
        return 99;
    });
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "Unable to read door information (drop) file.");
}

}  // namespace
