// Where the game network's hubs live, and how a board points the game at
// others (a private network, a test hub): an environment variable beats a
// member of "chat.json", which beats the address built in here.
#ifndef CHAT_HUB_URLS_H
#define CHAT_HUB_URLS_H

#include <cstddef>

namespace vexa {

// The chat hub's base URL a new "chat.json" gets as its "url".
inline constexpr const char* chat_hub_url = "https://chat.hollowtide.net";
// The score hub's enrollment service, asked once for a new board's secret.
inline constexpr const char* enroll_url = "https://scores.hollowtide.net/v1/enroll/auto";

// Replaces the chat hub base URL of "chat.json" ("url") for the door.
inline constexpr const char* chat_hub_variable = "GRIMBO_CHAT_HUB";
// Replaces the enrollment service for the console tool; "chat.json" may
// name one as "enroll_url".
inline constexpr const char* enroll_url_variable = "GRIMBO_ENROLL_URL";
inline constexpr const char* enroll_url_member = "enroll_url";

// The address in force: the environment's `variable` when set and not
// empty, else `from_file` when not null, else `built_in` when not null.
// 1 when one applies and fits `out` whole; 0 otherwise (`out` then empty).
// `from_file` may be `out` itself.
int hub_address(const char* variable, const char* from_file, const char* built_in, char* out,
                std::size_t out_size);

}  // namespace vexa

#endif
