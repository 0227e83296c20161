// The chat client's one background thread: it polls the hub at a fixed
// tick, slowly while the caller plays and fast while the caller is in the
// room, and delivers the caller's messages from a small queue. Everything
// it shares with the main thread is guarded by `guard` (chat/protocol.h).
#ifndef CHAT_WORKER_H
#define CHAT_WORKER_H

#include <pthread.h>

#include <chrono>

#include "chat/protocol.h"

namespace vexa {

inline constexpr int queue_slots = 8;
inline constexpr long worker_tick_ns = 100000000L;  // one cycle every 100 ms
inline constexpr int room_poll_cycles = 20;         // about every 2 s in the room
inline constexpr int play_poll_cycles = 100;        // about every 10 s elsewhere
// The most a stop adds to the caller's way out, goodbye included; the
// goodbye itself must be done a little earlier, so the worker has ended by then.
inline constexpr std::chrono::milliseconds stop_wait_limit{1500};
inline constexpr std::chrono::milliseconds goodbye_limit{1250};

// Guarded by `guard`.
extern outbound_message queue[queue_slots];
extern int queued;
extern int in_chat;
extern int stopping;
extern int finished;  // the worker has said goodbye and is ending

// Main thread only.
extern int running;
extern int active;
extern pthread_t thread;

// Told, on the worker's thread, when the hub first fails and when it
// answers again (never at every poll); null: nobody is told.
using log_function = void (*)(const char* text);
extern log_function worker_log;

// The exchange the worker makes; tests put a fake hub here.
using exchange_function = int (*)(const char* op, int in_chat, const outbound_message* message);
extern exchange_function worker_exchange;

// Appends a message to the queue under `guard`; 0 when the queue is full.
int enqueue_message(const outbound_message& message);

// Starts the thread once per process, with its own connection to the hub;
// 1 when it runs (`running` and `active` set).
int worker_start();
// Ends the worker: a request in flight is cut short, the goodbye goes out,
// and the thread is joined, all within stop_wait_limit. A worker that has
// not ended by then (only a request that cannot be cut short holds it) is
// detached and keeps its connection, which is then never freed.
void worker_stop();

// The thread body.
void* worker(void*);

}  // namespace vexa

#endif
