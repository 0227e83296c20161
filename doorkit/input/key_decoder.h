// input: the od_get_* calls, line input, and the key decoder with its table
// of sequences. Uses core, transport and the kernel (its input queue);
// echo goes out through the public output calls.
//
// Turns the caller's terminal key sequences into extended-key events: the
// table of known sequences and the decoder that collects bytes against it.
#ifndef DOORKIT_INPUT_KEY_DECODER_H
#define DOORKIT_INPUT_KEY_DECODER_H

#include <cstdint>
#include <string_view>

#include "doorkit/doorkit.h"

struct ODKeySequence {
    std::string_view bytes;
    std::uint8_t key;    // extended key code
    bool control;        // a control key, ignored with GETIN_NO_CONTROL_KEYS
};

constexpr int kODKeySequenceCount = 70;
// ODGetCodeIfLongest's answer when no entry is chosen.
constexpr int kODNoKeySequence = kODKeySequenceCount;
// The longest entry, and room for what a collection may hold.
constexpr std::size_t kODLongestKeySequence = 7;
constexpr std::size_t kODSequenceBufferSize = 24;

extern const ODKeySequence aKeySequences[kODKeySequenceCount];

// Decoder state; it lives for the whole process, so a sequence split
// across two calls is still decoded.
extern char szCurrentSequence[kODSequenceBufferSize];
extern std::uint8_t bDoorwaySequence;
extern std::uint8_t bDoorwaySequencePending;

// The entry the collected bytes stand for, or kODNoKeySequence when none
// does or a longer entry may still follow.
int ODGetCodeIfLongest(std::uint16_t flags);

// When a call must give up waiting: never, after a time-out, or at a
// deadline on the session clock.
struct ODInputLimit {
    enum Kind { kNone, kTimeout, kDeadline } kind;
    std::uint32_t timeout_ms;       // kTimeout
    std::uint64_t deadline_ms;      // kDeadline: session-clock milliseconds
};

// One decoded event (od_get_input / od_get_input_until); false when none
// came in time or the session stopped.
bool ODGetInputCore(ODInputEvent* event, const ODInputLimit& limit, std::uint16_t flags);

#endif
