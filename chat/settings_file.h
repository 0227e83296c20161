// Writing the chat settings file: the new text with every unknown member of
// the old one kept, the old version kept as a numbered hard link, and the
// file replaced atomically so that a crash or a full disk never leaves it
// half-written.
#ifndef CHAT_SETTINGS_FILE_H
#define CHAT_SETTINGS_FILE_H

#include <cstddef>

namespace vexa {

// Numbered backups run from ".previous.1" to this.
inline constexpr int settings_backup_max = 9999;
// The largest settings text written, newline included.
inline constexpr std::size_t settings_text_max = 32767;

// Builds "chat.json": "enabled", "bbs", "secret", "url" (escaped), then
// every other top-level member of `previous` (`previous_length` bytes, may
// be 0) exactly as it was, in its order. 0 when a value cannot be escaped,
// `previous` is not one object, a key cannot be decoded, or the text would
// not fit in `out_size` - 1 or settings_text_max bytes.
int settings_compose(int enabled, const char* bbs, const char* secret, const char* url,
                     const char* previous, std::size_t previous_length, char* out,
                     std::size_t out_size, std::size_t* length);

// Hard-links `path` to the first free "<path>.previous.<n>"; 1 or 0.
int settings_backup(const char* path);

// Puts `text` in place of `path`: an exclusive owner-only temporary
// "<path>.tmp.XXXXXX" beside it, written, synced and renamed over it. On
// failure `path` is untouched and no temporary remains. 1 or 0.
int settings_replace(const char* path, const char* text, std::size_t length);

}  // namespace vexa

#endif
