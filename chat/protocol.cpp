#include "chat/protocol.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>

#include "chat/json_reader.h"
#include "chat/request.h"
#include "chat/sha256.h"

namespace vexa {

char bbs[chat_bbs_size];
char secret[chat_secret_size];
char url[chat_url_size];
char session[chat_session_size];
char game_id[chat_game_size] = "grimbo";
char caller_hash[chat_caller_size];
char handle[chat_handle_size];
int display_width = 79;
std::uint64_t sequence = 0;
hub_link* chat_link = nullptr;

std::mutex guard;
long long cursor = 0;
int online = 0;
int players = 0;
int bbses = 0;
int chatting = 0;
int generation = 0;
char lines[chat_line_slots][chat_line_size];
int line_count = 0;

namespace {

constexpr std::size_t bbs_escaped_limit = 129;
constexpr std::size_t handle_escaped_limit = 79;
constexpr std::size_t text_escaped_limit = 329;
constexpr std::size_t body_size = 2048;
constexpr std::size_t key_size = 128;

// Appends with snprintf; false once the body would not fit.
bool append(char* body, std::size_t& used, const char* format, auto... values) {
    int n = std::snprintf(body + used, body_size - used, format, values...);
    if (n < 0 || static_cast<std::size_t>(n) >= body_size - used) return false;
    used += static_cast<std::size_t>(n);
    return true;
}

bool build_body(char* body, const char* op, int in_chat, const outbound_message* message,
                long long sent_cursor) {
    char escaped_bbs[bbs_escaped_limit + 1];
    char escaped_handle[handle_escaped_limit + 1];
    if (!json_escape(bbs, bbs_escaped_limit, escaped_bbs, sizeof escaped_bbs) ||
        !json_escape(handle, handle_escaped_limit, escaped_handle, sizeof escaped_handle))
        return false;
    std::size_t used = 0;
    if (!append(body, used,
                "{\"bbs\":\"%s\",\"game\":\"%s\",\"session\":\"%s\",\"op\":\"%s\",\"seq\":%lld,"
                "\"timestamp\":%lld,\"player\":\"%s\",\"caller\":\"%s\",\"location\":\"%s\","
                "\"cursor\":%lld",
                escaped_bbs, game_id, session, op, static_cast<long long>(sequence),
                static_cast<long long>(std::time(nullptr)), escaped_handle, caller_hash,
                in_chat ? "chat" : "playing", sent_cursor))
        return false;
    if (message != nullptr) {
        char escaped_text[text_escaped_limit + 1];
        if (!json_escape(message->text, text_escaped_limit, escaped_text, sizeof escaped_text) ||
            !append(body, used, ",\"event\":\"%s\",\"text\":\"%s\"", message->event, escaped_text))
            return false;
    }
    return append(body, used, "}");
}

// The "lines" member of an accepted reply, walked as the hub sent it.
void take_lines(const cj_state* reply) {
    char key[key_size];
    char line[chat_line_size];
    int limit = reply->tokens[0].next;
    for (int k = 1; k + 1 < limit; k = reply->tokens[k + 1].next) {
        if (!cj_decode(reply, k, key, sizeof key)) return;
        if (std::strcmp(key, "lines") != 0) continue;
        const cj_token& array = reply->tokens[k + 1];
        if (array.kind != '[') return;
        for (int e = k + 2; e < array.next; e = reply->tokens[e].next) {
            if (cj_decode(reply, e, line, sizeof line)) add_line(line);
        }
        return;
    }
}

}  // namespace

int json_escape(const char* text, std::size_t limit, char* out, std::size_t out_size) {
    if (text == nullptr || out == nullptr || out_size == 0) return 0;
    std::size_t used = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (c < 32 || c > 126 || c == '`') return 0;
        std::size_t need = (c == '"' || c == '\\') ? 2 : 1;
        if (used + need > limit || used + need >= out_size) return 0;
        if (need == 2) out[used++] = '\\';
        out[used++] = static_cast<char>(c);
    }
    out[used] = '\0';
    return 1;
}

int exchange(const char* op, int in_chat, const outbound_message* message) {
    long long sent_cursor;
    {
        std::lock_guard<std::mutex> lock(guard);
        sent_cursor = cursor;
    }
    ++sequence;
    char body[body_size];
    if (op == nullptr || !build_body(body, op, in_chat, message, sent_cursor)) {
        note_request_failure("the request could not be built");
        return 0;
    }

    char signature[sha_hex_size];
    hmac_sha256_hex(secret, std::strlen(secret), body, std::strlen(body), signature);
    char target[chat_url_size + 16];
    int n = std::snprintf(target, sizeof target, "%s/v1/chat", url);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof target) {
        note_request_failure("the hub address is too long");
        return 0;
    }

    // Both are large; the worker's stack need not carry them.
    std::unique_ptr<char[]> reply(new (std::nothrow) char[chat_reply_size]);
    std::unique_ptr<cj_state> parsed(new (std::nothrow) cj_state);
    if (!reply || !parsed) {
        note_request_failure("out of memory");
        return 0;
    }
    const bool leave = std::strcmp(op, "leave") == 0;
    const int answered =
        chat_link != nullptr
            ? chat_link->post(leave ? request_kind::goodbye : request_kind::ordinary, target, body,
                              signature, reply.get(), chat_reply_size)
            : request(target, body, signature, reply.get(), chat_reply_size);
    if (!answered) return 0;
    if (!cj_parse(parsed.get(), reply.get(), std::strlen(reply.get()))) {
        note_request_failure("the hub's reply is not one JSON object");
        return 0;
    }
    if (leave) return 1;

    std::lock_guard<std::mutex> lock(guard);
    online = 1;
    players = static_cast<int>(cj_number(parsed.get(), "players"));
    bbses = static_cast<int>(cj_number(parsed.get(), "bbses"));
    chatting = static_cast<int>(cj_number(parsed.get(), "chatting"));
    ++generation;
    cursor = cj_number(parsed.get(), "cursor");
    take_lines(parsed.get());
    return 1;
}

void add_line(const char* text) {
    char kept[chat_line_size];
    std::size_t length = 0;
    for (const char* p = text; p != nullptr && *p != '\0' && length < chat_line_size - 1; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (c >= 32 && c <= 126 && c != '`') kept[length++] = static_cast<char>(c);
    }
    kept[length] = '\0';

    std::size_t width = display_width > 0 ? static_cast<std::size_t>(display_width) : 79;
    if (width > chat_line_size - 1) width = chat_line_size - 1;
    std::size_t offset = 0;
    do {
        std::size_t piece = length - offset < width ? length - offset : width;
        if (line_count < chat_line_slots) {
            ++line_count;
        } else {
            std::memmove(lines[0], lines[1], sizeof lines[0] * (chat_line_slots - 1));
        }
        char* slot = lines[line_count - 1];
        std::memcpy(slot, kept + offset, piece);
        slot[piece] = '\0';
        offset += piece;
    } while (offset < length);
    ++generation;
}

}  // namespace vexa
