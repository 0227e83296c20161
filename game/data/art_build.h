// Building art cells from half-block pixels, at compile time and at draw time.
#ifndef GAME_DATA_ART_BUILD_H
#define GAME_DATA_ART_BUILD_H

#include "game/seasons.h"

inline constexpr unsigned char cp437_full_block = 219;
inline constexpr unsigned char cp437_lower_half = 220;
inline constexpr unsigned char cp437_upper_half = 223;

// One cell showing an upper and a lower pixel. A background above 7 would set
// the blink bit, so a bright lower pixel is drawn as the foreground of a lower
// half block instead; when both are bright the lower one is dimmed.
constexpr art_cell half_block_cell(int upper, int lower)
{
    const auto byte = [](int colour) { return static_cast<unsigned char>(colour & 15); };
    if (upper == lower)
        return {cp437_full_block, byte(upper), 0};
    if (lower < 8)
        return {cp437_upper_half, byte(upper), byte(lower)};
    if (upper < 8)
        return {cp437_lower_half, byte(lower), byte(upper)};
    return {cp437_upper_half, byte(upper), byte(lower & 7)};
}

// Never defined: constant evaluation that reaches it fails the build, which
// is how malformed art data is caught.
void art_data_error();

// Colour of one pixel letter: '.' is black, '1'-'9' and 'A'-'F' the PC colours.
constexpr int art_colour(char letter)
{
    if (letter == '.')
        return 0;
    if (letter >= '1' && letter <= '9')
        return letter - '0';
    if (letter >= 'A' && letter <= 'F')
        return letter - 'A' + 10;
    art_data_error();
    return 0;
}

// Rows of exactly `width` characters, or the build fails.
constexpr void check_rows(const char* const* rows, int count, int width)
{
    for (int y = 0; y < count; ++y) {
        int length = 0;
        while (rows[y][length] != '\0')
            ++length;
        if (length != width)
            art_data_error();
    }
}

// A picture drawn as 38 rows of 30 pixel letters, two pixel rows per cell row.
using art_pixel_rows = const char* [art_rows * 2];

constexpr art_picture build_picture(const art_pixel_rows& rows)
{
    check_rows(rows, art_rows * 2, art_columns);
    art_picture picture{};
    for (int y = 0; y < art_rows; ++y)
        for (int x = 0; x < art_columns; ++x)
            picture.cells[y][x] = {static_cast<unsigned char>(art_colour(rows[2 * y][x])),
                                   static_cast<unsigned char>(art_colour(rows[2 * y + 1][x]))};
    return picture;
}

// A glyph drawn over the pixels: where the glyph layer holds `key`, the cell
// shows CP437 character `ch` in colour `fg` on the darker pixel beneath.
struct art_glyph {
    char key;
    unsigned char ch;
    unsigned char fg;
};

inline constexpr int art_legend_size = 12;

struct art_source {
    art_pixel_rows pixels;
    const char* glyphs[art_rows];  // ' ' keeps the pixels
    art_glyph legend[art_legend_size];
};

constexpr art_panel build_panel(const art_source& source)
{
    const art_picture picture = build_picture(source.pixels);
    check_rows(source.glyphs, art_rows, art_columns);
    art_panel panel{};
    for (int y = 0; y < art_rows; ++y) {
        for (int x = 0; x < art_columns; ++x) {
            const art_pixel_pair pair = picture.cells[y][x];
            art_cell cell = half_block_cell(pair.upper, pair.lower);
            const char key = source.glyphs[y][x];
            if (key != ' ') {
                const art_glyph* glyph = nullptr;
                for (const art_glyph& entry : source.legend)
                    if (entry.key == key)
                        glyph = &entry;
                if (glyph == nullptr)
                    art_data_error();
                const int bg = pair.lower < 8 ? pair.lower : pair.upper < 8 ? pair.upper : 0;
                cell = {glyph->ch, glyph->fg, static_cast<unsigned char>(bg)};
            }
            panel.cells[y][x] = cell;
        }
    }
    return panel;
}

#endif
