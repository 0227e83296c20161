#include "doorkit/screen/session_screen.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/screen/local_screen.h"

tODSessionScreen SessionScreen{};
std::uint8_t bSessionScreenAvailable = 0;
std::uint8_t bSessionScreenEmulating = 0;
int nSessionScreenError = 0;
std::uint8_t bScrollAction = 1;

namespace {

constexpr int kCellBytes = 2;
constexpr int kTabWidth = 8;
constexpr std::uint8_t kDefaultAttribute = 7;
constexpr long long kCellLimit = 1LL << 31;

tODSessionScreen& S = SessionScreen;

int window_width()
{
    return S.window_right - S.window_left + 1;
}

int window_height()
{
    return S.window_bottom - S.window_top + 1;
}

// 0-based screen coordinates.
std::uint8_t* cell_at(int column, int row)
{
    return S.cells + (static_cast<std::size_t>(row) * static_cast<std::size_t>(S.width) +
                      static_cast<std::size_t>(column)) *
                         kCellBytes;
}

void mark_dirty(int left, int top, int right, int bottom)
{
    if (!S.dirty) {
        S.dirty = 1;
        S.dirty_left = left;
        S.dirty_top = top;
        S.dirty_right = right;
        S.dirty_bottom = bottom;
        return;
    }
    S.dirty_left = std::min(S.dirty_left, left);
    S.dirty_top = std::min(S.dirty_top, top);
    S.dirty_right = std::max(S.dirty_right, right);
    S.dirty_bottom = std::max(S.dirty_bottom, bottom);
}

void mark_window_dirty()
{
    mark_dirty(S.window_left, S.window_top, S.window_right, S.window_bottom);
}

// Fills a row segment (0-based screen coordinates) with spaces.
void blank_cells(int left, int right, int row, std::uint8_t attribute)
{
    for (int column = left; column <= right; ++column) {
        std::uint8_t* cell = cell_at(column, row);
        cell[0] = ' ';
        cell[1] = attribute;
    }
}

void pull_cursor_in()
{
    S.cursor_x = std::clamp(S.cursor_x, 0, window_width() - 1);
    S.cursor_y = std::clamp(S.cursor_y, 0, window_height() - 1);
}

void line_down()
{
    if (S.cursor_y < window_height() - 1)
        ++S.cursor_y;
    else if (S.scroll_enabled)
        ODSessionScreenScrollUpOneLine();
}

// To the first column of the next row, as a character written in the last
// column does.
void wrap_line()
{
    S.cursor_x = 0;
    line_down();
}

void store_char(std::uint8_t character)
{
    const int column = S.window_left + S.cursor_x;
    const int row = S.window_top + S.cursor_y;
    std::uint8_t* cell = cell_at(column, row);
    cell[0] = character;
    cell[1] = S.attribute;
    mark_dirty(column, row, column, row);
    if (++S.cursor_x >= window_width())
        wrap_line();
}

// A window-relative rectangle that lies inside the window.
bool rectangle_fits(int left, int top, int right, int bottom)
{
    return left >= 1 && top >= 1 && left <= right && top <= bottom && right <= window_width() &&
           bottom <= window_height();
}

void present_rows(int left, int top, int right, int bottom)
{
    for (int row = top; row <= bottom; ++row)
        ODScrnPutText(left + 1, row + 1, right + 1, row + 1, cell_at(left, row));
}

void redirect_get_state(ODScrnState* state)
{
    tODSessionScreenInfo info{};
    ODSessionScreenGetInfo(&info);
    state->left = info.left;
    state->top = info.top;
    state->right = info.right;
    state->bottom = info.bottom;
    state->cursor_column = info.cursor_column;
    state->cursor_row = info.cursor_row;
    state->attribute = info.attribute;
    state->scrolling = info.scroll_enabled != 0;
}

int redirect_get_text(int left, int top, int right, int bottom, void* cells)
{
    return ODSessionScreenGetText(left, top, right, bottom, cells) ? 1 : 0;
}

int redirect_put_text(int left, int top, int right, int bottom, const void* cells)
{
    return ODSessionScreenPutText(left, top, right, bottom, cells) ? 1 : 0;
}

int redirect_copy_text(int left, int top, int right, int bottom, int new_left, int new_top)
{
    return ODSessionScreenCopyText(left, top, right, bottom, new_left, new_top) ? 1 : 0;
}

// While emulating, the local screen operations act here.
constexpr ODScrnRedirect kSessionRedirect{
    ODSessionScreenSetBoundary,   ODSessionScreenSetCursorPos,
    ODSessionScreenSetAttribute,  ODSessionScreenEnableScrolling,
    redirect_get_state,           ODSessionScreenDisplayBuffer,
    ODSessionScreenClear,         ODSessionScreenClearToEndOfLine,
    ODSessionScreenScrollUpOneLine, redirect_get_text,
    redirect_put_text,            redirect_copy_text,
};

}  // namespace

