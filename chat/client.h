// The start-up rules of the chat client, open to the tests.
#ifndef CHAT_CLIENT_H
#define CHAT_CLIENT_H

#include <cstddef>

#include "chat/settings.h"

namespace vexa {

// 1 when "chat.json" lets the chat start: enabled, a board id, a secret of
// 32 characters or more and an https:// hub address.
int chat_settings_usable(const chat_settings& settings);

// The caller's chat handle from the survivor's name.
void chat_handle_from(const char* name, char* out, std::size_t out_size);

}  // namespace vexa

#endif
