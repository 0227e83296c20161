// The board's chat settings file "chat.json", read into a plain record.
// Shared by the running client and the system operator's console tool.
#ifndef CHAT_SETTINGS_H
#define CHAT_SETTINGS_H

#include <cstddef>

namespace vexa {

inline constexpr const char* kChatSettingsFile = "chat.json";
inline constexpr std::size_t kChatSettingsMaxBytes = 16383;

// Members the client uses; each `has_` flag is 1 when the member was
// present and its decoded value fitted its field.
struct chat_settings {
    char enabled[80];
    char bbs[65];
    char secret[257];
    char url[512];
    char enroll_url[512];  // the tool's enrollment service, when the board names one
    int has_enabled;
    int has_bbs;
    int has_secret;
    int has_url;
    int has_enroll_url;
};

enum chat_settings_status {
    chat_settings_ok = 0,
    chat_settings_missing = 1,   // no such file
    chat_settings_unreadable = 2,  // read error, or larger than the limit
    chat_settings_invalid = 3,   // not one JSON object followed by blanks
    chat_settings_empty = 4,     // the file holds nothing at all
};

// Reads `path` whole into `text` (NUL-terminated; `length` its size) when
// `text` is given, and fills `out` from it. `text_size` must exceed
// kChatSettingsMaxBytes.
chat_settings_status chat_settings_read(const char* path, chat_settings& out,
                                        char* text = nullptr, std::size_t text_size = 0,
                                        std::size_t* length = nullptr);

// 1 when the decoded "enabled" reads as switched on ("true" or "1").
int chat_settings_enabled(const chat_settings& settings);

}  // namespace vexa

#endif
