// Saving and restoring the caller's screen: snapshots of the screen copy
// (od_save_screen_ex, od_restore_screen_ex) and the classic 80-column
// buffer of the local screen (od_save_screen, od_restore_screen).
#include <algorithm>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/output/output.h"
#include "doorkit/screen/local_screen.h"
#include "doorkit/screen/session_screen.h"
#include "doorkit/screen/snapshot_format.h"

namespace {

constexpr int kClassicColumns = 80;
constexpr int kClassicHeaderSize = 4;
constexpr int kClassicRowBytes = kClassicColumns * 2;

struct LocalWindow {
    int left;
    int top;
    int width;
    int height;
    ODScrnTextInfo info;
};

LocalWindow local_window()
{
    ODScrnTextInfo info{};
    ODScrnGetTextInfo(&info);
    return LocalWindow{info.left, info.top, info.right - info.left + 1, info.bottom - info.top + 1,
                       info};
}

// A remote session without a session screen cannot take snapshots.
bool refuse_without_copy()
{
    if (ODSessionScreenAvailable() || od_control.baud == 0)
        return false;
    const int error = ODSessionScreenError();
    od_control.error_code = static_cast<std::uint16_t>(error != 0 ? error : OD_ERR_LIMIT);
    return true;
}

std::uint32_t local_snapshot_size()
{
    const LocalWindow w = local_window();
    return ODSnapshotSize(static_cast<std::uint32_t>(w.width), static_cast<std::uint32_t>(w.height));
}

bool save_local(void* buffer, std::uint32_t size)
{
    const LocalWindow w = local_window();
    if (buffer == nullptr || size < local_snapshot_size()) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    const auto width = static_cast<std::uint32_t>(w.width);
    const auto height = static_cast<std::uint32_t>(w.height);
    const ODSnapshotHeader header{width, height, 1, 1, width, height,
                                  w.info.cursor_column, w.info.cursor_row, w.info.attribute, 1};
    auto* out = static_cast<std::uint8_t*>(buffer);
    ODSnapshotWriteHeader(header, out);
    ODScrnGetText(1, 1, w.width, w.height, out + OD_SNAPSHOT_HEADER_SIZE);
    return true;
}

bool restore_local(const void* snapshot, std::uint32_t size)
{
    const LocalWindow w = local_window();
    ODSnapshotHeader h{};
    if (!ODSnapshotReadHeader(snapshot, size, &h) || h.width != static_cast<std::uint32_t>(w.width) ||
        h.height != static_cast<std::uint32_t>(w.height)) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    ODScrnPutText(1, 1, w.width, w.height,
                  static_cast<const std::uint8_t*>(snapshot) + OD_SNAPSHOT_HEADER_SIZE);
    // The snapshot's window lies within the current one.
    ODScrnSetBoundary(w.left - 1 + static_cast<int>(h.left), w.top - 1 + static_cast<int>(h.top),
                      w.left - 1 + static_cast<int>(h.right), w.top - 1 + static_cast<int>(h.bottom));
    ODScrnSetCursorPos(static_cast<int>(h.cursor_column), static_cast<int>(h.cursor_row));
    ODScrnSetAttribute(h.attribute);
    ODScrnEnableScrolling(h.scrolling != 0);
    return true;
}

// The classic buffer needs a window over the local screen's whole width;
// error_code 3 otherwise or without a buffer.
bool classic_window(const void* buffer, LocalWindow* w)
{
    *w = local_window();
    if (buffer == nullptr || w->left != 1 || w->width != kClassicColumns) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    return true;
}

}  // namespace

std::uint32_t od_save_screen_size()
{
    ODApiCall call;
    if (!call.allowed() || refuse_without_copy())
        return 0;
    const std::uint32_t size =
        ODSessionScreenAvailable() ? ODSessionScreenSnapshotSize() : local_snapshot_size();
    if (size == 0)
        od_control.error_code = OD_ERR_LIMIT;
    return size;
}

bool od_save_screen_ex(void* buffer, std::uint32_t size)
{
    ODApiCall call;
    if (!call.allowed() || refuse_without_copy())
        return false;
    if (!ODSessionScreenAvailable())
        return save_local(buffer, size);
    if (ODSessionScreenSnapshotSize() == 0) {
        od_control.error_code = OD_ERR_LIMIT;
        return false;
    }
    if (!ODSessionScreenSave(buffer, size)) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    return true;
}

bool od_restore_screen_ex(const void* snapshot, std::uint32_t size)
{
    ODApiCall call;
    if (!call.allowed() || refuse_without_copy())
        return false;
    if (!ODSessionScreenAvailable())
        return restore_local(snapshot, size);
    return ODSessionScreenRestore(snapshot, size);
}

bool od_save_screen(void* buffer)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    LocalWindow w{};
    if (!classic_window(buffer, &w))
        return false;
    auto* out = static_cast<std::uint8_t*>(buffer);
    out[0] = w.info.cursor_column;
    out[1] = w.info.cursor_row;
    out[2] = w.info.attribute;
    out[3] = static_cast<std::uint8_t>(w.height);
    ODScrnGetText(1, 1, kClassicColumns, w.height, out + kClassicHeaderSize);
    return true;
}

bool od_restore_screen(const void* buffer)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    LocalWindow w{};
    if (!classic_window(buffer, &w))
        return false;
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    const int saved_rows = in[3];
    // A screen taller than the window loses its top rows.
    const int dropped = std::max(saved_rows - w.height, 0);
    const int rows = saved_rows - dropped;
    const std::uint8_t* cells = in + kClassicHeaderSize + dropped * kClassicRowBytes;
    const int column = std::clamp(static_cast<int>(in[0]), 1, kClassicColumns);
    const int row = std::clamp(static_cast<int>(in[1]) - dropped, 1, std::max(rows, 1));
    const std::uint8_t attribute = in[2];

    ODClearCallerScreen();
    if (ODCurrentTerminalMode() != ODTerminalMode::Plain) {
        if (rows > 0) {
            bScrollAction = 0;
            const bool painted = od_puttext(1, 1, kClassicColumns, rows, cells);
            bScrollAction = 1;
            if (!painted)
                return false;
        }
        od_set_cursor(row, column);
        od_set_attrib(attribute);
        return true;
    }
    ODMirrorInfo mirror{};
    ODMirrorGetInfo(&mirror);
    ODRedrawPlainText(cells, kClassicColumns, rows, mirror.width, row, column);
    if (rows > 0)
        ODMirrorPutText(1, 1, kClassicColumns, rows, cells);
    ODMirrorSetCursor(column, row);
    return true;
}
