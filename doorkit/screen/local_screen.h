// screen: the local screen and the session screen copies, the mirror that
// keeps them following the output calls, snapshots and their file format,
// and screen blocks (od_gettext, od_puttext, od_scroll). Uses core and
// output.
//
// The local screen: the door kit's 80 x 25 model of the sysop's text display.
// Nothing draws it on this platform; it is the screen copy of a session
// without a remote side, the visible part of the session screen otherwise,
// and the place where od_exit shows its pop-up.
//
// Coordinates are 1-based. Cursor and rectangle coordinates are relative to
// the current window; window edges and framed windows use screen coordinates.
// A cell is two bytes: the code-page-437 character, then its attribute.
//
// While a redirect is installed (session screen emulation), every ODScrn*
// operation below acts on the redirect's screen instead of the local buffer.
#ifndef DOORKIT_SCREEN_LOCAL_SCREEN_H
#define DOORKIT_SCREEN_LOCAL_SCREEN_H

#include <cstddef>
#include <cstdint>

constexpr int OD_SCREEN_WIDTH = 80;
constexpr int OD_SCREEN_HEIGHT = 25;
constexpr int OD_SCREEN_CELL_BYTES = 2;

// Window, attribute and cursor as ODScrnGetTextInfo reports them: window
// edges in screen coordinates, cursor relative to the window, all 1-based.
struct ODScrnTextInfo {
    std::uint8_t left;
    std::uint8_t top;
    std::uint8_t right;
    std::uint8_t bottom;
    std::uint8_t attribute;
    std::uint8_t cursor_column;
    std::uint8_t cursor_row;
};
static_assert(sizeof(ODScrnTextInfo) == 7);

// Full-width state of a redirect target (1-based, same meaning as above).
struct ODScrnState {
    int left;
    int top;
    int right;
    int bottom;
    int cursor_column;
    int cursor_row;
    std::uint8_t attribute;
    bool scrolling;
};

// The operations a screen must offer to stand in for the local buffer.
// Every entry must be set. Coordinates are passed unchecked; the target
// refuses (or ignores) what does not fit it. Rectangle calls return 1 on
// success and 0 on refusal.
struct ODScrnRedirect {
    void (*set_boundary)(int left, int top, int right, int bottom);
    void (*set_cursor_pos)(int column, int row);
    void (*set_attribute)(std::uint8_t attribute);
    void (*enable_scrolling)(bool on);
    void (*get_state)(ODScrnState* state);
    void (*display_buffer)(const char* buffer, int length);
    void (*clear)();
    void (*clear_to_end_of_line)();
    void (*scroll_up_one_line)();
    int (*get_text)(int left, int top, int right, int bottom, void* cells);
    int (*put_text)(int left, int top, int right, int bottom, const void* cells);
    int (*copy_text)(int left, int top, int right, int bottom, int new_left, int new_top);
};

// Process-wide state of the local buffer (0-based screen coordinates for
// the window, cursor relative to the window's top-left corner).
extern std::uint8_t* pAllocatedBufferMemory;
extern std::uint8_t* pScrnBuffer;
extern std::uint8_t btLeftBoundary;
extern std::uint8_t btTopBoundary;
extern std::uint8_t btRightBoundary;
extern std::uint8_t btBottomBoundary;
extern std::uint8_t btCursorColumn;
extern std::uint8_t btCursorRow;
extern std::uint8_t btCurrentAttribute;
extern std::uint8_t bScrollEnabled;
// Cleared whenever the session screen is presented.
extern std::uint8_t bCaretPresentationChange;
// Kept by ODStoreTextInfo for ODRestoreTextInfo.
extern ODScrnTextInfo ODTextInfo;

// 0 on success, 2 when memory is short. Full-screen window, attribute 7,
// scrolling on, cleared.
int ODScrnInitialize();
void ODScrnShutdown();

// Sends every ODScrn* operation to `target` (null: back to the local buffer).
void ODScrnSetRedirect(const ODScrnRedirect* target);
bool ODScrnIsRedirected();

// Screen coordinates. A window that does not fit the screen, or whose edges
// are reversed, is ignored. The cursor is pulled into the new window.
void ODScrnSetBoundary(int left, int top, int right, int bottom);
// Clamped to the window.
void ODScrnSetCursorPos(int column, int row);
void ODScrnSetAttribute(std::uint8_t attribute);
void ODScrnEnableScrolling(bool on);
// There is no caret on this platform.
void ODScrnEnableCaret(bool on);
void ODScrnGetTextInfo(ODScrnTextInfo* info);
void ODStoreTextInfo();
void ODRestoreTextInfo();

// Write at the cursor: 7 bell (silent), 8 backspace, 9 tab, 10 line feed,
// 13 carriage return; everything else is stored as a character, wrapping at
// the window's right edge and scrolling at its bottom when scrolling is on.
void ODScrnDisplayChar(std::uint8_t character);
void ODScrnDisplayBuffer(const char* buffer, int length);
void ODScrnDisplayString(const char* text);
// Length written, or -1 when formatting fails or memory is short.
int ODScrnPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

void ODScrnClear();
void ODScrnClearToEndOfLine();
void ODScrnScrollUpOneLine();

// Rectangles relative to the window, as row-by-row cell arrays. 1 on
// success; 0 for coordinates outside the window, an empty rectangle, a
// missing cell array, a destination that does not fit, or short memory.
int ODScrnGetText(int left, int top, int right, int bottom, void* cells);
int ODScrnPutText(int left, int top, int right, int bottom, const void* cells);
int ODScrnCopyText(int left, int top, int right, int bottom, int new_left, int new_top);

// Saves the cells under a framed box (screen coordinates, at least 2 x 2)
// and draws it; window, attribute and cursor are left as they were. Returns
// the saved rectangle (4 bytes left, top, right, bottom, then the cells), or
// null when the box does not fit or memory is short.
void* ODScrnCreateWindow(int left, int top, int right, int bottom, std::uint8_t attribute,
                         const char* title, std::uint8_t title_attribute);
// Puts the covered cells back and frees the saved rectangle.
void ODScrnDestroyWindow(void* saved);

// A centred one-line message box in popup_colour over rows 10-14; returns
// the saved rectangle for ODScrnRemoveMessage (null in silent mode).
void* ODScrnShowMessage(const char* text);
// Puts the covered cells back and frees the saved rectangle; in silent mode
// only frees it.
void ODScrnRemoveMessage(void* saved);

#endif
