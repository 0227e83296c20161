// Painting, reading and scrolling rectangles of the caller's screen.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "tests/doorkit/output/fixture.h"

namespace {

using output_test::Bytes;
using output_test::Caller;
using output_test::CopyAttr;
using output_test::CopyChar;
using output_test::CopyRow;
using output_test::InSession;
using output_test::Mode;
using output_test::SessionSetup;
using output_test::Show;

const std::string kEsc = "\x1b";

using Cells = std::vector<std::uint8_t>;

Cells Text(const std::string& text, std::uint8_t attribute)
{
    Cells cells;
    for (char c : text) {
        cells.push_back(static_cast<std::uint8_t>(c));
        cells.push_back(attribute);
    }
    return cells;
}

// Shows `text` in grey on black from row 1, column 1, and leaves the cursor
// at row 20, column 1 with no output waiting.
void Prepare(Caller& caller, const char* text)
{
    od_set_color(7, 0);
    od_disp_str(text);
    od_set_cursor(20, 1);
    caller.Take();
}

TEST(PaintingBlocks, AnUnchangedBlockSendsOnlyTheCursorPositioningAndNoneWhereItStands)
{
    struct Case {
        bool cursor_known;  // the kit knows the caller's cursor is at 20,1
        std::string expected;
    };
    for (const Case& c : {Case{false, kEsc + "[20;1H"}, Case{true, ""}}) {
        InSession(Mode::Ansi, [&c](Caller& caller) {
            Prepare(caller, "0123456789");
            // A bell moves no cursor, but the kit cannot be sure of that.
            if (!c.cursor_known)
                od_disp_str("\a");
            caller.Take();
            Cells block(20);
            ASSERT_TRUE(od_gettext(1, 1, 10, 1, block.data()));
            ASSERT_TRUE(od_puttext(1, 1, 10, 1, block.data()));
            EXPECT_EQ(Show(caller.Take()), Show(c.expected)) << c.cursor_known;
        });
    }
}

TEST(PaintingBlocks, ARowWhoseLastCellDiffersSendsOneMoveAndOneCell)
{
    for (Mode mode : {Mode::Ansi, Mode::Avatar}) {
        InSession(mode, [mode](Caller& caller) {
            Prepare(caller, "0123456789");
            Cells block = Text("012345678Z", 0x07);
            ASSERT_TRUE(od_puttext(1, 1, 10, 1, block.data()));
            const std::string expected = mode == Mode::Ansi
                                             ? kEsc + "[1;10HZ" + kEsc + "[20;1H"
                                             : Bytes({0x16, 0x08, 1, 10, 'Z', 0x16, 0x08, 20, 1});
            EXPECT_EQ(Show(caller.Take()), Show(expected));
            EXPECT_EQ(CopyRow(1), "012345678Z");
        });
    }
}

TEST(PaintingBlocks, BlanksOnTheSameBackgroundCountAsUnchanged)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_set_color(7, 1);
        od_disp_str("   ");
        od_set_cursor(20, 1);
        caller.Take();
        // NULs and spaces, other foregrounds, the same blue background.
        const Cells block = {0, 0x17, ' ', 0x1F, 0, 0x9E};
        ASSERT_TRUE(od_puttext(1, 1, 3, 1, block.data()));
        // No cell, and no move: the cursor stands where it is put back.
        EXPECT_EQ(Show(caller.Take()), "");
        // The copy takes the block as given.
        EXPECT_EQ(CopyChar(1, 1), 0);
        EXPECT_EQ(CopyAttr(1, 3), 0x9E);
    });
}

struct GapCase {
    Mode mode;
    int gap;  // unchanged cells between two changed ones
    bool moves;
};

class SkippedRuns : public ::testing::TestWithParam<GapCase> {};

