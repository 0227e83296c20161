// The public reservation calls: configuring, taking a ticket, waiting for
// the grant and releasing it.
#include <fcntl.h>

#include <cstdlib>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/core/clock.h"
#include "doorkit/core/control.h"
#include "doorkit/reserve/internal.h"
#include "doorkit/reserve/reserve.h"

namespace {

constexpr std::uint32_t kWaitSliceMS = 25;

enum class Liveness { Free, Live, Later, Failed };

// Tells whether record `index` belongs to a running process, and reads it
// when it does.
Liveness read_live_record(std::uint32_t index, std::uint32_t limit_ms, ODReserveRecord* record)
{
    const long long at = ODReserveRecordOffset(index);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ODLock alive = ODReserveTryLock(hODReserveFile, F_WRLCK, at, 1);
        if (alive == ODLock::Granted) {
            ODReserveUnlock(hODReserveFile, at, 1);
            return Liveness::Free;
        }
        if (alive == ODLock::Failed || attempt == 1)
            return Liveness::Failed;
        std::uint8_t block[OD_RESERVE_BLOCK];
        int status = ODReserveReadRecord(index, limit_ms, block);
        if (status < 0)
            return Liveness::Later;
        if (status != 0)
            return Liveness::Failed;
        bool marked = false;
        if (ODReserveParseRecord(block, record, &marked))
            return Liveness::Live;
        // A live owner with an unreadable record: look once more in case
        // it has just gone.
    }
    return Liveness::Failed;
}

bool valid_name(const char* name)
{
    if (name == nullptr || name[0] == '\0')
        return false;
    std::size_t length = 0;
    for (; name[length] != '\0'; ++length)
        if (length >= OD_RESERVE_NAME_MAX || name[length] < 32 || name[length] > 126)
            return false;
    return true;
}

bool count_records(std::uint32_t* count)
{
    if (ODReserveWaitLock(hODReserveFile, F_WRLCK, 0, 1, OD_RESERVE_LOCK_WAIT_MS) != ODLock::Granted)
        return false;
    bool ok = ODReserveCountRecords(count);
    ODReserveUnlock(hODReserveFile, 0, 1);
    return ok;
}

bool choose_ticket(const char* name)
{
    if (!ODReserveWriteOwn(OD_RESERVE_STATE_CHOOSING, name, 0))
        return false;
    std::uint32_t count = 0;
    if (!count_records(&count))
        return false;
    std::uint64_t largest = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i == dwODReserveRecord)
            continue;
        ODReserveRecord record{};
        Liveness alive = read_live_record(i, OD_RESERVE_LOCK_WAIT_MS, &record);
        if (alive == Liveness::Failed || alive == Liveness::Later)
            return false;
        if (alive == Liveness::Live && std::strcmp(record.name, name) == 0 && record.ticket > largest)
            largest = record.ticket;
    }
    if (largest == UINT64_MAX)
        return false;
    const std::uint64_t ticket = largest + 1;
    if (!ODReserveWriteOwn(OD_RESERVE_STATE_PRESENT, name, ticket))
        return false;
    ODCopyField(szODReserveName, name);
    dwODReserveTicketLow = static_cast<std::uint32_t>(ticket);
    dwODReserveTicketHigh = static_cast<std::uint32_t>(ticket >> 32);
    bODReserveRequested = true;
    bODReserveAcquired = false;
    return true;
}

// 1 granted, 0 not yet, -1 failure.
int wait_core()
{
    if (bODReserveAcquired)
        return 1;
    ODLock mutex = ODReserveTryLock(hODReserveFile, F_WRLCK, 0, 1);
    if (mutex == ODLock::Busy)
        return 0;
    if (mutex == ODLock::Failed)
        return -1;
    std::uint32_t count = 0;
    bool counted = ODReserveCountRecords(&count);
    ODReserveUnlock(hODReserveFile, 0, 1);
    if (!counted)
        return -1;
    const std::uint64_t mine = ODReserveOwnTicket();
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i == dwODReserveRecord)
            continue;
        ODReserveRecord record{};
        Liveness alive = read_live_record(i, 0, &record);
        if (alive == Liveness::Free)
            continue;
        if (alive == Liveness::Later)
            return 0;
        if (alive == Liveness::Failed)
            return -1;
        if (std::strcmp(record.name, szODReserveName) != 0)
            continue;
        if (record.state == OD_RESERVE_STATE_CHOOSING || record.ticket < mine ||
            (record.ticket == mine && i < dwODReserveRecord))
            return 0;
    }
    bODReserveAcquired = true;
    return 1;
}

// Runs grant checks until granted, `passed` says the limit is over, or the
// session ends; the kernel runs between checks.
template <typename Passed>
int wait_for_grant(Passed passed)
{
    if (!bODReserveRequested) {
        od_control.error_code = OD_ERR_PARAMETER;
        return -1;
    }
    for (;;) {
        int granted = wait_core();
        if (granted < 0) {
            if (eODLifecycleState == OD_STATE_ACTIVE)
                ODReserveDetach();
            return -1;
        }
        if (granted > 0)
            return 1;
        if (passed())
            return 0;
        if (!ODSyncAPICheckpoint())
            return -1;
        od_sleep(kWaitSliceMS);
    }
}

std::uint64_t session_ms()
{
    std::uint32_t seconds = 0;
    std::uint16_t milliseconds = 0;
    ODSessionTimeGet(&seconds, &milliseconds);
    return static_cast<std::uint64_t>(seconds) * 1000u + milliseconds;
}

}  // namespace

bool od_reserve_configure(const char* path)
{
    if (eODLifecycleState != OD_STATE_NOT_STARTED || path == nullptr || path[0] == '\0') {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    char* copy = strdup(path);
    if (copy == nullptr) {
        od_control.error_code = OD_ERR_MEMORY;
        return false;
    }
    std::free(pszODReservePath);
    pszODReservePath = copy;
    bODReserveDetached = false;
    return true;
}

bool od_reserve_request(const char* name)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    if (pszODReservePath == nullptr || !valid_name(name) || bODReserveRequested) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    if (!bODReserveActive || bODReserveDetached) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        return false;
    }
    if (!choose_ticket(name)) {
        ODReserveDetach();
        return false;
    }
    return true;
}

int od_reserve_wait(std::uint32_t timeout_ms)
{
    ODApiCall call;
    if (!call.allowed())
        return -1;
    if (timeout_ms == OD_NO_TIMEOUT)
        return wait_for_grant([] { return false; });
    const std::uint32_t started = ODTimerNow();
    return wait_for_grant([&] { return ODTimerNow() - started >= timeout_ms; });
}

int od_reserve_wait_until(std::uint32_t second, std::int32_t millisecond)
{
    ODApiCall call;
    if (!call.allowed())
        return -1;
    if (millisecond < 0 || millisecond > 999) {
        od_control.error_code = OD_ERR_PARAMETER;
        return -1;
    }
    const std::uint64_t deadline = static_cast<std::uint64_t>(second) * 1000u + static_cast<std::uint32_t>(millisecond);
    return wait_for_grant([deadline] { return session_ms() >= deadline; });
}

bool od_reserve_end()
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    if (!bODReserveRequested) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    if (!ODReserveWriteOwn(OD_RESERVE_STATE_PRESENT, "", 0)) {
        ODReserveDetach();
        return false;
    }
    bODReserveRequested = false;
    bODReserveAcquired = false;
    szODReserveName[0] = '\0';
    dwODReserveTicketLow = dwODReserveTicketHigh = 0;
    return true;
}
