// The session screen: the kit's copy of what the caller's terminal shows,
// kept while there is a remote side. The output calls write into it; its
// changes are presented into the local screen.
#ifndef DOORKIT_SCREEN_SESSION_SCREEN_H
#define DOORKIT_SCREEN_SESSION_SCREEN_H

#include <cstdint>

struct tODSessionScreen {
    std::uint8_t* cells;  // width x height cells (character, attribute), row by row
    std::int32_t width;
    std::int32_t height;
    // 0-based screen coordinates of the window's edges.
    std::int32_t window_left;
    std::int32_t window_top;
    std::int32_t window_right;
    std::int32_t window_bottom;
    // 0-based, relative to the window.
    std::int32_t cursor_x;
    std::int32_t cursor_y;
    std::uint8_t attribute;
    std::uint8_t scroll_enabled;
    std::uint8_t dirty;
    // 0-based screen coordinates of the region changed since the last
    // presentation.
    std::int32_t dirty_left;
    std::int32_t dirty_top;
    std::int32_t dirty_right;
    std::int32_t dirty_bottom;
};

// What ODSessionScreenGetInfo reports; all 1-based, the cursor relative to
// the window.
struct tODSessionScreenInfo {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
    std::uint8_t attribute;
    std::int32_t cursor_column;
    std::int32_t cursor_row;
    std::uint8_t scroll_enabled;
};

extern tODSessionScreen SessionScreen;
extern std::uint8_t bSessionScreenAvailable;
extern std::uint8_t bSessionScreenEmulating;
// Why there is no session screen: 0 none, 1 out of memory, 5 size limit.
extern int nSessionScreenError;
// od_puttext puts the cursor back afterwards while this is set.
extern std::uint8_t bScrollAction;

// Size of a snapshot's header; the cells follow it.
constexpr std::uint32_t OD_SNAPSHOT_HEADER_SIZE = 48;

// Starts the copy when baud is not 0, at least the given size and as large
// as the caller's screen. True also when nothing needed starting; false
// with nSessionScreenError 5 for an impossible size or 1 when memory is
// short.
bool ODSessionScreenInitialize(int width, int height);
void ODSessionScreenShutdown();

bool ODSessionScreenAvailable();
int ODSessionScreenError();
int ODSessionScreenWidth();
int ODSessionScreenHeight();
void ODSessionScreenGetInfo(tODSessionScreenInfo* info);
// 1-based, relative to the window; clamped to it.
void ODSessionScreenSetCursorPos(int column, int row);
void ODSessionScreenSetAttribute(std::uint8_t attribute);
void ODSessionScreenEnableScrolling(bool enabled);
// 1-based screen coordinates; ignored unless the window fits the screen.
void ODSessionScreenSetBoundary(int left, int top, int right, int bottom);

// Writing: bell, backspace, tab, line feed and carriage return act, every
// other byte is stored in the current attribute.
void ODSessionScreenDisplayChar(std::uint8_t character);
void ODSessionScreenDisplayBuffer(const char* bytes, int length);
void ODSessionScreenDisplayString(const char* text);
void ODSessionScreenClear();
void ODSessionScreenClearToEndOfLine();
void ODSessionScreenScrollUpOneLine();

// Rectangles, 1-based and inclusive, relative to the window; false when a
// coordinate is below 1, the rectangle is empty or does not fit.
bool ODSessionScreenGetText(int left, int top, int right, int bottom, void* cells);
bool ODSessionScreenPutText(int left, int top, int right, int bottom, const void* cells);
bool ODSessionScreenCopyText(int left, int top, int right, int bottom, int new_left,
                             int new_top);

// Copies what changed into the local screen (not while emulating).
void ODSessionScreenPresent();
void ODSessionScreenBeginEmulation();
void ODSessionScreenEndEmulation();
bool ODSessionScreenIsEmulating();

// Snapshots of the whole copy. The size is 0 when there is no copy or the
// snapshot would not fit 32 bits. Save and restore: true on success;
// restore repaints the caller's screen and changes nothing when refused.
std::uint32_t ODSessionScreenSnapshotSize();
bool ODSessionScreenSave(void* buffer, std::uint32_t size);
bool ODSessionScreenRestore(const void* snapshot, std::uint32_t size);

#endif
