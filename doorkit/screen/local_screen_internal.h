// Shared by the local screen's own sources only.
#ifndef DOORKIT_SCREEN_LOCAL_SCREEN_INTERNAL_H
#define DOORKIT_SCREEN_LOCAL_SCREEN_INTERNAL_H

#include <cstdint>

#include "doorkit/screen/local_screen.h"

// The screen that ODScrn* operations act on instead of the local buffer.
extern const ODScrnRedirect* pScrnRedirect;

// Window, cursor and attribute of the screen ODScrn* operations act on,
// uncapped; ODScrnSetState puts them back.
void ODScrnGetState(ODScrnState* state);
void ODScrnSetState(const ODScrnState& state);

inline int ODScrnWindowWidth()
{
    return btRightBoundary - btLeftBoundary + 1;
}

inline int ODScrnWindowHeight()
{
    return btBottomBoundary - btTopBoundary + 1;
}

// Cell at a 0-based position relative to the window.
inline std::uint8_t* ODScrnWindowCell(int column, int row)
{
    return pScrnBuffer +
           ((btTopBoundary + row) * OD_SCREEN_WIDTH + btLeftBoundary + column) * OD_SCREEN_CELL_BYTES;
}

inline int ODScrnClamp(int value, int low, int high)
{
    return value < low ? low : (value > high ? high : value);
}

#endif
