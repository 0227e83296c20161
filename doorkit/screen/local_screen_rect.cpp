// Rectangles of the local screen's window: copy out, copy in, move.
#include <cstdlib>
#include <cstring>

#include "doorkit/screen/local_screen.h"
#include "doorkit/screen/local_screen_internal.h"

namespace {

// The rectangle lies inside the window and is not empty.
bool fits_window(int left, int top, int right, int bottom)
{
    return left >= 1 && top >= 1 && left <= right && top <= bottom && right <= ODScrnWindowWidth() &&
           bottom <= ODScrnWindowHeight();
}

std::size_t row_bytes(int left, int right)
{
    return static_cast<std::size_t>(right - left + 1) * OD_SCREEN_CELL_BYTES;
}

}  // namespace

int ODScrnGetText(int left, int top, int right, int bottom, void* cells)
{
    if (pScrnRedirect != nullptr)
        return pScrnRedirect->get_text(left, top, right, bottom, cells);
    if (pScrnBuffer == nullptr || cells == nullptr || !fits_window(left, top, right, bottom))
        return 0;
    auto* out = static_cast<std::uint8_t*>(cells);
    const std::size_t bytes = row_bytes(left, right);
    for (int row = top; row <= bottom; ++row, out += bytes)
        std::memcpy(out, ODScrnWindowCell(left - 1, row - 1), bytes);
    return 1;
}

int ODScrnPutText(int left, int top, int right, int bottom, const void* cells)
{
    if (pScrnRedirect != nullptr)
        return pScrnRedirect->put_text(left, top, right, bottom, cells);
    if (pScrnBuffer == nullptr || cells == nullptr || !fits_window(left, top, right, bottom))
        return 0;
    const auto* in = static_cast<const std::uint8_t*>(cells);
    const std::size_t bytes = row_bytes(left, right);
    for (int row = top; row <= bottom; ++row, in += bytes)
        std::memcpy(ODScrnWindowCell(left - 1, row - 1), in, bytes);
    return 1;
}

int ODScrnCopyText(int left, int top, int right, int bottom, int new_left, int new_top)
{
    if (pScrnRedirect != nullptr)
        return pScrnRedirect->copy_text(left, top, right, bottom, new_left, new_top);
    if (pScrnBuffer == nullptr || !fits_window(left, top, right, bottom) ||
        !fits_window(new_left, new_top, new_left, new_top))
        return 0;
    const int new_right = new_left + (right - left);
    const int new_bottom = new_top + (bottom - top);
    if (!fits_window(new_left, new_top, new_right, new_bottom))
        return 0;
    const std::size_t size = row_bytes(left, right) * static_cast<std::size_t>(bottom - top + 1);
    void* copy = std::malloc(size);
    if (copy == nullptr)
        return 0;
    ODScrnGetText(left, top, right, bottom, copy);
    ODScrnPutText(new_left, new_top, new_right, new_bottom, copy);
    std::free(copy);
    return 1;
}
