// Snapshots of the session screen, and repainting the caller's screen from
// one.
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/output/output.h"
#include "doorkit/screen/session_screen.h"
#include "doorkit/screen/snapshot_format.h"

namespace {

tODSessionScreen& S = SessionScreen;

std::size_t cell_bytes()
{
    return static_cast<std::size_t>(S.width) * static_cast<std::size_t>(S.height) * 2;
}

// Paints the snapshot's cells over the whole caller's screen.
bool repaint(const ODSnapshotHeader& h, const std::uint8_t* cells)
{
    if (ODCurrentTerminalMode() == ODTerminalMode::Plain) {
        ODClearCallerScreen();
        ODRedrawPlainText(cells, S.width, S.height, S.width,
                          static_cast<int>(h.top - 1 + h.cursor_row),
                          static_cast<int>(h.left - 1 + h.cursor_column));
        return true;
    }
    // The whole screen is painted, whatever window is current.
    const tODSessionScreen saved = S;
    S.window_left = 0;
    S.window_top = 0;
    S.window_right = S.width - 1;
    S.window_bottom = S.height - 1;
    bScrollAction = 0;
    const bool painted = od_puttext(1, 1, S.width, S.height, cells);
    bScrollAction = 1;
    if (!painted) {
        S.window_left = saved.window_left;
        S.window_top = saved.window_top;
        S.window_right = saved.window_right;
        S.window_bottom = saved.window_bottom;
    }
    return painted;
}

}  // namespace

std::uint32_t ODSessionScreenSnapshotSize()
{
    if (!bSessionScreenAvailable)
        return 0;
    return ODSnapshotSize(static_cast<std::uint32_t>(S.width), static_cast<std::uint32_t>(S.height));
}

bool ODSessionScreenSave(void* buffer, std::uint32_t size)
{
    const std::uint32_t needed = ODSessionScreenSnapshotSize();
    if (buffer == nullptr || needed == 0 || size < needed)
        return false;
    tODSessionScreenInfo info{};
    ODSessionScreenGetInfo(&info);
    const ODSnapshotHeader header{static_cast<std::uint32_t>(S.width),
                                  static_cast<std::uint32_t>(S.height),
                                  static_cast<std::uint32_t>(info.left),
                                  static_cast<std::uint32_t>(info.top),
                                  static_cast<std::uint32_t>(info.right),
                                  static_cast<std::uint32_t>(info.bottom),
                                  static_cast<std::uint32_t>(info.cursor_column),
                                  static_cast<std::uint32_t>(info.cursor_row),
                                  info.attribute,
                                  info.scroll_enabled};
    auto* out = static_cast<std::uint8_t*>(buffer);
    ODSnapshotWriteHeader(header, out);
    std::memcpy(out + OD_SNAPSHOT_HEADER_SIZE, S.cells, cell_bytes());
    return true;
}

bool ODSessionScreenRestore(const void* snapshot, std::uint32_t size)
{
    ODSnapshotHeader h{};
    if (!bSessionScreenAvailable || !ODSnapshotReadHeader(snapshot, size, &h) ||
        h.width != static_cast<std::uint32_t>(S.width) ||
        h.height != static_cast<std::uint32_t>(S.height)) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    const auto* cells = static_cast<const std::uint8_t*>(snapshot) + OD_SNAPSHOT_HEADER_SIZE;
    if (!repaint(h, cells))
        return false;

    std::memcpy(S.cells, cells, cell_bytes());
    S.attribute = h.attribute;
    S.scroll_enabled = h.scrolling;
    S.window_left = static_cast<std::int32_t>(h.left) - 1;
    S.window_top = static_cast<std::int32_t>(h.top) - 1;
    S.window_right = static_cast<std::int32_t>(h.right) - 1;
    S.window_bottom = static_cast<std::int32_t>(h.bottom) - 1;
    S.cursor_x = static_cast<std::int32_t>(h.cursor_column) - 1;
    S.cursor_y = static_cast<std::int32_t>(h.cursor_row) - 1;
    S.dirty = 1;
    S.dirty_left = 0;
    S.dirty_top = 0;
    S.dirty_right = S.width - 1;
    S.dirty_bottom = S.height - 1;
    ODSessionScreenPresent();
    if (ODCurrentTerminalMode() != ODTerminalMode::Plain) {
        od_set_cursor(static_cast<int>(h.cursor_row), static_cast<int>(h.cursor_column));
        od_set_attrib(h.attribute);
    }
    return true;
}
