// Puts the chat client's process-wide state back to a fresh start, for
// test children forked from a test process that other cases have used.
#ifndef TESTS_CHAT_CHAT_STATE_H
#define TESTS_CHAT_CHAT_STATE_H

#include <mutex>

#include "chat/protocol.h"
#include "chat/worker.h"

inline void fresh_chat_state()
{
    std::lock_guard<std::mutex> lock(vexa::guard);
    vexa::queued = 0;
    vexa::in_chat = 0;
    vexa::stopping = 0;
    vexa::finished = 0;
    vexa::running = 0;
    vexa::active = 0;
    vexa::online = 0;
    vexa::players = vexa::bbses = vexa::chatting = 0;
    vexa::generation = 0;
    vexa::line_count = 0;
    vexa::cursor = 0;
    vexa::display_width = 79;
}

#endif
