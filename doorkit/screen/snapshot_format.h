// The snapshot layout written by od_save_screen_ex: a 48-byte little-endian
// header ("ODS1", version 1, total size, width, height, window, cursor,
// attribute, scrolling, two reserved bytes), then the cells row by row.
#ifndef DOORKIT_SCREEN_SNAPSHOT_FORMAT_H
#define DOORKIT_SCREEN_SNAPSHOT_FORMAT_H

#include <cstdint>

struct ODSnapshotHeader {
    std::uint32_t width;
    std::uint32_t height;
    // 1-based window edges; the cursor 1-based and relative to the window.
    std::uint32_t left;
    std::uint32_t top;
    std::uint32_t right;
    std::uint32_t bottom;
    std::uint32_t cursor_column;
    std::uint32_t cursor_row;
    std::uint8_t attribute;
    std::uint8_t scrolling;
};

// Size of a snapshot of width x height cells; 0 when it does not fit 32
// bits.
std::uint32_t ODSnapshotSize(std::uint32_t width, std::uint32_t height);

// Writes the header (with magic, version and total size) into `out`.
void ODSnapshotWriteHeader(const ODSnapshotHeader& header, std::uint8_t* out);

// Reads and checks a snapshot of `size` bytes: magic, version, a non-empty
// screen, the total size, the window inside the screen, the cursor inside
// the window, the scrolling flag and the reserved bytes. The caller checks
// that the size matches its screen.
bool ODSnapshotReadHeader(const void* snapshot, std::uint32_t size, ODSnapshotHeader* header);

#endif
