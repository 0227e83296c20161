// The kernel: one pass checks carrier, time and inactivity and pumps the
// caller's bytes into the input queue.
#ifndef DOORKIT_TERMINAL_KERNEL_H
#define DOORKIT_TERMINAL_KERNEL_H

#include <cstdint>

#include "doorkit/terminal/clock.h"

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
extern tODTimer RunKernelTimer;

int ODKrnlInitialize();  // 0 = success
void ODKrnlShutdown();
// Lets the kernel run work that waits for the outermost kit call.
void ODKrnlDispatchPending();

#endif
