// Where the caller's cursor stands, as far as the kit can tell from what it
// has sent: known after a cursor move or a clear, carried along by text that
// stays on its row, and lost to anything else.
#include "doorkit/doorkit.h"
#include "doorkit/output/output.h"

namespace {

struct CallerCursor {
    bool known;
    int row;
    int column;
};

CallerCursor caller_cursor{};

// Every terminal the kit talks to is taken to be at least this wide, unless
// the caller said otherwise.
constexpr int kAssumedWidth = 80;

int caller_width()
{
    const int width = od_control.user_screen_width;
    return width >= 1 && width < kAssumedWidth ? width : kAssumedWidth;
}

// A byte every terminal shows as one cell. Controls and DEL may move the
// cursor anywhere; untranslated bytes 0x80-0x9F are controls to some
// terminals.
bool shows_as_one_cell(unsigned char byte)
{
    if (byte < 0x20 || byte == 0x7F)
        return false;
    return byte < 0x80 || byte >= 0xA0 || od_control.cp437_to_utf8;
}

}  // namespace

void ODCallerCursorForget()
{
    caller_cursor.known = false;
}

void ODCallerCursorPlaced(int row, int column)
{
    caller_cursor = CallerCursor{true, row, column};
}

bool ODCallerCursorIsAt(int row, int column)
{
    return caller_cursor.known && caller_cursor.row == row && caller_cursor.column == column;
}

void ODCallerCursorAdvance(const char* text, std::size_t length)
{
    if (!caller_cursor.known)
        return;
    for (std::size_t i = 0; i < length; ++i) {
        if (!shows_as_one_cell(static_cast<unsigned char>(text[i]))) {
            ODCallerCursorForget();
            return;
        }
    }
    // A character written in the last column leaves the cursor waiting to
    // wrap, which terminals handle differently.
    const int room = caller_width() - caller_cursor.column;
    if (room < 0 || length > static_cast<std::size_t>(room)) {
        ODCallerCursorForget();
        return;
    }
    caller_cursor.column += static_cast<int>(length);
}
