// Joining and leaving the reservation file, and the own record.
#include "doorkit/reserve/reserve.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "doorkit/doorkit.h"
#include "doorkit/core/clock.h"
#include "doorkit/core/control.h"
#include "doorkit/reserve/internal.h"

char* pszODReservePath = nullptr;
int hODReserveFile = -1;
std::uint8_t btODReserveKind = 0;
std::uint16_t wODReserveNode = 0;
std::uint32_t dwODReserveRecord = 0;
std::uint32_t dwODReserveRecordCount = 0;
std::uint32_t dwODReserveTicketLow = 0;
std::uint32_t dwODReserveTicketHigh = 0;
char szODReserveName[OD_RESERVE_NAME_MAX + 1] = {};
bool bODReserveActive = false;
bool bODReserveDetached = false;
bool bODReserveRequested = false;
bool bODReserveAcquired = false;

namespace {

constexpr std::uint32_t kHeaderRetryMS = 25;

bool write_all(int fd, const void* data, std::size_t size, off_t offset)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        ssize_t n = pwrite(fd, bytes, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

// Reads up to `size` bytes; a short read leaves the rest zero.
bool read_some(int fd, void* data, std::size_t size, off_t offset)
{
    std::memset(data, 0, size);
    auto* bytes = static_cast<std::uint8_t*>(data);
    while (size > 0) {
        ssize_t n = pread(fd, bytes, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

std::uint64_t own_ticket()
{
    return (static_cast<std::uint64_t>(dwODReserveTicketHigh) << 32) | dwODReserveTicketLow;
}

// Opens the file, creating it with one zero block when it does not exist.
int open_file(bool* created)
{
    *created = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = open(pszODReservePath, O_RDWR | O_CLOEXEC);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        fd = open(pszODReservePath, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            std::uint8_t zero[OD_RESERVE_BLOCK] = {};
            if (!write_all(fd, zero, sizeof zero, 0)) {
                close(fd);
                return -1;
            }
            *created = true;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// Takes the file-wide mutex with a finished header under it.
int take_mutex_with_header(bool created)
{
    const std::uint32_t started = ODTimerNow();
    for (;;) {
        if (ODReserveWaitLock(hODReserveFile, F_WRLCK, 0, 1, OD_RESERVE_LOCK_WAIT_MS) != ODLock::Granted)
            return OD_ERR_GENERALFAILURE;
        std::uint8_t header[OD_RESERVE_BLOCK];
        if (created) {
            // The mark goes last, so others never see half a header.
            ODReserveBuildHeader(header);
            if (!write_all(hODReserveFile, header + 2, OD_RESERVE_BLOCK - 2, 2) ||
                !write_all(hODReserveFile, header + 1, 1, 1))
                return OD_ERR_GENERALFAILURE;
            return 0;
        }
        if (!read_some(hODReserveFile, header + 1, OD_RESERVE_BLOCK - 1, 1))
            return OD_ERR_GENERALFAILURE;
        if (header[1] == OD_RESERVE_MARK)
            return ODReserveHeaderMatches(header) ? 0 : OD_ERR_FILEREAD;
        ODReserveUnlock(hODReserveFile, 0, 1);
        if (ODTimerNow() - started >= OD_RESERVE_LOCK_WAIT_MS)
            return OD_ERR_FILEREAD;
        ODReservePause(kHeaderRetryMS);
    }
}

// Finds the own node's old record, or where a new one goes.
int find_slot(std::uint32_t count, bool* reuse)
{
    *reuse = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t block[OD_RESERVE_BLOCK];
        ODReserveRecord record{};
        if (ODReserveReadRecord(i, OD_RESERVE_LOCK_WAIT_MS, block) != 0)
            return OD_ERR_GENERALFAILURE;
        bool marked = false;
        if (!ODReserveParseRecord(block, &record, &marked)) {
            if (marked)
                return OD_ERR_FILEREAD;
            continue;
        }
        if (record.kind != btODReserveKind || record.node != wODReserveNode)
            continue;
        if (*reuse)
            return OD_ERR_GENERALFAILURE;
        *reuse = true;
        dwODReserveRecord = i;
    }
    return 0;
}

int claim_slot(std::uint32_t count)
{
    bool reuse = false;
    int status = find_slot(count, &reuse);
    if (status != 0)
        return status;
    if (reuse) {
        // Its owner holds this lock for as long as it lives.
        const long long at = ODReserveRecordOffset(dwODReserveRecord);
        if (ODReserveWaitLock(hODReserveFile, F_WRLCK, at, 1, OD_RESERVE_LOCK_WAIT_MS) != ODLock::Granted)
            return OD_ERR_GENERALFAILURE;
        return 0;
    }
    dwODReserveRecord = count;
    const long long at = ODReserveRecordOffset(count);
    const std::uint8_t zero = 0;
    if (!write_all(hODReserveFile, &zero, 1, static_cast<off_t>(at + OD_RESERVE_BLOCK - 1)) ||
        ODReserveTryLock(hODReserveFile, F_WRLCK, at, 1) != ODLock::Granted)
        return OD_ERR_GENERALFAILURE;
    std::uint8_t block[OD_RESERVE_BLOCK];
    ODReserveBuildRecord(ODReserveRecord{btODReserveKind, wODReserveNode, OD_RESERVE_STATE_PRESENT, {}, 0,
                                         static_cast<std::uint32_t>(getpid()), 0},
                         block);
    if (!write_all(hODReserveFile, block + 2, OD_RESERVE_BLOCK - 2, static_cast<off_t>(at + 2)) ||
        !write_all(hODReserveFile, block + 1, 1, static_cast<off_t>(at + 1)))
        return OD_ERR_GENERALFAILURE;
    return 0;
}

int join()
{
    bool created = false;
    hODReserveFile = open_file(&created);
    if (hODReserveFile < 0)
        return OD_ERR_FILEOPEN;
    int status = take_mutex_with_header(created);
    if (status != 0)
        return status;
    btODReserveKind = od_control.local_mode ? OD_RESERVE_KIND_LOCAL : OD_RESERVE_KIND_NODE;
    wODReserveNode = od_control.local_mode ? 0 : od_control.node_number;
    std::uint32_t count = 0;
    if (!ODReserveCountRecords(&count))
        return OD_ERR_GENERALFAILURE;
    status = claim_slot(count);
    if (status != 0)
        return status;
    bODReserveActive = true;
    bODReserveDetached = false;
    bODReserveRequested = false;
    bODReserveAcquired = false;
    szODReserveName[0] = '\0';
    dwODReserveTicketLow = dwODReserveTicketHigh = 0;
    if (!ODReserveWriteOwn(OD_RESERVE_STATE_PRESENT, "", 0))
        return OD_ERR_GENERALFAILURE;
    ODReserveUnlock(hODReserveFile, 0, 1);
    return 0;
}

void close_file()
{
    // Closing drops every lock this process holds on the file.
    if (hODReserveFile >= 0)
        close(hODReserveFile);
    hODReserveFile = -1;
}

void clear_request()
{
    bODReserveRequested = false;
    bODReserveAcquired = false;
    szODReserveName[0] = '\0';
    dwODReserveTicketLow = dwODReserveTicketHigh = 0;
}

}  // namespace

bool ODReserveCountRecords(std::uint32_t* count)
{
    struct stat info{};
    if (fstat(hODReserveFile, &info) != 0 || info.st_size < OD_RESERVE_BLOCK)
        return false;
    const long long body = static_cast<long long>(info.st_size) - OD_RESERVE_BLOCK;
    const long long records = (body + OD_RESERVE_BLOCK - 1) / OD_RESERVE_BLOCK;
    if (records > 0xFFFFFFF0LL)
        return false;
    *count = static_cast<std::uint32_t>(records);
    dwODReserveRecordCount = *count;
    return true;
}

int ODReserveReadRecord(std::uint32_t index, std::uint32_t limit_ms, std::uint8_t (&block)[OD_RESERVE_BLOCK])
{
    const long long at = ODReserveRecordOffset(index);
    ODLock lock = ODReserveWaitLock(hODReserveFile, F_RDLCK, at + 1, OD_RESERVE_BLOCK - 1, limit_ms);
    if (lock != ODLock::Granted)
        return lock == ODLock::Busy ? -1 : OD_ERR_GENERALFAILURE;
    bool ok = read_some(hODReserveFile, block + 1, OD_RESERVE_BLOCK - 1, static_cast<off_t>(at + 1));
    ODReserveUnlock(hODReserveFile, at + 1, OD_RESERVE_BLOCK - 1);
    block[0] = 0;
    return ok ? 0 : OD_ERR_GENERALFAILURE;
}

bool ODReserveWriteOwn(std::uint8_t state, const char* name, std::uint64_t ticket)
{
    ODReserveRecord record{btODReserveKind, wODReserveNode, state, {}, ticket,
                           static_cast<std::uint32_t>(getpid()),
                           static_cast<std::uint32_t>(std::time(nullptr))};
    ODCopyField(record.name, name);
    std::uint8_t block[OD_RESERVE_BLOCK];
    ODReserveBuildRecord(record, block);
    const long long at = ODReserveRecordOffset(dwODReserveRecord);
    if (ODReserveWaitLock(hODReserveFile, F_WRLCK, at + 1, OD_RESERVE_BLOCK - 1, OD_RESERVE_LOCK_WAIT_MS) !=
        ODLock::Granted)
        return false;
    bool ok = write_all(hODReserveFile, block + 1, OD_RESERVE_BLOCK - 1, static_cast<off_t>(at + 1));
    ODReserveUnlock(hODReserveFile, at + 1, OD_RESERVE_BLOCK - 1);
    return ok;
}

std::uint64_t ODReserveOwnTicket()
{
    return own_ticket();
}

void ODReserveDetach()
{
    close_file();
    bODReserveActive = false;
    bODReserveDetached = true;
    clear_request();
    if (eODLifecycleState == OD_STATE_ACTIVE)
        od_log_write("Reservation synchronization failed; detached.");
    od_control.error_code = OD_ERR_GENERALFAILURE;
}

int ODReserveSessionInitialize()
{
    if (pszODReservePath == nullptr)
        return 0;
    int status = join();
    if (status == 0)
        return 0;
    // The error code names the first cause; closing releases every lock.
    close_file();
    bODReserveActive = false;
    clear_request();
    od_control.error_code = static_cast<std::uint16_t>(status);
    return status;
}

void ODReserveSessionShutdown()
{
    if (bODReserveActive)
        ODReserveWriteOwn(OD_RESERVE_STATE_LEFT, "", 0);
    close_file();
    bODReserveActive = false;
    bODReserveDetached = false;
    clear_request();
}
