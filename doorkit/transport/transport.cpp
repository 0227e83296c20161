#include "doorkit/transport/transport.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <new>

#include "doorkit/doorkit.h"
#include "doorkit/transport/cp437.h"
#include "doorkit/transport/methods.h"
#include "doorkit/transport/telnet.h"

tPortHandle hSerialPort = nullptr;
std::uint32_t ODMaxMSToWait = 1;

namespace {

// A read that must not wait never holds the kernel up longer than this.
constexpr std::uint32_t kMaxReadWaitMS = 200;
constexpr std::size_t kMaxTranslateInput = 0x7FFFFFFF;
// Unwritable seconds a stdio send of a buffer / of one byte lives through.
constexpr int kStdioBufferTimeouts = 10;
constexpr int kStdioByteTimeouts = 9;
// Pause before a socket send that would block tries again.
constexpr std::uint32_t kSocketBufferPauseMS = 25;
constexpr std::uint32_t kSocketBytePauseMS = 50;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using OwnedBytes = std::unique_ptr<std::uint8_t, FreeDeleter>;

bool IsSocket(tPortHandle port)
{
    return port->method == kComMethodSocket;
}

bool IsStdio(tPortHandle port)
{
    return port->method == kComMethodStdIO;
}

// Sends bytes that are already translated and escaped.
int SendPrepared(tPortHandle port, const std::uint8_t* data, std::size_t length,
                 std::uint32_t socket_pause, int stdio_timeouts)
{
    if (!port->is_open)
        return kODRCGeneralFailure;
    if (IsSocket(port))
        return ODSocketSend(port, data, length, socket_pause);
    if (IsStdio(port))
        return ODStdioSend(port, data, length, stdio_timeouts);
    return kODRCGeneralFailure;
}

}  // namespace

int ODReadWaitMS()
{
    return static_cast<int>(ODMaxMSToWait < kMaxReadWaitMS ? ODMaxMSToWait : kMaxReadWaitMS);
}

void ODComResetTelnet(tPortHandle port)
{
    port->telnet_state = kTelnetData;
    port->telnet_sub_length = 0;
    port->held_byte_valid = 0;
    port->held_byte = 0;
}

int ODComAlloc(tPortHandle* handle)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    auto* port = new (std::nothrow) ODComPortInfo{};
    *handle = port;
    if (port == nullptr)
        return kODRCNoMemory;
    port->flow_control = 0x80;
    port->word_format = 3;
    port->rx_buffer_size = 1024;
    port->tx_buffer_size = 1024;
    port->fifo_setting = 0x81;
    port->method = kComMethodUnspecified;
    port->descriptor = -1;
    port->saved_no_delay = -1;
    return kODRCSuccess;
}

int ODComFree(tPortHandle handle)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    // A port still open would keep the socket or leave the terminal raw.
    if (handle->is_open)
        ODComClose(handle);
    delete handle;
    return kODRCSuccess;
}

int ODComOpen(tPortHandle handle)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    if (handle->method != kComMethodUnspecified && handle->method != kComMethodStdIO)
        return kODRCGeneralFailure;
    return ODStdioOpen(handle);
}

int ODComOpenFromExistingHandle(tPortHandle handle, long descriptor)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    if (!IsSocket(handle) && !IsStdio(handle))
        return kODRCInvalidCall;
    // A number that is no open descriptor could only ever fail later, or
    // worse, reach a file the door opened itself.
    if (descriptor < 0 || descriptor > INT_MAX)
        return kODRCGeneralFailure;
    int fd = static_cast<int>(descriptor);
    int flags = fcntl(fd, F_GETFD);
    if (flags == -1)
        return kODRCGeneralFailure;
    // A program the door starts must not hold the caller's line open after
    // the door has ended. The standard descriptors stay as they are.
    if (fd > STDERR_FILENO && (flags & FD_CLOEXEC) == 0 &&
        fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == -1)
        return kODRCGeneralFailure;
    return IsSocket(handle) ? ODSocketAdopt(handle, fd) : ODStdioAdopt(handle, fd);
}

int ODComClose(tPortHandle handle)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    ODComResetTelnet(handle);
    if (IsSocket(handle))
        ODSocketClose(handle);
    else if (IsStdio(handle))
        ODStdioClose(handle);
    handle->is_open = 0;
    return kODRCSuccess;
}

int ODComCarrier(tPortHandle handle, bool* present)
{
    if (handle == nullptr || present == nullptr)
        return kODRCInvalidCall;
    if ((IsSocket(handle) || IsStdio(handle)) && !handle->is_open)
        *present = false;
    else if (IsSocket(handle))
        *present = ODSocketCarrier(handle);
    else if (IsStdio(handle))
        *present = ODStdioCarrier(handle);
    return kODRCSuccess;
}

