// Until the shared chat client exists the chat stays off and its console
// tool only says so.
#include <cstdio>

#include "chat/chat.h"

void vexa_chat_start(const char*, const char*, const char*) {}

int vexa_chat_enabled()
{
    return 0;
}

void vexa_chat_status(int, int, int) {}

void vexa_chat_room() {}

void vexa_chat_stop() {}

int vexa_chat_config(const char*, const char*, int)
{
    std::fputs("Shared chat setup is not available yet.\n", stdout);
    std::fflush(stdout);
    return 1;
}
