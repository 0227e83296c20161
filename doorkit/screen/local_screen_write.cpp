// Writing characters into the local screen, clearing and scrolling.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "doorkit/screen/local_screen.h"
#include "doorkit/screen/local_screen_internal.h"

namespace {

constexpr int kTabWidth = 8;
constexpr std::size_t kPrintfBufferSize = 81;

char szBuffer[kPrintfBufferSize];

void fill_row(int row, int from_column)
{
    for (int column = from_column; column < ODScrnWindowWidth(); ++column) {
        std::uint8_t* cell = ODScrnWindowCell(column, row);
        cell[0] = ' ';
        cell[1] = btCurrentAttribute;
    }
}

void scroll_local()
{
    const std::size_t row_bytes = static_cast<std::size_t>(ODScrnWindowWidth()) * OD_SCREEN_CELL_BYTES;
    for (int row = 0; row + 1 < ODScrnWindowHeight(); ++row)
        std::memcpy(ODScrnWindowCell(0, row), ODScrnWindowCell(0, row + 1), row_bytes);
    fill_row(ODScrnWindowHeight() - 1, 0);
}

// Down one row; at the bottom row the window scrolls, or with scrolling
// off the cursor stays where it is.
void next_row()
{
    if (btCursorRow + 1 < ODScrnWindowHeight())
        ++btCursorRow;
    else if (bScrollEnabled)
        scroll_local();
}

void wrap_line()
{
    btCursorColumn = 0;
    next_row();
}

void write_local(std::uint8_t character)
{
    if (btCursorColumn >= ODScrnWindowWidth())
        btCursorColumn = static_cast<std::uint8_t>(ODScrnWindowWidth() - 1);
    if (btCursorRow >= ODScrnWindowHeight())
        btCursorRow = static_cast<std::uint8_t>(ODScrnWindowHeight() - 1);

    switch (character) {
    case 7:  // the bell makes no sound on this platform
        return;
    case 8:
        if (btCursorColumn > 0)
            --btCursorColumn;
        return;
    case 9: {
        int column = (btCursorColumn / kTabWidth + 1) * kTabWidth;
        if (column >= ODScrnWindowWidth())
            wrap_line();
        else
            btCursorColumn = static_cast<std::uint8_t>(column);
        return;
    }
    case 10:
        next_row();
        return;
    case 13:
        btCursorColumn = 0;
        return;
    default:
        break;
    }
    std::uint8_t* cell = ODScrnWindowCell(btCursorColumn, btCursorRow);
    cell[0] = character;
    cell[1] = btCurrentAttribute;
    if (btCursorColumn + 1 >= ODScrnWindowWidth())
        wrap_line();
    else
        ++btCursorColumn;
}

}  // namespace

void ODScrnDisplayChar(std::uint8_t character)
{
    char byte = static_cast<char>(character);
    ODScrnDisplayBuffer(&byte, 1);
}

void ODScrnDisplayBuffer(const char* buffer, int length)
{
    if (buffer == nullptr || length <= 0)
        return;
    if (pScrnRedirect != nullptr) {
        pScrnRedirect->display_buffer(buffer, length);
        return;
    }
    if (pScrnBuffer == nullptr)
        return;
    for (int i = 0; i < length; ++i)
        write_local(static_cast<std::uint8_t>(buffer[i]));
}

void ODScrnDisplayString(const char* text)
{
    if (text != nullptr)
        ODScrnDisplayBuffer(text, static_cast<int>(std::strlen(text)));
}

int ODScrnPrintf(const char* format, ...)
{
    if (format == nullptr)
        return -1;
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(szBuffer, sizeof szBuffer, format, args);
    va_end(args);

    int result = length < 0 ? -1 : length;
    if (length >= 0 && static_cast<std::size_t>(length) < sizeof szBuffer) {
        ODScrnDisplayBuffer(szBuffer, length);
    } else if (length >= 0) {
        // Too long for the static buffer: format once more into one that fits.
        auto* text = static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + 1));
        if (text == nullptr) {
            result = -1;
        } else {
            int second = std::vsnprintf(text, static_cast<std::size_t>(length) + 1, format, again);
            if (second == length)
                ODScrnDisplayBuffer(text, length);
            else
                result = -1;
            std::free(text);
        }
    }
    va_end(again);
    return result;
}

void ODScrnClear()
{
    if (pScrnRedirect != nullptr) {
        pScrnRedirect->clear();
        return;
    }
    if (pScrnBuffer == nullptr)
        return;
    for (int row = 0; row < ODScrnWindowHeight(); ++row)
        fill_row(row, 0);
    btCursorColumn = 0;
    btCursorRow = 0;
}

void ODScrnClearToEndOfLine()
{
    if (pScrnRedirect != nullptr) {
        pScrnRedirect->clear_to_end_of_line();
        return;
    }
    if (pScrnBuffer == nullptr || btCursorRow >= ODScrnWindowHeight())
        return;
    fill_row(btCursorRow, btCursorColumn);
}

void ODScrnScrollUpOneLine()
{
    if (pScrnRedirect != nullptr) {
        pScrnRedirect->scroll_up_one_line();
        return;
    }
    if (pScrnBuffer != nullptr)
        scroll_local();
}
