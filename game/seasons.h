// The calendar, the month-by-month story content, the art panels and the
// game's random generator.
#ifndef GAME_SEASONS_H
#define GAME_SEASONS_H

#include <cstdint>
#include <ctime>

inline constexpr int season_count = 12;
inline constexpr int season_stages = 8;
inline constexpr int season_october = 9;
inline constexpr int season_line_size = 128;  // derived guardian and seal lines

// One month's story. The guardian and seal lines are part of the record so
// every stage screen reads them the same way, derived or written out.
struct season_record {
    const char* month;
    const char* title;
    const char* intro;
    const char* goal;
    const char* ending;
    const char* places[season_stages];
    const char* guardians[season_stages];
    char guardian_lines[season_stages][season_line_size];
    char seal_lines[season_stages][season_line_size];
};

// The twelve months in calendar order (game/data/seasons_table.cpp).
extern const season_record seasons[season_count];

// Calendar, set by season_bind (UTC).
extern int season_index;  // 0-11, 9 = October
extern int season_day;    // 1-31
extern int season_year;   // four digits
extern int season_stamp;  // season_year * 1000 + day of the year from 0

// Working copies for the current month, indexed by the stage (0-7):
// place names, guardian names, guardian lines and seal lines.
// They hold October's content until the first season_bind (they are defined
// beside the table, so they are set before any code runs).
extern const char* places[season_stages];
extern const char* bosses[season_stages];
extern const char* stage_clues[season_stages];
extern const char* stage_discoveries[season_stages];

// Binds the calendar to the current UTC date and refreshes the working copies.
void season_bind();
// The same for a given moment. A moment that cannot be broken down, or lies
// outside four-digit years, keeps the previous date; the working copies are
// refreshed either way.
void season_bind_at(std::time_t now);

inline bool season_is_october() { return season_index == season_october; }
inline bool season_is_halloween() { return season_index == season_october && season_day == 31; }
// season_index, or October should it ever be out of range.
inline int season_current_index()
{
    return season_index >= 0 && season_index < season_count ? season_index : season_october;
}
inline const season_record& season_current() { return seasons[season_current_index()]; }

// Random generator: a 32-bit linear congruential step.
extern std::uint32_t seasonal_rng_state;
void seasonal_seed(std::uint32_t seed);  // a seed of 0 becomes 1
void seasonal_seed_login();              // the Unix time, at log-in
void seasonal_seed_story();              // season_year * 100 + season_index + 1
void seasonal_seed_daily();              // season_stamp
std::uint32_t seasonal_rng_step();       // advances and returns the new state
int seasonal_rand();                     // one step, the new state >> 1 (0 .. 2^31-1)
int seasonal_roll(int range);            // seasonal_rand() % range; 0 when range < 1

// Art. Frames: 0 plain, 1 glowing eyes, 2 rage, 3 sparkle, 4 dissolve.
inline constexpr int art_rows = 19;
inline constexpr int art_columns = 30;
inline constexpr int art_top_row = 4;
inline constexpr int art_panel_column = 47;

// One panel cell: CP437 character, foreground colour, background colour (0-7).
struct art_cell {
    unsigned char ch;
    unsigned char fg;
    unsigned char bg;
};
struct art_panel {
    art_cell cells[art_rows][art_columns];
};
// One picture cell of two half-block pixels: upper and lower colour.
struct art_pixel_pair {
    unsigned char upper;
    unsigned char lower;
};
struct art_picture {
    art_pixel_pair cells[art_rows][art_columns];
};

// The twelve month panels, in month order (game/data/art_months.cpp).
extern const art_panel seasonal_art[season_count];
// The October picture, the pumpkin villain (game/data/art_pumpkin.cpp).
extern const art_picture grimbo_pixels;

// Colour transform of the October picture; row 0-18, column 0-29 in the picture.
int harvest_color(int colour, int row, int column, int frame);
// The October picture with its top-left cell at (column, row).
void grimbo_art(int column, int row, int frame);
// The current month's panel with its top-left cell at (column, row 4).
void seasonal_draw(int column, int frame);
// The same panel from any row (the ending animation starts at row 3).
void seasonal_draw_at(int column, int row, int frame);
// The current month's art: the October picture in October, else the panel.
void season_art(int column, int row, int frame);

#endif
