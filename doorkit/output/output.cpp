// Text output to the caller, mirrored into the screen copy.
#include "doorkit/output/output.h"

#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/transport/transport.h"

char szODWorkString[OD_WORK_STRING_SIZE];

namespace {

constexpr std::uint8_t kAvatarRepeat = 0x19;
constexpr unsigned kRepeatModulus = 256;

}  // namespace

ODTerminalMode ODCurrentTerminalMode()
{
    if (od_control.user_avatar)
        return ODTerminalMode::Avatar;
    if (od_control.user_ansi)
        return ODTerminalMode::Ansi;
    return ODTerminalMode::Plain;
}

void ODOutputKernelIfDue()
{
    if (ODTimerElapsed(&RunKernelTimer))
        od_kernel();
}

void ODOutputSendInPlace(const void* bytes, std::size_t length)
{
    // A lost caller is found by the kernel's carrier check, not here.
    if (od_control.baud != 0 && length > 0)
        ODCoreSendRemoteBuffer(static_cast<const std::uint8_t*>(bytes), length);
}

void ODOutputSendRaw(const void* bytes, std::size_t length)
{
    if (length > 0)
        ODCallerCursorForget();
    ODOutputSendInPlace(bytes, length);
}

void ODOutputSend(const void* bytes, std::size_t length)
{
    ODOutputKernelIfDue();
    ODOutputSendRaw(bytes, length);
}

void ODOutputSendText(const char* text, std::size_t length)
{
    ODCallerCursorAdvance(text, length);
    ODOutputSendInPlace(text, length);
}

void od_disp(const char* buffer, int size, bool local_echo)
{
    ODApiCall call;
    if (!call.allowed())
        return;
    if (buffer == nullptr || size < 0) {
        od_control.error_code = OD_ERR_PARAMETER;
        return;
    }
    ODOutputKernelIfDue();
    ODOutputSendText(buffer, static_cast<std::size_t>(size));
    if (local_echo)
        ODMirrorDisplay(buffer, size);
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
    const std::size_t length = std::strlen(text);
    ODOutputKernelIfDue();
    ODOutputSendText(text, length);
    ODMirrorDisplay(text, static_cast<int>(length));
}

void od_putch(int character)
{
    ODApiCall call;
    if (!call.allowed())
        return;
    const char byte = static_cast<char>(character);
    ODMirrorDisplay(&byte, 1);
    ODOutputSendText(&byte, 1);
    ODOutputKernelIfDue();
}

void od_repeat(char character, unsigned count)
{
    ODApiCall call;
    if (!call.allowed())
        return;
    count %= kRepeatModulus;
    if (count == 0)
        return;
    char run[kRepeatModulus];
    std::memset(run, character, count);
    ODMirrorDisplay(run, static_cast<int>(count));
    ODOutputKernelIfDue();
    if (ODCurrentTerminalMode() == ODTerminalMode::Avatar) {
        // The terminal writes the run itself.
        const char avatar[3] = {static_cast<char>(kAvatarRepeat), character,
                                static_cast<char>(count)};
        ODCallerCursorAdvance(run, count);
        ODOutputSendInPlace(avatar, sizeof avatar);
    } else {
        ODOutputSendText(run, count);
    }
}

void od_set_statusline(int)
{
    ODApiCall call;
    if (!call.allowed())
        return;
    // There is no status line on this platform.
    od_control.error_code = OD_ERR_UNSUPPORTED;
}