bool ODSessionScreenInitialize(int width, int height)
{
    ODSessionScreenShutdown();
    if (od_control.baud == 0)
        return true;
    width = std::max(width, static_cast<int>(od_control.user_screen_width));
    height = std::max(height, static_cast<int>(od_control.user_screen_length));
    const long long cells = static_cast<long long>(width) * height;
    if (width <= 0 || height <= 0 || cells >= kCellLimit) {
        nSessionScreenError = OD_ERR_LIMIT;
        return false;
    }
    S.cells = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(cells) * kCellBytes));
    if (S.cells == nullptr) {
        nSessionScreenError = OD_ERR_MEMORY;
        return false;
    }
    for (long long i = 0; i < cells; ++i) {
        S.cells[i * kCellBytes] = ' ';
        S.cells[i * kCellBytes + 1] = kDefaultAttribute;
    }
    S.width = width;
    S.height = height;
    S.window_left = 0;
    S.window_top = 0;
    S.window_right = width - 1;
    S.window_bottom = height - 1;
    S.attribute = kDefaultAttribute;
    S.scroll_enabled = 1;
    bSessionScreenAvailable = 1;
    return true;
}

void ODSessionScreenShutdown()
{
    if (bSessionScreenEmulating)
        ODScrnSetRedirect(nullptr);
    std::free(S.cells);
    S = tODSessionScreen{};
    bSessionScreenAvailable = 0;
    bSessionScreenEmulating = 0;
    nSessionScreenError = 0;
    bScrollAction = 1;
}

bool ODSessionScreenAvailable()
{
    return bSessionScreenAvailable != 0;
}

int ODSessionScreenError()
{
    return nSessionScreenError;
}

int ODSessionScreenWidth()
{
    return S.width;
}

int ODSessionScreenHeight()
{
    return S.height;
}

void ODSessionScreenGetInfo(tODSessionScreenInfo* info)
{
    if (info == nullptr)
        return;
    info->left = S.window_left + 1;
    info->top = S.window_top + 1;
    info->right = S.window_right + 1;
    info->bottom = S.window_bottom + 1;
    info->attribute = S.attribute;
    info->cursor_column = S.cursor_x + 1;
    info->cursor_row = S.cursor_y + 1;
    info->scroll_enabled = S.scroll_enabled;
}

void ODSessionScreenSetCursorPos(int column, int row)
{
    if (!bSessionScreenAvailable)
        return;
    S.cursor_x = std::clamp(column, 1, window_width()) - 1;
    S.cursor_y = std::clamp(row, 1, window_height()) - 1;
}

void ODSessionScreenSetAttribute(std::uint8_t attribute)
{
    S.attribute = attribute;
}

void ODSessionScreenEnableScrolling(bool enabled)
{
    S.scroll_enabled = enabled ? 1 : 0;
}

void ODSessionScreenSetBoundary(int left, int top, int right, int bottom)
{
    if (!bSessionScreenAvailable || left < 1 || left > right || right > S.width || top < 1 ||
        top > bottom || bottom > S.height)
        return;
    S.window_left = left - 1;
    S.window_top = top - 1;
    S.window_right = right - 1;
    S.window_bottom = bottom - 1;
    S.cursor_x = std::min(S.cursor_x, window_width() - 1);
    S.cursor_y = std::min(S.cursor_y, window_height() - 1);
}

void ODSessionScreenDisplayChar(std::uint8_t character)
{
    if (!bSessionScreenAvailable)
        return;
    pull_cursor_in();
    switch (character) {
    case 7:
        // The bell makes no sound on this platform.
        break;
    case 8:
        if (S.cursor_x > 0)
            --S.cursor_x;
        break;
    case 9: {
        const int next = (S.cursor_x / kTabWidth + 1) * kTabWidth;
        if (next >= window_width())
            wrap_line();
        else
            S.cursor_x = next;
        break;
    }
    case 10:
        line_down();
        break;
    case 13:
        S.cursor_x = 0;
        break;
    default:
        store_char(character);
        break;
    }
}

void ODSessionScreenDisplayBuffer(const char* bytes, int length)
{
    if (bytes == nullptr)
        return;
    for (int i = 0; i < length; ++i)
        ODSessionScreenDisplayChar(static_cast<std::uint8_t>(bytes[i]));
}

void ODSessionScreenDisplayString(const char* text)
{
    if (text == nullptr)
        return;
    ODSessionScreenDisplayBuffer(text, static_cast<int>(std::strlen(text)));
}

void ODSessionScreenClear()
{
    if (!bSessionScreenAvailable)
        return;
    for (int row = S.window_top; row <= S.window_bottom; ++row)
        blank_cells(S.window_left, S.window_right, row, S.attribute);
    S.cursor_x = 0;
    S.cursor_y = 0;
    mark_window_dirty();
}

