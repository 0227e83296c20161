// Decoding the caller's key sequences as terminals send them: in one
// packet, split across reads, and with pauses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "doorkit/input/key_decoder.h"
#include "tests/doorkit/input/fixture.h"

namespace {

using namespace input_test;

struct Scenario {
    const char* name;
    std::vector<Packet> packets;
    std::uint16_t flags;
    std::vector<ODInputEvent> expected;
    int first_after_ms;   // the first event comes no sooner...
    int first_within_ms;  // ...and no later than this
};

// The first event of a sequence that waits for the 250 ms window.
constexpr int kWindowLow = 200;
constexpr int kWindowHigh = 700;
constexpr int kAtOnce = 150;

const std::string NUL(1, '\0');

const std::vector<Scenario> kScenarios = {
    {"ESC [ A in one packet is Up", {{0, kEsc + "[A"}}, 0, {Key(OD_KEY_UP)}, 0, kAtOnce},
    {"ESC [ A split across three reads is Up",
     {{0, kEsc}, {60, "["}, {60, "A"}}, 0, {Key(OD_KEY_UP)}, 0, 400},
    {"ESC alone is character 27 once the window closes",
     {{0, kEsc}}, 0, {Char(27)}, kWindowLow, kWindowHigh},
    {"ESC then x in one packet is 27 then x",
     {{0, kEsc + "x"}}, 0, {Char(27), Char('x')}, 0, kAtOnce},
    {"ESC, a pause, then x: 27 as soon as x shows it is no sequence",
     {{0, kEsc}, {100, "x"}}, 0, {Char(27), Char('x')}, 50, 300},
    {"ESC [ A with pauses longer than the window is three characters",
     {{0, kEsc}, {400, "[A"}}, 0, {Char(27), Char('['), Char('A')}, kWindowLow, kWindowHigh},
    {"ESC [ H then nothing is Home once the window closes",
     {{0, kEsc + "[H"}}, 0, {Key(OD_KEY_HOME)}, kWindowLow, kWindowHigh},
    {"ESC [ H ESC [ 2 J in one burst is Page Down",
     {{0, kEsc + "[H" + kEsc + "[2J"}}, 0, {Key(OD_KEY_PGDN)}, 0, kAtOnce},
    {"ESC [ H then a letter is Home and the letter",
     {{0, kEsc + "[Hx"}}, 0, {Key(OD_KEY_HOME), Char('x')}, 0, kAtOnce},
    {"ESC [ 1 then nothing gives its three characters back",
     {{0, kEsc + "[1"}}, 0, {Char(27), Char('['), Char('1')}, kWindowLow, kWindowHigh},
    {"NUL 0x3B is F1", {{0, NUL + ";"}}, 0, {Key(OD_KEY_F1)}, 0, kAtOnce},
    {"NUL and its code split across reads is F1",
     {{0, NUL}, {80, ";"}}, 0, {Key(OD_KEY_F1)}, 50, 400},
    {"NUL alone is character 0 once the window closes",
     {{0, NUL}}, 0, {Char(0)}, kWindowLow, kWindowHigh},
    {"NUL inside a sequence waits until the bytes before it are out",
     {{0, kEsc + NUL + "H"}}, 0, {Char(27), Key('H')}, 0, kAtOnce},
    {"Ctrl-S is Left", {{0, "\x13"}}, 0, {Key(OD_KEY_LEFT)}, 0, kAtOnce},
    {"Ctrl-S stays character 19 without control keys",
     {{0, "\x13"}}, GETIN_NO_CONTROL_KEYS, {Char(19)}, 0, kAtOnce},
    {"Ctrl-V alone is Insert once the window closes",
     {{0, "\x16"}}, 0, {Key(OD_KEY_INSERT)}, kWindowLow, kWindowHigh},
    {"Ctrl-V Tab is Insert at once", {{0, "\x16\t"}}, 0, {Key(OD_KEY_INSERT)}, 0, kAtOnce},
    {"DEL is Delete", {{0, "\x7f"}}, 0, {Key(OD_KEY_DELETE)}, 0, kAtOnce},
    {"CR LF are two characters", {{0, "\r\n"}}, 0, {Char(13), Char(10)}, 0, kAtOnce},
    {"raw input keeps ESC [ A as characters",
     {{0, kEsc + "[A"}}, GETIN_RAW, {Char(27), Char('['), Char('A')}, 0, kAtOnce},
    {"raw input keeps DEL a character", {{0, "\x7f"}}, GETIN_RAW, {Char(127)}, 0, kAtOnce},
    {"raw input still reads NUL and a code as a key",
     {{0, NUL + ";"}}, GETIN_RAW, {Key(OD_KEY_F1)}, 0, kAtOnce},
};

// "ESC [ A in one packet is Up" -> "ESCAInOnePacketIsUp".
std::string TestName(const char* description)
{
    std::string name;
    bool upper = true;
    for (const char* p = description; *p != '\0'; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (!std::isalnum(c)) {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(std::toupper(c)) : static_cast<char>(c);
        upper = false;
    }
    return name;
}

class KeyDecoding : public ::testing::TestWithParam<Scenario> {};

TEST_P(KeyDecoding, CallerBytesDecodeAsTerminalsMeanThem)
{
    const Scenario& s = GetParam();
    InSession([&s](int caller) {
        std::vector<ODInputEvent> events;
        long long start = MonotonicMs();
        long long first_at = -1;
        {
            Typist typist(caller, s.packets);
            ODInputEvent event{};
            while (od_get_input(&event, 450, s.flags)) {
                if (first_at < 0)
                    first_at = MonotonicMs() - start;
                events.push_back(event);
            }
        }
        EXPECT_EQ(DescribeAll(events), DescribeAll(s.expected)) << s.name;
        EXPECT_GE(first_at, s.first_after_ms) << s.name;
        EXPECT_LE(first_at, s.first_within_ms) << s.name;
    });
}

INSTANTIATE_TEST_SUITE_P(Terminals, KeyDecoding, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                             return TestName(info.param.name);
                         });

// What decoding one table entry should give, then the marker 'z'.
std::vector<ODInputEvent> Expected(const ODKeySequence& entry, std::uint16_t flags)
{
    std::vector<ODInputEvent> out;
    if (entry.control && (flags & GETIN_NO_CONTROL_KEYS)) {
        for (char c : entry.bytes)
            out.push_back(Char(static_cast<std::uint8_t>(c)));
    } else {
        out.push_back(Key(entry.key));
    }
    out.push_back(Char('z'));
    return out;
}

// Reads exactly `count` events, each within a second.
std::vector<ODInputEvent> ReadCount(std::size_t count, std::uint16_t flags)
{
    std::vector<ODInputEvent> events;
    ODInputEvent event{};
    while (events.size() < count && od_get_input(&event, 1000, flags))
        events.push_back(event);
    return events;
}

struct TableRun {
    const char* name;
    std::uint16_t flags;
    bool split;  // one byte per packet, 10 ms apart
};

class EveryTableEntry : public ::testing::TestWithParam<TableRun> {};

TEST_P(EveryTableEntry, DecodesToItsKeyAndLeavesNothingBehind)
{
    const TableRun run = GetParam();
    InSession([run](int caller) {
        for (int i = 0; i < kODKeySequenceCount; ++i) {
            const ODKeySequence& entry = aKeySequences[i];
            const std::string bytes(entry.bytes);
            std::vector<Packet> packets;
            if (run.split) {
                for (char c : bytes)
                    packets.push_back({10, std::string(1, c)});
                packets.push_back({10, "z"});
            } else {
                packets.push_back({0, bytes + "z"});
            }
            std::vector<ODInputEvent> expected = Expected(entry, run.flags);
            std::vector<ODInputEvent> events;
            {
                Typist typist(caller, packets);
                events = ReadCount(expected.size(), run.flags);
            }
            EXPECT_EQ(DescribeAll(events), DescribeAll(expected)) << "entry " << i;
            ODInputEvent extra{};
            EXPECT_FALSE(od_get_input(&extra, 0, run.flags))
                << "entry " << i << " left " << Describe(extra);
        }
    });
}

INSTANTIATE_TEST_SUITE_P(
    Table, EveryTableEntry,
    ::testing::Values(TableRun{"OnePacket", 0, false}, TableRun{"Split", 0, true},
                      TableRun{"NoControlKeys", GETIN_NO_CONTROL_KEYS, false},
                      TableRun{"NoControlKeysSplit", GETIN_NO_CONTROL_KEYS, true}),
    [](const ::testing::TestParamInfo<TableRun>& info) { return info.param.name; });

TEST(KeySequenceTable, HoldsSeventyDistinctSequencesInTheirOrder)
{
    static_assert(std::size(aKeySequences) == 70);
    std::set<std::string_view> distinct;
    std::size_t longest = 0;
    for (const ODKeySequence& entry : aKeySequences) {
        EXPECT_FALSE(entry.bytes.empty());
        distinct.insert(entry.bytes);
        longest = std::max(longest, entry.bytes.size());
    }
    EXPECT_EQ(distinct.size(), 70u);
    EXPECT_EQ(longest, kODLongestKeySequence);
    EXPECT_EQ(aKeySequences[0].bytes, "\x1b" "A");
    EXPECT_EQ(aKeySequences[20].bytes, "\x1b[H\x1b[2J");
    EXPECT_EQ(aKeySequences[20].key, OD_KEY_PGDN);
    EXPECT_EQ(aKeySequences[41].key, OD_KEY_F5);
    EXPECT_EQ(aKeySequences[62].bytes, "\x16\t");
    EXPECT_EQ(aKeySequences[69].bytes, "\x16");
    int control = 0;
    for (const ODKeySequence& entry : aKeySequences)
        control += entry.control ? 1 : 0;
    EXPECT_EQ(control, 7);
}

}  // namespace