int ODComSetDTR(tPortHandle handle, bool high)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    if (IsSocket(handle)) {
        if (high)
            return kODRCUnsupported;
        ODSocketHangUp(handle);
        return kODRCSuccess;
    }
    if (IsStdio(handle))
        return kODRCUnsupported;
    return kODRCSuccess;
}

int ODComOutbound(tPortHandle handle, int* count)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    if (IsSocket(handle) || IsStdio(handle)) {
        if (count != nullptr)
            *count = 0;
        return kODRCUnsupported;
    }
    return kODRCSuccess;
}

int ODComClearOutbound(tPortHandle handle)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    return IsSocket(handle) || IsStdio(handle) ? kODRCUnsupported : kODRCSuccess;
}

int ODComClearInbound(tPortHandle handle)
{
    return ODComClearOutbound(handle);
}

int ODComInbound(tPortHandle handle, int* count)
{
    if (handle == nullptr || count == nullptr)
        return kODRCInvalidCall;
    int fd = -1;
    if (IsSocket(handle) || (IsStdio(handle) && handle->use_given_descriptor))
        fd = handle->descriptor;
    else if (IsStdio(handle))
        fd = 0;
    int waiting = 0;
    if (fd < 0 || ioctl(fd, FIONREAD, &waiting) != 0 || waiting < 0)
        waiting = 0;
    *count = waiting + (handle->held_byte_valid ? 1 : 0);
    return kODRCSuccess;
}

int ODComGetByte(tPortHandle handle, char* byte, bool wait)
{
    if (handle == nullptr || byte == nullptr)
        return kODRCInvalidCall;
    std::uint8_t received = 0;
    int result = kODRCGeneralFailure;
    if (!handle->is_open)
        return result;
    if (IsSocket(handle))
        result = ODSocketGetByte(handle, &received, wait);
    else if (IsStdio(handle))
        result = ODStdioGetByte(handle, &received, wait);
    if (result == kODRCSuccess)
        *byte = static_cast<char>(received);
    return result;
}

int ODComGetBuffer(tPortHandle handle, std::uint8_t* buffer, int size, int* count)
{
    if (handle == nullptr || count == nullptr || (buffer == nullptr && size > 0))
        return kODRCInvalidCall;
    *count = 0;
    if (size <= 0)
        return kODRCSuccess;
    if (IsSocket(handle) && !handle->telnet)
        return ODSocketGetBuffer(handle, buffer, size, count);
    while (*count < size) {
        char c = 0;
        if (ODComGetByte(handle, &c, false) != kODRCSuccess)
            break;
        buffer[(*count)++] = static_cast<std::uint8_t>(c);
    }
    return kODRCSuccess;
}

int ODComSendBuffer(tPortHandle handle, const std::uint8_t* buffer, std::size_t length)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    if (length == 0)
        return kODRCSuccess;
    if (buffer == nullptr)
        return kODRCGeneralFailure;

    const std::uint8_t* data = buffer;
    std::size_t size = length;
    OwnedBytes translated;
    if (od_control.cp437_to_utf8) {
        if (length > kMaxTranslateInput) {
            od_control.error_code = OD_ERR_LIMIT;
            return kODRCGeneralFailure;
        }
        long out_length = static_cast<long>(length);
        translated.reset(reinterpret_cast<std::uint8_t*>(
            ODComCP437ToUnicode(reinterpret_cast<const char*>(buffer), &out_length)));
        if (!translated)
            return kODRCGeneralFailure;
        data = translated.get();
        size = static_cast<std::size_t>(out_length);
    }

    OwnedBytes escaped;
    if (IsSocket(handle) && handle->telnet) {
        std::size_t escaped_size = 0;
        if (!TelnetEscapedSize(data, size, &escaped_size)) {
            od_control.error_code = OD_ERR_LIMIT;
            return kODRCGeneralFailure;
        }
        escaped.reset(static_cast<std::uint8_t*>(std::malloc(escaped_size)));
        if (!escaped) {
            od_control.error_code = OD_ERR_MEMORY;
            return kODRCGeneralFailure;
        }
        TelnetEscape(data, size, escaped.get());
        data = escaped.get();
        size = escaped_size;
    }
    return SendPrepared(handle, data, size, kSocketBufferPauseMS, kStdioBufferTimeouts);
}

int ODComSendByte(tPortHandle handle, std::uint8_t byte)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    if (od_control.cp437_to_utf8 || (IsSocket(handle) && handle->telnet))
        return ODComSendBuffer(handle, &byte, 1);
    return SendPrepared(handle, &byte, 1, kSocketBytePauseMS, kStdioByteTimeouts);
}
