// The drawing kit: clipping around the art panel, gauges, wrapped prose,
// the title band, the stage screen and the continue prompt.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "game/interbbs.h"
#include "game/run_state.h"
#include "game/screen_kit.h"
#include "game/seasons.h"
#include "tests/game/game_session.h"
#include "tests/support/screen.h"

using game_test::cells_text;
using game_test::draw_on_screen;
using grimbo_test::Screen;

namespace {

const std::string kSixty = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX";

constexpr std::time_t k2026Oct31 = 1793448000;  // 2026-10-31 12:00 UTC
constexpr std::time_t k2026Jan15 = 1768478400;  // 2026-01-15 12:00 UTC

TEST(Put, TextBesideTheArtPanelEndsBeforeColumn44)
{
    Screen screen(25, 80, true);
    draw_on_screen(
        [] {
            put(3, 5, 7, kSixty.c_str());
            put(3, 19, 7, kSixty.c_str());
            put(40, 17, 7, "abcdefgh");
            put(3, 18, 7, kSixty.c_str());
        },
        screen);
    EXPECT_EQ(screen.row_text(5), "  " + kSixty.substr(0, 41));
    EXPECT_EQ(screen.row_text(19), "  " + kSixty);
    EXPECT_EQ(screen.row_text(17), std::string(39, ' ') + "abcd");
    EXPECT_EQ(screen.row_text(18), "  " + kSixty);
}

TEST(Put, ArtPanelAreaAndOffScreenPositions)
{
    Screen screen(25, 80, true);
    draw_on_screen(
        [] {
            put(50, 10, 7, "x");   // the panel's own area is not guarded
            put(44, 11, 7, "y");   // the margin takes nothing
            put(47, 12, 7, "z");
            put(79, 20, 7, "w");   // beyond column 78
            put(3, 25, 7, "v");    // below row 24
            put(0, 21, 7, "u");
            put(70, 22, 7, "0123456789ABCDEF");  // cut at column 78
            put(3, 23, 7, nullptr);
        },
        screen);
    EXPECT_EQ(screen.cell(10, 50).ch, U'x');
    EXPECT_EQ(screen.row_text(11), "");
    EXPECT_EQ(screen.cell(12, 47).ch, U'z');
    EXPECT_EQ(screen.row_text(20), "");
    EXPECT_EQ(screen.row_text(21), "");
    EXPECT_EQ(screen.row_text(22), std::string(69, ' ') + "012345678");
}

struct BarCase {
    int value;
    int filled;
};

TEST(Bar, FillsOneCellPerSevenPercentClampedToTheGauge)
{
    const BarCase cases[] = {{100, 14}, {99, 13}, {50, 7}, {7, 0}, {8, 1},
                             {150, 14}, {-5, 0}, {INT_MAX, 14}, {INT_MIN, 0}};
    for (const BarCase& c : cases) {
        Screen screen(25, 80, true);
        draw_on_screen([&c] { bar(20, "STAMINA", c.value, 11); }, screen);
        EXPECT_EQ(screen.row_text(20).substr(0, 13), "  STAMINA   [") << c.value;
        EXPECT_EQ(screen.cell(20, 28).ch, U']');
        for (int i = 0; i < 14; ++i) {
            bool full = i < c.filled;
            grimbo_test::Cell cell = screen.cell(20, 14 + i);
            EXPECT_EQ(cell.ch, full ? U'\u2588' : U'\u2591') << c.value << " cell " << i;
            EXPECT_EQ(cell.attribute, full ? 11 : 8) << c.value << " cell " << i;
        }
    }
}

TEST(Prose, WrapsAtWordsAndCutsWordsLongerThanALine)
{
    const std::string word(95, 'w');
    Screen screen(25, 80, true);
    draw_on_screen(
        [&word] {
            prose(4, 7, ("  start " + word + " end").c_str(), 40);
        },
        screen);
    EXPECT_EQ(screen.row_text(4), "  start");
    // Rows 5 and 6 lie beside the art panel, where 41 characters would fit.
    EXPECT_EQ(screen.row_text(5), "  " + std::string(40, 'w'));
    EXPECT_EQ(screen.row_text(6), "  " + std::string(40, 'w'));
    EXPECT_EQ(screen.row_text(7), "  " + std::string(15, 'w') + " end");
}

TEST(Prose, NewlinesEndLinesAndBlankRowsStay)
{
    Screen screen(25, 80, true);
    draw_on_screen([] { prose(8, 14, "one two\n\nthree", 39); }, screen);
    EXPECT_EQ(screen.row_text(8), "  one two");
    EXPECT_EQ(screen.row_text(9), "");
    EXPECT_EQ(screen.row_text(10), "  three");
    EXPECT_EQ(screen.cell(10, 3).attribute, 14);
}

TEST(Prose, NothingIsWrittenBelowRow20)
{
    Screen screen(25, 80, true);
    draw_on_screen([] { prose(18, 7, "aaaa bbbb cccc dddd eeee", 9); }, screen);
    EXPECT_EQ(screen.row_text(18), "  aaaa bbbb");
    EXPECT_EQ(screen.row_text(19), "  cccc dddd");
    EXPECT_EQ(screen.row_text(20), "  eeee");
    Screen later(25, 80, true);
    draw_on_screen([] { prose(19, 7, "aaaa bbbb cccc dddd eeee ffff", 9); }, later);
    EXPECT_EQ(later.row_text(20), "  cccc dddd");
    EXPECT_EQ(later.row_text(21), "");
    EXPECT_EQ(later.row_text(22), "");
}

TEST(Header, TitleCaptionAndBoardNameBetweenShadingStrips)
{
    Screen screen(25, 80, true);
    draw_on_screen(
        [] {
            season_bind_at(k2026Jan15);
            apply_config_text("{\"bbs_name\": \"The Twenty-Two Char BBS\"}", 64);
            header("A CAPTION LONGER THAN THIRTY-SEVEN CHARACTERS");
        },
        screen);
    EXPECT_EQ(cells_text(screen, 1, 2, 19), "GRIMBO - HOLLOWTIDE");
    EXPECT_EQ(screen.cell(1, 2).attribute, 11);
    EXPECT_EQ(screen.row_text(1).substr(41), "A CAPTION LONGER THAN THIRTY-SEVEN CH");
    EXPECT_EQ(screen.cell(1, 42).attribute, 14);
    EXPECT_EQ(cells_text(screen, 2, 15, 20), "The Twenty-Two Char ");
    EXPECT_EQ(screen.cell(2, 2).ch, U'\u2591');
    EXPECT_EQ(screen.cell(2, 5).ch, U'\u2588');
    EXPECT_EQ(screen.cell(2, 37).ch, U'\u2591');  // 17 + 20 shown characters
    EXPECT_EQ(screen.cell(2, 37).attribute, 8);
}

TEST(Header, OctoberTitleAndDefaultBoardName)
{
    Screen screen(25, 80, true);
    draw_on_screen(
        [] {
            season_bind_at(k2026Oct31);
            std::strcpy(bbs_name, "VEXA ONLINE");
            header(nullptr);
        },
        screen);
    EXPECT_EQ(screen.row_text(1), " GOURDFALL");
    EXPECT_EQ(cells_text(screen, 2, 15, 11), "VEXA ONLINE");
    EXPECT_EQ(screen.cell(2, 28).ch, U'\u2591');
}

TEST(Scene, StageScreenUsesTheMonthsWording)
{
    Screen october(25, 80, true);
    draw_on_screen(
        [] {
            season_bind_at(k2026Oct31);
            level = 6;
            hp = 50;
            energy = 100;
            score = 1234;
            coins = 20;
            keys = 3;
            clues = 1;
            scene(stage_clues[level]);
        },
        october);
    EXPECT_EQ(october.row_text(1).substr(41), places[6]);
    // The art panel fills columns 47-76 of rows 4-22; text stays left of it.
    const std::string line = seasons[9].guardian_lines[6];
    EXPECT_EQ(cells_text(october, 5, 3, static_cast<int>(line.size())), line);
    EXPECT_EQ(october.row_text(18).substr(0, 11), "  SANITY   ");
    EXPECT_EQ(october.row_text(20).substr(0, 11), "  STAMINA  ");
    EXPECT_EQ(cells_text(october, 22, 1, 46), "  STAGE 7/8 SCORE 1234 CANDY 20 KEYS 3 CLUES 1");

    Screen january(25, 80, true);
    draw_on_screen(
        [] {
            season_bind_at(k2026Jan15);
            level = 0;
            scene(nullptr);
        },
        january);
    EXPECT_EQ(january.row_text(18).substr(0, 11), "  HEALTH   ");
    EXPECT_NE(january.row_text(22).find(" TOKENS "), std::string::npos);
}

// waitc in a session: the keys the caller types, and what it leaves in
// quit_requested (reported as the child's status).
int waitc_outcome(const std::string& keys, int quit_before, int adventure)
{
    grimbo_test::ChildResult result = game_test::run_session([&](game_test::Caller& caller) {
        quit_requested = quit_before;
        in_adventure = adventure;
        caller.send(keys);
        waitc();
        return quit_requested;
    });
    EXPECT_TRUE(result.exited) << result.err;
    return result.timed_out ? -1 : result.status;
}

TEST(Waitc, QOrEscAsksToQuitAndCContinues)
{
    EXPECT_EQ(waitc_outcome("q", 0, 0), 1);
    EXPECT_EQ(waitc_outcome("\x1b", 0, 0), 1);
    EXPECT_EQ(waitc_outcome("xyc", 0, 0), 0);
    // With a quit already asked for, any key goes on.
    EXPECT_EQ(waitc_outcome("x", 1, 1), 1);
}

TEST(Waitc, ArrowKeysAreNotEsc)
{
    EXPECT_EQ(waitc_outcome("\x1b[A\x1b[D\x1bOPc", 0, 1), 0);
}

TEST(Waitc, PromptNamesWhereQLeads)
{
    grimbo_test::ChildResult result = game_test::run_session([](game_test::Caller& caller) {
        in_adventure = 1;
        caller.send("c");
        waitc();
        return 0;
    });
    Screen screen(25, 80, true);
    screen.feed(result.out);
    EXPECT_EQ(screen.row_text(23), "   [C] CONTINUE     [Q] BACK TO LOBBY");
    EXPECT_EQ(screen.cell(23, 4).attribute, 7);
}

}  // namespace
