// The drawing kit: clipping around the art panel, gauges, wrapped prose,
// the title band, the stage screen and the continue prompt.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

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

// The art panel of January alone, as the screen shows it.
void january_art()
{
    season_bind_at(k2026Jan15);
    header(nullptr);
    show_art(art_panel_column, 0);
}

// Columns 47-76 of rows 4-22: the picture.
std::string panel_cells(const Screen& screen)
{
    std::string cells;
    for (int row = 4; row <= 22; ++row)
        for (int column = 47; column <= 76; ++column) {
            const grimbo_test::Cell cell = screen.cell(row, column);
            cells += std::to_string(static_cast<unsigned>(cell.ch)) + ":" +
                     std::to_string(cell.attribute) + " ";
        }
    return cells;
}

TEST(Put, TextBesideTheArtPanelKeepsOffThePicture)
{
    Screen art(25, 80, true);
    draw_on_screen(january_art, art);
    Screen screen(25, 80, true);
    draw_on_screen(
        [] {
            january_art();
            put(3, 5, 7, kSixty.c_str());
            put(40, 17, 7, "abcdefgh");
            put(3, 18, 7, kSixty.c_str());
            put(3, 22, 7, kSixty.c_str());
            put(3, 23, 7, kSixty.c_str());
        },
        screen);
    // Beside the picture the margin stays clear; below row 17 the text
    // reaches the picture's edge and no further; below the panel it is whole.
    EXPECT_EQ(cells_text(screen, 5, 1, 46), "  " + kSixty.substr(0, 41) + "   ");
    EXPECT_EQ(cells_text(screen, 17, 1, 46), std::string(39, ' ') + "abcd   ");
    EXPECT_EQ(cells_text(screen, 18, 1, 46), "  " + kSixty.substr(0, 44));
    EXPECT_EQ(cells_text(screen, 22, 1, 46), "  " + kSixty.substr(0, 44));
    EXPECT_EQ(screen.row_text(23), "  " + kSixty);
    EXPECT_EQ(panel_cells(screen), panel_cells(art));
}

TEST(Put, WithoutTheArtPanelNothingIsCut)
{
    Screen screen(25, 80, true);
    draw_on_screen(
        [] {
            season_bind_at(k2026Jan15);
            header("NO ART HERE");
            put(3, 5, 7, kSixty.c_str());
            put(40, 17, 7, "abcdefgh");
            put(44, 11, 7, "y");
            put(3, 22, 7, kSixty.c_str());
        },
        screen);
    EXPECT_EQ(screen.row_text(5), "  " + kSixty);
    EXPECT_EQ(screen.row_text(17), std::string(39, ' ') + "abcdefgh");
    EXPECT_EQ(screen.row_text(11), std::string(43, ' ') + "y");
    EXPECT_EQ(screen.row_text(22), "  " + kSixty);
}

