// The limits a kernel pass enforces: the caller's inactivity and time left.
#include <climits>
#include <cstdio>

#include "doorkit/doorkit.h"
#include "doorkit/kernel/input_queue.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/kernel/steps.h"

namespace {

constexpr std::time_t kMinute = 60;

bool ShowTimeWarning(int minutes)
{
    const char* format = od_control.prompt_texts.time_warning;
    if (format == nullptr)
        return ODKrnlSessionRunning();
    char text[256];
    std::snprintf(text, sizeof text, format, minutes);
    return ODKrnlShowMessage(text);
}

}  // namespace

bool ODKrnlCheckInactivity(std::time_t now)
{
    if (hODInputQueue == nullptr)
        return true;
    const int limit = od_control.inactivity_seconds;
    if (limit != nLastInactivitySetting) {
        // Switching the check on (from 0, or from a negative setting, which
        // is off too) starts the idle measure now.
        if (nLastInactivitySetting <= 0)
            ODInQueueResetLastActivity(hODInputQueue);
        nLastInactivitySetting = static_cast<std::int16_t>(limit);
    }
    // A wall clock set back must not put the last key in the future, where
    // it would keep an idle caller online until the clock catches up.
    if (ODInQueueGetLastActivity(hODInputQueue) > now)
        ODInQueueResetLastActivity(hODInputQueue);
    const std::time_t last = ODInQueueGetLastActivity(hODInputQueue);
    // A negative setting is as good as none: it would end every session at
    // its first pass.
    const bool checking = limit > 0 && !od_control.inactivity_check_off;

    if (now > last + limit) {
        if (!checking)
            return true;
        if (ODKrnlShowMessage(od_control.prompt_texts.inactivity_hangup))
            ODKrnlEndSession(OD_EXIT_REASON_INACTIVITY);
        return false;
    }
    if (last + limit < now + od_control.inactivity_warning_seconds) {
        if (checking && !bWarnedAboutInactivity) {
            bWarnedAboutInactivity = 1;
            return ODKrnlShowMessage(od_control.prompt_texts.inactivity_warning);
        }
        return true;
    }
    bWarnedAboutInactivity = 0;
    return true;
}

bool ODKrnlCheckTimeLimit(std::time_t now)
{
    const bool enforced = !(od_control.disable_flags & OD_DISABLE_TIMELIMIT);
    if (od_control.chat_active || nNextTimeDeductTime > now + kMinute) {
        // No time is taken during chat; a wall clock set back restarts the
        // minute instead of freezing the count.
        nNextTimeDeductTime = now + kMinute;
    }
    while (now >= nNextTimeDeductTime && ODKrnlSessionRunning()) {
        nNextTimeDeductTime += kMinute;
        if (od_control.user_time_left > SHRT_MIN)
            --od_control.user_time_left;
        bForceStatusUpdate = 1;
        const int left = od_control.user_time_left;
        if (enforced && left >= 1 && left <= 3 && !ShowTimeWarning(left))
            return false;
    }
    if (!ODKrnlSessionRunning())
        return false;
    if (enforced && od_control.user_time_left <= 0) {
        if (ODKrnlShowMessage(od_control.prompt_texts.time_used_up))
            ODKrnlEndSession(OD_EXIT_REASON_TIME);
        return false;
    }
    return true;
}
