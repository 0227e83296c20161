#include "doorkit/reserve/file.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

constexpr std::uint32_t kFirstPauseMS = 10;
constexpr std::uint32_t kLongestPauseMS = 250;

void put16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t get32(const std::uint8_t* at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | at[i];
    return value;
}

std::uint64_t now_ms()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

}  // namespace

ODLock ODReserveTryLock(int fd, short type, long long start, long long length)
{
    struct flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(start);
    lock.l_len = static_cast<off_t>(length);
    for (;;) {
        if (fcntl(fd, F_SETLK, &lock) == 0)
            return ODLock::Granted;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EACCES ? ODLock::Busy : ODLock::Failed;
    }
}

ODLock ODReserveWaitLock(int fd, short type, long long start, long long length,
                         std::uint32_t limit_ms)
{
    const std::uint64_t give_up = now_ms() + limit_ms;
    std::uint32_t pause = kFirstPauseMS;
    for (;;) {
        ODLock result = ODReserveTryLock(fd, type, start, length);
        if (result != ODLock::Busy || now_ms() >= give_up)
            return result;
        ODReservePause(pause);
        pause = pause * 2 > kLongestPauseMS ? kLongestPauseMS : pause * 2;
    }
}

void ODReserveUnlock(int fd, long long start, long long length)
{
    ODReserveTryLock(fd, F_UNLCK, start, length);
}

void ODReservePause(std::uint32_t milliseconds)
{
    timespec left{};
    left.tv_sec = milliseconds / 1000;
    left.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&left, &left) == -1 && errno == EINTR) {
    }
}

void ODReserveBuildHeader(std::uint8_t (&block)[OD_RESERVE_BLOCK])
{
    std::memset(block, 0, sizeof block);
    block[1] = OD_RESERVE_MARK;
    std::memcpy(block + 2, OD_RESERVE_MAGIC, 8);
    block[10] = OD_RESERVE_BLOCK;
}

bool ODReserveHeaderMatches(const std::uint8_t (&block)[OD_RESERVE_BLOCK])
{
    return std::memcmp(block + 2, OD_RESERVE_MAGIC, 8) == 0 && block[10] == OD_RESERVE_BLOCK;
}

void ODReserveBuildRecord(const ODReserveRecord& record, std::uint8_t (&block)[OD_RESERVE_BLOCK])
{
    std::memset(block, 0, sizeof block);
    block[1] = OD_RESERVE_MARK;
    block[2] = record.kind;
    put16(block + 3, record.node);
    block[5] = record.state;
    std::size_t length = strnlen(record.name, OD_RESERVE_NAME_MAX);
    block[6] = static_cast<std::uint8_t>(length);
    std::memcpy(block + 7, record.name, length);
    put32(block + 38, static_cast<std::uint32_t>(record.ticket));
    put32(block + 42, static_cast<std::uint32_t>(record.ticket >> 32));
    put32(block + 46, record.pid);
    put32(block + 50, record.written);
}

bool ODReserveParseRecord(const std::uint8_t (&block)[OD_RESERVE_BLOCK], ODReserveRecord* record,
                          bool* marked)
{
    *marked = block[1] == OD_RESERVE_MARK;
    const std::uint8_t kind = block[2];
    const std::uint8_t length = block[6];
    if (!*marked || (kind != OD_RESERVE_KIND_LOCAL && kind != OD_RESERVE_KIND_NODE) ||
        length > OD_RESERVE_NAME_MAX || block[5] >= 4)
        return false;
    *record = ODReserveRecord{};
    record->kind = kind;
    record->node = static_cast<std::uint16_t>(block[3] | (block[4] << 8));
    record->state = block[5];
    std::memcpy(record->name, block + 7, length);
    record->name[length] = '\0';
    record->ticket = (static_cast<std::uint64_t>(get32(block + 42)) << 32) | get32(block + 38);
    record->pid = get32(block + 46);
    record->written = get32(block + 50);
    return true;
}