TEST(Put, ArtPanelAreaAndOffScreenPositions)
{
    Screen screen(25, 80, true);
    draw_on_screen(
        [] {
            january_art();
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
    EXPECT_EQ(cells_text(screen, 11, 44, 3), "   ");
    EXPECT_EQ(screen.cell(12, 47).ch, U'z');
    EXPECT_EQ(screen.cell(20, 79).ch, U' ');
    EXPECT_EQ(cells_text(screen, 21, 1, 46), std::string(46, ' '));
    EXPECT_EQ(cells_text(screen, 22, 70, 10), "012345678 ");
    EXPECT_EQ(screen.row_text(23), "");
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

struct WrapCase {
    const char* what;
    const char* text;
    int width;
    std::vector<std::string> rows;  // from row 12, as shown from column 3
};

TEST(Prose, KeepsBlanksInsideALineAndKeysWithTheirWords)
{
    const WrapCase cases[] = {
        {"double blanks between options", "[1] MASK  [2] LANTERN  [3] MIRROR", 40,
         {"[1] MASK  [2] LANTERN  [3] MIRROR"}},
        {"blanks at a break and at the start are dropped", "   one   two    three", 9,
         {"one   two", "three"}},
        {"the last option moves whole", "[1] SUNLIGHT  [2] MOONLIGHT  [3] GHOSTLIGHT", 40,
         {"[1] SUNLIGHT  [2] MOONLIGHT", "[3] GHOSTLIGHT"}},
        {"a key at the end of a row goes down with its word",
         "[1] CARVE (12) [2] THROW CANDY (18) [3] DODGE", 40,
         {"[1] CARVE (12) [2] THROW CANDY (18)", "[3] DODGE"}},
        {"an option longer than a row still wraps", "[1] ABCDEFGH IJKLMNOP", 12,
         {"[1] ABCDEFGH", "IJKLMNOP"}},
        {"brackets inside a sentence are no key", "REST NOW WITH [5]. THEN STRIKE", 18,
         {"REST NOW WITH [5].", "THEN STRIKE"}},
        {"a paragraph without keys", "The town clock stopped at midnight.", 20,
         {"The town clock", "stopped at midnight."}},
    };
    for (const WrapCase& c : cases) {
        Screen screen(25, 80, true);
        draw_on_screen([&c] { prose(12, 7, c.text, c.width); }, screen);
        for (std::size_t i = 0; i < c.rows.size(); ++i)
            EXPECT_EQ(screen.row_text(12 + static_cast<int>(i)), "  " + c.rows[i]) << c.what;
        EXPECT_EQ(screen.row_text(12 + static_cast<int>(c.rows.size())), "") << c.what;
    }
}

TEST(PutWrapped, ALineThatDoesNotFitBesideTheArtContinuesBelow)
{
    struct Case {
        const char* what;
        bool art;
        int row;
        const char* text;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"two options", true, 12, "[4] SPECIAL (supply)  [5] TAUNT (+stamina)",
         {"[4] SPECIAL (supply)", "[5] TAUNT (+stamina)"}},
        {"a guardian line", true, 5,
         "Rime Runner guards the next seal. Rebuild the clock and thaw the town.",
         {"Rime Runner guards the next seal. Rebuild", "the clock and thaw the town."}},
        {"a line that fits", true, 5, "YOU SEARCH THE DARKNESS. SOMETHING MOVES.",
         {"YOU SEARCH THE DARKNESS. SOMETHING MOVES."}},
        {"no art: one row", false, 5,
         "Rime Runner guards the next seal. Rebuild the clock and thaw the town.",
         {"Rime Runner guards the next seal. Rebuild the clock and thaw the town."}},
    };
    for (const Case& c : cases) {
        grimbo_test::ChildResult result = game_test::run_session([&c](game_test::Caller&) {
            if (c.art)
                january_art();
            else
                header(nullptr);
            return put_wrapped(3, c.row, 7, c.text);
        });
        Screen screen(25, 80, true);
        screen.feed(result.out);
        EXPECT_EQ(result.status, static_cast<int>(c.rows.size())) << c.what;
        // Left of the picture, or the whole row on a screen without one.
        const int shown = c.art ? 46 : 80;
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            std::string want = "  " + c.rows[i];
            want.resize(static_cast<std::size_t>(shown), ' ');
            EXPECT_EQ(cells_text(screen, c.row + static_cast<int>(i), 1, shown), want) << c.what;
        }
    }
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

TEST(Scene, StatusLineTooLongBesideTheArtTakesTheShortWording)
{
    struct Case {
        std::time_t when;
        int score;
        int coins;
        int keys;
        const char* shown;  // columns 1-46 of row 22
    };
    const Case cases[] = {
        // 44 characters reach the picture's edge and fit; one more does not.
        {k2026Jan15, 123, 20, 3, "  STAGE 8/8 SCORE 123 TOKENS 20 KEYS 3 CLUES 2"},
        {k2026Jan15, 1234, 20, 3, "  STG 8/8 SCR 1234 TOK 20 KEY 3 CLU 2         "},
        {k2026Jan15, 15000, 300, 16, "  STG 8/8 SCR 15000 TOK 300 KEY 16 CLU 2      "},
        {k2026Oct31, 1234, 20, 3, "  STAGE 8/8 SCORE 1234 CANDY 20 KEYS 3 CLUES 2"},
        {k2026Oct31, 123456, 200, 17, "  STG 8/8 SCR 123456 CANDY 200 KEY 17 CLU 2   "},
    };
    for (const Case& c : cases) {
        Screen screen(25, 80, true);
        draw_on_screen(
            [&c] {
                season_bind_at(c.when);
                level = 7;
                score = c.score;
                coins = c.coins;
                keys = c.keys;
                clues = 2;
                scene(nullptr);
            },
            screen);
        EXPECT_EQ(cells_text(screen, 22, 1, 46), c.shown);
    }
}

// waitc in a session: the keys the caller types, and what it leaves in
// quit_requested (reported as the child's status).
int waitc_outcome(const std::string& keys, int quit_before, int adventure, int at_stake = 0,
                  const std::string& later = "")
{
    grimbo_test::ChildResult result = game_test::run_session([&](game_test::Caller& caller) {
        quit_requested = quit_before;
        quit_loses_run = at_stake;
        in_adventure = adventure;
        caller.send(keys);
        // Typed after a pause, so that a lone Esc before them stays a key.
        std::thread typist([&caller, &later]() {
            if (later.empty())
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            caller.send(later);
        });
        waitc();
        typist.join();
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

TEST(Waitc, AQuitThatThrowsARunAwayIsAskedFirst)
{
    struct Case {
        const char* what;
        const char* keys;
        const char* later;
        int at_stake;
        int quit;
    };
    const Case cases[] = {
        {"Y leaves", "qy", "", 1, 1},
        {"upper-case Y after Esc", "\x1b", "Y", 1, 1},
        {"N goes back to the prompt", "qnc", "", 1, 0},
        {"any other key goes back", "Q\rc", "", 1, 0},
        {"Esc is no answer", "q\x1b", "c", 1, 0},
        {"nothing at stake: no question", "q", "", 0, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(waitc_outcome(c.keys, 0, 1, c.at_stake, c.later), c.quit) << c.what;
}

// The screen the caller sees after `keys` at a stage screen's prompt.
std::string stage_prompt_after(const std::string& keys)
{
    grimbo_test::ChildResult result = game_test::run_session([&keys](game_test::Caller& caller) {
        season_bind_at(k2026Jan15);
        level = 2;
        hp = 80;
        energy = 60;
        in_adventure = 1;
        quit_requested = 0;
        quit_loses_run = 1;
        scene(stage_clues[level]);
        caller.send(keys);
        waitc();
        return quit_requested;
    });
    EXPECT_TRUE(result.exited) << result.err;
    Screen screen(25, 80, true);
    screen.feed(result.out);
    std::string cells;
    for (int row = 1; row <= 24; ++row)
        for (int column = 1; column <= 80; ++column)
            cells += std::to_string(static_cast<unsigned>(screen.cell(row, column).ch)) + ":" +
                     std::to_string(screen.cell(row, column).attribute) + " ";
    return cells + "quit " + std::to_string(result.status) + "\n" +
           (result.out.find("ABANDON THIS RUN? THE SCORE IS LOST. [Y/N]") != std::string::npos
                ? "asked"
                : "not asked");
}

TEST(Waitc, TheScreenLooksAsBeforeWhenTheQuitIsTakenBack)
{
    const std::string plain = stage_prompt_after("c");
    const std::string taken_back = stage_prompt_after("qnc");
    EXPECT_EQ(plain.substr(0, plain.find('\n')), taken_back.substr(0, taken_back.find('\n')));
    EXPECT_EQ(plain.substr(plain.find('\n')), "\nnot asked");
    EXPECT_EQ(taken_back.substr(taken_back.find('\n')), "\nasked");
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

    // Where Q leads to the lobby with no run on (the daily refused).
    grimbo_test::ChildResult lobby = game_test::run_session([](game_test::Caller& caller) {
        in_adventure = 0;
        caller.send("q");
        waitc_lobby();
        return quit_requested;
    });
    Screen refused(25, 80, true);
    refused.feed(lobby.out);
    EXPECT_EQ(refused.row_text(23), "   [C] CONTINUE     [Q] BACK TO LOBBY");
    EXPECT_EQ(lobby.status, 1);
}

}  // namespace
