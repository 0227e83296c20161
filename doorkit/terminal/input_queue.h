// The session's queue of input events: a ring the kernel fills with the
// caller's keys and the od_get_* calls drain.
#ifndef DOORKIT_TERMINAL_INPUT_QUEUE_H
#define DOORKIT_TERMINAL_INPUT_QUEUE_H

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

// 0 with an empty queue; 8 without an output or with capacity < 2; 2 when
// memory is short.
int ODInQueueAlloc(tODInQueueHandle* queue, int capacity);
void ODInQueueFree(tODInQueueHandle queue);

#endif
