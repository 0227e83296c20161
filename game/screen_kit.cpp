#include "game/screen_kit.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "doorkit/doorkit.h"
#include "game/interbbs.h"
#include "game/keys.h"
#include "game/run_state.h"
#include "game/seasons.h"

namespace {

constexpr int kTextColumn = 3;
constexpr int kProseLastRow = 20;
constexpr int kBarCells = 14;
constexpr int kLineMax = 80;

// Characters that fit from `column` on `row`, or 0 outside the screen.
int room_at(int column, int row)
{
    if (column < 1 || column > 78 || row < 1 || row > 24)
        return 0;
    if (row >= 4 && row <= 17 && column < 47)
        return column < 44 ? 44 - column : 0;
    return 79 - column;
}

// `count` copies of one CP437 cell character.
void put_cells(int column, int row, int colour, unsigned char cell, int count)
{
    char run[kBarCells + 1];
    if (count <= 0)
        return;
    if (count > kBarCells)
        count = kBarCells;
    std::memset(run, static_cast<char>(cell), static_cast<std::size_t>(count));
    run[count] = '\0';
    put(column, row, colour, run);
}

// A key for waitc: upper case, 0 when the session stopped.
int wait_for_key()
{
    int key = read_key(true);
    if (key >= 'a' && key <= 'z')
        key -= 'a' - 'A';
    return key;
}

}  // namespace

void put(int column, int row, int colour, const char* text)
{
    if (text == nullptr)
        return;
    int room = room_at(column, row);
    if (room < 1)
        return;
    char line[kLineMax];
    std::size_t length = strnlen(text, static_cast<std::size_t>(room));
    std::memcpy(line, text, length);
    line[length] = '\0';
    od_set_color(colour, 0);
    od_set_cursor(row, column);
    od_disp_str(line);
}

void header(const char* caption)
{
    static const char strip[] = "\xb0\xb1\xb2\xdb\xdb\xdb\xdb\xb2\xb1\xb0";
    od_clr_scr();
    put(2, 1, 11, season_is_october() ? "GOURDFALL" : "GRIMBO - HOLLOWTIDE");
    if (caption != nullptr)
        put(42, 1, 14, caption);  // put keeps its first 37 characters
    char name[21];
    std::size_t shown = strnlen(bbs_name, sizeof name - 1);
    std::memcpy(name, bbs_name, shown);
    name[shown] = '\0';
    put(2, 2, 8, strip);
    put(15, 2, 8, name);
    put(17 + static_cast<int>(shown), 2, 8, strip);
}

void bar(int row, const char* label, int value, int colour)
{
    char padded[48];
    std::snprintf(padded, sizeof padded, "%-9s", label != nullptr ? label : "");
    put(kTextColumn, row, 7, padded);
    put(13, row, 8, "[");
    std::int64_t filled = static_cast<std::int64_t>(value) * kBarCells / 100;
    if (filled < 0)
        filled = 0;
    if (filled > kBarCells)
        filled = kBarCells;
    int full = static_cast<int>(filled);
    put_cells(14, row, colour, 219, full);
    put_cells(14 + full, row, 8, 176, kBarCells - full);
    put(28, row, 8, "]");
}

void scene(const char* text)
{
    const bool october = season_is_october();
    header(level >= 0 && level < season_stages ? places[level] : nullptr);
    season_art(art_panel_column, art_top_row, level < 5 ? 0 : 2);
    if (text != nullptr)
        put(kTextColumn, 5, 7, text);
    bar(18, october ? "SANITY" : "HEALTH", hp, 10);
    bar(20, "STAMINA", energy, 11);
    char status[128];
    std::snprintf(status, sizeof status, "STAGE %d/8 SCORE %d %s %d KEYS %d CLUES %d",
                  static_cast<int>(level) + 1, static_cast<int>(score),
                  october ? "CANDY" : "TOKENS", static_cast<int>(coins),
                  static_cast<int>(keys), static_cast<int>(clues));
    put(kTextColumn, 22, 14, status);
}

void waitc()
{
    put(4, 23, 7,
        in_adventure == 1 ? "[C] CONTINUE     [Q] BACK TO LOBBY"
                          : "[C] CONTINUE     [Q] RETURN TO BBS");
    while (od_carrier()) {
        int key = wait_for_key();
        if (key == 0)
            return;  // the session stopped while waiting
        if (key == 'Q' || key == 27) {
            quit_requested = 1;
            return;
        }
        if (key == 'C' || quit_requested == 1)
            return;
    }
}

namespace {

// One paragraph being laid out line by line.
class ProseLayout {
public:
    ProseLayout(int first_row, int colour, int width)
        : first_row_(first_row), colour_(colour), width_(width)
    {
    }

    bool empty() const { return length_ == 0; }
    bool fits(std::size_t word) const
    {
        return length_ + 1 + word <= static_cast<std::size_t>(width_);
    }
    int row() const { return first_row_ + lines_; }

    void append(const char* word, std::size_t size)
    {
        if (length_ > 0 && length_ < sizeof text_ - 1)
            text_[length_++] = ' ';
        std::size_t room = sizeof text_ - 1 - length_;
        if (size > room)
            size = room;
        std::memcpy(text_ + length_, word, size);
        length_ += size;
        text_[length_] = '\0';
    }

    void print() const
    {
        if (length_ > 0 && row() <= kProseLastRow)
            put(kTextColumn, row(), colour_, text_);
    }

    // Starts the next line; false once it would fall below the last row.
    bool next_line()
    {
        ++lines_;
        length_ = 0;
        text_[0] = '\0';
        return row() <= kProseLastRow;
    }

private:
    int first_row_;
    int colour_;
    int width_;
    int lines_ = 0;
    char text_[kLineMax + 1] = {};
    std::size_t length_ = 0;
};

}  // namespace

void prose(int first_row, int colour, const char* text, int width)
{
    if (text == nullptr || width < 1)
        return;
    if (width > kLineMax)
        width = kLineMax;
    const std::size_t limit = static_cast<std::size_t>(width);
    ProseLayout line(first_row, colour, width);
    const char* at = text;
    while (*at != '\0') {
        if (*at == ' ') {
            ++at;
            continue;
        }
        if (*at == '\n') {
            line.print();
            if (!line.next_line())
                return;
            ++at;
            continue;
        }
        const char* word = at;
        while (*at != '\0' && *at != ' ' && *at != '\n')
            ++at;
        std::size_t size = static_cast<std::size_t>(at - word);
        if (!line.empty() && !line.fits(size)) {
            line.print();
            if (!line.next_line())
                return;
        }
        // A word longer than a line is cut into whole lines of its own.
        while (size > limit) {
            line.append(word, limit);
            line.print();
            if (!line.next_line())
                return;
            word += limit;
            size -= limit;
        }
        line.append(word, size);
    }
    line.print();
}
