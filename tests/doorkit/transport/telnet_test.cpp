#include "doorkit/transport/telnet.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/doorkit/transport/fixture.h"

namespace {

using transport_test::B;
using transport_test::Bytes;

// Feeds bytes through the machine the way a port does, held byte included.
Bytes Receive(const Bytes& wire, std::uint32_t* end_state = nullptr)
{
    Bytes delivered;
    std::uint32_t state = kTelnetData;
    std::uint32_t sub_length = 0;
    for (std::uint8_t in : wire) {
        for (bool again = true; again;) {
            TelnetStep step = TelnetReceive(state, &sub_length, in);
            state = step.next_state;
            if (step.deliver)
                delivered.push_back(step.byte);
            again = step.hold;
        }
    }
    if (end_state != nullptr)
        *end_state = state;
    return delivered;
}

struct ReceiveCase {
    const char* name;
    Bytes wire;
    Bytes delivered;
};

TEST(TelnetReceive, CommandsAreSwallowedAndLineEndsBecomeOneCR)
{
    const std::vector<ReceiveCase> cases = {
        {"option negotiation", B({255, 251, 1, 0x78}), B({0x78})},
        {"every negotiation verb", B({255, 252, 3, 255, 253, 24, 255, 254, 31, 'k'}), B("k")},
        {"subnegotiation", B({255, 250, 24, 0, 'x', 't', 'e', 'r', 'm', 255, 240, 'z'}), B("z")},
        {"doubled IAC inside subnegotiation",
         B({255, 250, 24, 255, 255, 1, 255, 240, 'y'}), B("y")},
        {"IAC inside subnegotiation without SE", B({255, 250, 1, 255, 'a', 255, 240, 'b'}),
         B("b")},
        {"doubled IAC is data", B({255, 255}), B({255})},
        {"two-byte command", B({'a', 255, 241, 'b'}), B("ab")},
        {"CR LF", B({13, 10}), B({13})},
        {"CR NUL", B({13, 0}), B({13})},
        {"CR then a letter", B({13, 'a'}), B({13, 'a'})},
        {"CR CR LF", B({13, 13, 10}), B({13, 13})},
        {"CR then IAC IAC", B({13, 255, 255}), B({13, 255})},
        {"LF alone", B({10}), B({10})},
        {"eight-bit data", B({0x80, 0xFE, 0xB0}), B({0x80, 0xFE, 0xB0})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Receive(c.wire), c.delivered) << c.name;
}

Bytes Repeat(std::size_t count, std::uint8_t byte)
{
    return Bytes(count, byte);
}

TEST(TelnetReceive, ASubnegotiationThatNeverEndsIsDroppedAndTheKeysAfterItArrive)
{
    const std::size_t kMax = kTelnetMaxSubnegotiation;
    const Bytes kOpen = B({255, 250, 24});  // IAC SB and the option byte
    const Bytes kEnd = B({255, 240});
    const std::vector<ReceiveCase> cases = {
        {"longest kept whole", kOpen + Repeat(kMax - 1, 'x') + kEnd + B("ok"), B("ok")},
        {"one byte too long", kOpen + Repeat(kMax - 1, 'x') + B("ok"), B("ok")},
        {"far too long", kOpen + Repeat(kMax + 99, 'x') + B("ok"), Repeat(100, 'x') + B("ok")},
        {"a megabyte without end", kOpen + Repeat(1 << 20, 0) + B("keys"),
         Repeat((1 << 20) - kMax + 1, 0) + B("keys")},
        {"a doubled IAC counts as one byte",
         kOpen + [&] {
             Bytes body;
             for (std::size_t i = 1; i < kMax; ++i)
                 body += B({255, 255});
             return body;
         }() + kEnd + B("k"),
         B("k")},
        {"bound reached right after an IAC", kOpen + Repeat(kMax - 1, 'x') + B({255, 'a', 'b'}),
         B("ab")},
        {"the byte past the bound starts a command",
         kOpen + Repeat(kMax - 1, 'x') + B({255, 255, 251, 1, 'z'}), B("z")},
        {"the count starts again for the next one",
         kOpen + Repeat(kMax - 1, 'x') + kEnd + kOpen + Repeat(kMax - 1, 'y') + kEnd + B("k"),
         B("k")},
        {"after a dropped one a proper one is swallowed",
         kOpen + Repeat(kMax, 'x') + kOpen + B("vt100") + kEnd + B("k"), B("xk")},
    };
    for (const auto& c : cases) {
        std::uint32_t end_state = 99;
        EXPECT_EQ(Receive(c.wire, &end_state), c.delivered) << c.name;
        EXPECT_EQ(end_state, kTelnetData) << c.name;
    }
}

struct EscapeCase {
    const char* name;
    Bytes data;
    Bytes escaped;
};

TEST(TelnetEscape, IacDoubledAndLoneCarriageReturnPadded)
{
    const std::vector<EscapeCase> cases = {
        {"IAC doubled", B({0x41, 0xFF, 0x42}), B({0x41, 0xFF, 0xFF, 0x42})},
        {"CR LF kept", B({13, 10}), B({13, 10})},
        {"lone CR", B({13, 'x'}), B({13, 0, 'x'})},
        {"CR at the end", B({'a', 13}), B({'a', 13, 0})},
        {"CR CR LF", B({13, 13, 10}), B({13, 0, 13, 10})},
        {"IAC then CR", B({255, 13}), B({255, 255, 13, 0})},
        {"LF alone", B({10}), B({10})},
        {"nothing", B({}), B({})},
    };
    for (const auto& c : cases) {
        std::size_t size = 12345;
        ASSERT_TRUE(TelnetEscapedSize(c.data.data(), c.data.size(), &size)) << c.name;
        ASSERT_EQ(size, c.escaped.size()) << c.name;
        Bytes out(size, 0xEE);
        TelnetEscape(c.data.data(), c.data.size(), out.data());
        EXPECT_EQ(out, c.escaped) << c.name;
    }
}

TEST(TelnetEscape, EscapedOutputReadsBackAsTheOriginal)
{
    Bytes data;
    for (int i = 0; i < 256; ++i)
        data.push_back(static_cast<std::uint8_t>(i));
    data += B({13, 10, 13, 13, 255, 255, 13});
    std::size_t size = 0;
    ASSERT_TRUE(TelnetEscapedSize(data.data(), data.size(), &size));
    Bytes wire(size, 0);
    TelnetEscape(data.data(), data.size(), wire.data());
    // CR LF arrives as one CR; everything else comes back as sent.
    Bytes expected;
    for (std::size_t i = 0; i < data.size(); ++i) {
        expected.push_back(data[i]);
        if (data[i] == 13 && i + 1 < data.size() && data[i + 1] == 10)
            ++i;
    }
    EXPECT_EQ(Receive(wire + B({'.'})), expected + B("."));
}

}  // namespace
