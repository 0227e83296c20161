// The session's queue of input events: a ring the kernel fills with the
// caller's keys and the od_get_* calls drain.
#ifndef DOORKIT_KERNEL_INPUT_QUEUE_H
#define DOORKIT_KERNEL_INPUT_QUEUE_H

#include <cstdint>
#include <ctime>

#include "doorkit/doorkit.h"

struct ODInputQueue {
    ODInputEvent* events;
    std::int32_t capacity;  // one slot always stays empty
    std::int32_t head;      // next slot to write
    std::int32_t tail;      // next slot to read
    std::int32_t reserved;  // slots promised to writers
    std::time_t last_activity;
};

using tODInQueueHandle = ODInputQueue*;

extern tODInQueueHandle hODInputQueue;

// The last pause or stop key the caller typed: 'p' or 's'.
extern std::uint8_t chLastControlKey;

// Results are the transport's result codes (kODRC*).

// 0 with an empty queue; 8 without an output or with capacity < 2; 2 when
// memory is short.
int ODInQueueAlloc(tODInQueueHandle* queue, int capacity);
void ODInQueueFree(tODInQueueHandle queue);

bool ODInQueueWaiting(tODInQueueHandle queue);
// 2 when there is no room.
int ODInQueueAddEvent(tODInQueueHandle queue, const ODInputEvent* event);
// All `count` events, or none (2).
int ODInQueueAddEvents(tODInQueueHandle queue, const ODInputEvent* events, int count);

// A slot promised before reading a byte, so the byte is only taken off the
// connection when it can be kept.
int ODInQueueReserveEvent(tODInQueueHandle queue);
void ODInQueueCancelReservedEvent(tODInQueueHandle queue);
int ODInQueueCommitReservedEvent(tODInQueueHandle queue, const ODInputEvent* event);

// The oldest event: 0; 11 when none came within `timeout_ms` (OD_NO_TIMEOUT
// waits without limit); 1 when the session ended meanwhile. Without an
// event queued, each slice is one kernel pass that sleeps in poll on the
// caller's line until a byte (or a stop signal) comes or the time is up.
int ODInQueueGetNextEvent(tODInQueueHandle queue, ODInputEvent* event, std::uint32_t timeout_ms);
void ODInQueueEmpty(tODInQueueHandle queue);
// The API checkpoint between two slices of a wait. It runs no kernel pass
// of its own: the next slice's pass, which waits on the connection, is it.
// False once the session is ending.
bool ODInQueueCheckpoint();

std::time_t ODInQueueGetLastActivity(tODInQueueHandle queue);
void ODInQueueResetLastActivity(tODInQueueHandle queue);

std::uint8_t ODInQueueExchangeLastControlKey(tODInQueueHandle queue, std::uint8_t value);

#endif