TEST_P(SkippedRuns, AreResentWhenCheaperThanACursorMove)
{
    const GapCase c = GetParam();
    InSession(c.mode, [c](Caller& caller) {
        Prepare(caller, "abcdefghijklmnop");
        std::string row = "abcdefghijklmnop";
        row[0] = 'X';
        row[static_cast<std::size_t>(c.gap) + 1] = 'Y';
        const Cells block = Text(row, 0x07);
        ASSERT_TRUE(od_puttext(1, 1, 16, 1, block.data()));
        const std::string gap = row.substr(1, static_cast<std::size_t>(c.gap));
        const int second = c.gap + 2;
        std::string expected;
        if (c.mode == Mode::Ansi) {
            expected = kEsc + "[1;1HX" +
                       (c.moves ? kEsc + "[1;" + std::to_string(second) + "H" : gap) + "Y" + kEsc +
                       "[20;1H";
        } else {
            expected = Bytes({0x16, 0x08, 1, 1}) + "X" +
                       (c.moves ? Bytes({0x16, 0x08, 1, second}) : gap) + "Y" +
                       Bytes({0x16, 0x08, 20, 1});
        }
        EXPECT_EQ(Show(caller.Take()), Show(expected));
    });
}

INSTANTIATE_TEST_SUITE_P(Thresholds, SkippedRuns,
                         ::testing::Values(GapCase{Mode::Ansi, 7, false}, GapCase{Mode::Ansi, 8, true},
                                           GapCase{Mode::Avatar, 4, false},
                                           GapCase{Mode::Avatar, 5, true}));

TEST(PaintingBlocks, ColoursChangeOnlyBetweenCellsOfDifferentColourAndAreSetBack)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        Prepare(caller, "");
        Cells block = Text("ab", 0x1E);
        const Cells tail = Text("c", 0x07);
        block.insert(block.end(), tail.begin(), tail.end());
        ASSERT_TRUE(od_puttext(5, 2, 7, 2, block.data()));
        EXPECT_EQ(Show(caller.Take()), Show(kEsc + "[2;5H" + kEsc + "[1;33;44mab" + kEsc +
                                            "[0;37;40mc" + kEsc + "[20;1H"));
        EXPECT_EQ(od_control.current_attribute, 0x07);
    });
}

TEST(PaintingBlocks, ThePaintEverythingSwitchSendsEveryCellWithAMovePerRow)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        Prepare(caller, "ab");
        od_control.puttext_flag = 1;
        const Cells block = Text("abcd", 0x07);
        ASSERT_TRUE(od_puttext(1, 1, 2, 2, block.data()));
        EXPECT_EQ(Show(caller.Take()),
                  Show(kEsc + "[1;1Hab" + kEsc + "[2;1Hcd" + kEsc + "[20;1H"));
    });
}

struct BadBlock {
    int left, top, right, bottom;
    bool block;
};

TEST(PaintingBlocks, BadRectanglesAreRefusedWithoutChangingAnything)
{
    const std::vector<BadBlock> cases = {
        {0, 1, 1, 1, true},  {1, 0, 1, 1, true},   {2, 1, 1, 1, true}, {1, 2, 1, 1, true},
        {1, 1, 81, 1, true}, {1, 1, 1, 26, true},  {1, 1, 1, 1, false},
    };
    InSession(Mode::Ansi, [&](Caller& caller) {
        Prepare(caller, "keep");
        const Cells block(81 * 26 * 2, 'x');
        for (const BadBlock& c : cases) {
            od_control.error_code = 0;
            const void* data = c.block ? block.data() : nullptr;
            EXPECT_FALSE(od_puttext(c.left, c.top, c.right, c.bottom, data)) << c.left << c.top;
            EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
            if (c.block) {
                od_control.error_code = 0;
                EXPECT_FALSE(od_scroll(c.left, c.top, c.right, c.bottom, 1, 0)) << c.left << c.top;
                EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
            }
            od_control.error_code = 0;
            Cells out(81 * 26 * 2);
            EXPECT_FALSE(od_gettext(c.left, c.top, c.right, c.bottom, c.block ? out.data() : nullptr));
            EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
        }
        EXPECT_EQ(caller.Take(), "");
        EXPECT_EQ(CopyRow(1), "keep");
    });
}

TEST(PaintingBlocks, PlainTerminalsRefuseBlocks)
{
    InSession(Mode::Plain, [](Caller& caller) {
        const Cells block = Text("ab", 7);
        Cells out(4);
        od_control.error_code = 0;
        EXPECT_FALSE(od_puttext(1, 1, 2, 1, block.data()));
        EXPECT_EQ(od_control.error_code, OD_ERR_NOGRAPHICS);
        od_control.error_code = 0;
        EXPECT_FALSE(od_gettext(1, 1, 2, 1, out.data()));
        EXPECT_EQ(od_control.error_code, OD_ERR_NOGRAPHICS);
        od_control.error_code = 0;
        EXPECT_FALSE(od_scroll(1, 1, 2, 2, 1, 0));
        EXPECT_EQ(od_control.error_code, OD_ERR_NOGRAPHICS);
        EXPECT_EQ(caller.Take(), "");
    });
}

