// Rectangles of the caller's screen: od_gettext, od_puttext (painting only
// what differs from the screen copy) and od_scroll.
#include <cstdlib>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/output/colour.h"
#include "doorkit/output/output.h"
#include "doorkit/screen/session_screen.h"

namespace {

constexpr int kCellBytes = 2;
// Skipped cells cheaper to resend than a cursor move.
constexpr int kAvatarMoveCost = 4;
constexpr int kAnsiMoveCost = 7;
constexpr std::uint8_t kAvatarCommand = 0x16;
constexpr std::uint8_t kAvatarScrollUp = 0x0A;
constexpr std::uint8_t kAvatarScrollDown = 0x0B;
constexpr unsigned kRepeatLimit = 255;
constexpr long long kBlockLimit = 0x7FFFFFFF;

struct Rectangle {
    int left;
    int top;
    int right;
    int bottom;
    int columns() const { return right - left + 1; }
    int rows() const { return bottom - top + 1; }
    std::size_t bytes() const
    {
        return static_cast<std::size_t>(columns()) * static_cast<std::size_t>(rows()) * kCellBytes;
    }
};

// What the caller sees does not change: same cell, or two blanks on the
// same background.
bool same_cell(const std::uint8_t* a, const std::uint8_t* b)
{
    if (a[0] == b[0] && a[1] == b[1])
        return true;
    return ODIsBlankCharacter(a[0]) && ODIsBlankCharacter(b[0]) && (a[1] & 0x70) == (b[1] & 0x70);
}

// Checks a window-relative rectangle of the screen copy and the terminal
// mode; error_code set and false when refused.
bool check_area(const Rectangle& r, const ODMirrorInfo& mirror, bool needs_block,
                const void* block)
{
    if ((needs_block && block == nullptr) || r.left < 1 || r.top < 1 || r.left > r.right ||
        r.top > r.bottom || r.right > mirror.width || r.bottom > mirror.height) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    if (ODCurrentTerminalMode() == ODTerminalMode::Plain) {
        od_control.error_code = OD_ERR_NOGRAPHICS;
        return false;
    }
    return true;
}

// The same for a call that draws on the caller's terminal, which must be
// able to address the rectangle.
bool check_rectangle(const Rectangle& r, const ODMirrorInfo& mirror, bool needs_block,
                     const void* block)
{
    if (!check_area(r, mirror, needs_block, block))
        return false;
    if (ODCurrentTerminalMode() == ODTerminalMode::Avatar &&
        (mirror.left - 1 + r.right > OD_AVATAR_COORDINATE_MAX ||
         mirror.top - 1 + r.bottom > OD_AVATAR_COORDINATE_MAX)) {
        od_control.error_code = OD_ERR_LIMIT;
        return false;
    }
    if (static_cast<long long>(r.columns()) * r.rows() * kCellBytes > kBlockLimit) {
        od_control.error_code = OD_ERR_LIMIT;
        return false;
    }
    return true;
}

// Collects what a paint sends (characters, colour changes, cursor moves)
// and sends it in large pieces rather than call by call.
class Painter {
public:
    explicit Painter(ODTerminalMode mode) : mode_(mode) {}
    ~Painter() { flush(); }
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    void move(int row, int column)
    {
        make_room();
        used_ += ODEncodeCursorMove(mode_, row, column, buffer_ + used_);
    }

    void cell(const std::uint8_t* cell)
    {
        make_room();
        if (cell[1] != last_attribute_) {
            used_ += ODColourChange(cell[1], buffer_ + used_);
            last_attribute_ = cell[1];
        }
        // A NUL would not move the caller's cursor.
        buffer_[used_++] = cell[0] == '\0' ? ' ' : static_cast<char>(cell[0]);
    }

    void flush()
    {
        ODOutputSend(buffer_, used_);
        used_ = 0;
    }

private:
    // Room for the longest step: a colour change and a character, or a move.
    static constexpr std::size_t kStepMax = OD_COLOUR_SEQUENCE_MAX + OD_CURSOR_MOVE_MAX;

