// The shared chat client as the game sees it: started once per caller, a
// status line and a room in the lobby, stopped on the way out; and the
// system operator's console tool that switches it on or off.
#ifndef CHAT_CHAT_H
#define CHAT_CHAT_H

// Starts the client when "chat.json" enables it; quietly does nothing else.
void vexa_chat_start(const char* player_name, const char* caller_id, const char* game);
// 1 while the chat runs.
int vexa_chat_enabled();
// The lobby's one-line summary at (row, col), exactly `width` columns wide;
// nothing while the chat is off.
void vexa_chat_status(int row, int col, int width);
// The full-screen chat room; returns when the caller leaves it.
void vexa_chat_room();
// Sends the client's notes for the game's log (the hub failing, and
// answering again) to `log`, on the client's own thread. Before the start.
void vexa_chat_log_to(void (*log)(const char* text));
// Says goodbye to the hub and ends the client; holds the caller's way out
// for at most a second and a half, however the hub behaves.
void vexa_chat_stop();

// The console enrollment tool. `mode`: 1 enable, 0 disable, -1 ask.
// Returns 0 when "chat.json" was written, 1 when nothing changed.
int vexa_chat_config(const char* bbs_name, const char* game, int mode);

#endif
