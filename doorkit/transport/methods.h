// The two methods that work on this platform, behind the port object, and
// what they share. Only the transport's own files include this.
#ifndef DOORKIT_TRANSPORT_METHODS_H
#define DOORKIT_TRANSPORT_METHODS_H

#include <termios.h>

#include <cstddef>
#include <cstdint>

#include "doorkit/transport/transport.h"

// Terminal attributes of standard input as found at open.
extern termios sio_tio_default;

// Waits for `events` on one descriptor, resuming after signals for the time
// left; timeout_ms < 0 waits without limit. 1 ready (revents filled),
// 0 timed out (a wait for input also once a stop signal has come), -1 failed.
int ODWaitDescriptor(int fd, short events, int timeout_ms, short* revents);

// How long a read that must not wait may wait for its first byte.
int ODReadWaitMS();

void ODComResetTelnet(tPortHandle port);

// Connected socket handed over by the BBS.
int ODSocketAdopt(tPortHandle port, int fd);
void ODSocketClose(tPortHandle port);
void ODSocketHangUp(tPortHandle port);
bool ODSocketCarrier(tPortHandle port);
int ODSocketGetByte(tPortHandle port, std::uint8_t* byte, bool wait);
int ODSocketGetBuffer(tPortHandle port, std::uint8_t* buffer, int size, int* count);
// `busy_pause_ms`: the pause before trying again when the send would block.
int ODSocketSend(tPortHandle port, const std::uint8_t* data, std::size_t length,
                 std::uint32_t busy_pause_ms);

// Standard input/output, or one descriptor for both directions.
int ODStdioOpen(tPortHandle port);
int ODStdioAdopt(tPortHandle port, int fd);
void ODStdioClose(tPortHandle port);
bool ODStdioCarrier(tPortHandle port);
int ODStdioGetByte(tPortHandle port, std::uint8_t* byte, bool wait);
// Fails once the descriptor stayed unwritable for more than
// `allowed_timeouts` whole seconds.
int ODStdioSend(tPortHandle port, const std::uint8_t* data, std::size_t length,
                int allowed_timeouts);

#endif
