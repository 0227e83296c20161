#include "doorkit/terminal/input_queue.h"

#include <cstdlib>

#include "doorkit/terminal/transport.h"

tODInQueueHandle hODInputQueue = nullptr;

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
