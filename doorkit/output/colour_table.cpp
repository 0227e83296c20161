#include "doorkit/output/colour.h"

// Black, blue, green, cyan, red, magenta, brown, grey.
constexpr std::array<std::uint8_t, 8> abtPCToANSIColorTable = {30, 34, 32, 36, 31, 35, 33, 37};

// In the order of od_control.colour_names: BLACK, BLUE, GREEN, CYAN, RED,
// MAGENTA, YELLOW, WHITE, BROWN, GREY, BRIGHT, FLASHING.
constexpr std::array<int, 12> aODColourWordValues = {
    0, 1, 2, 3, 4, 5, 6, 7, 6, 7, OD_COLOUR_WORD_BRIGHT, OD_COLOUR_WORD_FLASHING,
};
