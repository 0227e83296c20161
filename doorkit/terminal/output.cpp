// Text output to the caller. (Colour, cursor and the screen copies come
// with the rest of the output layer.)
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/session/api_sync.h"
#include "doorkit/terminal/kernel.h"
#include "doorkit/terminal/transport.h"

namespace {

void run_kernel_if_due()
{
    if (ODTimerElapsed(&RunKernelTimer))
        od_kernel();
}

}  // namespace

void od_disp(const char* buffer, int size, bool)
{
    ODApiCall call;
    if (!call.allowed())
        return;
    if (buffer == nullptr || size < 0) {
        od_control.error_code = OD_ERR_PARAMETER;
        return;
    }
    run_kernel_if_due();
    if (od_control.baud != 0)
        ODCoreSendRemoteBuffer(reinterpret_cast<const std::uint8_t*>(buffer),
                               static_cast<std::size_t>(size));
}

void od_disp_str(const char* text)
{
    ODApiCall call;
    if (!call.allowed())
        return;
    if (text == nullptr) {
        od_control.error_code = OD_ERR_PARAMETER;
        return;
    }
    run_kernel_if_due();
    if (od_control.baud != 0)
        ODCoreSendRemoteBuffer(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
}

void od_putch(int character)
{
    ODApiCall call;
    if (!call.allowed())
        return;
    if (od_control.baud != 0)
        ODCoreSendRemoteByte(static_cast<std::uint8_t>(character));
    run_kernel_if_due();
}
