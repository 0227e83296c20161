// The caller's handle in its two forms: as typed, with pipe colour codes
// ("|04Sti|01ng"), and plain.
#ifndef GAME_HANDLE_H
#define GAME_HANDLE_H

#include <cstddef>

constexpr std::size_t PLAYER_SIZE = 32;
constexpr std::size_t DISPLAY_HANDLE_SIZE = 128;
constexpr int PLAIN_HANDLE_MAX = 24;

extern char player[PLAYER_SIZE];                  // plain handle, never empty
extern char display_handle[DISPLAY_HANDLE_SIZE];  // as typed, codes included

// The colour 1-15 selected by a pipe code at `text` ("|" and two digits), or
// 0 when `text` does not start with one.
int pipe_colour(const char* text);

// Draws a handle from (column, row), each pipe code switching the colour of
// what follows (white before the first). Columns 44-46 stay blank so the
// art panel keeps its margin; drawing stops at column 75.
void render_handle(int column, int row, const char* handle);

// Sets `player` from a typed handle: codes and unprintable characters
// dropped, at most 24 characters, "TRAVELER" when nothing is left.
void make_plain_handle(const char* handle);

#endif
