// Framed pop-up windows and the centred message box.
#include <cstdlib>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/screen/local_screen.h"
#include "doorkit/screen/local_screen_internal.h"

namespace {

constexpr int kSavedHeaderBytes = 4;
constexpr int kMaxEdge = 255;  // the saved rectangle keeps its edges in bytes
constexpr int kMessageMaxLength = 73;
constexpr int kMessageTop = 10;
constexpr int kMessageBottom = 14;

constexpr std::uint8_t kTopLeft = 214;
constexpr std::uint8_t kTopRight = 183;
constexpr std::uint8_t kBottomLeft = 211;
constexpr std::uint8_t kBottomRight = 189;
constexpr std::uint8_t kHorizontal = 196;
constexpr std::uint8_t kVertical = 186;

void set_cell(std::uint8_t* row, int column, std::uint8_t character, std::uint8_t attribute)
{
    row[column * OD_SCREEN_CELL_BYTES] = character;
    row[column * OD_SCREEN_CELL_BYTES + 1] = attribute;
}

void fill_cells(std::uint8_t* row, int width, std::uint8_t left, std::uint8_t middle, std::uint8_t right,
                std::uint8_t attribute)
{
    set_cell(row, 0, left, attribute);
    for (int column = 1; column < width - 1; ++column)
        set_cell(row, column, middle, attribute);
    set_cell(row, width - 1, right, attribute);
}

// " title " centred in the top edge; the odd dash goes to the right.
void place_title(std::uint8_t* row, int width, const char* title, std::uint8_t attribute)
{
    const int inner = width - 2;
    if (title == nullptr || title[0] == '\0' || inner < 3)
        return;
    const int length = static_cast<int>(strnlen(title, static_cast<std::size_t>(inner - 2)));
    int column = 1 + (inner - (length + 2)) / 2;
    set_cell(row, column++, ' ', attribute);
    for (int i = 0; i < length; ++i)
        set_cell(row, column++, static_cast<std::uint8_t>(title[i]), attribute);
    set_cell(row, column, ' ', attribute);
}

// Makes the box the current window; false (window unchanged) when the
// screen refuses it.
bool enter_box(int left, int top, int right, int bottom)
{
    ODScrnSetBoundary(left, top, right, bottom);
    ODScrnState now;
    ODScrnGetState(&now);
    return now.left == left && now.top == top && now.right == right && now.bottom == bottom;
}

}  // namespace

void* ODScrnCreateWindow(int left, int top, int right, int bottom, std::uint8_t attribute,
                         const char* title, std::uint8_t title_attribute)
{
    if (left < 1 || top < 1 || right > kMaxEdge || bottom > kMaxEdge || right - left < 1 ||
        bottom - top < 1)
        return nullptr;
    const int width = right - left + 1;
    const int height = bottom - top + 1;
    auto* saved = static_cast<std::uint8_t*>(
        std::malloc(kSavedHeaderBytes + static_cast<std::size_t>(width * height * OD_SCREEN_CELL_BYTES)));
    if (saved == nullptr)
        return nullptr;
    saved[0] = static_cast<std::uint8_t>(left);
    saved[1] = static_cast<std::uint8_t>(top);
    saved[2] = static_cast<std::uint8_t>(right);
    saved[3] = static_cast<std::uint8_t>(bottom);

    ODScrnState before;
    ODScrnGetState(&before);
    bool drawn = enter_box(left, top, right, bottom) &&
                 ODScrnGetText(1, 1, width, height, saved + kSavedHeaderBytes) != 0;
    if (drawn) {
        std::uint8_t row[kMaxEdge * OD_SCREEN_CELL_BYTES];
        fill_cells(row, width, kTopLeft, kHorizontal, kTopRight, attribute);
        place_title(row, width, title, title_attribute);
        ODScrnPutText(1, 1, width, 1, row);
        fill_cells(row, width, kVertical, ' ', kVertical, attribute);
        for (int line = 2; line < height; ++line)
            ODScrnPutText(1, line, width, line, row);
        fill_cells(row, width, kBottomLeft, kHorizontal, kBottomRight, attribute);
        ODScrnPutText(1, height, width, height, row);
    }
    ODScrnSetState(before);
    if (!drawn) {
        std::free(saved);
        return nullptr;
    }
    return saved;
}

void ODScrnDestroyWindow(void* saved)
{
    if (saved == nullptr)
        return;
    const auto* record = static_cast<const std::uint8_t*>(saved);
    const int left = record[0];
    const int top = record[1];
    const int right = record[2];
    const int bottom = record[3];
    ODScrnState before;
    ODScrnGetState(&before);
    if (enter_box(left, top, right, bottom))
        ODScrnPutText(1, 1, right - left + 1, bottom - top + 1, record + kSavedHeaderBytes);
    ODScrnSetState(before);
    std::free(saved);
}

void* ODScrnShowMessage(const char* text)
{
    if (od_control.silent_mode || text == nullptr)
        return nullptr;
    const int length = static_cast<int>(strnlen(text, kMessageMaxLength));
    const int width = length + 4;
    const int left = 40 - width / 2;
    const int right = 39 + width - width / 2;
    void* saved = ODScrnCreateWindow(left, kMessageTop, right, kMessageBottom, od_control.popup_colour,
                                     nullptr, 0);
    if (saved == nullptr || length == 0)
        return saved;

    // The text goes in as cells, so control characters in it cannot move
    // anything outside the box.
    std::uint8_t cells[kMessageMaxLength * OD_SCREEN_CELL_BYTES];
    for (int i = 0; i < length; ++i)
        set_cell(cells, i, static_cast<std::uint8_t>(text[i]), od_control.popup_colour);
    ODScrnState before;
    ODScrnGetState(&before);
    if (enter_box(left, kMessageTop, right, kMessageBottom))
        ODScrnPutText(3, 3, length + 2, 3, cells);
    ODScrnSetState(before);
    return saved;
}

void ODScrnRemoveMessage(void* saved)
{
    if (od_control.silent_mode)
        std::free(saved);
    else
        ODScrnDestroyWindow(saved);
}
