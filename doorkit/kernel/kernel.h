// kernel: the kernel pass, the input queue it fills and the raw Enter log.
// Uses core and transport; it shows its messages and ends the session
// through the public calls.
//
// One pass checks carrier, time and inactivity and pumps the caller's bytes
// into the input queue.
#ifndef DOORKIT_KERNEL_KERNEL_H
#define DOORKIT_KERNEL_KERNEL_H

#include <cstdint>
#include <ctime>

#include "doorkit/core/clock.h"

// Why the kernel ended the door (btExitReason).
enum : std::uint8_t {
    OD_EXIT_REASON_NONE = 0,
    OD_EXIT_REASON_CARRIER = 1,
    OD_EXIT_REASON_LOCKOUT = 2,
    OD_EXIT_REASON_TIME = 3,
    OD_EXIT_REASON_INACTIVITY = 4,
};

extern std::uint8_t btExitReason;
extern std::uint8_t bKernelActive;
extern std::uint8_t bIsCallbackActive;
// Output calls run a pass once this has elapsed.
extern tODTimer RunKernelTimer;
// When the next minute is taken from user_time_left.
extern std::time_t nNextTimeDeductTime;
extern std::int16_t nLastInactivitySetting;
extern std::uint8_t bWarnedAboutInactivity;
// A status line would redraw; there is none on this platform.
extern std::uint8_t bForceStatusUpdate;
extern int nKrnlFuncPending;
// The last pass had no connection it could wait on (no remote side, a
// failed transport, a caller gone), so it returned at once: a waiting call
// must sleep out its slice itself.
extern std::uint8_t bKrnlInputStalled;

int ODKrnlInitialize();  // 0 = success
void ODKrnlShutdown();
// The session is starting or active: kernel passes and waits go on.
bool ODKrnlSessionRunning();

// Platform hooks that have nothing to do here.
void ODPlatRingBell();
void ODPlatInit();

#endif
