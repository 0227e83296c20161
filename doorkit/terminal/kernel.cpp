#include "doorkit/terminal/kernel.h"

#include <csignal>
#include <ctime>

#include "doorkit/doorkit.h"
#include "doorkit/session/api_sync.h"
#include "doorkit/session/control.h"
#include "doorkit/terminal/transport.h"

std::uint8_t btExitReason = OD_EXIT_REASON_NONE;
std::uint8_t bKernelActive = 0;
std::uint8_t bIsCallbackActive = 0;
tODTimer RunKernelTimer{};

namespace {

constexpr std::uint32_t kKernelIntervalMs = 250;

std::time_t nNextTimeDeductTime = 0;
int nKrnlFuncPending = 0;

bool session_running()
{
    return eODLifecycleState == OD_STATE_ACTIVE || eODLifecycleState == OD_STATE_STARTING;
}

void check_carrier()
{
    if (od_control.disable_flags & OD_DISABLE_CARRIER)
        return;
    if (hSerialPort == nullptr || !hSerialPort->is_open)
        return;
    bool present = true;
    ODComCarrier(hSerialPort, &present);
    if (present)
        return;
    btExitReason = OD_EXIT_REASON_CARRIER;
    od_exit(od_control.errorlevels[OD_LEVEL_USE_TABLE]
                ? od_control.errorlevels[OD_LEVEL_CARRIER_LOST]
                : 1,
            false);
}

}  // namespace

int ODKrnlInitialize()
{
    // A hang-up of the controlling terminal must stay pending so the stdio
    // transport can see it as carrier loss.
    sigset_t hangup;
    sigemptyset(&hangup);
    sigaddset(&hangup, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &hangup, nullptr) != 0)
        return 1;
    nNextTimeDeductTime = std::time(nullptr) + 60;
    bKernelActive = 0;
    nKrnlFuncPending = 0;
    od_control.kernel_started = 1;
    return 0;
}

void ODKrnlShutdown() {}

void ODKrnlDispatchPending() {}

void od_kernel()
{
    if (bKernelActive)
        return;
    ODApiCall call;
    if (!call.allowed())
        return;
    bKernelActive = 1;

    if (session_running() && od_control.kernel_hook != nullptr) {
        bIsCallbackActive = 1;
        od_control.kernel_hook();
        bIsCallbackActive = 0;
    }
    // The hook may have ended the session.
    if (session_running() && od_control.baud != 0)
        check_carrier();

    ODTimerStart(&RunKernelTimer, kKernelIntervalMs);
    bKernelActive = 0;
}
