// Word-wrapped text for the screen kit: paragraphs (prose) and single lines
// that continue below where they do not fit beside the art (put_wrapped).
#include <cstring>

#include "game/screen_kit.h"

namespace {

constexpr int kLastRow = 20;  // nothing is wrapped below this row
constexpr int kLineMax = 80;

// "[1]", "[Q]": the key of an option, which stays on the row of its words.
bool is_option_key(const char* word, std::size_t size)
{
    return size >= 3 && size <= 5 && word[0] == '[' && word[size - 1] == ']';
}

// One paragraph being laid out line by line. Blanks between words on a
// line are kept as written ("[1] MASK  [2] LANTERN"); a line never starts
// with one.
class layout {
public:
    layout(int column, int first_row, int colour, int width)
        : column_(column), row_(first_row), colour_(colour),
          width_(width < kLineMax ? width : kLineMax)
    {
    }

    std::size_t width() const { return static_cast<std::size_t>(width_); }
    bool empty() const { return length_ == 0; }
    int rows_used() const { return rows_; }
    bool fits(std::size_t gap, std::size_t word) const
    {
        return length_ + (length_ > 0 ? gap : 0) + word <= width();
    }

    void append(std::size_t gap, const char* word, std::size_t size)
    {
        if (length_ > 0) {
            for (; gap > 0 && length_ < width(); --gap)
                text_[length_++] = ' ';
        }
        if (is_option_key(word, size))
            option_at_ = length_;
        if (size > width() - length_)
            size = width() - length_;
        std::memcpy(text_ + length_, word, size);
        length_ += size;
        text_[length_] = '\0';
    }

    // Prints the line and starts the next; false once that falls below the
    // last row.
    bool next_line()
    {
        print();
        ++row_;
        length_ = 0;
        option_at_ = 0;
        text_[0] = '\0';
        return row_ <= kLastRow;
    }

    // Moves the line's last option (its key and the words after it) to the
    // next line, so that a key is never parted from its words; false when
    // the line has none to move or no row is left.
    bool carry_option()
    {
        if (option_at_ == 0)
            return false;
        char option[kLineMax + 1];
        const std::size_t size = length_ - option_at_;
        std::memcpy(option, text_ + option_at_, size);
        length_ = option_at_;
        while (length_ > 0 && text_[length_ - 1] == ' ')
            --length_;
        text_[length_] = '\0';
        if (!next_line())
            return false;
        std::memcpy(text_, option, size);
        length_ = size;
        text_[length_] = '\0';
        return true;
    }

    void print()
    {
        if (length_ > 0 && row_ <= kLastRow) {
            put(column_, row_, colour_, text_);
            ++rows_;
        }
    }

private:
    int column_;
    int row_;
    int colour_;
    int width_;
    int rows_ = 0;
    std::size_t length_ = 0;
    std::size_t option_at_ = 0;  // where the last option key starts, 0 for none
    char text_[kLineMax + 1] = {};
};

// Lays out `text`; returns the rows printed.
int lay_out(layout& line, const char* text)
{
    std::size_t gap = 0;
    const char* at = text;
    while (*at != '\0') {
        if (*at == ' ') {
            ++gap;
            ++at;
            continue;
        }
        if (*at == '\n') {
            if (!line.next_line())
                return line.rows_used();
            gap = 0;
            ++at;
            continue;
        }
        const char* word = at;
        while (*at != '\0' && *at != ' ' && *at != '\n')
            ++at;
        std::size_t size = static_cast<std::size_t>(at - word);
        if (!line.empty() && !line.fits(gap, size)) {
            const bool moved = !is_option_key(word, size) && line.carry_option();
            if (!moved || !line.fits(gap, size)) {
                if (!line.next_line())
                    return line.rows_used();
            }
            if (line.empty())
                gap = 0;
        }
        // A word longer than a line is cut into whole lines of its own.
        while (size > line.width()) {
            line.append(0, word, line.width());
            if (!line.next_line())
                return line.rows_used();
            word += line.width();
            size -= line.width();
        }
        line.append(gap, word, size);
        gap = 0;
    }
    line.print();
    return line.rows_used();
}

}  // namespace

void prose(int first_row, int colour, const char* text, int width)
{
    if (text == nullptr || width < 1)
        return;
    layout line(3, first_row, colour, width);
    lay_out(line, text);
}

int put_wrapped(int column, int row, int colour, const char* text)
{
    const int width = put_room(column, row);
    if (text == nullptr || width < 1)
        return 0;
    layout line(column, row, colour, width);
    return lay_out(line, text);
}
