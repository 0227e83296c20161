// Handles typed with pipe colour codes: their plain form, and how they are
// drawn in colour.
#include <gtest/gtest.h>

#include <string>

#include "game/handle.h"
#include "tests/game/game_session.h"
#include "tests/support/screen.h"

namespace {

struct PlainCase {
    const char* typed;
    const char* plain;
};

TEST(PlainHandle, CodesAndUnsafeCharactersAreDroppedAndTheLengthCapped)
{
    const PlainCase cases[] = {
        {"|04Ja|14ck", "Jack"},
        {"|04Sti|01ng|04Ray", "StingRay"},
        // |16 is no code: the bar goes, the digits stay.
        {"|16X", "16X"},
        {"|00Zed", "00Zed"},
        {"|1", "1"},
        {"|", "TRAVELER"},
        {"|01|02|15", "TRAVELER"},
        {"", "TRAVELER"},
        {"back\\slash", "backslash"},
        {"tab\there\x7f\x1b[2J", "tabhere[2J"},
        {"abcdefghijklmnopqrstuvwxyz0123", "abcdefghijklmnopqrstuvwx"},
        // Codes do not count towards the 24 visible characters.
        {"|01abcdefghij|02klmnopqrstuvwxyz", "abcdefghijklmnopqrstuvwx"},
    };
    for (const PlainCase& c : cases) {
        make_plain_handle(c.typed);
        EXPECT_EQ(std::string(player), c.plain) << c.typed;
    }
    make_plain_handle(nullptr);
    EXPECT_EQ(std::string(player), "TRAVELER");
}

TEST(HandleDrawing, PipeCodesColourTheCharactersThatFollow)
{
    grimbo_test::Screen screen(25, 80, true);
    game_test::draw_on_screen([] { render_handle(5, 9, "|04Sti|01ng|04Ray"); }, screen);
    EXPECT_EQ(screen.row_text(9), "    StingRay");
    const int colours[] = {4, 4, 4, 1, 1, 4, 4, 4};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(screen.cell(9, 5 + i).attribute & 0x0f, colours[i]) << "column " << 5 + i;
}

TEST(HandleDrawing, TextWithoutValidCodesIsWhiteAndComplete)
{
    grimbo_test::Screen screen(25, 80, true);
    game_test::draw_on_screen([] { render_handle(3, 8, "|16X"); }, screen);
    EXPECT_EQ(screen.row_text(8), "  |16X");
    for (int column = 3; column <= 6; ++column)
        EXPECT_EQ(screen.cell(8, column).attribute & 0x0f, 15);
}

TEST(HandleDrawing, ArtMarginStaysBlankAndDrawingStopsAtColumn75)
{
    grimbo_test::Screen screen(25, 80, true);
    game_test::draw_on_screen(
        [] {
            render_handle(42, 9, "ABCDEFG");
            render_handle(70, 10, "0123456789");
        },
        screen);
    // A and B at 42-43, C-E fall on 44-46 and are skipped, F and G follow.
    EXPECT_EQ(game_test::cells_text(screen, 9, 42, 7), "AB   FG");
    EXPECT_EQ(screen.row_text(10).substr(69), "01234");
}

}  // namespace
