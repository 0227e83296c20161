#include "tests/support/screen.h"

#include <vterm.h>

#include "doorkit/transport/cp437.h"

namespace grimbo_test {

namespace {

void append_utf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// ANSI colour index (black, red, green, yellow, blue, magenta, cyan, white)
// to PC colour (black, blue, green, cyan, red, magenta, brown, grey).
constexpr std::uint8_t kAnsiToPc[8] = {0, 4, 2, 6, 1, 5, 3, 7};

std::uint8_t pc_colour(const VTermColor& colour, bool is_fg, bool bold)
{
    if (is_fg && VTERM_COLOR_IS_DEFAULT_FG(&colour))
        return bold ? 15 : 7;
    if (!is_fg && VTERM_COLOR_IS_DEFAULT_BG(&colour))
        return 0;
    if (!VTERM_COLOR_IS_INDEXED(&colour))
        return is_fg ? 7 : 0;
    unsigned idx = colour.indexed.idx;
    if (idx >= 16)
        return is_fg ? 7 : 0;
    std::uint8_t pc = kAnsiToPc[idx & 7];
    if (idx >= 8 || (is_fg && bold))
        pc |= 8;
    return pc;
}

}  // namespace

Screen::Screen(int rows, int columns, bool cp437)
    : vt_(vterm_new(rows, columns)), rows_(rows), columns_(columns), cp437_(cp437)
{
    vterm_set_utf8(vt_, 1);
    VTermScreen* screen = vterm_obtain_screen(vt_);
    vterm_screen_reset(screen, 1);
}

Screen::~Screen()
{
    vterm_free(vt_);
}

void Screen::feed(std::string_view bytes)
{
    if (!cp437_) {
        vterm_input_write(vt_, bytes.data(), bytes.size());
        return;
    }
    std::string utf8;
    utf8.reserve(bytes.size() * 2);
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            utf8 += c;
        else
            append_utf8(utf8, cp437_unicode_table[b - 0x80]);
    }
    vterm_input_write(vt_, utf8.data(), utf8.size());
}

Cell Screen::cell(int row, int column) const
{
    VTermScreenCell vc{};
    VTermPos pos{row - 1, column - 1};
    vterm_screen_get_cell(vterm_obtain_screen(vt_), pos, &vc);
    Cell out{};
    out.ch = vc.chars[0] == 0 ? U' ' : static_cast<char32_t>(vc.chars[0]);
    std::uint8_t fg = pc_colour(vc.fg, true, vc.attrs.bold != 0);
    std::uint8_t bg = pc_colour(vc.bg, false, false) & 7;
    if (vc.attrs.reverse) {
        std::uint8_t t = fg & 7;
        fg = static_cast<std::uint8_t>((fg & 8) | bg);
        bg = t;
    }
    out.attribute = static_cast<std::uint8_t>(fg | (bg << 4) | (vc.attrs.blink ? 0x80 : 0));
    return out;
}

std::string Screen::row_text(int row) const
{
    std::string out;
    for (int c = 1; c <= columns_; ++c)
        append_utf8(out, cell(row, c).ch);
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string Screen::text() const
{
    std::string out;
    int last = 0;
    for (int r = 1; r <= rows_; ++r)
        if (!row_text(r).empty())
            last = r;
    for (int r = 1; r <= last; ++r) {
        out += row_text(r);
        out += '\n';
    }
    return out;
}

CursorPos Screen::cursor() const
{
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return CursorPos{pos.row + 1, pos.col + 1};
}

bool Screen::contains(std::string_view needle) const
{
    return text().find(needle) != std::string::npos;
}

}  // namespace grimbo_test