    void make_room()
    {
        if (used_ + kStepMax > sizeof buffer_)
            flush();
    }

    ODTerminalMode mode_;
    char buffer_[4096];
    std::size_t used_ = 0;
    int last_attribute_ = -1;  // none sent in this call yet
};

void paint_differences(const Rectangle& r, const ODMirrorInfo& mirror, const std::uint8_t* block,
                       const std::uint8_t* old)
{
    const ODTerminalMode mode = ODCurrentTerminalMode();
    const int move_cost = mode == ODTerminalMode::Avatar ? kAvatarMoveCost : kAnsiMoveCost;
    const bool every_cell = od_control.puttext_flag != 0 || old == nullptr;
    Painter painter(mode);
    for (int row = 0; row < r.rows(); ++row) {
        const std::size_t row_offset = static_cast<std::size_t>(row) * r.columns() * kCellBytes;
        const std::uint8_t* line = block + row_offset;
        bool positioned = false;
        int skipped = 0;
        for (int column = 0; column < r.columns(); ++column) {
            const std::uint8_t* cell = line + column * kCellBytes;
            if (!every_cell && same_cell(cell, old + row_offset + column * kCellBytes)) {
                ++skipped;
                continue;
            }
            if (!positioned || skipped > move_cost) {
                painter.move(mirror.top - 1 + r.top + row, mirror.left - 1 + r.left + column);
                positioned = true;
            } else {
                for (int back = column - skipped; back < column; ++back)
                    painter.cell(line + back * kCellBytes);
            }
            skipped = 0;
            painter.cell(cell);
        }
    }
}

bool put_text(const Rectangle& r, const void* block)
{
    ODMirrorInfo mirror{};
    ODMirrorGetInfo(&mirror);
    if (!check_rectangle(r, mirror, true, block))
        return false;
    const bool remote = od_control.baud != 0;
    std::uint8_t* old = nullptr;
    if (remote) {
        // What the caller sees now, to send only what changes.
        old = static_cast<std::uint8_t*>(std::malloc(r.bytes()));
        if (old == nullptr) {
            od_control.error_code = OD_ERR_MEMORY;
            return false;
        }
        ODMirrorGetText(r.left, r.top, r.right, r.bottom, old);
    }
    ODMirrorPutText(r.left, r.top, r.right, r.bottom, block);
    if (!remote)
        return true;

    const auto saved_attribute = static_cast<std::int16_t>(od_control.current_attribute);
    paint_differences(r, mirror, static_cast<const std::uint8_t*>(block), old);
    std::free(old);
    if (bScrollAction)
        od_set_cursor(mirror.cursor_row, mirror.cursor_column);
    od_set_attrib(saved_attribute);
    return true;
}

// The copy's side of an AVATAR scroll: rows moved, the new lines blank in
// the current colour.
bool scroll_copy(const Rectangle& r, int count, bool up, std::uint8_t attribute)
{
    auto* cells = static_cast<std::uint8_t*>(std::malloc(r.bytes()));
    if (cells == nullptr) {
        od_control.error_code = OD_ERR_MEMORY;
        return false;
    }
    ODMirrorGetText(r.left, r.top, r.right, r.bottom, cells);
    const std::size_t row_bytes = static_cast<std::size_t>(r.columns()) * kCellBytes;
    const std::size_t kept = static_cast<std::size_t>(r.rows() - count) * row_bytes;
    const std::size_t shift = static_cast<std::size_t>(count) * row_bytes;
    std::uint8_t* blank_start = cells;
    if (up) {
        std::memmove(cells, cells + shift, kept);
        blank_start = cells + kept;
    } else {
        std::memmove(cells + shift, cells, kept);
    }
    for (std::size_t i = 0; i < shift; i += kCellBytes) {
        blank_start[i] = ' ';
        blank_start[i + 1] = attribute;
    }
    ODMirrorPutText(r.left, r.top, r.right, r.bottom, cells);
    std::free(cells);
    return true;
}

bool scroll_avatar(const Rectangle& r, const ODMirrorInfo& mirror, int count, bool up)
{
    if (!scroll_copy(r, count, up, mirror.attribute))
        return false;
    const char command[7] = {
        static_cast<char>(kAvatarCommand),
        static_cast<char>(up ? kAvatarScrollUp : kAvatarScrollDown),
        static_cast<char>(count),
        static_cast<char>(mirror.top - 1 + r.top),
        static_cast<char>(mirror.left - 1 + r.left),
        static_cast<char>(mirror.top - 1 + r.bottom),
        static_cast<char>(mirror.left - 1 + r.right),
    };
    ODOutputSend(command, sizeof command);
    return true;
}

// Blanks one line that scrolled in, from the cursor placed at its start.
void clear_scrolled_line(const Rectangle& r, const ODMirrorInfo& mirror, int row)
{
    od_set_cursor(row, r.left);
    if (r.right == mirror.width) {
        od_clr_line();
        return;
    }
    for (unsigned left = static_cast<unsigned>(r.columns()); left > 0;) {
        const unsigned now = left < kRepeatLimit ? left : kRepeatLimit;
        od_repeat(' ', now);
        left -= now;
    }
}

bool scroll_ansi(const Rectangle& r, const ODMirrorInfo& mirror, int count, bool up,
                 bool clear_new_lines)
{
    if (count < r.rows()) {
        const Rectangle source{r.left, up ? r.top + count : r.top, r.right,
                               up ? r.bottom : r.bottom - count};
        const Rectangle target{r.left, up ? r.top : r.top + count, r.right,
                               up ? r.bottom - count : r.bottom};
        auto* cells = static_cast<std::uint8_t*>(std::malloc(source.bytes()));
        if (cells == nullptr) {
            od_control.error_code = OD_ERR_MEMORY;
            return false;
        }
        od_gettext(source.left, source.top, source.right, source.bottom, cells);
        bScrollAction = 0;
        const bool painted = put_text(target, cells);
        bScrollAction = 1;
        std::free(cells);
        if (!painted)
            return false;
    }
    if (clear_new_lines) {
        const int first = up ? r.bottom - count + 1 : r.top;
        for (int row = first; row < first + count; ++row)
            clear_scrolled_line(r, mirror, row);
    }
    od_set_cursor(mirror.cursor_row, mirror.cursor_column);
    return true;
}

}  // namespace

bool od_gettext(int left, int top, int right, int bottom, void* block)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    const Rectangle r{left, top, right, bottom};
    ODMirrorInfo mirror{};
    ODMirrorGetInfo(&mirror);
    if (!check_area(r, mirror, true, block))
        return false;
    return ODMirrorGetText(r.left, r.top, r.right, r.bottom, block);
}

bool od_puttext(int left, int top, int right, int bottom, const void* block)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    return put_text(Rectangle{left, top, right, bottom}, block);
}

bool od_scroll(int left, int top, int right, int bottom, int distance, std::uint16_t flags)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    const Rectangle r{left, top, right, bottom};
    ODMirrorInfo mirror{};
    ODMirrorGetInfo(&mirror);
    if (!check_rectangle(r, mirror, false, nullptr))
        return false;
    if (distance == 0)
        return true;
    const bool up = distance > 0;
    const long long magnitude = up ? distance : -static_cast<long long>(distance);
    const int count = magnitude < r.rows() ? static_cast<int>(magnitude) : r.rows();
    if (ODCurrentTerminalMode() == ODTerminalMode::Avatar)
        return scroll_avatar(r, mirror, count, up);
    return scroll_ansi(r, mirror, count, up, !(flags & SCROLL_NO_CLEAR));
}
