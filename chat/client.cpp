// The chat client as the game calls it: started once per caller when
// "chat.json" enables it, then the summary line, the room and the stop.
#include <cstdio>
#include <cstring>

#include "chat/chat.h"
#include "chat/client.h"
#include "chat/hub_urls.h"
#include "chat/protocol.h"
#include "chat/random_id.h"
#include "chat/room.h"
#include "chat/settings.h"
#include "chat/sha256.h"
#include "chat/worker.h"

namespace vexa {

namespace {

constexpr std::size_t kSecretMin = 32;
constexpr const char* kUrlScheme = "https://";

}  // namespace

int chat_settings_usable(const chat_settings& settings)
{
    if (!chat_settings_enabled(settings) || !settings.has_bbs || !settings.has_secret ||
        !settings.has_url)
        return 0;
    if (std::strlen(settings.secret) < kSecretMin)
        return 0;
    return std::strncmp(settings.url, kUrlScheme, std::strlen(kUrlScheme)) == 0;
}

namespace {

// The handle as the hub shows it: no pipe colour codes, nothing a JSON
// string of ours may not carry, at most 32 characters, "Player" if empty.
void make_handle(const char* name, char* out, std::size_t out_size)
{
    std::size_t used = 0;
    for (const char* p = name ? name : ""; *p != '\0' && used + 1 < out_size; ++p) {
        if (p[0] == '|' && p[1] >= '0' && p[1] <= '9' && p[2] >= '0' && p[2] <= '9') {
            p += 2;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 32 && c <= 126 && c != '`')
            out[used++] = static_cast<char>(c);
    }
    out[used] = '\0';
    if (used == 0)
        std::snprintf(out, out_size, "%s", "Player");
}

}  // namespace

void chat_handle_from(const char* name, char* out, std::size_t out_size)
{
    make_handle(name, out, out_size);
}

}  // namespace vexa

using namespace vexa;

void vexa_chat_start(const char* player_name, const char* caller_id, const char* game)
{
    if (running)
        return;
    chat_settings settings;
    if (chat_settings_read(kChatSettingsFile, settings) != chat_settings_ok)
        return;
    settings.has_url = hub_address(chat_hub_variable, settings.has_url ? settings.url : nullptr,
                                   nullptr, settings.url, sizeof settings.url);
    if (!chat_settings_usable(settings))
        return;
    std::snprintf(bbs, sizeof bbs, "%s", settings.bbs);
    std::snprintf(secret, sizeof secret, "%s", settings.secret);
    std::snprintf(url, sizeof url, "%s", settings.url);
    if (!random_hex_id(session))
        return;
    display_width = room_width();
    make_handle(player_name, handle, sizeof handle);
    const char* identity = caller_id ? caller_id : (player_name ? player_name : "");
    sha256_hex(identity, std::strlen(identity), caller_hash);
    std::snprintf(game_id, sizeof game_id, "%s", game ? game : "");
    worker_start();
}

int vexa_chat_enabled()
{
    return active;
}

void vexa_chat_status(int row, int col, int width)
{
    status_line(row, col, width);
}

void vexa_chat_room()
{
    room();
}

void vexa_chat_log_to(void (*log)(const char* text))
{
    worker_log = log;
}

void vexa_chat_stop()
{
    worker_stop();
}
