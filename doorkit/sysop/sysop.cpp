// The sysop's requests: toggles, time, lockout and forced exits, and keys
// from the local side.
#include "doorkit/sysop/sysop.h"

#include <algorithm>
#include <climits>

#include "doorkit/doorkit.h"
#include "doorkit/kernel/input_queue.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/kernel/steps.h"
#include "doorkit/log/log.h"
#include "doorkit/output/colour.h"

namespace {

void Toggle(std::uint8_t* flag)
{
    *flag = *flag ? 0 : 1;
}

}  // namespace

void ODSysopShow(const char* text)
{
    if (text != nullptr)
        od_disp_str(text);
}

void ODSysopRestoreColour(std::uint16_t saved)
{
    od_set_attrib(saved == OD_ATTRIBUTE_UNKNOWN ? -1 : saved);
}

void ODSysopLog(int message)
{
    if (pfLogWrite != nullptr)
        pfLogWrite(message);
}

void ODKrnlRequestChatToggle()
{
    nKrnlFuncPending ^= 1;
}

void ODKrnlRequestKeyboardToggle()
{
    Toggle(&od_control.user_keyboard_on);
}

void ODKrnlRequestSysopNextToggle()
{
    Toggle(&od_control.sysop_next);
}

void ODKrnlRequestInactivityToggle()
{
    Toggle(&od_control.inactivity_check_off);
}

void ODKrnlRequestTimeAdjustment(int minutes)
{
    // Held at the 16-bit limits: a gift of time that wrapped round to a
    // negative count would end the session instead.
    const long long adjusted =
        std::clamp(static_cast<long long>(od_control.user_time_left) + minutes,
                   static_cast<long long>(SHRT_MIN), static_cast<long long>(SHRT_MAX));
    od_control.user_time_left = static_cast<std::int16_t>(adjusted);
    bForceStatusUpdate = 1;
}

void ODKrnlRequestLockout()
{
    od_control.user_security = 0;
    ODKrnlEndSession(OD_EXIT_REASON_LOCKOUT);
}

void ODKrnlRequestExit(int errorlevel, bool hang_up)
{
    od_exit(errorlevel, hang_up);
}

void ODKrnlEndChatMode()
{
    od_control.chat_active = 0;
}

void ODKrnlForceDoorKitShutdown(int reason)
{
    // Only the exit codes of the errorlevels table can be asked for.
    if (reason < OD_LEVEL_STARTUP_FAILURE || reason > OD_LEVEL_NORMAL_EXIT) {
        od_control.error_code = OD_ERR_PARAMETER;
        return;
    }
    btExitReason = static_cast<std::uint8_t>(reason - 1);
    const int code = od_control.errorlevels[OD_LEVEL_USE_TABLE] ? od_control.errorlevels[reason]
                                                                : reason - 1;
    od_exit(code, reason == OD_LEVEL_LOCKOUT || reason == OD_LEVEL_INACTIVITY);
}

void ODKrnlHandleLocalKey(std::uint16_t key)
{
    if ((od_control.disable_flags & OD_DISABLE_LOCAL_KEYBOARD) || hODInputQueue == nullptr)
        return;
    const auto character = static_cast<std::uint8_t>(key & 0xFF);
    if (character != 0) {
        const ODInputEvent event{EVENT_CHARACTER, 0, character};
        ODInQueueAddEvent(hODInputQueue, &event);
        return;
    }
    // A NUL and the scan code: the decoder reads the pair as a doorway
    // sequence. Both go in, or neither.
    const ODInputEvent pair[2] = {{EVENT_CHARACTER, 0, 0},
                                  {EVENT_CHARACTER, 0, static_cast<std::uint8_t>(key >> 8)}};
    ODInQueueAddEvents(hODInputQueue, pair, 2);
}
