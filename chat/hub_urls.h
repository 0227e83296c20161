// Where the game network's hubs live.
#ifndef CHAT_HUB_URLS_H
#define CHAT_HUB_URLS_H

namespace vexa {

// The chat hub's base URL a new "chat.json" gets.
inline constexpr const char* chat_hub_url = "https://chat.hollowtide.net";
// The score hub's enrollment service, asked once for a new board's secret.
inline constexpr const char* enroll_url = "https://scores.hollowtide.net/v1/enroll/auto";

}  // namespace vexa

#endif
