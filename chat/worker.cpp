// The worker thread and its outbound queue.
#include "chat/worker.h"

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "chat/request.h"

namespace vexa {

outbound_message queue[queue_slots];
int queued = 0;
int in_chat = 0;
int stopping = 0;
int finished = 0;
int running = 0;
int active = 0;
pthread_t thread;
exchange_function worker_exchange = exchange;
log_function worker_log = nullptr;

namespace {

// Wakes the worker from its tick at a stop, and the stop when the worker ends.
std::condition_variable worker_wake;
std::condition_variable worker_done;

// A failed exchange shows the hub as away until the next success.
void mark_offline()
{
    std::lock_guard<std::mutex> lock(guard);
    online = 0;
    ++generation;
}

// Drops the delivered head of the queue; the room may have appended more
// while the request was in flight.
void remove_head()
{
    std::lock_guard<std::mutex> lock(guard);
    if (queued == 0)
        return;
    std::memmove(&queue[0], &queue[1], sizeof queue[0] * static_cast<std::size_t>(queued - 1));
    --queued;
}

// Exchanges that failed in a row; worker only.
int failed_in_a_row = 0;

// Tells the log about the first failure of a run of them and the recovery.
void note_outcome(bool answered)
{
    char text[chat_url_size + 192];
    if (answered) {
        if (failed_in_a_row > 0 && worker_log != nullptr) {
            std::snprintf(text, sizeof text, "chat hub answering again after %d failed exchanges",
                          failed_in_a_row);
            worker_log(text);
        }
        failed_in_a_row = 0;
        return;
    }
    if (failed_in_a_row++ == 0 && worker_log != nullptr) {
        std::snprintf(text, sizeof text, "chat hub %s not answering: %s", url,
                      last_request_failure()[0] != '\0' ? last_request_failure() : "no reason given");
        worker_log(text);
    }
}

}  // namespace

int enqueue_message(const outbound_message& message)
{
    std::lock_guard<std::mutex> lock(guard);
    if (queued >= queue_slots)
        return 0;
    queue[queued++] = message;
    return 1;
}

void* worker(void*)
{
    int previous_in_chat = -1;  // none yet: the first cycle polls at once
    failed_in_a_row = 0;
    int counter = play_poll_cycles;
    for (;;) {
        int stop = 0;
        int where = 0;
        int have_message = 0;
        outbound_message message;
        {
            std::lock_guard<std::mutex> lock(guard);
            stop = stopping;
            where = in_chat;
            if (queued != 0) {
                message = queue[0];
                have_message = 1;
            }
        }
        if (stop)
            break;
        const bool moved = where != previous_in_chat;
        if (have_message) {
            if (moved || counter >= room_poll_cycles) {
                const bool delivered = worker_exchange("message", where, &message) != 0;
                note_outcome(delivered);
                if (delivered)
                    remove_head();
                else
                    mark_offline();
                counter = 1;
            } else {
                ++counter;
            }
        } else if (moved || (where && counter >= room_poll_cycles) ||
                   (!where && counter >= play_poll_cycles)) {
            const bool answered = worker_exchange("poll", where, nullptr) != 0;
            note_outcome(answered);
            if (!answered)
                mark_offline();
            counter = 1;
        } else {
            ++counter;
        }
        previous_in_chat = where;
        std::unique_lock<std::mutex> lock(guard);
        worker_wake.wait_for(lock, std::chrono::nanoseconds(worker_tick_ns),
                             [] { return stopping != 0; });
    }
    worker_exchange("leave", 0, nullptr);
    {
        std::lock_guard<std::mutex> lock(guard);
        finished = 1;
    }
    worker_done.notify_all();
    return nullptr;
}

int worker_start()
{
    static int started = 0;  // one worker per process, never restarted
    if (started)
        return 0;
    // libcurl is set up here, on the main thread, before the worker exists.
    // The link is freed only once the thread is known to be gone, never by
    // the process's own end, which a worker may outlive by a moment.
    chat_link = new (std::nothrow) hub_link;
    if (pthread_create(&thread, nullptr, worker, nullptr) != 0) {
        delete chat_link;
        chat_link = nullptr;
        return 0;
    }
    started = 1;
    running = 1;
    active = 1;
    return 1;
}

void worker_stop()
{
    if (!running)
        return;
    const auto asked = std::chrono::steady_clock::now();
    if (chat_link != nullptr)
        chat_link->wind_down(asked + goodbye_limit);
    bool ended = false;
    {
        std::unique_lock<std::mutex> lock(guard);
        stopping = 1;
        worker_wake.notify_all();
        ended = worker_done.wait_until(lock, asked + stop_wait_limit, [] { return finished != 0; });
    }
    active = 0;
    running = 0;
    if (!ended) {
        // It may still be using the link: leave both to the process's end.
        pthread_detach(thread);
        return;
    }
    pthread_join(thread, nullptr);
    delete chat_link;
    chat_link = nullptr;
}

}  // namespace vexa
