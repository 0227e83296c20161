#include "doorkit/input/key_decoder.h"

#include <cstring>

#include "doorkit/core/clock.h"
#include "doorkit/kernel/input_queue.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/transport/transport.h"

char szCurrentSequence[kODSequenceBufferSize] = {};
std::uint8_t bDoorwaySequence = 0;
std::uint8_t bDoorwaySequencePending = 0;

namespace {

// Waits are cut into slices so the session's checks keep running.
constexpr std::uint32_t kSliceMS = 50;
// How long a started sequence waits for its next byte.
constexpr std::uint32_t kSequenceWindowMS = 250;

std::size_t Collected()
{
    return std::strlen(szCurrentSequence);
}

std::string_view Collection()
{
    return {szCurrentSequence, Collected()};
}

bool Considered(const ODKeySequence& entry, std::uint16_t flags)
{
    return !(entry.control && (flags & GETIN_NO_CONTROL_KEYS));
}

// Some entry is longer than the collection and begins with all of it.
bool LongerMayFollow(std::uint16_t flags)
{
    std::string_view have = Collection();
    for (const ODKeySequence& entry : aKeySequences) {
        if (Considered(entry, flags) && entry.bytes.size() > have.size() &&
            entry.bytes.substr(0, have.size()) == have)
            return true;
    }
    return false;
}

// The longest entry that the collection begins with.
int LongestCompletePrefix(std::uint16_t flags)
{
    std::string_view have = Collection();
    int best = kODNoKeySequence;
    std::size_t best_size = 0;
    for (int i = 0; i < kODKeySequenceCount; ++i) {
        const ODKeySequence& entry = aKeySequences[i];
        if (Considered(entry, flags) && entry.bytes.size() > best_size &&
            have.substr(0, entry.bytes.size()) == entry.bytes) {
            best = i;
            best_size = entry.bytes.size();
        }
    }
    return best;
}

ODInputEvent Event(std::uint32_t type, std::uint8_t key)
{
    ODInputEvent event{};
    event.event_type = type;
    event.from_remote = 1;
    event.key = key;
    return event;
}

void Drop(std::size_t count)
{
    std::size_t size = Collected();
    if (count > size)
        count = size;
    std::memmove(szCurrentSequence, szCurrentSequence + count, size - count + 1);
}

void DeliverFirstByte(ODInputEvent* out)
{
    *out = Event(EVENT_CHARACTER, static_cast<std::uint8_t>(szCurrentSequence[0]));
    Drop(1);
}

void DeliverEntry(ODInputEvent* out, int entry)
{
    *out = Event(EVENT_EXTENDED_KEY, aKeySequences[entry].key);
    Drop(aKeySequences[entry].bytes.size());
}

void Append(std::uint8_t byte)
{
    std::size_t size = Collected();
    // Never reached: an undecided collection is shorter than the longest
    // entry, and one byte is added before the next decision.
    if (size + 1 >= kODSequenceBufferSize)
        return;
    szCurrentSequence[size] = static_cast<char>(byte);
    szCurrentSequence[size + 1] = '\0';
}

std::uint64_t SessionNowMS()
{
    std::uint32_t seconds = 0;
    std::uint16_t milliseconds = 0;
    ODSessionTimeGet(&seconds, &milliseconds);
    return static_cast<std::uint64_t>(seconds) * 1000u + milliseconds;
}

enum class Waited { Event, TimedOut, Stopped };

// Waits for the next queued event in slices, running the API checkpoint
// between them. `limit` tells when to give up; a time-out of 0 tries once.
class SliceWait {
public:
    explicit SliceWait(const ODInputLimit& limit) : limit_(limit)
    {
        if (limit_.kind == ODInputLimit::kTimeout)
            ODTimerStart(&timer_, limit_.timeout_ms);
    }

    Waited Next(ODInputEvent* event)
    {
        for (;;) {
            std::uint32_t slice = kSliceMS;
            bool last = false;
            if (limit_.kind != ODInputLimit::kNone) {
                std::uint64_t left = Left();
                if (left <= slice) {
                    slice = static_cast<std::uint32_t>(left);
                    last = true;
                }
            }
            int result = ODInQueueGetNextEvent(hODInputQueue, event, slice);
            if (result == kODRCSuccess)
                return Waited::Event;
            if (result != kODRCTimeout)
                return Waited::Stopped;
            if (last)
                return Waited::TimedOut;
            if (!ODInQueueCheckpoint())
                return Waited::Stopped;
        }
    }

private:
    std::uint64_t Left() const
    {
        if (limit_.kind == ODInputLimit::kTimeout)
            return ODTimerLeft(&timer_);
        std::uint64_t now = SessionNowMS();
        return now >= limit_.deadline_ms ? 0 : limit_.deadline_ms - now;
    }

