// The system operator's console tool for the shared chat (vexa_chat_config
// of chat/chat.h): finds or obtains the board's hub credential and writes
// "chat.json". Talks on standard input and output, not through the door kit.
#ifndef CHAT_ENROLL_H
#define CHAT_ENROLL_H

#include <cstddef>

namespace vexa {

// The longest answer line read; the rest of a longer line is thrown away.
inline constexpr std::size_t answer_line_max = 1023;

// Prints "<question> [<fallback>]: ", reads one line and puts it in `out`
// (`out_size` bytes), cut at the first CR or LF. An empty line, end of
// input, or an answer that does not fit gives `fallback`.
void prompt(const char* question, const char* fallback, char* out, std::size_t out_size);

// The board's display name made fit for the hub: pipe colour codes and
// bytes a JSON string may not hold dropped, at most 64 characters kept.
void derive_bbs_id(const char* bbs_name, char* out, std::size_t out_size);

}  // namespace vexa

#endif
