// What the output calls send to the caller's terminal, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/output/colour.h"
#include "tests/doorkit/output/fixture.h"

namespace {

using output_test::Bytes;
using output_test::Caller;
using output_test::InSession;
using output_test::Mode;
using output_test::Show;

const std::string kEsc = "\x1b";

struct ColourCase {
    int from;  // 0xFFFF: unknown
    int to;
    bool full;
    const char* expected;
};

class AnsiColourChange : public ::testing::TestWithParam<ColourCase> {};

TEST_P(AnsiColourChange, SendsOnlyWhatTheTerminalNeeds)
{
    const ColourCase c = GetParam();
    char out[OD_COLOUR_SEQUENCE_MAX];
    const std::size_t length = ODAnsiColourSequence(static_cast<std::uint8_t>(c.to),
                                                    static_cast<std::uint16_t>(c.from), c.full, out);
    EXPECT_EQ(Show(std::string(out, length)), Show(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnsiColourChange,
    ::testing::Values(ColourCase{0xFFFF, 0x1F, false, "\x1b[0;1;37;44m"},
                      ColourCase{0x07, 0x0F, false, "\x1b[1m"},
                      ColourCase{0x0F, 0x07, false, "\x1b[0;37;40m"},
                      ColourCase{0x07, 0x02, false, "\x1b[32m"},
                      ColourCase{0x07, 0x87, false, "\x1b[5m"},
                      ColourCase{0x07, 0x07, false, ""},
                      ColourCase{0x87, 0x07, false, "\x1b[0;37;40m"},  // blink off
                      ColourCase{0x8E, 0x0E, false, "\x1b[0;1;33;40m"},
                      ColourCase{0x07, 0x9C, false, "\x1b[5;1;31;44m"},
                      ColourCase{0x07, 0x07, true, "\x1b[0;37;40m"},
                      ColourCase{0xFFFF, 0xFF, false, "\x1b[0;5;1;37;47m"}));

TEST(ColourOutput, AnsiChangesFromAnUnknownColourAreMinimalAfterwards)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_set_color(14, 0);
        EXPECT_EQ(Show(caller.Take()), Show(kEsc + "[0;1;33;40m"));
        od_set_color(14, 1);
        EXPECT_EQ(Show(caller.Take()), Show(kEsc + "[44m"));
        od_set_color(6, 1);
        EXPECT_EQ(Show(caller.Take()), Show(kEsc + "[0;33;44m"));
        od_set_color(6, 1);
        EXPECT_EQ(caller.Take(), "");
        EXPECT_EQ(od_control.current_attribute, 0x16);
    });
}

TEST(ColourOutput, FullColourCodesResendEvenAnUnchangedColour)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_control.full_colour_codes = 1;
        od_set_attrib(0x1E);
        od_set_attrib(0x1E);
        EXPECT_EQ(Show(caller.Take()), Show(kEsc + "[0;1;33;44m" + kEsc + "[0;1;33;44m"));
    });
}

TEST(ColourOutput, AvatarSendsTheAttributeOnceUntilItChanges)
{
    InSession(Mode::Avatar, [](Caller& caller) {
        od_set_attrib(0x1E);
        EXPECT_EQ(caller.Take(), Bytes({0x16, 0x01, 0x1E}));
        od_set_attrib(0x1E);
        EXPECT_EQ(caller.Take(), "");
        od_set_color(4, 0);
        EXPECT_EQ(caller.Take(), Bytes({0x16, 0x01, 0x04}));
        od_set_attrib(-1);
        EXPECT_EQ(caller.Take(), "");
        EXPECT_EQ(od_control.current_attribute, 0x04);
    });
}

TEST(ColourOutput, PlainTerminalsRefuseColourAndCursorWithoutSendingAnything)
{
    InSession(Mode::Plain, [](Caller& caller) {
        od_control.error_code = 0;
        od_set_attrib(0x1F);
        EXPECT_EQ(od_control.error_code, OD_ERR_NOGRAPHICS);
        EXPECT_EQ(od_control.current_attribute, 0xFFFF);
        od_control.error_code = 0;
        EXPECT_FALSE(od_set_cursor(5, 5));
        EXPECT_EQ(od_control.error_code, OD_ERR_NOGRAPHICS);
        EXPECT_EQ(caller.Take(), "");
        EXPECT_EQ(output_test::CopyAttr(1, 1), 7);
    });
}

TEST(TextOutput, TextGoesOutByteForByteAndIntoTheCopy)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_disp_str("a\nb");
        EXPECT_EQ(caller.Take(), "a\nb");
        od_putch('c');
        od_disp("xyz", 2, false);
        EXPECT_EQ(caller.Take(), "cxy");
        EXPECT_EQ(output_test::CopyRow(1), "a");
        EXPECT_EQ(output_test::CopyRow(2), " bc");
    });
}

