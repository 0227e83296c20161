// The chat client's one background thread: it polls the hub at a fixed
// tick, slowly while the caller plays and fast while the caller is in the
// room, and delivers the caller's messages from a small queue. Everything
// it shares with the main thread is guarded by `guard` (chat/protocol.h).
#ifndef CHAT_WORKER_H
#define CHAT_WORKER_H

#include <pthread.h>

#include "chat/protocol.h"

namespace vexa {

inline constexpr int queue_slots = 8;
inline constexpr long worker_tick_ns = 100000000L;  // one cycle every 100 ms
inline constexpr int room_poll_cycles = 20;         // about every 2 s in the room
inline constexpr int play_poll_cycles = 100;        // about every 10 s elsewhere

// Guarded by `guard`.
extern outbound_message queue[queue_slots];
extern int queued;
extern int in_chat;
extern int stopping;

// Main thread only.
extern int running;
extern int active;
extern pthread_t thread;

// The exchange the worker makes; tests put a fake hub here.
using exchange_function = int (*)(const char* op, int in_chat, const outbound_message* message);
extern exchange_function worker_exchange;

// Appends a message to the queue under `guard`; 0 when the queue is full.
int enqueue_message(const outbound_message& message);

// Starts the thread once per process; 1 when it runs (`running` and
// `active` set).
int worker_start();
// Asks the worker to end after its current request and a goodbye; returns
// at once. The thread is detached, never joined.
void worker_stop();

// The thread body.
void* worker(void*);

}  // namespace vexa

#endif
