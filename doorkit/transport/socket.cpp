#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "doorkit/doorkit.h"
#include "doorkit/transport/methods.h"
#include "doorkit/transport/telnet.h"

namespace {

// How long a send waits for room before it gives up.
constexpr int kSendWaitMS = 1000;
// Telnet command bytes one read that must not wait swallows at most: a peer
// that sends nothing but commands must not hold the kernel's pass for ever.
constexpr int kMaxSwallowedPerRead = 4096;

enum class Received { Byte, Nothing, Closed, Failed };

bool PeerGone(int error)
{
    return error == EPIPE || error == ECONNRESET;
}

// One byte off the wire, before any Telnet processing.
Received ReceiveOne(tPortHandle port, std::uint8_t* byte, bool wait)
{
    int fd = port->descriptor;
    if (fd < 0)
        return Received::Failed;
    for (;;) {
        short revents = 0;
        int ready = ODWaitDescriptor(fd, POLLIN, wait ? -1 : ODReadWaitMS(), &revents);
        if (ready == 0)
            return Received::Nothing;
        if (ready < 0 || (revents & POLLIN) == 0)
            return Received::Failed;
        for (;;) {
            ssize_t got = recv(fd, byte, 1, MSG_DONTWAIT);
            if (got == 1)
                return Received::Byte;
            if (got == 0) {
                port->caller_gone = 1;
                return Received::Closed;
            }
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            if (PeerGone(errno))
                port->caller_gone = 1;
            return Received::Failed;
        }
        // Readable but nothing came: a waiting read goes back to waiting.
        if (!wait)
            return Received::Nothing;
    }
}

int TelnetGetByte(tPortHandle port, std::uint8_t* byte, bool wait)
{
    for (int swallowed = 0;; ++swallowed) {
        // The state is kept: the next read goes on where this one stopped.
        if (!wait && swallowed >= kMaxSwallowedPerRead)
            return kODRCNothingWaiting;
        std::uint8_t in = 0;
        if (port->held_byte_valid) {
            in = port->held_byte;
            port->held_byte_valid = 0;
            port->held_byte = 0;
        } else {
            switch (ReceiveOne(port, &in, wait)) {
            case Received::Byte:
                break;
            case Received::Nothing:
                // The state survives: a CR may still wait for its follower.
                return kODRCNothingWaiting;
            case Received::Closed:
                ODComResetTelnet(port);
                return kODRCNothingWaiting;
            case Received::Failed:
                ODComResetTelnet(port);
                return kODRCGeneralFailure;
            }
        }
        TelnetStep step = TelnetReceive(port->telnet_state, &port->telnet_sub_length, in);
        port->telnet_state = step.next_state;
        if (step.hold) {
            port->held_byte = in;
            port->held_byte_valid = 1;
        }
        if (step.deliver) {
            *byte = step.byte;
            return kODRCSuccess;
        }
    }
}

// A TCP connection: a stream socket of an Internet family.
bool IsTcpStream(int fd)
{
    int domain = 0;
    int type = 0;
    socklen_t size = sizeof domain;
    if (getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &size) != 0)
        return false;
    size = sizeof type;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) != 0)
        return false;
    return (domain == AF_INET || domain == AF_INET6) && type == SOCK_STREAM;
}

}  // namespace

int ODSocketAdopt(tPortHandle port, int fd)
{
    port->descriptor = fd;
    port->saved_no_delay = -1;  // nothing to put back unless set below
    // Output leaves in whole screens, so waiting to fill a segment only
    // adds the caller's delayed acknowledgement to every screen. Other
    // kinds of socket are left as they are.
    int no_delay = 0;
    socklen_t size = sizeof no_delay;
    if (IsTcpStream(fd) && getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &no_delay, &size) == 0) {
        int on = 1;
        if (setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0)
            port->saved_no_delay = no_delay;
    }
    ODComResetTelnet(port);
    port->caller_gone = 0;
    port->use_given_descriptor = 0;
    port->is_open = 1;
    return kODRCSuccess;
}

void ODSocketClose(tPortHandle port)
{
    if (port->descriptor < 0)
        return;
    if (port->saved_no_delay >= 0) {
        int value = port->saved_no_delay;
        setsockopt(port->descriptor, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value);
    }
    close(port->descriptor);
    port->descriptor = -1;
}

void ODSocketHangUp(tPortHandle port)
{
    if (port->descriptor >= 0)
        close(port->descriptor);
    // A closed descriptor is never polled again: its number may be reused.
    port->descriptor = -1;
    port->caller_gone = 1;
    ODComResetTelnet(port);
}

bool ODSocketCarrier(tPortHandle port)
{
    if (port->caller_gone || port->descriptor < 0)
        return false;
    short revents = 0;
    int ready = ODWaitDescriptor(port->descriptor, POLLIN, 0, &revents);
    if (ready == 0)
        return true;
    if (ready < 0 || (revents & (POLLERR | POLLNVAL)) || (revents & POLLIN) == 0)
        return false;
    // Readable: data, or the peer's orderly close. Peek tells them apart
    // and leaves the data queued.
    std::uint8_t byte = 0;
    ssize_t got = recv(port->descriptor, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (got == 1)
        return true;
    return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
}

int ODSocketGetByte(tPortHandle port, std::uint8_t* byte, bool wait)
{
    if (port->telnet)
        return TelnetGetByte(port, byte, wait);
    switch (ReceiveOne(port, byte, wait)) {
    case Received::Byte:
        return kODRCSuccess;
    case Received::Nothing:
    case Received::Closed:
        return kODRCNothingWaiting;
    case Received::Failed:
        break;
    }
    return kODRCGeneralFailure;
}

int ODSocketGetBuffer(tPortHandle port, std::uint8_t* buffer, int size, int* count)
{
    *count = 0;
    int fd = port->descriptor;
    if (fd < 0)
        return kODRCGeneralFailure;
    short revents = 0;
    int ready = ODWaitDescriptor(fd, POLLIN, 1, &revents);
    if (ready == 0)
        return kODRCSuccess;
    if (ready < 0 || (revents & POLLIN) == 0)
        return kODRCGeneralFailure;
    for (;;) {
        ssize_t got = recv(fd, buffer, static_cast<std::size_t>(size), MSG_DONTWAIT);
        if (got > 0) {
            *count = static_cast<int>(got);
            return kODRCSuccess;
        }
        if (got == 0) {
            port->caller_gone = 1;
            return kODRCNothingWaiting;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return kODRCSuccess;
        if (PeerGone(errno))
            port->caller_gone = 1;
        return kODRCGeneralFailure;
    }
}

int ODSocketSend(tPortHandle port, const std::uint8_t* data, std::size_t length,
                 std::uint32_t busy_pause_ms)
{
    int fd = port->descriptor;
    if (fd < 0)
        return kODRCGeneralFailure;
    std::size_t sent = 0;
    while (sent < length) {
        short revents = 0;
        if (ODWaitDescriptor(fd, POLLOUT, kSendWaitMS, &revents) != 1 ||
            (revents & POLLOUT) == 0)
            return kODRCGeneralFailure;
        // No SIGPIPE: a caller who has gone is a failed send, not the end
        // of the process.
        ssize_t done = send(fd, data + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (done > 0) {
            sent += static_cast<std::size_t>(done);
            continue;
        }
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            od_sleep(busy_pause_ms);
            continue;
        }
        if (done < 0 && PeerGone(errno))
            port->caller_gone = 1;
        return kODRCGeneralFailure;
    }
    return kODRCSuccess;
}
