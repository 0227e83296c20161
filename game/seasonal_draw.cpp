// Drawing the art panels: the month panels and the animated October picture.
#include "doorkit/doorkit.h"
#include "game/data/art_build.h"
#include "game/seasons.h"

namespace {

constexpr int last_row = 24;
constexpr int last_column = 79;  // nothing is drawn in the last column

// Collects the cells of one screen row and sends each run of one colour as a
// single string after a single colour change.
class art_row_writer {
public:
    explicit art_row_writer(int row) : row_(row) {}
    art_row_writer(const art_row_writer&) = delete;
    art_row_writer& operator=(const art_row_writer&) = delete;
    ~art_row_writer() { flush(); }

    void add(int column, art_cell cell)
    {
        if (column < 1 || column > last_column)
            return;
        if (length_ > 0 && (cell.fg != fg_ || cell.bg != bg_ || column != first_ + length_))
            flush();
        if (length_ == 0) {
            first_ = column;
            fg_ = cell.fg;
            bg_ = cell.bg;
        }
        run_[length_++] = static_cast<char>(cell.ch == 0 ? ' ' : cell.ch);
    }

private:
    void flush()
    {
        if (length_ == 0)
            return;
        run_[length_] = '\0';
        od_set_cursor(row_, first_);
        od_set_color(fg_, bg_);
        od_disp_str(run_);
        length_ = 0;
    }

    int row_;
    int first_ = 0;
    int fg_ = 0;
    int bg_ = 0;
    int length_ = 0;
    char run_[art_columns + 1] = {};
};

bool row_on_screen(int row) { return row >= 1 && row <= last_row; }

}  // namespace

int harvest_color(int colour, int row, int column, int frame)
{
    int result = colour;
    if (colour == 6) {
        const int distance = column > 15 ? column - 15 : 15 - column;
        const int diagonal = column + row;
        if (distance > 9)
            result = diagonal % 4 == 0 ? 4 : 6;  // dark edge stripes
        else if (distance < 5 && diagonal % 9 == 0)
            result = 14;  // glints near the middle
        else
            result = 6;
        if (row >= 11 && row <= 15 && column % 7 == 0)
            result = 0;  // carved grooves
        if (frame == 2)
            return diagonal % 13 == 0 ? 12 : result;
        if (frame == 3)
            return diagonal % 5 == 0 ? 15 : result;
    } else if (colour == 14 && frame == 1) {
        return row >= 7 && row <= 12 ? 15 : 14;
    } else if (colour == 2) {
        result = (column + row) % 7 == 0 ? 10 : 2;
    }
    if (frame == 4)
        return (column + 3 * row) % 5 == 0 ? 0 : result;
    return result;
}

void grimbo_art(int column, int row, int frame)
{
    for (int y = 0; y < art_rows; ++y) {
        if (!row_on_screen(row + y))
            continue;
        art_row_writer writer(row + y);
        for (int x = 0; x < art_columns; ++x) {
            const art_pixel_pair pair = grimbo_pixels.cells[y][x];
            int upper = harvest_color(pair.upper, y, x, frame);
            int lower = harvest_color(pair.lower, y, x, frame);
            if (frame == 3 && (y + x) % 11 == 0) {
                upper = 14;
                lower = 12;
            }
            writer.add(column + x, half_block_cell(upper, lower));
        }
    }
    od_set_color(7, 0);
}

void seasonal_draw_at(int column, int row, int frame)
{
    const art_panel& panel = seasonal_art[season_current_index()];
    for (int y = 0; y < art_rows; ++y) {
        if (!row_on_screen(row + y))
            continue;
        art_row_writer writer(row + y);
        for (int x = 0; x < art_columns; ++x) {
            art_cell cell = panel.cells[y][x];
            if (frame == 3 && cell.fg != 0 && (y + x) % 9 == 0)
                cell.fg = 15;
            if (frame == 4 && (y + x) % 3 == 0)
                cell = {' ', 0, 0};
            writer.add(column + x, cell);
        }
    }
    od_set_color(7, 0);
}

void seasonal_draw(int column, int frame)
{
    seasonal_draw_at(column, art_top_row, frame);
}

void season_art(int column, int row, int frame)
{
    if (season_is_october())
        grimbo_art(column, row, frame);
    else
        seasonal_draw_at(column, row, frame);
}
