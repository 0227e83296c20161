// Redrawing a block of cells on a terminal that has no cursor control.
#include "doorkit/output/output.h"

namespace {

constexpr int kCellBytes = 2;

// Sends `count` characters of a row; a NUL cell shows as a space.
void send_row_text(const std::uint8_t* row, int count)
{
    char chunk[128];
    int used = 0;
    for (int column = 0; column < count; ++column) {
        const std::uint8_t character = row[column * kCellBytes];
        chunk[used++] = character == '\0' ? ' ' : static_cast<char>(character);
        if (used == static_cast<int>(sizeof chunk)) {
            ODOutputSend(chunk, sizeof chunk);
            used = 0;
        }
    }
    ODOutputSend(chunk, static_cast<std::size_t>(used));
}

}  // namespace

void ODRedrawPlainText(const std::uint8_t* cells, int columns, int rows, int screen_width,
                       int cursor_row, int cursor_column)
{
    for (int row = 1; row <= rows; ++row) {
        const std::uint8_t* line = cells + static_cast<std::size_t>(row - 1) * columns * kCellBytes;
        if (row == cursor_row) {
            // Up to the cursor's column, blanks included, so that the
            // terminal's cursor ends where the copy's is.
            const int count = cursor_column - 1 < columns ? cursor_column - 1 : columns;
            send_row_text(line, count);
            return;
        }
        int length = columns;
        while (length > 0 && ODIsBlankCharacter(line[(length - 1) * kCellBytes]))
            --length;
        send_row_text(line, length);
        if (length < screen_width)
            ODOutputSend("\r\n", 2);
    }
}
