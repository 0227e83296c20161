#include "doorkit/screen/snapshot_format.h"

#include <cstring>

#include "doorkit/screen/session_screen.h"

namespace {

constexpr char kMagic[4] = {'O', 'D', 'S', '1'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint64_t kCellLimit = 0x7FFFFFE7;
constexpr std::uint32_t kCellBytes = 2;

enum Offset : std::size_t {
    kOffMagic = 0,
    kOffVersion = 4,
    kOffTotal = 8,
    kOffWidth = 12,
    kOffHeight = 16,
    kOffLeft = 20,
    kOffTop = 24,
    kOffRight = 28,
    kOffBottom = 32,
    kOffCursorColumn = 36,
    kOffCursorRow = 40,
    kOffAttribute = 44,
    kOffScrolling = 45,
    kOffReserved = 46,
};

void put32(std::uint8_t* out, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t get32(const std::uint8_t* in, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | in[offset + static_cast<std::size_t>(i)];
    return value;
}

}  // namespace

std::uint32_t ODSnapshotSize(std::uint32_t width, std::uint32_t height)
{
    const std::uint64_t total = OD_SNAPSHOT_HEADER_SIZE +
                                static_cast<std::uint64_t>(width) * height * kCellBytes;
    return total > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(total);
}

void ODSnapshotWriteHeader(const ODSnapshotHeader& header, std::uint8_t* out)
{
    std::memset(out, 0, OD_SNAPSHOT_HEADER_SIZE);
    std::memcpy(out + kOffMagic, kMagic, sizeof kMagic);
    put32(out, kOffVersion, kVersion);
    put32(out, kOffTotal, ODSnapshotSize(header.width, header.height));
    put32(out, kOffWidth, header.width);
    put32(out, kOffHeight, header.height);
    put32(out, kOffLeft, header.left);
    put32(out, kOffTop, header.top);
    put32(out, kOffRight, header.right);
    put32(out, kOffBottom, header.bottom);
    put32(out, kOffCursorColumn, header.cursor_column);
    put32(out, kOffCursorRow, header.cursor_row);
    out[kOffAttribute] = header.attribute;
    out[kOffScrolling] = header.scrolling;
}

bool ODSnapshotReadHeader(const void* snapshot, std::uint32_t size, ODSnapshotHeader* header)
{
    if (snapshot == nullptr || size < OD_SNAPSHOT_HEADER_SIZE)
        return false;
    const auto* in = static_cast<const std::uint8_t*>(snapshot);
    if (std::memcmp(in + kOffMagic, kMagic, sizeof kMagic) != 0 || get32(in, kOffVersion) != kVersion)
        return false;
    ODSnapshotHeader h{};
    h.width = get32(in, kOffWidth);
    h.height = get32(in, kOffHeight);
    if (h.width == 0 || h.height == 0 || static_cast<std::uint64_t>(h.width) * h.height > kCellLimit)
        return false;
    const std::uint32_t total = get32(in, kOffTotal);
    if (total != ODSnapshotSize(h.width, h.height) || total > size)
        return false;
    h.left = get32(in, kOffLeft);
    h.top = get32(in, kOffTop);
    h.right = get32(in, kOffRight);
    h.bottom = get32(in, kOffBottom);
    if (h.left < 1 || h.left > h.right || h.right > h.width || h.top < 1 || h.top > h.bottom ||
        h.bottom > h.height)
        return false;
    h.cursor_column = get32(in, kOffCursorColumn);
    h.cursor_row = get32(in, kOffCursorRow);
    if (h.cursor_column < 1 || h.cursor_column > h.right - h.left + 1 || h.cursor_row < 1 ||
        h.cursor_row > h.bottom - h.top + 1)
        return false;
    h.attribute = in[kOffAttribute];
    h.scrolling = in[kOffScrolling];
    if (h.scrolling > 1 || in[kOffReserved] != 0 || in[kOffReserved + 1] != 0)
        return false;
    *header = h;
    return true;
}
