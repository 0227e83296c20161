// output: text, colour, cursor, od_printf and plain redraw for the caller's
// terminal. Uses core, transport and the kernel. The screen copy above it is
// reached only through the ODMirror* calls declared here.
//
// Internal pieces of the output layer shared by the output, colour, cursor
// and screen-block calls: the caller's terminal mode, raw sending, and the
// screen copy that mirrors what is sent (the session screen when there is
// one, else the local screen).
#ifndef DOORKIT_OUTPUT_OUTPUT_H
#define DOORKIT_OUTPUT_OUTPUT_H

#include <cstddef>
#include <cstdint>

enum class ODTerminalMode { Plain, Ansi, Avatar };

// AVATAR takes precedence when both modes are set.
ODTerminalMode ODCurrentTerminalMode();

// Scratch text shared by the kit.
constexpr std::size_t OD_WORK_STRING_SIZE = 1025;
extern char szODWorkString[OD_WORK_STRING_SIZE];

// Runs a kernel pass when RunKernelTimer has elapsed.
void ODOutputKernelIfDue();
// Sends bytes to the caller when there is a remote side; nothing mirrored.
// Where they leave the caller's cursor is taken as unknown.
void ODOutputSendRaw(const void* bytes, std::size_t length);
// The same after running the kernel if it is due.
void ODOutputSend(const void* bytes, std::size_t length);
// Text the caller's terminal shows from its cursor on; the cursor is
// followed along (ODCallerCursorAdvance).
void ODOutputSendText(const char* text, std::size_t length);
// Bytes that leave the caller's cursor where it stands (colour changes,
// clearing the rest of the line, a cursor move that notes its target).
void ODOutputSendInPlace(const void* bytes, std::size_t length);

// Where the caller's cursor stands, in screen coordinates (1-based), as far
// as the output sent so far tells. A move to where it already stands need
// not be sent.
void ODCallerCursorForget();
void ODCallerCursorPlaced(int row, int column);
bool ODCallerCursorIsAt(int row, int column);
// Text shown from the cursor: it stays known while every byte shows as one
// cell and the text ends short of the last column; otherwise it is lost.
void ODCallerCursorAdvance(const char* text, std::size_t length);

// Cursor positioning for the caller's terminal, in screen coordinates
// (1-based). AVATAR cannot address beyond 255. Returns the length written
// into `out` (at least OD_CURSOR_MOVE_MAX bytes).
constexpr std::size_t OD_CURSOR_MOVE_MAX = 32;
std::size_t ODEncodeCursorMove(ODTerminalMode mode, int row, int column, char* out);
constexpr int OD_AVATAR_COORDINATE_MAX = 255;

// Clears the caller's screen and the copy and sends the colour again, with
// no regard to the caller's clear-screen preference.
void ODClearCallerScreen();

// The screen copy, defined by the screen floor (screen/mirror.cpp).
// Coordinates are 1-based; the window's edges are screen coordinates, the
// cursor and rectangles relative to the window.
struct ODMirrorInfo {
    int left;
    int top;
    int width;
    int height;
    int cursor_column;
    int cursor_row;
    std::uint8_t attribute;
};

bool ODMirrorGetInfo(ODMirrorInfo* info);
// Session screen: true; local screen: false.
bool ODMirrorIsSession();
void ODMirrorDisplay(const char* bytes, int length);
void ODMirrorSetAttribute(std::uint8_t attribute);
void ODMirrorSetCursor(int column, int row);
void ODMirrorClear();
void ODMirrorClearToEndOfLine();
// Checked by the caller against the window.
bool ODMirrorGetText(int left, int top, int right, int bottom, void* cells);
bool ODMirrorPutText(int left, int top, int right, int bottom, const void* cells);

// A cell character that shows as an empty space.
inline bool ODIsBlankCharacter(std::uint8_t character)
{
    return character == ' ' || character == '\0';
}

// Redraws cells as plain text for a terminal without cursor control,
// starting from a cleared screen at its top-left corner: every row up to its
// last non-blank character, CR LF after each row that does not fill
// `screen_width`, and the cursor's row (1-based) only up to the cursor's
// column, after which nothing is sent.
void ODRedrawPlainText(const std::uint8_t* cells, int columns, int rows, int screen_width,
                       int cursor_row, int cursor_column);

#endif
