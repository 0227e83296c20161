// Fresh random ids for the chat session and for each message.
#ifndef CHAT_RANDOM_ID_H
#define CHAT_RANDOM_ID_H

namespace vexa {

// 32 lower-case hex digits of 16 bytes from /dev/urandom into `out` (33
// bytes). 0 when the bytes cannot be read.
int random_hex_id(char* out);

}  // namespace vexa

#endif
