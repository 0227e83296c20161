#include "doorkit/core/clock.h"

#include <poll.h>

#include <cerrno>
#include <climits>
#include <ctime>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/core/control.h"
#include "doorkit/core/stop_signal.h"

void (*pfODBeforeSleep)() = nullptr;

namespace {

timespec session_start{};
std::uint32_t dwODSessionLastSeconds = 0;
std::uint16_t wODSessionLastMilliseconds = 0;

long long MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

}  // namespace

std::uint32_t ODTimerNow()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
}

void ODTimerStart(tODTimer* timer, std::uint32_t milliseconds)
{
    timer->start = ODTimerNow();
    timer->duration = milliseconds;
}

bool ODTimerElapsed(const tODTimer* timer)
{
    return ODTimerNow() - timer->start >= timer->duration;
}

std::uint32_t ODTimerLeft(const tODTimer* timer)
{
    std::uint32_t passed = ODTimerNow() - timer->start;
    return passed >= timer->duration ? 0 : timer->duration - passed;
}

void ODTimerWaitForElapse(const tODTimer* timer)
{
    od_sleep(ODTimerLeft(timer));
}

void ODSessionTimeInitialize()
{
    clock_gettime(CLOCK_REALTIME, &session_start);
    dwODSessionLastSeconds = 0;
    wODSessionLastMilliseconds = 0;
}

void ODSessionTimeGet(std::uint32_t* seconds, std::uint16_t* milliseconds)
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    // Whole milliseconds of the whole difference: cutting the nanosecond
    // parts separately could run a millisecond ahead.
    long long ns = (static_cast<long long>(now.tv_sec) - session_start.tv_sec) * 1000000000LL +
                   (now.tv_nsec - session_start.tv_nsec);
    long long ms = ns / 1000000LL;
    if (ms < 0)
        ms = 0;
    auto secs = static_cast<std::uint32_t>(ms / 1000);
    auto msecs = static_cast<std::uint16_t>(ms % 1000);
    // The session clock never goes back, even when the wall clock does.
    if (secs < dwODSessionLastSeconds ||
        (secs == dwODSessionLastSeconds && msecs < wODSessionLastMilliseconds)) {
        secs = dwODSessionLastSeconds;
        msecs = wODSessionLastMilliseconds;
    }
    dwODSessionLastSeconds = secs;
    wODSessionLastMilliseconds = msecs;
    if (seconds != nullptr)
        *seconds = secs;
    if (milliseconds != nullptr)
        *milliseconds = msecs;
}

void od_sleep(std::uint32_t milliseconds)
{
    // Retry pauses fall away once the session is being taken down.
    if (eODLifecycleState >= OD_STATE_SHUTTING_DOWN) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        return;
    }
    if (pfODBeforeSleep != nullptr)
        pfODBeforeSleep();
    const long long end_ns =
        MonotonicNs() + (milliseconds == 0 ? 100000LL : milliseconds * 1000000LL);
    // A stop signal ends the sleep at once, so the kernel sees it promptly.
    pollfd wake{ODStopWakeDescriptor(), POLLIN, 0};
    while (!ODStopRequested()) {
        const long long left = end_ns - MonotonicNs();
        if (left <= 0)
            return;
        // Whole milliseconds, rounded up: the loop looks at the clock again.
        // (poll, unlike ppoll, is also slowed or sped by a faked clock.)
        const long long left_ms = (left + 999999LL) / 1000000LL;
        const int wait_ms = left_ms > INT_MAX ? INT_MAX : static_cast<int>(left_ms);
        int result = poll(&wake, 1, wait_ms);
        // A pipe shared with the process this one was forked from may be
        // readable for a stop that is not ours: then it is left out.
        if (result > 0)
            wake.fd = -1;
        if (result < 0 && errno != EINTR) {
            timespec wait{static_cast<time_t>(left / 1000000000LL),
                          static_cast<long>(left % 1000000000LL)};
            nanosleep(&wait, nullptr);
            return;
        }
    }
}

bool od_get_time(std::uint32_t* seconds, std::uint16_t* milliseconds)
{
    ODApiCall call;
    if (!call.allowed())
        return false;
    if (seconds == nullptr && milliseconds == nullptr) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    ODSessionTimeGet(seconds, milliseconds);
    return true;
}
