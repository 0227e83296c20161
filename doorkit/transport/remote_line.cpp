// The session's line through hSerialPort: sending, draining, carrier and
// DTR, and the public calls on top of them.
#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/core/clock.h"
#include "doorkit/core/control.h"
#include "doorkit/core/stop_signal.h"
#include "doorkit/transport/transport.h"

int ODCoreSendRemoteByte(std::uint8_t byte)
{
    return ODCoreSendRemoteBuffer(&byte, 1);
}

int ODCoreSendRemoteBuffer(const std::uint8_t* buffer, std::size_t length)
{
    if (hSerialPort == nullptr)
        return kODRCGeneralFailure;
    return ODComQueueBuffer(hSerialPort, buffer, length);
}

int ODCoreFlushRemote()
{
    if (hSerialPort == nullptr)
        return kODRCSuccess;
    return ODComFlush(hSerialPort);
}

bool ODCoreCarrierResult(int result, bool present)
{
    if (result != kODRCSuccess) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        return false;
    }
    return present;
}

bool ODCoreSetDTRResult(int result)
{
    if (result != kODRCSuccess) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        return false;
    }
    return true;
}

void ODWaitDrain(std::uint32_t milliseconds)
{
    if (od_control.baud == 0 || hSerialPort == nullptr)
        return;
    ODComFlush(hSerialPort);
    tODTimer limit{};
    ODTimerStart(&limit, milliseconds);
    for (;;) {
        int waiting = 0;
        // Methods that cannot tell count as drained.
        if (ODComOutbound(hSerialPort, &waiting) != kODRCSuccess || waiting <= 0)
            return;
        if (milliseconds != 0xFFFFFFFFu && ODTimerElapsed(&limit))
            return;
        od_sleep(0);
        if (eODLifecycleState == OD_STATE_ACTIVE)
            od_kernel();
    }
}

namespace {

// Carrier and DTR mean nothing without a caller on a line.
bool HasRemoteSide()
{
    if (od_control.baud != 0)
        return true;
    od_control.error_code = OD_ERR_NOREMOTE;
    return false;
}

}  // namespace

bool od_carrier()
{
    ODApiCall call;
    if (!call.allowed() || !HasRemoteSide())
        return false;
    // A stop signal is carrier loss; the kernel's next pass ends the door.
    if (ODStopRequested())
        return false;
    bool present = false;
    int result = hSerialPort == nullptr ? kODRCGeneralFailure : ODComCarrier(hSerialPort, &present);
    return ODCoreCarrierResult(result, present);
}

bool od_set_dtr(bool high)
{
    ODApiCall call;
    if (!call.allowed() || !HasRemoteSide())
        return false;
    int result = hSerialPort == nullptr ? kODRCGeneralFailure : ODComSetDTR(hSerialPort, high);
    return ODCoreSetDTRResult(result);
}
