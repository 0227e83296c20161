// The reservation file's blocks and locks: byte images of the header and
// of one record, and the advisory byte-range locks around them.
#ifndef DOORKIT_RESERVE_FILE_H
#define DOORKIT_RESERVE_FILE_H

#include <cstdint>

#include "doorkit/reserve/reserve.h"

constexpr std::uint8_t OD_RESERVE_MARK = 0xA5;
constexpr char OD_RESERVE_MAGIC[] = "ODRSYNC1";
constexpr std::uint32_t OD_RESERVE_LOCK_WAIT_MS = 20000;

struct ODReserveRecord {
    std::uint8_t kind;
    std::uint16_t node;
    std::uint8_t state;
    char name[OD_RESERVE_NAME_MAX + 1];
    std::uint64_t ticket;  // high word above the low word
    std::uint32_t pid;
    std::uint32_t written;
};

// Lock outcomes.
enum class ODLock { Granted, Busy, Failed };

// One attempt at a lock (F_RDLCK, F_WRLCK or F_UNLCK), never blocking.
ODLock ODReserveTryLock(int fd, short type, long long start, long long length);
// Retries with a growing pause until granted, refused for another reason,
// or `limit_ms` has passed (Busy then).
ODLock ODReserveWaitLock(int fd, short type, long long start, long long length,
                         std::uint32_t limit_ms);
void ODReserveUnlock(int fd, long long start, long long length);
// A plain millisecond pause that still works while the session ends.
void ODReservePause(std::uint32_t milliseconds);

// Byte images. A record image is the whole 128-byte block; byte 0 (the
// liveness byte) is never written.
void ODReserveBuildHeader(std::uint8_t (&block)[OD_RESERVE_BLOCK]);
bool ODReserveHeaderMatches(const std::uint8_t (&block)[OD_RESERVE_BLOCK]);
void ODReserveBuildRecord(const ODReserveRecord& record, std::uint8_t (&block)[OD_RESERVE_BLOCK]);
// False when the block is not a valid record; `marked` tells whether it
// carried the completion mark at all.
bool ODReserveParseRecord(const std::uint8_t (&block)[OD_RESERVE_BLOCK], ODReserveRecord* record,
                          bool* marked);

// Offset of record `index`.
inline long long ODReserveRecordOffset(std::uint32_t index)
{
    return static_cast<long long>(OD_RESERVE_BLOCK) * (static_cast<long long>(index) + 1);
}

#endif
