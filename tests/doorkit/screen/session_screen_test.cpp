// The session screen on its own: sizing, writing rules, presentation into
// the local screen and emulation.
#include "doorkit/screen/session_screen.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/screen/local_screen.h"
#include "tests/support/child_process.h"

namespace {

// Runs `body` in a child with a local screen and a session screen of the
// caller's size.
void WithScreens(const std::function<void()>& body, std::uint8_t width = 0, std::uint16_t length = 0)
{
    auto result = grimbo_test::run_in_child([&] {
        od_control.baud = 1;
        od_control.user_screen_width = width;
        od_control.user_screen_length = length;
        if (ODScrnInitialize() != 0 || !ODSessionScreenInitialize(80, 25))
            return 2;
        body();
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    EXPECT_TRUE(result.exited) << result.out << result.err;
    EXPECT_EQ(result.status, 0) << result.out << result.err;
}

std::uint8_t Char(int column, int row)  // 1-based screen coordinates
{
    return SessionScreen.cells[((row - 1) * SessionScreen.width + column - 1) * 2];
}

std::uint8_t Attr(int column, int row)
{
    return SessionScreen.cells[((row - 1) * SessionScreen.width + column - 1) * 2 + 1];
}

std::uint8_t LocalChar(int column, int row)
{
    return pScrnBuffer[((row - 1) * OD_SCREEN_WIDTH + column - 1) * 2];
}

std::string Row(int row)
{
    std::string text;
    for (int column = 1; column <= SessionScreen.width; ++column)
        text += static_cast<char>(Char(column, row));
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

void Write(const std::string& text)
{
    ODSessionScreenDisplayBuffer(text.data(), static_cast<int>(text.size()));
}

void Cursor(int* column, int* row)
{
    tODSessionScreenInfo info{};
    ODSessionScreenGetInfo(&info);
    *column = info.cursor_column;
    *row = info.cursor_row;
}

TEST(SessionScreenSize, FollowsTheCallersScreenButNeverBelow80By25)
{
    WithScreens([] {
        EXPECT_EQ(ODSessionScreenWidth(), 80);
        EXPECT_EQ(ODSessionScreenHeight(), 25);
        EXPECT_EQ(Char(80, 25), ' ');
        EXPECT_EQ(Attr(80, 25), 7);
    });
    WithScreens([] {
        EXPECT_EQ(ODSessionScreenWidth(), 132);
        EXPECT_EQ(ODSessionScreenHeight(), 60);
    }, 132, 60);
    WithScreens([] { EXPECT_EQ(ODSessionScreenWidth(), 80); }, 40, 10);
}

TEST(SessionScreenSize, ThereIsNoCopyWithoutARemoteSide)
{
    auto result = grimbo_test::run_in_child([] {
        od_control.baud = 0;
        return ODSessionScreenInitialize(80, 25) && !ODSessionScreenAvailable() ? 0 : 1;
    });
    EXPECT_EQ(result.status, 0);
}

TEST(SessionScreenWriting, WrapsTabsAndScrollsLikeTheTerminal)
{
    WithScreens([] {
        int column = 0;
        int row = 0;
        Write(std::string(80, 'a') + "b");
        EXPECT_EQ(Char(1, 2), 'b');
        Write("\r" + std::string(76, 'c') + "\t");  // a tab from column 77
        Cursor(&column, &row);
        EXPECT_EQ(column, 1);
        EXPECT_EQ(row, 3);
        Write("\tx\b\by\a\x1b");
        EXPECT_EQ(Row(3), "       y\x1b");
        Write("\r\b");
        Cursor(&column, &row);
        EXPECT_EQ(column, 1);

        ODSessionScreenSetCursorPos(5, 25);
        ODSessionScreenSetAttribute(0x1F);
        Write("z\n");
        EXPECT_EQ(Char(5, 24), 'z');  // scrolled up one row
        EXPECT_EQ(Char(1, 1), 'c');
        EXPECT_EQ(Attr(1, 25), 0x1F);
        Cursor(&column, &row);
        EXPECT_EQ(column, 6);
        EXPECT_EQ(row, 25);
    });
}

TEST(SessionScreenWriting, WithScrollingOffTheBottomRowStays)
{
    WithScreens([] {
        ODSessionScreenEnableScrolling(false);
        ODSessionScreenSetCursorPos(1, 25);
        Write("last\n");
        EXPECT_EQ(Row(25), "last");
        int column = 0;
        int row = 0;
        Cursor(&column, &row);
        EXPECT_EQ(row, 25);
        EXPECT_EQ(column, 5);
        ODSessionScreenSetCursorPos(78, 25);
        Write("wxyz");  // wraps onto the bottom row again, which is kept
        EXPECT_EQ(Row(25), "zast" + std::string(73, ' ') + "wxy");
        Cursor(&column, &row);
        EXPECT_EQ(column, 2);
        EXPECT_EQ(row, 25);
        EXPECT_EQ(Char(1, 25), 'z');
    });
}

TEST(SessionScreenPresentation, CopiesOnlyWhatChangedIntoTheLocalScreen)
{
    WithScreens([] {
        Write("first");
        ODSessionScreenPresent();
        EXPECT_EQ(LocalChar(1, 1), 'f');
        // Something outside the changed region stays as the local screen has it.
        pScrnBuffer[0] = '#';
        ODSessionScreenSetCursorPos(1, 3);
        Write("third");
        ODSessionScreenPresent();
        EXPECT_EQ(LocalChar(1, 1), '#');
        EXPECT_EQ(LocalChar(5, 3), 'd');
        ODScrnTextInfo info{};
        ODScrnGetTextInfo(&info);
        EXPECT_EQ(info.cursor_column, 6);
        EXPECT_EQ(info.cursor_row, 3);
    });
}

TEST(SessionScreenPresentation, AWideScreenShowsItsLeft80Columns)
{
    WithScreens([] {
        ODSessionScreenSetCursorPos(79, 1);
        Write("abcd");
        ODSessionScreenPresent();
        EXPECT_EQ(LocalChar(79, 1), 'a');
        EXPECT_EQ(LocalChar(80, 1), 'b');
        EXPECT_EQ(LocalChar(1, 2), ' ');
        ODScrnTextInfo info{};
        ODScrnGetTextInfo(&info);
        EXPECT_EQ(info.cursor_column, 1);  // the copy's cursor is beyond the view
    }, 100, 25);
}

TEST(SessionScreenEmulation, LocalScreenCallsActOnTheCopyUntilItEnds)
{
    WithScreens([] {
        ODSessionScreenBeginEmulation();
        ODScrnSetBoundary(11, 6, 30, 10);
        ODScrnClear();
        ODScrnDisplayString("in window");
        EXPECT_EQ(Row(6), std::string(10, ' ') + "in window");
        EXPECT_EQ(LocalChar(11, 6), ' ');
        ODScrnTextInfo info{};
        ODScrnGetTextInfo(&info);
        EXPECT_EQ(info.left, 11);
        EXPECT_EQ(info.cursor_column, 10);
        ODScrnSetBoundary(1, 1, 81, 25);  // does not fit: ignored
        ODScrnGetTextInfo(&info);
        EXPECT_EQ(info.right, 30);
        ODSessionScreenEndEmulation();
        EXPECT_EQ(LocalChar(11, 6), 'i');
        ODScrnGetTextInfo(&info);
        EXPECT_EQ(info.left, 1);
    });
}

TEST(SessionScreenRectangles, OverlappingCopiesKeepTheirContents)
{
    WithScreens([] {
        for (int row = 1; row <= 5; ++row) {
            ODSessionScreenSetCursorPos(1, row);
            Write(std::string(1, static_cast<char>('0' + row)) + "xyz");
        }
        ASSERT_TRUE(ODSessionScreenCopyText(1, 1, 4, 4, 2, 2));  // down and right
        EXPECT_EQ(Row(2), "21xyz");
        EXPECT_EQ(Row(5), "54xyz");
        ASSERT_TRUE(ODSessionScreenCopyText(2, 2, 5, 5, 1, 1));  // and back
        EXPECT_EQ(Row(1), "1xyz");
        EXPECT_EQ(Row(4), "4xyzz");
        EXPECT_FALSE(ODSessionScreenCopyText(1, 1, 4, 4, 78, 1));
        EXPECT_FALSE(ODSessionScreenCopyText(0, 1, 4, 4, 1, 1));
        EXPECT_FALSE(ODSessionScreenCopyText(1, 1, 4, 4, INT_MAX, INT_MAX));
        std::uint8_t cells[8];
        EXPECT_FALSE(ODSessionScreenGetText(1, 25, 4, 26, cells));
        EXPECT_FALSE(ODSessionScreenPutText(3, 1, 2, 1, cells));
    });
}

}  // namespace
