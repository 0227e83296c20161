// The art panels: their data, the October colour animation and what a
// caller's terminal shows when they are drawn.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <regex>
#include <set>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/transport/cp437.h"
#include "game/seasons.h"
#include "tests/game/game_session.h"
#include "tests/support/screen.h"

using game_test::draw_on_screen;
using grimbo_test::Screen;

namespace {

constexpr std::time_t k2026Jan15 = 1768478400;  // 2026-01-15 12:00 UTC
constexpr std::time_t k2026Mar15 = 1773576000;  // 2026-03-15 12:00 UTC
constexpr std::time_t k2026Oct15 = 1792065600;  // 2026-10-15 12:00 UTC

char32_t unicode(unsigned char ch)
{
    return ch < 0x80 ? ch : cp437_unicode_table[ch - 0x80];
}

int attribute(int fg, int bg) { return fg | bg << 4; }

struct harvest_case {
    int colour, row, column, frame, expected;
    const char* why;
};

TEST(HarvestColor, AnimatesBodyEyesAndStem)
{
    const harvest_case cases[] = {
        {6, 12, 14, 0, 0, "carved groove: rows 11-15, column divisible by 7"},
        {6, 0, 0, 0, 4, "edge stripe where column + row is divisible by 4"},
        {6, 0, 1, 0, 6, "edge between stripes"},
        {6, 3, 15, 0, 14, "glint near the middle"},
        {6, 2, 15, 0, 6, "plain body"},
        {6, 10, 14, 0, 6, "no groove above row 11"},
        {6, 16, 14, 0, 6, "no groove below row 15"},
        {6, 0, 13, 2, 12, "rage flicker"},
        {6, 12, 14, 2, 12, "rage flicker wins over a groove"},
        {6, 0, 5, 3, 15, "sparkle"},
        {6, 1, 15, 3, 6, "no sparkle"},
        {6, 0, 4, 3, 4, "edge stripe without sparkle"},
        {14, 8, 3, 1, 15, "eyes glow on rows 7-12"},
        {14, 8, 3, 0, 14, "no glow in frame 0"},
        {14, 13, 3, 1, 14, "no glow below row 12"},
        {2, 0, 7, 0, 10, "stem highlight"},
        {2, 0, 1, 0, 2, "plain stem"},
        {7, 0, 0, 0, 7, "clouds are left alone"},
        {7, 0, 0, 4, 0, "dissolve blanks any colour"},
        {2, 1, 1, 4, 2, "dissolve spares column + 3 x row not divisible by 5"},
        {14, 1, 2, 4, 0, "dissolve hits the eyes too"},
    };
    for (const harvest_case& c : cases)
        EXPECT_EQ(harvest_color(c.colour, c.row, c.column, c.frame), c.expected) << c.why;
}

bool allowed_glyph(unsigned char ch)
{
    return (ch >= 32 && ch < 127) || (ch >= 176 && ch <= 223) || ch == 249 || ch == 250 || ch == 254;
}

TEST(MonthPanels, CellsAreDrawableGlyphsOnDarkBackgrounds)
{
    for (int month = 0; month < season_count; ++month) {
        SCOPED_TRACE(seasons[month].month);
        std::set<int> colours;
        for (const auto& row : seasonal_art[month].cells) {
            for (const art_cell& cell : row) {
                EXPECT_TRUE(allowed_glyph(cell.ch)) << int(cell.ch);
                EXPECT_LE(cell.fg, 15);
                EXPECT_LE(cell.bg, 7) << "a bright background would blink";
                colours.insert(cell.fg);
                colours.insert(cell.bg);
            }
        }
        EXPECT_GE(colours.size(), 5u) << "a picture, not a blank panel";
    }
}

TEST(MonthPanels, EveryMonthHasItsOwnPicture)
{
    for (int a = 0; a < season_count; ++a)
        for (int b = a + 1; b < season_count; ++b)
            EXPECT_NE(std::memcmp(&seasonal_art[a], &seasonal_art[b], sizeof(art_panel)), 0)
                << seasons[a].month << " and " << seasons[b].month;
}

TEST(OctoberPicture, PumpkinPaletteWithBodyEyesAndStemWhereTheAnimationExpectsThem)
{
    const std::set<int> palette = {0, 2, 6, 7, 8, 14, 15};
    int body = 0;
    int glowing_eyes = 0;
    int stem = 0;
    for (int row = 0; row < art_rows; ++row) {
        for (int column = 0; column < art_columns; ++column) {
            const art_pixel_pair pair = grimbo_pixels.cells[row][column];
            for (int colour : {pair.upper, pair.lower}) {
                EXPECT_TRUE(palette.count(colour)) << "colour " << colour << " at " << row << "," << column;
                body += colour == 6;
                glowing_eyes += colour == 14 && row >= 7 && row <= 12;
                stem += colour == 2;
            }
        }
    }
    EXPECT_GT(body, 300);
    EXPECT_GT(glowing_eyes, 20);
    EXPECT_GT(stem, 10);
}

// The two pixels a cell shows, from its half-block character and colours.
void shown_pixels(const grimbo_test::Cell& cell, int& upper, int& lower)
{
    const int fg = cell.attribute & 15;
    const int bg = cell.attribute >> 4 & 7;
    if (cell.ch == unicode(223)) {
        upper = fg;
        lower = bg;
    } else if (cell.ch == unicode(220)) {
        upper = bg;
        lower = fg;
    } else if (cell.ch == unicode(219)) {
        upper = lower = fg;
    } else {
        upper = lower = -1;
    }
}

TEST(OctoberPicture, ShowsTheHarvestColoursWithoutEverBlinking)
{
    for (int frame = 0; frame <= 4; ++frame) {
        SCOPED_TRACE(frame);
        Screen screen(25, 80, true);
        draw_on_screen([frame] { grimbo_art(47, 4, frame); }, screen);
        for (int row = 0; row < art_rows; ++row) {
            for (int column = 0; column < art_columns; ++column) {
                const grimbo_test::Cell cell = screen.cell(4 + row, 47 + column);
                ASSERT_EQ(cell.attribute & 0x80, 0) << "blinking cell at " << row << "," << column;
                const art_pixel_pair pair = grimbo_pixels.cells[row][column];
                int upper = harvest_color(pair.upper, row, column, frame);
                int lower = harvest_color(pair.lower, row, column, frame);
                if (frame == 3 && (row + column) % 11 == 0) {
                    upper = 14;
                    lower = 12;
                }
                if (upper >= 8 && lower >= 8 && upper != lower)
                    lower &= 7;  // both bright: the lower pixel is shown dimmed
                int shown_upper = 0;
                int shown_lower = 0;
                shown_pixels(cell, shown_upper, shown_lower);
                EXPECT_EQ(shown_upper, upper) << "upper pixel at " << row << "," << column;
                EXPECT_EQ(shown_lower, lower) << "lower pixel at " << row << "," << column;
            }
        }
    }
}

void expect_panel(const Screen& screen, int month, int top, int left, int frame)
{
    for (int row = 0; row < art_rows; ++row) {
        for (int column = 0; column < art_columns; ++column) {
            if (left + column > 79 || top + row > 24)
                continue;
            art_cell want = seasonal_art[month].cells[row][column];
            if (frame == 3 && want.fg != 0 && (row + column) % 9 == 0)
                want.fg = 15;
            if (frame == 4 && (row + column) % 3 == 0)
                want = {' ', 0, 0};
            const grimbo_test::Cell got = screen.cell(top + row, left + column);
            ASSERT_EQ(got.ch, unicode(want.ch)) << "cell " << row << "," << column;
            ASSERT_EQ(got.attribute, attribute(want.fg, want.bg)) << "cell " << row << "," << column;
        }
    }
}

TEST(SeasonalDraw, ShowsTheMonthsPanelFromRowFourAndLeavesTheRestAlone)
{
    Screen screen(25, 80, true);
    draw_on_screen(
        [] {
            season_bind_at(k2026Jan15);
            seasonal_draw(47, 0);
        },
        screen);
    expect_panel(screen, 0, 4, 47, 0);
    EXPECT_EQ(screen.row_text(3), "");
    EXPECT_EQ(screen.row_text(23), "");
    for (int row = 4; row <= 22; ++row) {
        EXPECT_EQ(screen.cell(row, 46).ch, U' ');
        EXPECT_EQ(screen.cell(row, 77).ch, U' ');
    }
}

TEST(SeasonalDraw, SparkleAndDissolveFrames)
{
    for (int frame : {1, 2, 3, 4}) {
        SCOPED_TRACE(frame);
        Screen screen(25, 80, true);
        draw_on_screen(
            [frame] {
                season_bind_at(k2026Mar15);
                seasonal_draw(47, frame);
            },
            screen);
        expect_panel(screen, 2, 4, 47, frame);
    }
}

TEST(SeasonalDraw, DissolveBlanksTheTopLeftCell)
{
    Screen screen(25, 80, true);
    draw_on_screen(
        [] {
            season_bind_at(k2026Jan15);
            od_set_cursor(4, 47);
            od_disp_str("#");
            seasonal_draw(47, 4);
        },
        screen);
    EXPECT_EQ(screen.cell(4, 47).ch, U' ');
    EXPECT_EQ(screen.cell(4, 47).attribute, 0);
}

TEST(SeasonalDraw, RowsAreCutAtColumn79AndBelowRow24)
{
    Screen screen(25, 80, true);
    draw_on_screen(
        [] {
            season_bind_at(k2026Mar15);
            seasonal_draw_at(60, 20, 0);
        },
        screen);
    expect_panel(screen, 2, 20, 60, 0);
    for (int row = 20; row <= 24; ++row)
        EXPECT_EQ(screen.cell(row, 80).ch, U' ') << row;
    EXPECT_EQ(screen.row_text(25), "");
    EXPECT_EQ(screen.row_text(19), "");
    EXPECT_EQ(screen.row_text(1), "");
}

TEST(SeasonalDraw, EndingAnimationDrawsFromRowThree)
{
    Screen screen(25, 80, true);
    draw_on_screen(
        [] {
            season_bind_at(k2026Mar15);
            seasonal_draw_at(28, 3, 2);
        },
        screen);
    expect_panel(screen, 2, 3, 28, 2);
    EXPECT_EQ(screen.row_text(22), "");
}

TEST(SeasonalDraw, ColourIsGreyOnBlackAfterwards)
{
    for (bool october : {false, true}) {
        Screen screen(25, 80, true);
        draw_on_screen(
            [october] {
                season_bind_at(october ? k2026Oct15 : k2026Jan15);
                season_art(47, 4, 0);
                od_set_cursor(24, 1);
                od_disp_str("after");
            },
            screen);
        EXPECT_EQ(screen.cell(24, 1).attribute, 0x07) << (october ? "October" : "January");
    }
}

TEST(SeasonalDraw, OctoberArtIsThePumpkinOtherMonthsThePanel)
{
    Screen pumpkin(25, 80, true);
    draw_on_screen([] { grimbo_art(47, 4, 2); }, pumpkin);
    Screen october(25, 80, true);
    draw_on_screen(
        [] {
            season_bind_at(k2026Oct15);
            season_art(47, 4, 2);
        },
        october);
    EXPECT_EQ(october.text(), pumpkin.text());
    for (int row = 4; row <= 22; ++row)
        for (int column = 47; column <= 76; ++column)
            ASSERT_EQ(october.cell(row, column).attribute, pumpkin.cell(row, column).attribute);

    Screen march(25, 80, true);
    draw_on_screen(
        [] {
            season_bind_at(k2026Mar15);
            season_art(47, 4, 0);
        },
        march);
    expect_panel(march, 2, 4, 47, 0);
}

TEST(SeasonalDraw, EachRowIsOneCursorMoveAndItsRunsFollowOnWithoutMoves)
{
    grimbo_test::ChildResult result = game_test::run_session([](game_test::Caller&) {
        season_bind_at(k2026Jan15);
        seasonal_draw(47, 0);
        return 0;
    });
    ASSERT_TRUE(result.exited);
    ASSERT_EQ(result.status, 0) << result.err;

    // Each run of one colour starts where the one before it ended, so only
    // the first run of a row moves the cursor.
    const std::regex cursor_move("\x1b\\[[0-9]+;[0-9]+H");
    const auto moves = std::distance(std::sregex_iterator(result.out.begin(), result.out.end(), cursor_move),
                                     std::sregex_iterator());
    EXPECT_EQ(moves, art_rows);
    Screen screen(25, 80, true);
    screen.feed(result.out);
    expect_panel(screen, 0, art_top_row, 47, 0);
}

}  // namespace
