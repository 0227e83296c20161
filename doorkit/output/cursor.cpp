// Cursor positioning and clearing of the screen and the line.
#include <cstdio>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/output/colour.h"
#include "doorkit/output/output.h"

namespace {

constexpr char kAnsiClearScreen[] = "\x1b[2J\x1b[1;1H";
constexpr char kFormFeed[] = "\x0c";
constexpr char kANSIClearLine[] = "\x1b[K";
constexpr char kAvatarClearLine[] = "\x16\x07";
constexpr char kRipResetScreen[] = "!|*";
constexpr char kRipResetWindows[] = "!|w0000270M12";
constexpr std::uint8_t kAvatarCommand = 0x16;
constexpr std::uint8_t kAvatarGotoXY = 0x08;

void send_text(const char* text)
{
    ODOutputSend(text, std::strlen(text));
}

// Clearing the rest of the line leaves the cursor where it is.
void send_in_place(const char* text)
{
    ODOutputKernelIfDue();
    ODOutputSendInPlace(text, std::strlen(text));
}

// Plain terminals: spaces over the rest of the line, then back again.
void clear_line_plain(int count)
{
    char chunk[64];
    for (int pass = 0; pass < 2; ++pass) {
        std::memset(chunk, pass == 0 ? ' ' : '\b', sizeof chunk);
        for (int left = count; left > 0;) {
            const int now = left < static_cast<int>(sizeof chunk) ? left : static_cast<int>(sizeof chunk);
            ODOutputSend(chunk, static_cast<std::size_t>(now));
            ODMirrorDisplay(chunk, now);
            left -= now;
        }
    }
}

}  // namespace

std::size_t ODEncodeCursorMove(ODTerminalMode mode, int row, int column, char* out)
{
    if (mode == ODTerminalMode::Avatar) {
        out[0] = static_cast<char>(kAvatarCommand);
        out[1] = static_cast<char>(kAvatarGotoXY);
        out[2] = static_cast<char>(row);
        out[3] = static_cast<char>(column);
        return 4;
    }
    const int length = std::snprintf(out, OD_CURSOR_MOVE_MAX, "\x1b[%d;%dH", row, column);
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

bool od_set_cursor(int row, int column)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    ODMirrorInfo mirror{};
    ODMirrorGetInfo(&mirror);
    if (row < 1 || column < 1 || column > mirror.width || row > mirror.height) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    const ODTerminalMode mode = ODCurrentTerminalMode();
    if (mode == ODTerminalMode::Plain) {
        od_control.error_code = OD_ERR_NOGRAPHICS;
        return false;
    }
    // The caller's terminal has no window: it is addressed in screen
    // coordinates.
    const int screen_row = mirror.top - 1 + row;
    const int screen_column = mirror.left - 1 + column;
    if (mode == ODTerminalMode::Avatar &&
        (screen_row > OD_AVATAR_COORDINATE_MAX || screen_column > OD_AVATAR_COORDINATE_MAX)) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    ODOutputKernelIfDue();
    ODMirrorSetCursor(column, row);
    // A cursor that already stands there needs no move: the last move put
    // it there, or the text sent since carried it there.
    if (ODCallerCursorIsAt(screen_row, screen_column))
        return true;
    char move[OD_CURSOR_MOVE_MAX];
    ODOutputSendInPlace(move, ODEncodeCursorMove(mode, screen_row, screen_column, move));
    ODCallerCursorPlaced(screen_row, screen_column);
    return true;
}

bool od_get_cursor(int* row, int* column)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    if (row == nullptr && column == nullptr) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    ODMirrorInfo mirror{};
    ODMirrorGetInfo(&mirror);
    if (row != nullptr)
        *row = mirror.cursor_row;
    if (column != nullptr)
        *column = mirror.cursor_column;
    return true;
}

void ODClearCallerScreen()
{
    if (od_control.user_rip) {
        send_text(kRipResetScreen);
        if (!od_control.rip_keep_windows)
            send_text(kRipResetWindows);
    }
    if (ODCurrentTerminalMode() == ODTerminalMode::Ansi) {
        send_text(kAnsiClearScreen);
        // The clear ends with a move to the top-left corner.
        ODCallerCursorPlaced(1, 1);
    } else {
        send_text(kFormFeed);
    }
    ODMirrorClear();
    // The terminal may have dropped its colour with the screen: send it in
    // full again (an unknown colour stays unknown).
    const std::uint16_t previous = od_control.current_attribute;
    od_control.current_attribute = OD_ATTRIBUTE_UNKNOWN;
    od_set_attrib(static_cast<std::int16_t>(previous));
}

void od_clr_scr()
{
    ODApiCall call;
    if (!call.allowed())
        return;
    // A caller who asked the BBS not to clear screens keeps them, unless
    // the application insists.
    if (!od_control.always_clear_screen && !(od_control.user_attribute & 0x02) &&
        (od_control.exitinfo_present || od_control.drop_file_kind == OD_DROP_PRESET))
        return;
    ODClearCallerScreen();
}

void od_clr_line()
{
    ODApiCall call;
    if (!call.allowed())
        return;
    ODMirrorInfo mirror{};
    ODMirrorGetInfo(&mirror);
    switch (ODCurrentTerminalMode()) {
    case ODTerminalMode::Ansi:
        ODMirrorClearToEndOfLine();
        send_in_place(kANSIClearLine);
        return;
    case ODTerminalMode::Avatar:
        ODMirrorClearToEndOfLine();
        send_in_place(kAvatarClearLine);
        return;
    case ODTerminalMode::Plain:
        // The last column is left alone so the terminal does not wrap.
        clear_line_plain(mirror.width - mirror.cursor_column);
        return;
    }
}
