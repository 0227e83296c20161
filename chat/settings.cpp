// Reading "chat.json": the whole file, one JSON object, four members.
#include "chat/settings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "chat/hub_urls.h"
#include "chat/json_reader.h"

namespace vexa {

namespace {

// Whole file into `text`; a file past the limit is unreadable.
chat_settings_status read_whole(const char* path, char* text, std::size_t& length)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? chat_settings_missing : chat_settings_unreadable;
    length = 0;
    for (;;) {
        ssize_t got = read(fd, text + length, kChatSettingsMaxBytes + 1 - length);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            close(fd);
            return chat_settings_unreadable;
        }
        if (got == 0)
            break;
        length += static_cast<std::size_t>(got);
        if (length > kChatSettingsMaxBytes) {
            close(fd);
            return chat_settings_unreadable;
        }
    }
    close(fd);
    text[length] = '\0';
    return chat_settings_ok;
}

}  // namespace

chat_settings_status chat_settings_read(const char* path, chat_settings& out, char* text,
                                        std::size_t text_size, std::size_t* length)
{
    std::memset(&out, 0, sizeof out);
    char own_text[kChatSettingsMaxBytes + 1];
    if (text == nullptr)
        text = own_text;
    else if (text_size < sizeof own_text)
        return chat_settings_unreadable;
    std::size_t size = 0;
    if (length)
        *length = 0;
    chat_settings_status status = read_whole(path, text, size);
    if (status != chat_settings_ok)
        return status;
    if (length)
        *length = size;
    if (size == 0)
        return chat_settings_empty;
    cj_state state;
    if (!cj_parse(&state, text, size))
        return chat_settings_invalid;
    out.has_enabled = cj_get(&state, "enabled", out.enabled, sizeof out.enabled);
    out.has_bbs = cj_get(&state, "bbs", out.bbs, sizeof out.bbs);
    out.has_secret = cj_get(&state, "secret", out.secret, sizeof out.secret);
    out.has_url = cj_get(&state, "url", out.url, sizeof out.url);
    out.has_enroll_url = cj_get(&state, enroll_url_member, out.enroll_url, sizeof out.enroll_url);
    return chat_settings_ok;
}

int chat_settings_enabled(const chat_settings& settings)
{
    return settings.has_enabled &&
           (std::strcmp(settings.enabled, "true") == 0 || std::strcmp(settings.enabled, "1") == 0);
}

}  // namespace vexa
