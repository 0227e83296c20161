// One signed POST to a hub, made by running the `curl` tool.
#ifndef CHAT_REQUEST_H
#define CHAT_REQUEST_H

#include <cstddef>

namespace vexa {

// 1 when the hub answered with success and the whole reply fits in
// `reply_size` - 1 bytes (then `reply` is NUL-terminated); 0 on any failure,
// with `reply` unspecified. `signature` may be null: the header is then sent
// empty. Blocks for as long as curl runs (its own limit is four seconds).
int request(const char* url, const char* body, const char* signature, char* reply,
            std::size_t reply_size);

// How long a curl child may run before it is killed and the request fails.
// curl's own --max-time ends it far sooner; this only guards against a curl
// that never returns, which would otherwise hold the worker for good.
extern int request_time_limit_ms;

}  // namespace vexa

#endif
