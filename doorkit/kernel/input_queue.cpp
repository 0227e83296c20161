#include "doorkit/kernel/input_queue.h"

#include <cstdlib>

#include "doorkit/core/api_sync.h"
#include "doorkit/core/clock.h"
#include "doorkit/core/control.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/transport/transport.h"

tODInQueueHandle hODInputQueue = nullptr;
std::uint8_t chLastControlKey = 0;

namespace {

// A wait without limit lets the transport read wait this long per pass.
constexpr std::uint32_t kUnlimitedPassWaitMS = 250;
// What a pass may wait once it has no connection to wait on.
constexpr std::uint32_t kStalledPauseMS = 50;

int Used(const ODInputQueue* q)
{
    return (q->head - q->tail + q->capacity) % q->capacity;
}

int Free(const ODInputQueue* q)
{
    return q->capacity - 1 - Used(q);
}

void NoteControlKey(const ODInputEvent& event)
{
    if (event.event_type != EVENT_CHARACTER)
        return;
    switch (event.key) {
    case 'P':
    case 'p':
        chLastControlKey = 'p';
        break;
    case 'S':
    case 's':
    case 3:   // Ctrl-C
    case 11:  // Ctrl-K
    case 24:  // Ctrl-X
        chLastControlKey = 's';
        break;
    default:
        break;
    }
}

void Store(ODInputQueue* q, const ODInputEvent& event)
{
    q->events[q->head] = event;
    q->head = (q->head + 1) % q->capacity;
    NoteControlKey(event);
    q->last_activity = std::time(nullptr);
}

bool Take(ODInputQueue* q, ODInputEvent* event)
{
    if (q->head == q->tail)
        return false;
    if (event != nullptr)
        *event = q->events[q->tail];
    q->tail = (q->tail + 1) % q->capacity;
    return true;
}

// The passes of this wait cannot bring input: the last one could not wait
// on the connection, or the wait runs inside a pass (a hook), where the
// kernel does not run again.
bool Stalled()
{
    return bKrnlInputStalled || bKernelActive;
}

// One kernel pass whose read of the connection may wait up to `wait_ms` for
// a first byte: the pass sleeps in poll on the caller's line and comes back
// as soon as a byte (or a stop signal) arrives.
void WaitingPass(std::uint32_t wait_ms)
{
    const std::uint32_t resting = ODMaxMSToWait;
    ODMaxMSToWait = wait_ms;
    od_kernel();
    ODMaxMSToWait = resting;
}

}  // namespace

int ODInQueueAlloc(tODInQueueHandle* queue, int capacity)
{
    if (queue == nullptr || capacity < 2)
        return kODRCInvalidCall;
    *queue = nullptr;
    auto* q = static_cast<ODInputQueue*>(std::calloc(1, sizeof(ODInputQueue)));
    if (q == nullptr)
        return kODRCNoMemory;
    q->events = static_cast<ODInputEvent*>(
        std::calloc(static_cast<std::size_t>(capacity), sizeof(ODInputEvent)));
    if (q->events == nullptr) {
        std::free(q);
        return kODRCNoMemory;
    }
    q->capacity = capacity;
    q->last_activity = std::time(nullptr);
    *queue = q;
    return kODRCSuccess;
}

void ODInQueueFree(tODInQueueHandle queue)
{
    if (queue == nullptr)
        return;
    std::free(queue->events);
    std::free(queue);
}

bool ODInQueueWaiting(tODInQueueHandle queue)
{
    return queue != nullptr && queue->head != queue->tail;
}

int ODInQueueAddEvent(tODInQueueHandle queue, const ODInputEvent* event)
{
    return ODInQueueAddEvents(queue, event, 1);
}

int ODInQueueAddEvents(tODInQueueHandle queue, const ODInputEvent* events, int count)
{
    if (queue == nullptr || events == nullptr || count < 0)
        return kODRCInvalidCall;
    if (Free(queue) - queue->reserved < count) {
        ODPlatRingBell();
        return kODRCNoMemory;
    }
    for (int i = 0; i < count; ++i)
        Store(queue, events[i]);
    return kODRCSuccess;
}

int ODInQueueReserveEvent(tODInQueueHandle queue)
{
    if (queue == nullptr)
        return kODRCInvalidCall;
    if (Free(queue) <= queue->reserved)
        return kODRCNoMemory;
    ++queue->reserved;
    return kODRCSuccess;
}

void ODInQueueCancelReservedEvent(tODInQueueHandle queue)
{
    if (queue != nullptr && queue->reserved > 0)
        --queue->reserved;
}

int ODInQueueCommitReservedEvent(tODInQueueHandle queue, const ODInputEvent* event)
{
    if (queue == nullptr || event == nullptr || queue->reserved <= 0)
        return kODRCInvalidCall;
    --queue->reserved;
    Store(queue, *event);
    return kODRCSuccess;
}

int ODInQueueGetNextEvent(tODInQueueHandle queue, ODInputEvent* event, std::uint32_t timeout_ms)
{
    if (queue == nullptr)
        return kODRCInvalidCall;
    if (Take(queue, event))
        return kODRCSuccess;

    if (timeout_ms == 0) {
        WaitingPass(0);
        if (Take(queue, event))
            return kODRCSuccess;
        return ODKrnlSessionRunning() ? kODRCTimeout : kODRCGeneralFailure;
    }

    // One pass per slice: it waits on the line for what is left of the
    // slice (a wait without limit takes it a piece at a time).
    const bool unlimited = timeout_ms == OD_NO_TIMEOUT;
    tODTimer limit{};
    ODTimerStart(&limit, unlimited ? 0 : timeout_ms);
    for (;;) {
        if (!ODKrnlSessionRunning())
            return kODRCGeneralFailure;
        const std::uint32_t left = unlimited ? kUnlimitedPassWaitMS : ODTimerLeft(&limit);
        if (left == 0)
            return kODRCTimeout;
        WaitingPass(left);
        if (Take(queue, event))
            return kODRCSuccess;
        // A pass that could not wait on the connection came back at once;
        // sleeping here keeps the wait off the processor.
        if (Stalled() && ODKrnlSessionRunning()) {
            const std::uint32_t rest = unlimited ? kStalledPauseMS : ODTimerLeft(&limit);
            od_sleep(rest < kStalledPauseMS ? rest : kStalledPauseMS);
        }
    }
}

void ODInQueueEmpty(tODInQueueHandle queue)
{
    if (queue != nullptr)
        queue->tail = queue->head;
}

std::time_t ODInQueueGetLastActivity(tODInQueueHandle queue)
{
    return queue != nullptr ? queue->last_activity : 0;
}

void ODInQueueResetLastActivity(tODInQueueHandle queue)
{
    if (queue != nullptr)
        queue->last_activity = std::time(nullptr);
}

bool ODInQueueCheckpoint()
{
    // The next slice's pass is the kernel pass of this checkpoint.
    if (nAPILevel > 0 && eODLifecycleState == OD_STATE_ACTIVE)
        ODKrnlDispatchPending();
    return eODLifecycleState == OD_STATE_ACTIVE;
}

std::uint8_t ODInQueueExchangeLastControlKey(tODInQueueHandle, std::uint8_t value)
{
    std::uint8_t previous = chLastControlKey;
    chLastControlKey = value;
    return previous;
}
