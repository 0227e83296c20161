// The local screen: an 80 x 25 cell copy of what the sysop's display would
// show. Nothing draws it on this platform; it is kept in memory only.
#ifndef DOORKIT_TERMINAL_LOCAL_SCREEN_H
#define DOORKIT_TERMINAL_LOCAL_SCREEN_H

#include <cstdint>

constexpr int OD_SCREEN_WIDTH = 80;
constexpr int OD_SCREEN_HEIGHT = 25;

// 0 on success, 2 when memory is short.
int ODScrnInitialize();
void ODScrnShutdown();
// Screen coordinates, 1-based and inclusive.
void ODScrnSetBoundary(std::uint8_t left, std::uint8_t top, std::uint8_t right,
                       std::uint8_t bottom);
void ODScrnSetAttribute(std::uint8_t attribute);
void ODScrnClear();
// 1-based, relative to the window; clamped to it.
void ODScrnSetCursorPos(std::uint8_t column, std::uint8_t row);
// Shows a centred one-line message box; returns the saved rectangle it
// covers (null in silent mode or when memory is short).
void* ODScrnShowMessage(const char* text);
// Puts the covered cells back and frees the saved rectangle.
void ODScrnRemoveMessage(void* saved);

#endif
