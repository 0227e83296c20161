#include "doorkit/transport/transport.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "doorkit/doorkit.h"
#include "doorkit/core/clock.h"
#include "doorkit/transport/cp437.h"
#include "doorkit/transport/methods.h"
#include "doorkit/transport/telnet.h"

tPortHandle hSerialPort = nullptr;
std::uint32_t ODMaxMSToWait = 0;

namespace {

// A read that must not wait never holds the kernel up longer than this.
constexpr std::uint32_t kMaxReadWaitMS = 200;
constexpr std::size_t kMaxTranslateInput = 0x7FFFFFFF;
// Unwritable seconds a stdio write lives through.
constexpr int kStdioTimeouts = 10;
// Pause before a socket send that would block tries again.
constexpr std::uint32_t kSocketPauseMS = 25;

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

// Writes bytes that are already translated and escaped.
int SendPrepared(tPortHandle port, const std::uint8_t* data, std::size_t length)
{
    if (!port->is_open)
        return kODRCGeneralFailure;
    if (IsSocket(port))
        return ODSocketSend(port, data, length, kSocketPauseMS);
    if (IsStdio(port))
        return ODStdioSend(port, data, length, kStdioTimeouts);
    return kODRCGeneralFailure;
}

// Bytes as they go on the wire; the owned copies live as long as this.
struct WireBytes {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    OwnedBytes translated;
    OwnedBytes escaped;
};

// Translation (when asked for) and then Telnet escaping, per piece of
// output as it is handed over, so a CR at the end of one piece still
// becomes CR NUL whatever the next piece starts with.
bool PrepareForWire(tPortHandle port, const std::uint8_t* buffer, std::size_t length,
                    WireBytes* wire)
{
    wire->data = buffer;
    wire->size = length;
    if (od_control.cp437_to_utf8) {
        if (length > kMaxTranslateInput) {
            od_control.error_code = OD_ERR_LIMIT;
            return false;
        }
        long out_length = static_cast<long>(length);
        wire->translated.reset(reinterpret_cast<std::uint8_t*>(
            ODComCP437ToUnicode(reinterpret_cast<const char*>(buffer), &out_length)));
        if (!wire->translated)
            return false;
        wire->data = wire->translated.get();
        wire->size = static_cast<std::size_t>(out_length);
    }
    if (IsSocket(port) && port->telnet) {
        std::size_t escaped_size = 0;
        if (!TelnetEscapedSize(wire->data, wire->size, &escaped_size)) {
            od_control.error_code = OD_ERR_LIMIT;
            return false;
        }
        wire->escaped.reset(static_cast<std::uint8_t*>(std::malloc(escaped_size)));
        if (!wire->escaped) {
            od_control.error_code = OD_ERR_MEMORY;
            return false;
        }
        TelnetEscape(wire->data, wire->size, wire->escaped.get());
        wire->data = wire->escaped.get();
        wire->size = escaped_size;
    }
    return true;
}

// Adds wire bytes to the collection. The collection stays below the
// threshold between calls, so a piece below it always fits; a larger piece
// goes out on its own, right behind what was collected.
int Collect(tPortHandle port, const std::uint8_t* data, std::size_t size)
{
    if (size >= kODComFlushThreshold) {
        const int flushed = ODComFlush(port);
        const int sent = SendPrepared(port, data, size);
        return flushed != kODRCSuccess ? flushed : sent;
    }
    std::memcpy(port->out_buffer.data() + port->out_length, data, size);
    port->out_length += size;
    return port->out_length >= kODComFlushThreshold ? ODComFlush(port) : kODRCSuccess;
}

// Output collected for the caller goes out before the process sleeps.
void FlushBeforeSleep()
{
    ODCoreFlushRemote();
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
    pfODBeforeSleep = FlushBeforeSleep;
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
    // Nothing collected for the caller is left behind.
    if (handle->is_open)
        ODComFlush(handle);
    handle->out_length = 0;
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
        ODComFlush(handle);
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
    // What the caller is to see goes out before the program waits for an
    // answer.
    if (wait || ODReadWaitMS() > 0)
        ODComFlush(handle);
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
    ODComFlush(handle);
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

int ODComQueueBuffer(tPortHandle handle, const std::uint8_t* buffer, std::size_t length)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    if (length == 0)
        return kODRCSuccess;
    if (buffer == nullptr || !handle->is_open)
        return kODRCGeneralFailure;
    WireBytes wire;
    if (!PrepareForWire(handle, buffer, length, &wire))
        return kODRCGeneralFailure;
    return Collect(handle, wire.data, wire.size);
}

int ODComFlush(tPortHandle handle)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    if (handle->out_length == 0 || handle->out_flushing)
        return kODRCSuccess;
    handle->out_flushing = 1;
    const int result = SendPrepared(handle, handle->out_buffer.data(), handle->out_length);
    handle->out_length = 0;
    handle->out_flushing = 0;
    return result;
}

int ODComSendBuffer(tPortHandle handle, const std::uint8_t* buffer, std::size_t length)
{
    const int queued = ODComQueueBuffer(handle, buffer, length);
    if (queued == kODRCInvalidCall)
        return queued;
    const int flushed = ODComFlush(handle);
    return queued != kODRCSuccess ? queued : flushed;
}

int ODComSendByte(tPortHandle handle, std::uint8_t byte)
{
    return ODComSendBuffer(handle, &byte, 1);
}
