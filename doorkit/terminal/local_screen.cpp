#include "doorkit/terminal/local_screen.h"

#include <cstdlib>
#include <cstring>

#include "doorkit/doorkit.h"

namespace {

constexpr int kCellBytes = 2;
constexpr int kBufferBytes = OD_SCREEN_WIDTH * OD_SCREEN_HEIGHT * kCellBytes;
constexpr int kMessageMaxLength = 73;

std::uint8_t* pScrnBuffer = nullptr;
std::uint8_t btLeftBoundary = 0;
std::uint8_t btTopBoundary = 0;
std::uint8_t btRightBoundary = OD_SCREEN_WIDTH - 1;
std::uint8_t btBottomBoundary = OD_SCREEN_HEIGHT - 1;
std::uint8_t btCursorColumn = 0;
std::uint8_t btCursorRow = 0;
std::uint8_t btCurrentAttribute = 7;

std::uint8_t* cell_at(int column, int row)  // 0-based screen coordinates
{
    return pScrnBuffer + (row * OD_SCREEN_WIDTH + column) * kCellBytes;
}

int clamp(int value, int low, int high)
{
    return value < low ? low : (value > high ? high : value);
}

}  // namespace

int ODScrnInitialize()
{
    if (pScrnBuffer == nullptr) {
        pScrnBuffer = static_cast<std::uint8_t*>(std::malloc(kBufferBytes));
        if (pScrnBuffer == nullptr)
            return 2;
    }
    btLeftBoundary = 0;
    btTopBoundary = 0;
    btRightBoundary = OD_SCREEN_WIDTH - 1;
    btBottomBoundary = OD_SCREEN_HEIGHT - 1;
    btCurrentAttribute = 7;
    ODScrnClear();
    return 0;
}

void ODScrnShutdown()
{
    std::free(pScrnBuffer);
    pScrnBuffer = nullptr;
}

void ODScrnSetBoundary(std::uint8_t left, std::uint8_t top, std::uint8_t right,
                       std::uint8_t bottom)
{
    int l = clamp(left, 1, OD_SCREEN_WIDTH) - 1;
    int t = clamp(top, 1, OD_SCREEN_HEIGHT) - 1;
    int r = clamp(right, l + 1, OD_SCREEN_WIDTH) - 1;
    int b = clamp(bottom, t + 1, OD_SCREEN_HEIGHT) - 1;
    btLeftBoundary = static_cast<std::uint8_t>(l);
    btTopBoundary = static_cast<std::uint8_t>(t);
    btRightBoundary = static_cast<std::uint8_t>(r);
    btBottomBoundary = static_cast<std::uint8_t>(b);
    btCursorColumn = static_cast<std::uint8_t>(clamp(btCursorColumn, 0, r - l));
    btCursorRow = static_cast<std::uint8_t>(clamp(btCursorRow, 0, b - t));
}

void ODScrnSetAttribute(std::uint8_t attribute)
{
    btCurrentAttribute = attribute;
}

void ODScrnClear()
{
    if (pScrnBuffer == nullptr)
        return;
    for (int row = btTopBoundary; row <= btBottomBoundary; ++row) {
        for (int column = btLeftBoundary; column <= btRightBoundary; ++column) {
            std::uint8_t* cell = cell_at(column, row);
            cell[0] = ' ';
            cell[1] = btCurrentAttribute;
        }
    }
    btCursorColumn = 0;
    btCursorRow = 0;
}

void ODScrnSetCursorPos(std::uint8_t column, std::uint8_t row)
{
    btCursorColumn = static_cast<std::uint8_t>(
        clamp(column, 1, btRightBoundary - btLeftBoundary + 1) - 1);
    btCursorRow = static_cast<std::uint8_t>(
        clamp(row, 1, btBottomBoundary - btTopBoundary + 1) - 1);
}

void* ODScrnShowMessage(const char* text)
{
    if (od_control.silent_mode || pScrnBuffer == nullptr || text == nullptr)
        return nullptr;
    int length = static_cast<int>(std::strlen(text));
    if (length > kMessageMaxLength)
        length = kMessageMaxLength;
    int width = length + 4;
    int left = 40 - width / 2;         // 1-based screen columns
    int right = 39 + width - width / 2;
    constexpr int top = 10;
    constexpr int bottom = 14;
    int columns = right - left + 1;
    int rows = bottom - top + 1;

    // Saved rectangle: left, top, right, bottom, then the covered cells.
    auto* saved = static_cast<std::uint8_t*>(std::malloc(4 + columns * rows * kCellBytes));
    if (saved == nullptr)
        return nullptr;
    saved[0] = static_cast<std::uint8_t>(left);
    saved[1] = top;
    saved[2] = static_cast<std::uint8_t>(right);
    saved[3] = bottom;
    std::uint8_t* out = saved + 4;
    for (int row = top - 1; row < bottom; ++row) {
        std::memcpy(out, cell_at(left - 1, row), static_cast<std::size_t>(columns * kCellBytes));
        out += columns * kCellBytes;
    }
    return saved;
}

void ODScrnRemoveMessage(void* saved)
{
    if (saved == nullptr)
        return;
    auto* record = static_cast<std::uint8_t*>(saved);
    if (pScrnBuffer != nullptr) {
        int left = record[0];
        int top = record[1];
        int columns = record[2] - left + 1;
        const std::uint8_t* in = record + 4;
        for (int row = top - 1; row < record[3]; ++row) {
            std::memcpy(cell_at(left - 1, row), in, static_cast<std::size_t>(columns * kCellBytes));
            in += columns * kCellBytes;
        }
    }
    std::free(saved);
}
