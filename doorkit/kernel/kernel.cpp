#include "doorkit/kernel/kernel.h"

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/core/control.h"
#include "doorkit/core/stop_signal.h"
#include "doorkit/kernel/steps.h"
#include "doorkit/transport/transport.h"

std::uint8_t btExitReason = OD_EXIT_REASON_NONE;
std::uint8_t bKernelActive = 0;
std::uint8_t bIsCallbackActive = 0;
tODTimer RunKernelTimer{};
std::time_t nNextTimeDeductTime = 0;
std::int16_t nLastInactivitySetting = 0;
std::uint8_t bWarnedAboutInactivity = 0;
std::uint8_t bForceStatusUpdate = 0;
int nKrnlFuncPending = 0;
std::uint8_t bKrnlInputStalled = 0;

namespace {

constexpr std::uint32_t kKernelIntervalMS = 250;
constexpr std::time_t kMinute = 60;

struct ExitCode {
    int table_entry;
    int fallback;
    bool hang_up;
};

ExitCode ExitCodeFor(int reason)
{
    switch (reason) {
    case OD_EXIT_REASON_INACTIVITY:
        return {OD_LEVEL_INACTIVITY, 4, true};
    case OD_EXIT_REASON_TIME:
        return {OD_LEVEL_TIME_UP, 3, false};
    case OD_EXIT_REASON_LOCKOUT:
        return {OD_LEVEL_LOCKOUT, 2, true};
    default:
        return {OD_LEVEL_CARRIER_LOST, 1, false};
    }
}

void RunPass()
{
    if (!ODKrnlSessionRunning())
        return;
    if (od_control.kernel_hook != nullptr) {
        bIsCallbackActive = 1;
        od_control.kernel_hook();
        bIsCallbackActive = 0;
        if (!ODKrnlSessionRunning())
            return;
    }
    // Whatever the line, and even with carrier checks off.
    if (ODStopRequested()) {
        ODKrnlEndSession(OD_EXIT_REASON_CARRIER);
        return;
    }
    if (od_control.baud != 0) {
        if (!ODKrnlCheckCarrier())
            return;
        ODKrnlPumpInput();
        // A read that found the caller gone ends the session in this pass.
        if (bKrnlInputStalled && !ODKrnlCheckCarrier())
            return;
    } else {
        bKrnlInputStalled = 1;
    }
    const std::time_t now = std::time(nullptr);
    if (!ODKrnlCheckInactivity(now))
        return;
    ODKrnlCheckTimeLimit(now);
}

}  // namespace

bool ODKrnlSessionRunning()
{
    return eODLifecycleState == OD_STATE_STARTING || eODLifecycleState == OD_STATE_ACTIVE;
}

bool ODKrnlShowMessage(const char* text)
{
    if (text != nullptr) {
        if (od_control.message_hook != nullptr)
            od_control.message_hook(text);
        else
            od_disp_str(text);
    }
    return ODKrnlSessionRunning();
}

void ODKrnlEndSession(int reason)
{
    if (!ODKrnlSessionRunning())
        return;
    const ExitCode code = ExitCodeFor(reason);
    btExitReason = static_cast<std::uint8_t>(reason);
    od_exit(od_control.errorlevels[OD_LEVEL_USE_TABLE] ? od_control.errorlevels[code.table_entry]
                                                        : code.fallback,
            code.hang_up);
}

int ODKrnlInitialize()
{
    // A hang-up, or the BBS asking the door to stop, ends the session in
    // order, as carrier loss. On the sysop's own console an interrupt keeps
    // its ordinary meaning.
    if (ODStopSignalsInstall(od_control.local_mode == 0) != 0)
        return 1;
    nNextTimeDeductTime = std::time(nullptr) + kMinute;
    bKernelActive = 0;
    nKrnlFuncPending = 0;
    od_control.kernel_started = 1;
    return 0;
}

void ODKrnlShutdown() {}

void ODKrnlDispatchPending() {}

void ODPlatRingBell() {}

void ODPlatInit() {}

void od_kernel()
{
    if (bKernelActive)
        return;
    ODApiCall call;
    if (!call.allowed())
        return;
    bKernelActive = 1;
    RunPass();
    // What the pass and the calls before it had for the caller goes out
    // now, in one write, even when nothing waits after the pass.
    ODCoreFlushRemote();
    ODTimerStart(&RunKernelTimer, kKernelIntervalMS);
    bKernelActive = 0;
}
