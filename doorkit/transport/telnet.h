// Telnet handling of a socket connection: the receive state machine that
// swallows commands, and the escaping of outgoing data.
#ifndef DOORKIT_TRANSPORT_TELNET_H
#define DOORKIT_TRANSPORT_TELNET_H

#include <cstddef>
#include <cstdint>

// Receive states (telnet_state of the port object).
enum : std::uint32_t {
    kTelnetData = 0,
    kTelnetCommand = 1,        // after IAC
    kTelnetOption = 2,         // after IAC WILL/WONT/DO/DONT
    kTelnetSubnegotiation = 3, // inside IAC SB ...
    kTelnetSubnegotiationIAC = 4,
    kTelnetAfterCR = 5,        // a CR waits for the byte after it
};

struct TelnetStep {
    std::uint32_t next_state;
    bool deliver;        // `byte` goes to the caller's input
    std::uint8_t byte;
    bool hold;           // the input byte is kept and fed again on the next read
};

// One received byte through the machine. No option is ever answered.
TelnetStep TelnetReceiveStep(std::uint32_t state, std::uint8_t byte);

// Bytes a subnegotiation may carry before it is dropped: a peer that never
// ends one must not swallow every key after it.
inline constexpr std::uint32_t kTelnetMaxSubnegotiation = 512;

// TelnetReceiveStep with subnegotiations bounded: `sub_length` counts the
// bytes of the current one (0 outside). The byte past the bound, and all
// after it, are read as data again.
TelnetStep TelnetReceive(std::uint32_t state, std::uint32_t* sub_length, std::uint8_t byte);

// Size of `length` bytes after escaping; false when it would reach 2^31.
bool TelnetEscapedSize(const std::uint8_t* data, std::size_t length, std::size_t* size);

// Escapes into `out`, which holds TelnetEscapedSize bytes: 255 is doubled,
// CR LF stays, any other CR (also a last one) becomes CR NUL.
void TelnetEscape(const std::uint8_t* data, std::size_t length, std::uint8_t* out);

#endif
