// The connection side of a kernel pass: carrier, and the caller's bytes
// moved into the input queue.
#include "doorkit/doorkit.h"
#include "doorkit/kernel/enter_log.h"
#include "doorkit/kernel/input_queue.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/kernel/steps.h"
#include "doorkit/transport/transport.h"

namespace {

// Bytes thrown away per pass while the keyboard is off: a caller who keeps
// typing must not hold the pass (and the time checks) up for ever.
constexpr int kMaxDiscardPerPass = 4096;

}  // namespace

bool ODKrnlCheckCarrier()
{
    if ((od_control.disable_flags & OD_DISABLE_CARRIER) || hSerialPort == nullptr)
        return true;
    bool present = true;
    ODComCarrier(hSerialPort, &present);
    if (present)
        return true;
    ODKrnlEndSession(OD_EXIT_REASON_CARRIER);
    return false;
}

void ODKrnlPumpInput()
{
    bKrnlInputStalled = 0;
    if (hSerialPort == nullptr || hODInputQueue == nullptr) {
        bKrnlInputStalled = 1;
        return;
    }
    const std::uint32_t allowed_wait = ODMaxMSToWait;
    int discarded = 0;
    for (;;) {
        const bool keep = od_control.user_keyboard_on != 0;
        // A byte is only taken off the connection when there is room for
        // it; otherwise it waits there.
        if (keep && ODInQueueReserveEvent(hODInputQueue) != kODRCSuccess)
            break;
        char byte = 0;
        int result = ODComGetByte(hSerialPort, &byte, false);
        if (result != kODRCSuccess) {
            if (keep)
                ODInQueueCancelReservedEvent(hODInputQueue);
            if (result != kODRCNothingWaiting || hSerialPort->caller_gone)
                bKrnlInputStalled = 1;
            break;
        }
        // The rest of a burst is read without waiting.
        ODMaxMSToWait = 0;
        if (!keep) {
            if (++discarded >= kMaxDiscardPerPass)
                break;
            continue;
        }
        ODInputEvent event{};
        event.event_type = EVENT_CHARACTER;
        event.from_remote = 1;
        event.key = static_cast<std::uint8_t>(byte);
        ODInQueueCommitReservedEvent(hODInputQueue, &event);
        if (event.key == 13 || event.key == 10)
            ODEnterLogAppend(kEnterLogName, event.key);
    }
    ODMaxMSToWait = allowed_wait;
}
