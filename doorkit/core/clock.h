// Millisecond timers on the monotonic clock, the session clock and sleeping.
#ifndef DOORKIT_CORE_CLOCK_H
#define DOORKIT_CORE_CLOCK_H

#include <cstdint>

struct tODTimer {
    std::uint32_t start;
    std::uint32_t duration;
};

std::uint32_t ODTimerNow();  // monotonic milliseconds, cut to 32 bits
void ODTimerStart(tODTimer* timer, std::uint32_t milliseconds);
bool ODTimerElapsed(const tODTimer* timer);
std::uint32_t ODTimerLeft(const tODTimer* timer);
void ODTimerWaitForElapse(const tODTimer* timer);

// Runs before every od_sleep; set from above (the transport) so that the
// output collected for the caller leaves before the program sleeps.
extern void (*pfODBeforeSleep)();

void ODSessionTimeInitialize();
void ODSessionTimeGet(std::uint32_t* seconds, std::uint16_t* milliseconds);

#endif