TEST(TextOutput, RepeatCountsAreTakenModulo256)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_repeat('-', 300);
        EXPECT_EQ(caller.Take(), std::string(44, '-'));
        od_repeat('-', 256);
        EXPECT_EQ(caller.Take(), "");
        EXPECT_EQ(output_test::CopyRow(1), std::string(44, '-'));
    });
    InSession(Mode::Avatar, [](Caller& caller) {
        od_repeat('-', 300);
        EXPECT_EQ(caller.Take(), Bytes({0x19, '-', 44}));
        EXPECT_EQ(output_test::CopyRow(1), std::string(44, '-'));
    });
}

TEST(ScreenClearing, AnsiClearResendsTheColourInFull)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_set_color(15, 1);
        caller.Take();
        od_disp_str("text");
        od_clr_scr();
        EXPECT_EQ(Show(caller.Take()),
                  Show("text" + kEsc + "[2J" + kEsc + "[1;1H" + kEsc + "[0;1;37;44m"));
        EXPECT_EQ(output_test::CopyRow(1), "");
        EXPECT_EQ(output_test::CopyAttr(1, 1), 0x1F);
    });
}

TEST(ScreenClearing, AvatarClearsWithAFormFeedAndAnUnknownColourStaysUnknown)
{
    InSession(Mode::Avatar, [](Caller& caller) {
        od_clr_scr();
        EXPECT_EQ(caller.Take(), "\x0c");
        EXPECT_EQ(od_control.current_attribute, 0xFFFF);
    });
}

TEST(ScreenClearing, ACallerWhoDeclinedClearingKeepsTheScreenUnlessTheDoorInsists)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_disp_str("kept");
        caller.Take();
        od_control.always_clear_screen = 0;
        od_control.user_attribute = 0;
        od_clr_scr();
        EXPECT_EQ(caller.Take(), "");
        EXPECT_EQ(output_test::CopyRow(1), "kept");
        od_control.user_attribute = 0x02;
        od_clr_scr();
        EXPECT_EQ(Show(caller.Take()), Show(kEsc + "[2J" + kEsc + "[1;1H"));
    });
}

TEST(ScreenClearing, RipCallersGetTheirResetFirst)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_control.user_rip = 1;
        od_clr_scr();
        EXPECT_EQ(Show(caller.Take()), Show("!|*!|w0000270M12" + kEsc + "[2J" + kEsc + "[1;1H"));
        od_control.rip_keep_windows = 1;
        od_clr_scr();
        EXPECT_EQ(Show(caller.Take()), Show("!|*" + kEsc + "[2J" + kEsc + "[1;1H"));
    });
}

TEST(LineClearing, EachModeClearsToTheEndOfTheLine)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_disp_str("abcdef\r");
        od_set_cursor(1, 3);
        caller.Take();
        od_clr_line();
        EXPECT_EQ(Show(caller.Take()), Show(kEsc + "[K"));
        EXPECT_EQ(output_test::CopyRow(1), "ab");
    });
    InSession(Mode::Avatar, [](Caller& caller) {
        od_clr_line();
        EXPECT_EQ(caller.Take(), Bytes({0x16, 0x07}));
    });
    InSession(Mode::Plain, [](Caller& caller) {
        od_disp_str(std::string(74, 'x').c_str());
        caller.Take();
        od_clr_line();  // the cursor is in column 75
        EXPECT_EQ(Show(caller.Take()), Show("     \b\b\b\b\b"));
        EXPECT_EQ(output_test::CopyRow(1), std::string(74, 'x'));
        od_disp_str("xxxxx");
        caller.Take();
        od_clr_line();  // column 80: the last column is never written
        EXPECT_EQ(caller.Take(), "");
    });
}

TEST(CursorPositioning, OutOfRangePositionsAreRefusedAndTheCornerIsReached)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        for (auto [row, column] : std::vector<std::pair<int, int>>{{0, 5}, {26, 1}, {1, 81}, {5, 0}}) {
            od_control.error_code = 0;
            EXPECT_FALSE(od_set_cursor(row, column)) << row << "," << column;
            EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
        }
        EXPECT_EQ(caller.Take(), "");
        EXPECT_TRUE(od_set_cursor(25, 80));
        EXPECT_EQ(Show(caller.Take()), Show(kEsc + "[25;80H"));
        int row = 0;
        int column = 0;
        EXPECT_TRUE(od_get_cursor(&row, &column));
        EXPECT_EQ(row, 25);
        EXPECT_EQ(column, 80);
        EXPECT_TRUE(od_get_cursor(nullptr, &column));
        od_control.error_code = 0;
        EXPECT_FALSE(od_get_cursor(nullptr, nullptr));
        EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
    });
    InSession(Mode::Avatar, [](Caller& caller) {
        EXPECT_TRUE(od_set_cursor(25, 80));
        EXPECT_EQ(caller.Take(), Bytes({0x16, 0x08, 25, 80}));
    });
}

