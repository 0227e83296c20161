// The caller's terminal in a test: everything the door sends is fed into a
// real terminal emulator (libvterm), and the test reads back what a caller
// would see.
#ifndef TESTS_SUPPORT_SCREEN_H
#define TESTS_SUPPORT_SCREEN_H

#include <cstdint>
#include <string>
#include <string_view>

struct VTerm;

namespace grimbo_test {

struct Cell {
    char32_t ch;            // the Unicode character shown (U+0020 for blank)
    std::uint8_t attribute; // PC colour attribute: fg | bg << 4 | blink << 7
};

struct CursorPos {
    int row;     // 1-based
    int column;  // 1-based
};

class Screen {
public:
    // `cp437`: the door sends code page 437 bytes (not UTF-8), decode them.
    explicit Screen(int rows = 25, int columns = 80, bool cp437 = false);
    ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    void feed(std::string_view bytes);

    // Row text in UTF-8, trailing blanks removed; rows and columns 1-based.
    std::string row_text(int row) const;
    // The whole screen, one line per row, trailing blank rows removed.
    std::string text() const;
    Cell cell(int row, int column) const;
    CursorPos cursor() const;
    bool contains(std::string_view text) const;

    int rows() const { return rows_; }
    int columns() const { return columns_; }

private:
    VTerm* vt_;
    int rows_;
    int columns_;
    bool cp437_;
};

}  // namespace grimbo_test

#endif
