// The input queue on its own: room, reservations and the control key.
#include <gtest/gtest.h>

#include "doorkit/kernel/input_queue.h"
#include "doorkit/transport/transport.h"

namespace {

ODInputEvent Char(std::uint8_t c)
{
    return ODInputEvent{EVENT_CHARACTER, 1, c};
}

struct Queue {
    tODInQueueHandle q = nullptr;
    explicit Queue(int capacity) { EXPECT_EQ(ODInQueueAlloc(&q, capacity), kODRCSuccess); }
    ~Queue() { ODInQueueFree(q); }
};

TEST(InputQueueRing, CapacityTwoHoldsOneEvent)
{
    Queue queue(2);
    ODInputEvent a = Char('a');
    EXPECT_EQ(ODInQueueAddEvent(queue.q, &a), kODRCSuccess);
    EXPECT_EQ(ODInQueueAddEvent(queue.q, &a), kODRCNoMemory);
    EXPECT_EQ(ODInQueueReserveEvent(queue.q), kODRCNoMemory);
}

TEST(InputQueueRing, RefusesAllocationsThatCannotHoldAnything)
{
    tODInQueueHandle q = nullptr;
    EXPECT_EQ(ODInQueueAlloc(&q, 1), kODRCInvalidCall);
    EXPECT_EQ(ODInQueueAlloc(nullptr, 8), kODRCInvalidCall);
}

TEST(InputQueueRing, EventsComeOutInOrderAcrossTheWrap)
{
    Queue queue(4);
    ODInputEvent out{};
    for (int round = 0; round < 5; ++round) {
        ODInputEvent batch[3] = {Char('a'), Char('b'), Char('c')};
        ASSERT_EQ(ODInQueueAddEvents(queue.q, batch, 3), kODRCSuccess);
        for (char expected : {'a', 'b', 'c'}) {
            ASSERT_EQ(ODInQueueGetNextEvent(queue.q, &out, 0), kODRCSuccess);
            EXPECT_EQ(out.key, expected);
        }
        EXPECT_FALSE(ODInQueueWaiting(queue.q));
    }
}

TEST(InputQueueRing, AddingSeveralEventsIsAllOrNothing)
{
    Queue queue(4);
    ODInputEvent batch[4] = {Char('a'), Char('b'), Char('c'), Char('d')};
    EXPECT_EQ(ODInQueueAddEvents(queue.q, batch, 4), kODRCNoMemory);
    EXPECT_FALSE(ODInQueueWaiting(queue.q));
    EXPECT_EQ(ODInQueueAddEvents(queue.q, batch, 3), kODRCSuccess);
}

TEST(InputQueueRing, ReservedSlotsAreKeptFromOtherWriters)
{
    Queue queue(3);  // two events fit
    ODInputEvent a = Char('a');
    ASSERT_EQ(ODInQueueReserveEvent(queue.q), kODRCSuccess);
    EXPECT_EQ(ODInQueueAddEvent(queue.q, &a), kODRCSuccess);
    EXPECT_EQ(ODInQueueAddEvent(queue.q, &a), kODRCNoMemory);
    ODInputEvent b = Char('b');
    EXPECT_EQ(ODInQueueCommitReservedEvent(queue.q, &b), kODRCSuccess);
    EXPECT_EQ(ODInQueueCommitReservedEvent(queue.q, &b), kODRCInvalidCall);
    ODInQueueCancelReservedEvent(queue.q);  // never below zero
    EXPECT_EQ(queue.q->reserved, 0);
}

TEST(InputQueueRing, PauseAndStopKeysAreRemembered)
{
    Queue queue(16);
    struct Case {
        std::uint8_t key;
        std::uint8_t remembered;
    };
    for (Case c : {Case{'P', 'p'}, Case{'s', 's'}, Case{'p', 'p'}, Case{3, 's'}, Case{'x', 's'},
                   Case{11, 's'}, Case{'P', 'p'}, Case{24, 's'}, Case{'S', 's'}}) {
        ODInputEvent event = Char(c.key);
        ASSERT_EQ(ODInQueueAddEvent(queue.q, &event), kODRCSuccess);
        EXPECT_EQ(ODInQueueExchangeLastControlKey(queue.q, chLastControlKey), c.remembered)
            << int(c.key);
    }
    EXPECT_EQ(ODInQueueExchangeLastControlKey(queue.q, 0), 's');
    EXPECT_EQ(ODInQueueExchangeLastControlKey(queue.q, 0), 0);
}

TEST(InputQueueRing, EveryAddedEventStampsTheLastActivity)
{
    Queue queue(4);
    queue.q->last_activity = 0;
    ODInputEvent a = Char('a');
    ASSERT_EQ(ODInQueueReserveEvent(queue.q), kODRCSuccess);
    ASSERT_EQ(ODInQueueCommitReservedEvent(queue.q, &a), kODRCSuccess);
    EXPECT_GE(ODInQueueGetLastActivity(queue.q), std::time(nullptr) - 1);
    queue.q->last_activity = 0;
    ODInQueueEmpty(queue.q);
    EXPECT_EQ(ODInQueueGetLastActivity(queue.q), 0);
    EXPECT_FALSE(ODInQueueWaiting(queue.q));
}

}  // namespace