struct DescriptionCase {
    const char* text;
    int low_byte;
};

TEST(ColourDescriptions, WordsBuildTheAttribute)
{
    const std::vector<DescriptionCase> cases = {
        {"red on blue", 0x14},
        {"flashing bright cyan", 0x8B},
        {"YELLOW", 0x06},
        {"bright yellow", 0x0E},
        {"white", 0x07},
        {"", 0x07},
        {"  Bright\tWhite  on   Blue ", 0x1F},
        {"grey on brown", 0x67},
        {"on green", 0x02},  // the first colour word is the foreground
        {"black on black on red", 0x40},
        {"brightly red", 0x04},  // an unknown word is ignored
        {"redredredredredredredredredredredredredred blue", 0x01},  // cut to 39, no match
    };
    InSession(Mode::Ansi, [&](Caller&) {
        for (const DescriptionCase& c : cases)
            EXPECT_EQ(od_color_config(c.text) & 0xFF, c.low_byte) << c.text;
        EXPECT_LT(od_color_config("flashing red"), 0) << "flashing sets every higher bit";
        const char* text = "blue";
        od_color_config(text);
        EXPECT_EQ(pchColorEndPos, text + 4);
    });
}

TEST(FormattedOutput, ColourNamesBetweenBackquotesChangeTheColour)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_printf("`bright white on blue`Hello");
        EXPECT_EQ(Show(caller.Take()), Show(kEsc + "[0;1;37;44mHello"));
        od_printf("%d items`red`, %s", 3, "done");
        EXPECT_EQ(Show(caller.Take()), Show("3 items" + kEsc + "[0;31;40m, done"));
        EXPECT_EQ(output_test::CopyRow(1), "Hello3 items, done");
        EXPECT_EQ(output_test::CopyAttr(1, 1), 0x1F);
        EXPECT_EQ(output_test::CopyAttr(1, 13), 0x04);
        EXPECT_EQ(chColorCheck, 0);
    });
}

TEST(FormattedOutput, AnUnclosedDescriptionStillAppliesItsColour)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_printf("before`green");
        EXPECT_EQ(Show(caller.Take()), Show("before" + kEsc + "[0;32;40m"));
        od_printf("last`");
        EXPECT_EQ(caller.Take(), "last");
        EXPECT_EQ(od_control.current_attribute, 0x02);
    });
}

TEST(FormattedOutput, ColourBytesFollowTheirDelimiter)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_control.colour_byte_delimiter = 0x01;
        od_printf("a\x01\x1e" "b\x01\xff" "c\x01");
        EXPECT_EQ(Show(caller.Take()), Show("a" + kEsc + "[0;1;33;44mbc"));
        // A blinking colour byte sets the blink bit, nothing above it.
        od_printf("\x01\x8f" "d");
        EXPECT_EQ(od_control.current_attribute, 0x8F);
        caller.Take();
    });
}

TEST(FormattedOutput, WithoutDelimitersTheTextIsSentAsIs)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_control.colour_name_delimiter = 0;
        od_printf("`red`%05.1f", 2.25);
        EXPECT_EQ(caller.Take(), "`red`002.2");
        const std::string long_text(3000, 'z');
        od_printf("%s", long_text.c_str());
        EXPECT_EQ(caller.Take(), long_text);
    });
}

TEST(FormattedOutput, PlainTerminalsGetTheTextWithoutColours)
{
    InSession(Mode::Plain, [](Caller& caller) {
        od_printf("`red`alert");
        EXPECT_EQ(caller.Take(), "alert");
    });
}

void ExitFromTheKernel()
{
    od_control.kernel_hook = nullptr;
    od_exit(0, false);
}

TEST(FormattedOutput, AnExitAskedForMidTextStopsTheRestWithoutACrash)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        // The exit waits for od_printf to return; the rest of its text and
        // the colour after the first run are refused.
        od_control.exit_without_terminating = 1;
        od_control.kernel_hook = ExitFromTheKernel;
        ODTimerStart(&RunKernelTimer, 0);
        od_printf("first`red`second`green`third");
        EXPECT_EQ(caller.Take(), "first");
    });
}

}  // namespace