void ODSessionScreenClearToEndOfLine()
{
    if (!bSessionScreenAvailable)
        return;
    pull_cursor_in();
    const int row = S.window_top + S.cursor_y;
    const int left = S.window_left + S.cursor_x;
    blank_cells(left, S.window_right, row, S.attribute);
    mark_dirty(left, row, S.window_right, row);
}

void ODSessionScreenScrollUpOneLine()
{
    if (!bSessionScreenAvailable)
        return;
    const auto bytes = static_cast<std::size_t>(window_width()) * kCellBytes;
    for (int row = S.window_top; row < S.window_bottom; ++row)
        std::memmove(cell_at(S.window_left, row), cell_at(S.window_left, row + 1), bytes);
    blank_cells(S.window_left, S.window_right, S.window_bottom, S.attribute);
    mark_window_dirty();
}

bool ODSessionScreenGetText(int left, int top, int right, int bottom, void* cells)
{
    if (!bSessionScreenAvailable || cells == nullptr || !rectangle_fits(left, top, right, bottom))
        return false;
    const auto bytes = static_cast<std::size_t>(right - left + 1) * kCellBytes;
    auto* out = static_cast<std::uint8_t*>(cells);
    for (int row = top; row <= bottom; ++row, out += bytes)
        std::memcpy(out, cell_at(S.window_left + left - 1, S.window_top + row - 1), bytes);
    return true;
}

bool ODSessionScreenPutText(int left, int top, int right, int bottom, const void* cells)
{
    if (!bSessionScreenAvailable || cells == nullptr || !rectangle_fits(left, top, right, bottom))
        return false;
    const auto bytes = static_cast<std::size_t>(right - left + 1) * kCellBytes;
    const auto* in = static_cast<const std::uint8_t*>(cells);
    for (int row = top; row <= bottom; ++row, in += bytes)
        std::memcpy(cell_at(S.window_left + left - 1, S.window_top + row - 1), in, bytes);
    mark_dirty(S.window_left + left - 1, S.window_top + top - 1, S.window_left + right - 1,
               S.window_top + bottom - 1);
    return true;
}

bool ODSessionScreenCopyText(int left, int top, int right, int bottom, int new_left, int new_top)
{
    // The destination's corner first, so that its far edges cannot
    // overflow.
    if (!bSessionScreenAvailable || !rectangle_fits(left, top, right, bottom) ||
        !rectangle_fits(new_left, new_top, new_left, new_top))
        return false;
    const int new_right = new_left + (right - left);
    const int new_bottom = new_top + (bottom - top);
    if (!rectangle_fits(new_left, new_top, new_right, new_bottom))
        return false;
    const auto bytes = static_cast<std::size_t>(right - left + 1) * kCellBytes;
    const int rows = bottom - top + 1;
    // Moving down copies the bottom row first, so an overlap is not
    // overwritten before it is read.
    for (int i = 0; i < rows; ++i) {
        const int offset = new_top > top ? rows - 1 - i : i;
        std::memmove(cell_at(S.window_left + new_left - 1, S.window_top + new_top - 1 + offset),
                     cell_at(S.window_left + left - 1, S.window_top + top - 1 + offset), bytes);
    }
    mark_dirty(S.window_left + new_left - 1, S.window_top + new_top - 1,
               S.window_left + new_right - 1, S.window_top + new_bottom - 1);
    return true;
}

void ODSessionScreenPresent()
{
    if (!bSessionScreenAvailable || bSessionScreenEmulating)
        return;
    ODScrnTextInfo local{};
    ODScrnGetTextInfo(&local);
    bCaretPresentationChange = 0;
    const int visible_columns =
        std::min({OD_SCREEN_WIDTH, static_cast<int>(S.width), local.right - local.left + 1});
    const int visible_rows = std::min(static_cast<int>(S.height), local.bottom - local.top + 1);
    if (S.dirty && visible_columns > 0 && visible_rows > 0) {
        const int left = std::max(S.dirty_left, 0);
        const int top = std::max(S.dirty_top, 0);
        const int right = std::min(S.dirty_right, visible_columns - 1);
        const int bottom = std::min(S.dirty_bottom, visible_rows - 1);
        if (left <= right && top <= bottom)
            present_rows(left, top, right, bottom);
    }
    S.dirty = 0;
    ODScrnSetAttribute(S.attribute);
    const int column = S.window_left + S.cursor_x;
    const int row = S.window_top + S.cursor_y;
    if (column < visible_columns && row < visible_rows)
        ODScrnSetCursorPos(column + 1, row + 1);
}

void ODSessionScreenBeginEmulation()
{
    if (!bSessionScreenAvailable || bSessionScreenEmulating)
        return;
    bSessionScreenEmulating = 1;
    ODScrnSetRedirect(&kSessionRedirect);
}

void ODSessionScreenEndEmulation()
{
    if (!bSessionScreenEmulating)
        return;
    bSessionScreenEmulating = 0;
    ODScrnSetRedirect(nullptr);
    ODSessionScreenPresent();
}

bool ODSessionScreenIsEmulating()
{
    return bSessionScreenEmulating != 0;
}
