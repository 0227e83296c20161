// The conversation with the chat hub: one signed JSON request and one JSON
// reply per exchange, the client state it keeps and the ring of chat lines.
#ifndef CHAT_PROTOCOL_H
#define CHAT_PROTOCOL_H

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace vexa {

inline constexpr int chat_line_slots = 16;
inline constexpr std::size_t chat_line_size = 384;
inline constexpr std::size_t chat_bbs_size = 65;
inline constexpr std::size_t chat_secret_size = 257;
inline constexpr std::size_t chat_url_size = 512;
inline constexpr std::size_t chat_session_size = 33;
inline constexpr std::size_t chat_game_size = 49;
inline constexpr std::size_t chat_caller_size = 65;
inline constexpr std::size_t chat_handle_size = 33;
inline constexpr std::size_t chat_text_size = 161;
inline constexpr std::size_t chat_event_size = 33;
inline constexpr std::size_t chat_reply_size = 32768;

class hub_link;

struct outbound_message {
    char text[chat_text_size];
    char event[chat_event_size];
};

// Settings of this process's chat session, written before the worker starts.
extern char bbs[chat_bbs_size];
extern char secret[chat_secret_size];
extern char url[chat_url_size];
extern char session[chat_session_size];
extern char game_id[chat_game_size];
extern char caller_hash[chat_caller_size];
extern char handle[chat_handle_size];
extern int display_width;       // chat lines are cut at this width (79)
extern std::uint64_t sequence;  // requests built so far; worker only
// The worker's connection to the hub, kept across exchanges; null: each
// exchange makes a connection of its own.
extern hub_link* chat_link;

// The one lock of the chat client; the state below is touched only under it.
extern std::mutex guard;
extern long long cursor;
extern int online;
extern int players;
extern int bbses;
extern int chatting;
extern int generation;
extern char lines[chat_line_slots][chat_line_size];
extern int line_count;

// Escapes `text` into a JSON string body ('"' and '\' get a backslash).
// 0 when a byte is outside 32..126, is the backquote, or the result would
// be longer than `limit` characters (or not fit in `out_size`).
int json_escape(const char* text, std::size_t limit, char* out, std::size_t out_size);

// One exchange: `op` "poll", "message" or "leave"; `message` may be null.
// 1 when the hub answered with one JSON object. Takes `guard` itself.
int exchange(const char* op, int in_chat, const outbound_message* message);

// Appends a chat line to the ring; the caller holds `guard`.
void add_line(const char* text);

}  // namespace vexa

#endif
