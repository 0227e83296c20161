#include "game/screen_kit.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "doorkit/doorkit.h"
#include "game/interbbs.h"
#include "game/keys.h"
#include "game/run_state.h"
#include "game/seasons.h"

namespace {

constexpr int kTextColumn = 3;
constexpr int kBarCells = 14;
constexpr int kLineMax = 80;
constexpr int kArtLastRow = art_top_row + art_rows - 1;
constexpr int kGuardLastRow = 17;  // the rows where the panel keeps a margin
constexpr int kGuardColumn = 44;   // the margin's first column
constexpr int kStatusRow = 22;
constexpr int kQuestionRow = 24;
constexpr char kQuitQuestion[] = "ABANDON THIS RUN? THE SCORE IS LOST. [Y/N]";

// Left column of the art panel on the screen, 0 while none is drawn; the
// next header clears it with the screen.
int art_left = 0;

// `count` copies of one CP437 cell character.
void put_cells(int column, int row, int colour, unsigned char cell, int count)
{
    char run[kBarCells + 1];
    if (count <= 0)
        return;
    if (count > kBarCells)
        count = kBarCells;
    std::memset(run, static_cast<char>(cell), static_cast<std::size_t>(count));
    run[count] = '\0';
    put(column, row, colour, run);
}

// A key for waitc: upper case, 0 when the session stopped.
int wait_for_key()
{
    int key = read_key(true);
    if (key >= 'a' && key <= 'z')
        key -= 'a' - 'A';
    return key;
}

}  // namespace

int put_room(int column, int row)
{
    if (column < 1 || column > 78 || row < 1 || row > 24)
        return 0;
    if (art_left == 0 || column >= art_panel_column || row < art_top_row || row > kArtLastRow)
        return 79 - column;
    // Beside the picture the text keeps the margin; below the guarded rows
    // (bars and status line) it only keeps off the picture itself.
    const int end = row <= kGuardLastRow ? kGuardColumn : art_left;
    return column < end ? end - column : 0;
}

void put(int column, int row, int colour, const char* text)
{
    if (text == nullptr)
        return;
    int room = put_room(column, row);
    if (room < 1)
        return;
    char line[kLineMax];
    std::size_t length = strnlen(text, static_cast<std::size_t>(room));
    std::memcpy(line, text, length);
    line[length] = '\0';
    od_set_color(colour, 0);
    od_set_cursor(row, column);
    od_disp_str(line);
}

void header(const char* caption)
{
    static const char strip[] = "\xb0\xb1\xb2\xdb\xdb\xdb\xdb\xb2\xb1\xb0";
    od_clr_scr();
    art_left = 0;
    put(2, 1, 11, season_is_october() ? "GOURDFALL" : "GRIMBO - HOLLOWTIDE");
    if (caption != nullptr)
        put(42, 1, 14, caption);  // put keeps its first 37 characters
    char name[21];
    std::size_t shown = strnlen(bbs_name, sizeof name - 1);
    std::memcpy(name, bbs_name, shown);
    name[shown] = '\0';
    put(2, 2, 8, strip);
    put(15, 2, 8, name);
    put(17 + static_cast<int>(shown), 2, 8, strip);
}

void bar(int row, const char* label, int value, int colour)
{
    char padded[48];
    std::snprintf(padded, sizeof padded, "%-9s", label != nullptr ? label : "");
    put(kTextColumn, row, 7, padded);
    put(13, row, 8, "[");
    std::int64_t filled = static_cast<std::int64_t>(value) * kBarCells / 100;
    if (filled < 0)
        filled = 0;
    if (filled > kBarCells)
        filled = kBarCells;
    int full = static_cast<int>(filled);
    put_cells(14, row, colour, 219, full);
    put_cells(14 + full, row, 8, 176, kBarCells - full);
    put(28, row, 8, "]");
}

void show_art(int column, int frame)
{
    season_art(column, art_top_row, frame);
    art_left = column;
}

namespace {

// "STAGE 3/8 SCORE 1040 ..." in the wording that fits beside the art.
void status_line()
{
    const bool october = season_is_october();
    const int stage = static_cast<int>(level) + 1;
    char status[128];
    std::snprintf(status, sizeof status, "STAGE %d/8 SCORE %d %s %d KEYS %d CLUES %d", stage,
                  static_cast<int>(score), october ? "CANDY" : "TOKENS",
                  static_cast<int>(coins), static_cast<int>(keys), static_cast<int>(clues));
    if (static_cast<int>(std::strlen(status)) > put_room(kTextColumn, kStatusRow))
        std::snprintf(status, sizeof status, "STG %d/8 SCR %d %s %d KEY %d CLU %d", stage,
                      static_cast<int>(score), october ? "CANDY" : "TOK",
                      static_cast<int>(coins), static_cast<int>(keys), static_cast<int>(clues));
    put(kTextColumn, kStatusRow, 14, status);
}

// The prompt of the continue screens: C goes on, Q or Esc leave (asking
// first when that throws a run away).
void wait_continue(const char* prompt)
{
    put(4, 23, 7, prompt);
    while (od_carrier()) {
        int key = wait_for_key();
        if (key == 0)
            return;  // the session stopped while waiting
        if (key == 'Q' || key == 27) {
            if (!quit_confirmed())
                continue;
            quit_requested = 1;
            return;
        }
        if (key == 'C' || quit_requested == 1)
            return;
    }
}

}  // namespace

void scene(const char* text)
{
    header(level >= 0 && level < season_stages ? places[level] : nullptr);
    show_art(art_panel_column, level < 5 ? 0 : 2);
    if (text != nullptr)
        put_wrapped(kTextColumn, 5, 7, text);
    bar(18, season_is_october() ? "SANITY" : "HEALTH", hp, 10);
    bar(20, "STAMINA", energy, 11);
    status_line();
}

void waitc()
{
    wait_continue(in_adventure == 1 ? "[C] CONTINUE     [Q] BACK TO LOBBY"
                                    : "[C] CONTINUE     [Q] RETURN TO BBS");
}

void waitc_lobby()
{
    wait_continue("[C] CONTINUE     [Q] BACK TO LOBBY");
}

bool quit_confirmed()
{
    if (quit_loses_run == 0)
        return true;
    put(kTextColumn, kQuestionRow, 12, kQuitQuestion);
    const int key = wait_for_key();
    if (key == 'Y')
        return true;
    // Row 24 is blank on every run screen: clearing it leaves the screen as
    // the caller had it.
    char blank[sizeof kQuitQuestion];
    std::memset(blank, ' ', sizeof blank - 1);
    blank[sizeof blank - 1] = '\0';
    put(kTextColumn, kQuestionRow, 7, blank);
    return false;
}
