#include "doorkit/screen/local_screen.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "tests/support/child_process.h"

namespace {

// Cell at 1-based screen coordinates.
std::uint8_t Char(int column, int row)
{
    return pScrnBuffer[((row - 1) * OD_SCREEN_WIDTH + column - 1) * 2];
}

std::uint8_t Attr(int column, int row)
{
    return pScrnBuffer[((row - 1) * OD_SCREEN_WIDTH + column - 1) * 2 + 1];
}

// A screen row with trailing blanks dropped.
std::string Row(int row)
{
    std::string text;
    for (int column = 1; column <= OD_SCREEN_WIDTH; ++column)
        text += static_cast<char>(Char(column, row));
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

std::vector<std::uint8_t> Snapshot()
{
    return std::vector<std::uint8_t>(pScrnBuffer, pScrnBuffer + OD_SCREEN_WIDTH * OD_SCREEN_HEIGHT * 2);
}

// Every cell different from its neighbours, so misplaced copies show.
void FillWithPattern()
{
    for (int i = 0; i < OD_SCREEN_WIDTH * OD_SCREEN_HEIGHT; ++i) {
        pScrnBuffer[i * 2] = static_cast<std::uint8_t>('!' + i % 90);
        pScrnBuffer[i * 2 + 1] = static_cast<std::uint8_t>(i % 251);
    }
}

struct Cursor {
    int column;
    int row;
    bool operator==(const Cursor&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Cursor& cursor)
{
    return out << "(" << cursor.column << "," << cursor.row << ")";
}

Cursor CursorNow()
{
    ODScrnTextInfo info{};
    ODScrnGetTextInfo(&info);
    return {info.cursor_column, info.cursor_row};
}

bool SameInfo(const ODScrnTextInfo& a, const ODScrnTextInfo& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class LocalScreen : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ODScrnInitialize(), 0); }
    void TearDown() override { ODScrnShutdown(); }
};

// Runs a check that changes od_control in a child process.
void InChild(const std::function<void()>& body)
{
    grimbo_test::ChildResult result = grimbo_test::run_in_child([&] {
        if (ODScrnInitialize() != 0)
            return 2;
        body();
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
    EXPECT_TRUE(result.exited && result.status == 0) << result.out << result.err;
}

struct WriteCase {
    const char* name;
    std::function<void()> setup;
    std::string input;
    Cursor cursor;
    std::vector<std::pair<int, std::string>> rows;  // screen row, expected text
};

TEST_F(LocalScreen, WritingFollowsTheControlAndWrapRules)
{
    const std::string eighty(80, 'a');
    auto at = [](int column, int row) { return [=] { ODScrnSetCursorPos(column, row); }; };
    auto bottom_line = [] {
        ODScrnSetCursorPos(1, 24);
        ODScrnDisplayString("upper");
        ODScrnSetCursorPos(1, 25);
        ODScrnDisplayString("lower");
    };
    const std::vector<WriteCase> cases = {
        {"81 characters wrap to the next row", [] {}, eighty + "b", {2, 2}, {{1, eighty}, {2, "b"}}},
        {"carriage return and line feed", [] {}, "ab\r\ncd", {3, 2}, {{1, "ab"}, {2, "cd"}}},
        {"line feed keeps the column", [] {}, "ab\ncd", {5, 2}, {{1, "ab"}, {2, "  cd"}}},
        {"backspace stops at column 1", [] {}, "\b\bx", {2, 1}, {{1, "x"}}},
        {"backspace moves left to overwrite", [] {}, "ab\bc", {3, 1}, {{1, "ac"}}},
        {"bell changes nothing", [] {}, "\a\a", {1, 1}, {{1, ""}}},
        {"tab from column 1", [] {}, "\tx", {10, 1}, {{1, "        x"}}},
        {"tab from column 8 goes to 9", at(8, 1), "\t", {9, 1}, {}},
        {"tab from column 9 goes to 17", at(9, 1), "\t", {17, 1}, {}},
        {"tab from column 72 goes to 73", at(72, 1), "\t", {73, 1}, {}},
        {"tab at column 77 wraps", at(77, 3), "\t", {1, 4}, {}},
        {"vertical tab, form feed and escape are characters", [] {}, "\x0b\x0c\x1b",
         {4, 1}, {{1, "\x0b\x0c\x1b"}}},
        {"line feed at the bottom scrolls",
         [=] { bottom_line(); },
         "\n", {6, 25}, {{23, "upper"}, {24, "lower"}, {25, ""}}},
        {"line feed at the bottom with scrolling off changes nothing",
         [=] {
             bottom_line();
             ODScrnEnableScrolling(false);
         },
         "\n", {6, 25}, {{24, "upper"}, {25, "lower"}}},
        {"wrap at the bottom right scrolls", [=] { bottom_line(); ODScrnSetCursorPos(80, 25); },
         "XY", {2, 25}, {{23, "upper"}, {24, "lower" + std::string(74, ' ') + "X"}, {25, "Y"}}},
        {"wrap at the bottom right without scrolling overwrites the bottom row",
         [=] {
             bottom_line();
             ODScrnEnableScrolling(false);
             ODScrnSetCursorPos(80, 25);
         },
         "XY", {2, 25}, {{24, "upper"}, {25, "Yower" + std::string(74, ' ') + "X"}}},
        {"a window wraps and scrolls at its own edges",
         [] {
             ODScrnSetBoundary(11, 5, 14, 6);
             ODScrnSetCursorPos(1, 1);
         },
         "abcdefghij", {3, 2}, {{4, ""}, {5, "          efgh"}, {6, "          ij"}, {7, ""}}},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(ODScrnInitialize(), 0);
        c.setup();
        ODScrnDisplayBuffer(c.input.data(), static_cast<int>(c.input.size()));
        EXPECT_EQ(CursorNow(), c.cursor) << c.name;
        for (const auto& [row, text] : c.rows)
            EXPECT_EQ(Row(row), text) << c.name << ", row " << row;
    }
}

TEST_F(LocalScreen, CharactersClearsAndScrollsUseTheCurrentAttribute)
{
    ODScrnSetAttribute(0x1E);
    ODScrnDisplayChar('A');
    EXPECT_EQ(Attr(1, 1), 0x1E);

    ODScrnSetAttribute(0x4F);
    ODScrnSetCursorPos(70, 3);
    ODScrnClearToEndOfLine();
    EXPECT_EQ(CursorNow(), (Cursor{70, 3}));
    EXPECT_EQ(Attr(69, 3), 7);
    EXPECT_EQ(Attr(80, 3), 0x4F);
    EXPECT_EQ(Attr(1, 4), 7) << "stops at the right edge";

    ODScrnSetAttribute(0x21);
    ODScrnScrollUpOneLine();
    EXPECT_EQ(Attr(80, 2), 0x4F) << "row 3 moved up";
    EXPECT_EQ(Attr(1, 25), 0x21);

    ODScrnSetBoundary(5, 5, 10, 6);
    ODScrnSetAttribute(0x70);
    ODScrnClear();
    EXPECT_EQ(CursorNow(), (Cursor{1, 1}));
    EXPECT_EQ(Attr(5, 5), 0x70);
    EXPECT_EQ(Attr(10, 6), 0x70);
    EXPECT_EQ(Attr(4, 5), 7);
    EXPECT_EQ(Attr(11, 6), 7);
}

TEST_F(LocalScreen, WindowAndCursorStayOnTheScreen)
{
    ODScrnSetCursorPos(60, 20);
    ODScrnSetBoundary(1, 1, 40, 10);
    EXPECT_EQ(CursorNow(), (Cursor{40, 10})) << "a new window pulls the cursor in";

    ODScrnSetBoundary(11, 6, 30, 15);
    ODScrnTextInfo before{};
    ODScrnGetTextInfo(&before);
    const std::array<std::array<int, 4>, 6> windows = {{
        {0, 1, 80, 25}, {1, 0, 80, 25}, {1, 1, 81, 25}, {1, 1, 80, 26}, {10, 1, 9, 25}, {1, 10, 80, 9},
    }};
    for (const auto& w : windows) {
        ODScrnSetBoundary(w[0], w[1], w[2], w[3]);
        ODScrnTextInfo after{};
        ODScrnGetTextInfo(&after);
        EXPECT_TRUE(SameInfo(before, after)) << "window " << w[0] << "," << w[1] << "," << w[2] << "," << w[3];
    }

    const std::vector<std::pair<Cursor, Cursor>> moves = {
        {{5, 7}, {5, 7}}, {{0, 0}, {1, 1}}, {{-3, 4}, {1, 4}}, {{200, 200}, {20, 10}},
    };
    for (const auto& [asked, got] : moves) {
        ODScrnSetCursorPos(asked.column, asked.row);
        EXPECT_EQ(CursorNow(), got) << asked;
    }
}

TEST_F(LocalScreen, RectanglesAreRelativeToTheWindow)
{
    FillWithPattern();
    ODScrnSetBoundary(11, 6, 30, 15);
    std::array<std::uint8_t, 3 * 2 * 2> cells{};
    ASSERT_EQ(ODScrnGetText(2, 3, 4, 4, cells.data()), 1);
    EXPECT_EQ(cells[0], Char(12, 8));
    EXPECT_EQ(cells[1], Attr(12, 8));
    EXPECT_EQ(cells[10], Char(14, 9));
    EXPECT_EQ(cells[11], Attr(14, 9));

    const std::array<std::uint8_t, 4> two = {'x', 0x1F, 'y', 0x2E};
    ASSERT_EQ(ODScrnPutText(20, 9, 20, 10, two.data()), 1);
    EXPECT_EQ(Char(30, 14), 'x');
    EXPECT_EQ(Attr(30, 14), 0x1F);
    EXPECT_EQ(Char(30, 15), 'y');
    EXPECT_EQ(Attr(30, 15), 0x2E);
}

TEST_F(LocalScreen, RectanglesOutsideTheWindowAreRefusedAndChangeNothing)
{
    FillWithPattern();
    ODScrnSetBoundary(11, 6, 30, 15);
    const auto before = Snapshot();
    std::array<std::uint8_t, 2 * 80 * 25> cells{};
    cells.fill(0xAA);
    const std::vector<std::array<int, 4>> rects = {
        {0, 1, 2, 2},   {1, 0, 2, 2},   {1, 1, 21, 2}, {1, 1, 2, 11},
        {3, 1, 2, 2},   {1, 3, 2, 2},   {-5, 1, 1, 1}, {20, 10, 20, 11},
    };
    for (const auto& r : rects) {
        EXPECT_EQ(ODScrnGetText(r[0], r[1], r[2], r[3], cells.data()), 0) << r[0] << "," << r[1];
        EXPECT_EQ(ODScrnPutText(r[0], r[1], r[2], r[3], cells.data()), 0) << r[0] << "," << r[1];
    }
    EXPECT_EQ(ODScrnGetText(1, 1, 2, 2, nullptr), 0);
    EXPECT_EQ(ODScrnPutText(1, 1, 2, 2, nullptr), 0);
    EXPECT_EQ(Snapshot(), before);
    for (std::uint8_t byte : cells)
        ASSERT_EQ(byte, 0xAA);
}

TEST_F(LocalScreen, CopyTextMovesOverlappingBlocksIntact)
{
    ODScrnDisplayString("abcdef\r\nghijkl");
    ASSERT_EQ(ODScrnCopyText(1, 1, 4, 2, 3, 1), 1);
    EXPECT_EQ(Row(1), "ababcd");
    EXPECT_EQ(Row(2), "ghghij");
    ASSERT_EQ(ODScrnCopyText(3, 1, 6, 2, 1, 2), 1);
    EXPECT_EQ(Row(2), "abcdij");
    EXPECT_EQ(Row(3), "ghij");
}

TEST_F(LocalScreen, CopyTextRefusesBlocksThatDoNotFit)
{
    FillWithPattern();
    ODScrnSetBoundary(11, 6, 30, 15);
    const auto before = Snapshot();
    const std::vector<std::array<int, 6>> moves = {
        {1, 1, 5, 5, 17, 1},  // would end past the right edge
        {1, 1, 5, 5, 1, 7},   // would end past the bottom
        {0, 1, 5, 5, 2, 2},   {1, 1, 21, 5, 1, 1}, {5, 5, 4, 5, 1, 1},
        {1, 1, 2, 2, 0, 1},   {1, 1, 2, 2, 1, -1}, {1, 1, 2, 2, 2147483647, 1},
    };
    for (const auto& m : moves)
        EXPECT_EQ(ODScrnCopyText(m[0], m[1], m[2], m[3], m[4], m[5]), 0)
            << m[0] << "," << m[1] << "," << m[2] << "," << m[3] << " to " << m[4] << "," << m[5];
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(LocalScreen, FramedWindowIsDrawnAndRemovedWithoutDisturbingTheText)
{
    FillWithPattern();
    ODScrnSetBoundary(2, 2, 50, 20);
    ODScrnSetAttribute(0x5A);
    ODScrnSetCursorPos(7, 8);
    ODScrnTextInfo info_before{};
    ODScrnGetTextInfo(&info_before);
    const auto before = Snapshot();

    void* saved = ODScrnCreateWindow(61, 3, 70, 6, 0x1F, "AB", 0x4E);
    ASSERT_NE(saved, nullptr);
    const auto* header = static_cast<const std::uint8_t*>(saved);
    EXPECT_EQ(std::vector<int>(header, header + 4), (std::vector<int>{61, 3, 70, 6}));
    EXPECT_EQ(Row(3).substr(60, 10), "\xd6\xc4\xc4 AB \xc4\xc4\xb7");
    EXPECT_EQ(Row(4).substr(60, 10), "\xba        \xba");
    EXPECT_EQ(Row(5).substr(60, 10), "\xba        \xba");
    EXPECT_EQ(Row(6).substr(60, 10), "\xd3\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xbd");
    for (int column = 61; column <= 70; ++column)
        EXPECT_EQ(Attr(column, 3), column >= 64 && column <= 67 ? 0x4E : 0x1F) << column;
    EXPECT_EQ(Attr(65, 5), 0x1F);
    EXPECT_EQ(Char(60, 3), before[(2 * 80 + 59) * 2]);
    EXPECT_EQ(Char(71, 6), before[(5 * 80 + 70) * 2]);
    EXPECT_EQ(Char(65, 7), before[(6 * 80 + 64) * 2]);

    ODScrnTextInfo info_during{};
    ODScrnGetTextInfo(&info_during);
    EXPECT_TRUE(SameInfo(info_before, info_during)) << "window, colour and cursor are kept";

    ODScrnDestroyWindow(saved);
    EXPECT_EQ(Snapshot(), before);
    ODScrnTextInfo info_after{};
    ODScrnGetTextInfo(&info_after);
    EXPECT_TRUE(SameInfo(info_before, info_after));
}

TEST_F(LocalScreen, WindowTitlesAreCentredWithTheOddDashOnTheRight)
{
    const std::vector<std::pair<const char*, std::string>> titles = {
        {"", "\xd6\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xb7"},
        {"ABC", "\xd6\xc4 ABC \xc4\xc4\xb7"},
        {"ABCDEF", "\xd6 ABCDEF \xb7"},
        {"ABCDEFGHIJ", "\xd6 ABCDEF \xb7"},
    };
    for (const auto& [title, top] : titles) {
        void* saved = ODScrnCreateWindow(1, 1, 10, 3, 7, title, 7);
        ASSERT_NE(saved, nullptr);
        EXPECT_EQ(Row(1), top) << title;
        ODScrnDestroyWindow(saved);
    }
}

TEST_F(LocalScreen, FramedWindowsThatDoNotFitAreRefused)
{
    FillWithPattern();
    const auto before = Snapshot();
    const std::vector<std::array<int, 4>> boxes = {
        {0, 1, 10, 5}, {1, 0, 10, 5}, {71, 1, 81, 5}, {1, 20, 10, 26}, {5, 5, 5, 9}, {5, 5, 9, 5},
    };
    for (const auto& b : boxes)
        EXPECT_EQ(ODScrnCreateWindow(b[0], b[1], b[2], b[3], 7, "T", 7), nullptr) << b[0] << "," << b[1];
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(LocalScreen, MessageBoxIsCentredAndItsRemovalRestoresTheScreen)
{
    InChild([] {
        od_control.silent_mode = 0;
        od_control.popup_colour = 0x19;
        FillWithPattern();
        ODScrnSetBoundary(3, 4, 60, 22);
        ODScrnSetAttribute(0x2C);
        ODScrnSetCursorPos(9, 9);
        ODScrnTextInfo info_before{};
        ODScrnGetTextInfo(&info_before);
        const auto before = Snapshot();

        void* saved = ODScrnShowMessage("0123456789");
        ASSERT_NE(saved, nullptr);
        for (int row = 9; row <= 15; ++row) {
            for (int column = 32; column <= 47; ++column) {
                const bool inside = row >= 10 && row <= 14 && column >= 33 && column <= 46;
                std::size_t at = static_cast<std::size_t>(((row - 1) * 80 + column - 1) * 2);
                if (inside)
                    EXPECT_EQ(Attr(column, row), 0x19) << column << "," << row;
                else
                    EXPECT_EQ(Char(column, row), before[at]) << column << "," << row;
            }
        }
        EXPECT_EQ(Row(10).substr(32, 14), "\xd6" + std::string(12, '\xc4') + "\xb7");
        EXPECT_EQ(Row(12).substr(32, 14), "\xba 0123456789 \xba");
        EXPECT_EQ(Row(14).substr(32, 1), "\xd3");
        ODScrnTextInfo info_during{};
        ODScrnGetTextInfo(&info_during);
        EXPECT_TRUE(SameInfo(info_before, info_during));

        ODScrnRemoveMessage(saved);
        EXPECT_EQ(Snapshot(), before);
        ODScrnTextInfo info_after{};
        ODScrnGetTextInfo(&info_after);
        EXPECT_TRUE(SameInfo(info_before, info_after));
    });
}

TEST_F(LocalScreen, MessageBoxTextIsCutToSeventyThreeCharacters)
{
    InChild([] {
        od_control.silent_mode = 0;
        od_control.popup_colour = 0x19;
        const std::string text(100, 'm');
        void* saved = ODScrnShowMessage(text.c_str());
        ASSERT_NE(saved, nullptr);
        EXPECT_EQ(Row(12), " \xba " + std::string(73, 'm') + " \xba");
        EXPECT_EQ(Char(2, 10), 0xD6);
        EXPECT_EQ(Char(78, 14), 0xBD);
        ODScrnRemoveMessage(saved);
        EXPECT_EQ(Row(12), "");
    });
}

TEST_F(LocalScreen, MessageBoxDoesNothingInSilentMode)
{
    InChild([] {
        od_control.silent_mode = 1;
        const auto before = Snapshot();
        EXPECT_EQ(ODScrnShowMessage("Program is exiting..."), nullptr);
        ODScrnRemoveMessage(nullptr);
        EXPECT_EQ(Snapshot(), before);
    });
}

TEST_F(LocalScreen, StoredTextInfoComesBackAfterChanges)
{
    ODScrnSetBoundary(5, 6, 30, 20);
    ODScrnSetAttribute(0x1E);
    ODScrnSetCursorPos(3, 4);
    ODStoreTextInfo();
    const ODScrnTextInfo expected = {5, 6, 30, 20, 0x1E, 3, 4};
    EXPECT_TRUE(SameInfo(ODTextInfo, expected));

    ODScrnSetBoundary(1, 1, 80, 25);
    ODScrnSetAttribute(7);
    ODScrnSetCursorPos(70, 22);
    ODRestoreTextInfo();
    ODScrnTextInfo restored{};
    ODScrnGetTextInfo(&restored);
    EXPECT_TRUE(SameInfo(restored, expected));
}

TEST_F(LocalScreen, PrintfWritesShortAndLongTexts)
{
    EXPECT_EQ(ODScrnPrintf("%s %d", "hp", 42), 5);
    EXPECT_EQ(Row(1), "hp 42");
    ODScrnSetCursorPos(1, 2);
    const std::string long_text(120, 'z');
    EXPECT_EQ(ODScrnPrintf("<%s>", long_text.c_str()), 122);
    EXPECT_EQ(Row(2), "<" + std::string(79, 'z'));
    EXPECT_EQ(Row(3), std::string(41, 'z') + ">");
}

// A stand-in for another screen, recording what reaches it.
namespace FakeScreen {
std::string written;
int clears = 0;
ODScrnState state{};

constexpr ODScrnRedirect redirect = {
        [](int l, int t, int r, int b) { state.left = l, state.top = t, state.right = r, state.bottom = b; },
        [](int column, int row) { state.cursor_column = column, state.cursor_row = row; },
        [](std::uint8_t attribute) { state.attribute = attribute; },
        [](bool on) { state.scrolling = on; },
        [](ODScrnState* out) { *out = state; },
        [](const char* buffer, int length) { written.append(buffer, static_cast<std::size_t>(length)); },
        [] { ++clears; },
        [] {},
        [] {},
        [](int, int, int, int, void*) { return 1; },
        [](int, int, int, int, const void*) { return 1; },
        [](int, int, int, int, int, int) { return 1; },
};
}  // namespace FakeScreen

TEST_F(LocalScreen, RedirectedOperationsLeaveTheLocalBufferAlone)
{
    const auto before = Snapshot();
    FakeScreen::state = {1, 1, 132, 60, 300, 40, 0x1E, true};
    ODScrnSetRedirect(&FakeScreen::redirect);
    ODScrnDisplayString("hello");
    ODScrnPrintf("%d", 7);
    ODScrnClear();
    ODScrnTextInfo info{};
    ODScrnGetTextInfo(&info);
    ODScrnSetRedirect(nullptr);

    EXPECT_EQ(FakeScreen::written, "hello7");
    EXPECT_EQ(FakeScreen::clears, 1);
    EXPECT_EQ(info.right, 132);
    EXPECT_EQ(info.cursor_column, 255) << "wide values are capped at 255";
    EXPECT_EQ(info.attribute, 0x1E);
    EXPECT_EQ(Snapshot(), before);
    ODScrnDisplayString("x");
    EXPECT_EQ(Row(1), "x");
}

}  // namespace
