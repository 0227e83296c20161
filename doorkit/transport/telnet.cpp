#include "doorkit/transport/telnet.h"

namespace {

constexpr std::uint8_t kIAC = 255;
constexpr std::uint8_t kSB = 250;
constexpr std::uint8_t kSE = 240;
constexpr std::uint8_t kWILL = 251;
constexpr std::uint8_t kCR = 13;
constexpr std::uint8_t kLF = 10;
constexpr std::size_t kEscapedLimit = 0x80000000u;

constexpr TelnetStep Stay(std::uint32_t next)
{
    return {next, false, 0, false};
}

constexpr TelnetStep Deliver(std::uint8_t byte)
{
    return {kTelnetData, true, byte, false};
}

}  // namespace

TelnetStep TelnetReceiveStep(std::uint32_t state, std::uint8_t byte)
{
    switch (state) {
    case kTelnetCommand:
        if (byte == kIAC)
            return Deliver(kIAC);
        if (byte >= kWILL)
            return Stay(kTelnetOption);
        if (byte == kSB)
            return Stay(kTelnetSubnegotiation);
        return Stay(kTelnetData);
    case kTelnetOption:
        return Stay(kTelnetData);
    case kTelnetSubnegotiation:
        return Stay(byte == kIAC ? kTelnetSubnegotiationIAC : kTelnetSubnegotiation);
    case kTelnetSubnegotiationIAC:
        return Stay(byte == kSE ? kTelnetData : kTelnetSubnegotiation);
    case kTelnetAfterCR:
        if (byte == kLF || byte == 0)
            return Deliver(kCR);
        return {kTelnetData, true, kCR, true};
    default:
        // kTelnetData, and any state that cannot occur starts afresh.
        if (byte == kIAC)
            return Stay(kTelnetCommand);
        if (byte == kCR)
            return Stay(kTelnetAfterCR);
        return Deliver(byte);
    }
}

TelnetStep TelnetReceive(std::uint32_t state, std::uint32_t* sub_length, std::uint8_t byte)
{
    const bool inside = state == kTelnetSubnegotiation || state == kTelnetSubnegotiationIAC;
    TelnetStep step = TelnetReceiveStep(state, byte);
    // A byte of the subnegotiation's body: not the IAC that may start its
    // end, nor the SE that ends it.
    if (inside && step.next_state == kTelnetSubnegotiation &&
        ++*sub_length > kTelnetMaxSubnegotiation) {
        *sub_length = 0;
        return {kTelnetData, false, 0, true};
    }
    if (step.next_state != kTelnetSubnegotiation && step.next_state != kTelnetSubnegotiationIAC)
        *sub_length = 0;
    return step;
}

bool TelnetEscapedSize(const std::uint8_t* data, std::size_t length, std::size_t* size)
{
    std::size_t total = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (data[i] == kIAC || (data[i] == kCR && (i + 1 == length || data[i + 1] != kLF)))
            total += 2;
        else
            total += 1;
        if (total >= kEscapedLimit)
            return false;
    }
    *size = total;
    return true;
}

void TelnetEscape(const std::uint8_t* data, std::size_t length, std::uint8_t* out)
{
    for (std::size_t i = 0; i < length; ++i) {
        std::uint8_t c = data[i];
        *out++ = c;
        if (c == kIAC) {
            *out++ = kIAC;
        } else if (c == kCR) {
            if (i + 1 < length && data[i + 1] == kLF)
                *out++ = data[++i];
            else
                *out++ = 0;
        }
    }
}