    ODInputLimit limit_;
    tODTimer timer_{};
};

// The window for the next byte of a sequence: 250 ms, never past a
// deadline.
ODInputLimit SequenceWindow(const ODInputLimit& call_limit)
{
    ODInputLimit window{ODInputLimit::kTimeout, kSequenceWindowMS, 0};
    if (call_limit.kind == ODInputLimit::kDeadline) {
        std::uint64_t now = SessionNowMS();
        std::uint64_t left = now >= call_limit.deadline_ms ? 0 : call_limit.deadline_ms - now;
        if (left < window.timeout_ms)
            window.timeout_ms = static_cast<std::uint32_t>(left);
    }
    return window;
}

// The window closed (or the session stopped) with bytes collected.
bool DeliverUnfinished(ODInputEvent* out, std::uint16_t flags)
{
    if (bDoorwaySequence) {
        bDoorwaySequence = 0;
        *out = Event(EVENT_CHARACTER, 0);
        return true;
    }
    int entry = (flags & GETIN_RAW) ? kODNoKeySequence : LongestCompletePrefix(flags);
    if (entry != kODNoKeySequence)
        DeliverEntry(out, entry);
    else
        DeliverFirstByte(out);
    return true;
}

// Decides on the collection, if it can be decided yet.
bool TryDecide(ODInputEvent* out, std::uint16_t flags)
{
    int entry = ODGetCodeIfLongest(flags);
    if (entry != kODNoKeySequence) {
        DeliverEntry(out, entry);
        return true;
    }
    // Nothing in the table starts with these bytes any more: waiting out
    // the window could only end in the same first byte.
    if ((flags & GETIN_RAW) || !LongerMayFollow(flags)) {
        DeliverFirstByte(out);
        return true;
    }
    return false;
}

}  // namespace

int ODGetCodeIfLongest(std::uint16_t flags)
{
    if (flags & GETIN_RAW)
        return kODNoKeySequence;
    std::string_view have = Collection();
    int best = kODNoKeySequence;
    std::size_t best_size = 0;
    for (int i = 0; i < kODKeySequenceCount; ++i) {
        const ODKeySequence& entry = aKeySequences[i];
        if (!Considered(entry, flags) || entry.bytes.size() <= best_size)
            continue;
        if (entry.bytes.size() > have.size()) {
            if (entry.bytes.substr(0, have.size()) == have)
                return kODNoKeySequence;  // a longer key is still possible
        } else if (have.substr(0, entry.bytes.size()) == entry.bytes) {
            best = i;
            best_size = entry.bytes.size();
        }
    }
    return best;
}

bool ODGetInputCore(ODInputEvent* event, const ODInputLimit& limit, std::uint16_t flags)
{
    if (event == nullptr) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    // Every call gets a kernel pass: here when an event is queued already,
    // otherwise the first wait below (or the pass after it) runs it.
    if (ODInQueueWaiting(hODInputQueue))
        od_kernel();

    if (bDoorwaySequencePending && Collected() == 0) {
        bDoorwaySequencePending = 0;
        bDoorwaySequence = 1;
    }
    if (!bDoorwaySequence && Collected() == 0) {
        ODInputEvent next{};
        if (SliceWait(limit).Next(&next) != Waited::Event)
            return false;
        if (!next.from_remote && next.key != 0) {
            *event = next;
            return true;
        }
        if (next.key == 0)
            bDoorwaySequence = 1;
        else
            Append(next.key);
    }

    od_kernel();
    if (!bDoorwaySequence && TryDecide(event, flags))
        return true;

    // Undecided: collect until the sequence is complete or the caller
    // stops typing.
    for (;;) {
        ODInputEvent next{};
        if (SliceWait(SequenceWindow(limit)).Next(&next) != Waited::Event)
            return DeliverUnfinished(event, flags);
        if (bDoorwaySequence) {
            bDoorwaySequence = 0;
            *event = Event(EVENT_EXTENDED_KEY, next.key);
            return true;
        }
        if (next.key == 0) {
            bDoorwaySequencePending = 1;
            return DeliverUnfinished(event, flags);
        }
        if (!next.from_remote) {
            *event = next;
            return true;
        }
        Append(next.key);
        if (TryDecide(event, flags))
            return true;
    }
}
