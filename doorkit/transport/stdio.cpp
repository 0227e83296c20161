#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "doorkit/doorkit.h"
#include "doorkit/transport/methods.h"

termios sio_tio_default{};

namespace {

// Unwritable time counted as one time-out of a send.
constexpr int kSendWaitMS = 1000;

// sio_tio_default holds attributes that close must put back.
bool bTerminalSaved = false;

int InputDescriptor(tPortHandle port)
{
    return port->use_given_descriptor ? port->descriptor : STDIN_FILENO;
}

int OutputDescriptor(tPortHandle port)
{
    return port->use_given_descriptor ? port->descriptor : STDOUT_FILENO;
}

// A write to a reader that has gone must fail with EPIPE, not end the
// process. The disposition is inherited: any child started later must reset
// its signal dispositions and mask before it runs another program.
void IgnoreBrokenPipe()
{
    struct sigaction action {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGPIPE, &action, nullptr);
}

void EnterRawMode()
{
    if (bTerminalSaved || !isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &sio_tio_default) != 0)
        return;
    bTerminalSaved = true;
    termios raw = sio_tio_default;
    raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                          ICRNL | IXON);
    raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    raw.c_cflag |= CS8;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
}

void LeaveRawMode()
{
    if (!bTerminalSaved)
        return;
    bTerminalSaved = false;
    if (isatty(STDIN_FILENO))
        tcsetattr(STDIN_FILENO, TCSANOW, &sio_tio_default);
}

void Opened(tPortHandle port)
{
    ODComResetTelnet(port);
    port->caller_gone = 0;
    port->is_open = 1;
    port->method = kComMethodStdIO;
    IgnoreBrokenPipe();
}

// End of input from a pipe or socket, or from a terminal that has been hung
// up (it answers as no terminal any more), means the caller has gone for
// good. A working terminal's carrier is the hang-up signal alone.
void NoteEndOfInput(tPortHandle port, int fd)
{
    if (!isatty(fd))
        port->caller_gone = 1;
}

}  // namespace

int ODStdioOpen(tPortHandle port)
{
    EnterRawMode();
    // Output goes straight to the descriptor from now on; anything printed
    // through the stream before must not arrive after it.
    std::fflush(stdout);
    port->use_given_descriptor = 0;
    Opened(port);
    return kODRCSuccess;
}

int ODStdioAdopt(tPortHandle port, int fd)
{
    port->descriptor = fd;
    port->use_given_descriptor = 1;
    Opened(port);
    return kODRCSuccess;
}

void ODStdioClose(tPortHandle port)
{
    if (!port->use_given_descriptor)
        LeaveRawMode();
}

bool ODStdioCarrier(tPortHandle port)
{
    if (port->caller_gone)
        return false;
    // A hang-up the BBS left blocked waits as pending; one that is delivered
    // reaches the kernel as a stop signal.
    sigset_t pending;
    sigemptyset(&pending);
    if (sigpending(&pending) == 0 && sigismember(&pending, SIGHUP) == 1)
        return false;
    return true;
}

int ODStdioGetByte(tPortHandle port, std::uint8_t* byte, bool wait)
{
    if (port->caller_gone)
        return kODRCGeneralFailure;
    int fd = InputDescriptor(port);
    short revents = 0;
    int ready = ODWaitDescriptor(fd, POLLIN, wait ? -1 : ODReadWaitMS(), &revents);
    if (ready == 0)
        return kODRCNothingWaiting;
    if (ready < 0 || (revents & POLLNVAL))
        return kODRCGeneralFailure;
    for (;;) {
        ssize_t got = read(fd, byte, 1);
        if (got == 1)
            return kODRCSuccess;
        if (got == 0) {
            NoteEndOfInput(port, fd);
            return kODRCGeneralFailure;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return kODRCNothingWaiting;
        if (errno == ECONNRESET || errno == EIO)
            NoteEndOfInput(port, fd);
        return kODRCGeneralFailure;
    }
}

int ODStdioSend(tPortHandle port, const std::uint8_t* data, std::size_t length,
                int allowed_timeouts)
{
    if (port->caller_gone)
        return kODRCGeneralFailure;
    // Written with write(2), never held in a stream buffer: a reader at the
    // other end of a pipe or socket sees every byte at once.
    int fd = OutputDescriptor(port);
    int timeouts = 0;
    std::size_t sent = 0;
    while (sent < length) {
        short revents = 0;
        int ready = ODWaitDescriptor(fd, POLLOUT, kSendWaitMS, &revents);
        if (ready < 0)
            return kODRCGeneralFailure;
        if (ready == 0) {
            if (++timeouts > allowed_timeouts)
                return kODRCGeneralFailure;
            continue;
        }
        ssize_t done = write(fd, data + sent, length - sent);
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            od_sleep(1);
            continue;
        }
        if (done < 1) {
            // EPIPE, EIO after a hang-up, a bad descriptor: nobody is there.
            port->caller_gone = 1;
            return kODRCGeneralFailure;
        }
        sent += static_cast<std::size_t>(done);
        if (sent < length)
            od_sleep(1);
    }
    return kODRCSuccess;
}