TEST(PaintingBlocks, AvatarCannotAddressRowsBeyond255)
{
    SessionSetup setup;
    setup.mode = Mode::Avatar;
    setup.screen_length = 300;
    InSession(setup, [](Caller& caller) {
        const Cells block = Text("a", 7);
        od_control.error_code = 0;
        EXPECT_FALSE(od_puttext(1, 256, 1, 256, block.data()));
        EXPECT_EQ(od_control.error_code, OD_ERR_LIMIT);
        EXPECT_TRUE(od_puttext(1, 255, 1, 255, block.data()));
        EXPECT_EQ(CopyChar(256, 1), ' ');
        EXPECT_EQ(CopyChar(255, 1), 'a');
        caller.Take();
    });
}

TEST(ScrollingBlocks, AvatarScrollsWithOneCommand)
{
    InSession(Mode::Avatar, [](Caller& caller) {
        for (int row = 1; row <= 6; ++row) {
            od_set_cursor(row, 1);
            od_disp_str(("row" + std::to_string(row)).c_str());
        }
        od_set_cursor(20, 1);
        caller.Take();
        ASSERT_TRUE(od_scroll(1, 2, 40, 5, 3, SCROLL_NORMAL));
        EXPECT_EQ(caller.Take(), Bytes({0x16, 0x0A, 3, 2, 1, 5, 40}));
        EXPECT_EQ(CopyRow(1), "row1");
        EXPECT_EQ(CopyRow(2), "row5");
        EXPECT_EQ(CopyRow(3), "");
        EXPECT_EQ(CopyRow(5), "");
        EXPECT_EQ(CopyRow(6), "row6");
        ASSERT_TRUE(od_scroll(1, 1, 40, 3, -1, SCROLL_NORMAL));
        EXPECT_EQ(caller.Take(), Bytes({0x16, 0x0B, 1, 1, 1, 3, 40}));
        EXPECT_EQ(CopyRow(1), "");
        EXPECT_EQ(CopyRow(2), "row1");
        int row = 0;
        od_get_cursor(&row, nullptr);
        EXPECT_EQ(row, 20);
    });
}

TEST(ScrollingBlocks, AnsiMovesTheRowsAndClearsTheLinesThatScrollIn)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        for (int row = 1; row <= 6; ++row) {
            od_set_cursor(row, 1);
            od_disp_str(("row" + std::to_string(row) + "------").c_str());
        }
        od_set_cursor(20, 7);
        caller.Take();
        ASSERT_TRUE(od_scroll(1, 2, 5, 5, 2, SCROLL_NORMAL));
        EXPECT_EQ(CopyRow(2), "row4------");
        EXPECT_EQ(CopyRow(3), "row5------");
        EXPECT_EQ(CopyRow(4), "     -----");
        EXPECT_EQ(CopyRow(5), "     -----");
        ASSERT_TRUE(od_scroll(1, 1, 80, 3, -1, SCROLL_NO_CLEAR));
        EXPECT_EQ(CopyRow(1), "row1------");  // not cleared
        EXPECT_EQ(CopyRow(2), "row1------");
        ASSERT_TRUE(od_scroll(1, 1, 80, 2, 9, SCROLL_NORMAL));  // more than its height
        EXPECT_EQ(CopyRow(1), "");
        EXPECT_EQ(CopyRow(2), "");
        int row = 0;
        int column = 0;
        od_get_cursor(&row, &column);
        EXPECT_EQ(row, 20);
        EXPECT_EQ(column, 7);
        const std::string sent = caller.Take();
        EXPECT_EQ(sent.substr(sent.size() - 7), kEsc + "[20;7H");
        ASSERT_TRUE(od_scroll(1, 1, 80, 2, 0, SCROLL_NORMAL));
        EXPECT_EQ(caller.Take(), "");
    });
}

}  // namespace
