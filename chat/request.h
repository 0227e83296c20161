// One signed POST to a hub, made with libcurl in the door's own process:
// four seconds in all, two to connect, HTTPS only, replies of at most 32768
// bytes. No child process and no temporary file.
#ifndef CHAT_REQUEST_H
#define CHAT_REQUEST_H

#include <chrono>
#include <cstddef>
#include <memory>

namespace vexa {

// The reply size the hub may never exceed, whatever the caller's buffer.
inline constexpr std::size_t request_reply_max = 32768;
inline constexpr long request_connect_ms = 2000;

// How long one request may take in all.
inline constexpr long request_time_limit_ms = 4000;

// Sets libcurl up once per process. Called on the main thread before the
// chat worker starts; later calls do nothing. 1 when libcurl is usable.
int request_setup();

// What a request is for: a goodbye still goes out while the link winds
// down, everything else is cut short then.
enum class request_kind { ordinary, goodbye };

// One connection to a hub (one libcurl handle), kept open across requests
// so that repeated polls need no new TLS handshake. Requests run on one
// thread at a time; only wind_down may be called from another.
class hub_link {
public:
    hub_link();
    ~hub_link();
    hub_link(const hub_link&) = delete;
    hub_link& operator=(const hub_link&) = delete;

    // False when libcurl could not give a handle; every request then fails.
    bool ready() const;

    // 1 when the hub answered with a 2xx status and the whole reply fits in
    // `reply_size` - 1 bytes (then `reply` is NUL-terminated); 0 on any
    // failure, with `reply` unspecified. `signature` may be null: the header
    // is then sent with an empty value.
    int post(request_kind kind, const char* url, const char* body, const char* signature,
             char* reply, std::size_t reply_size);

    // From any thread: the request in flight (unless a goodbye) ends at
    // once, later ordinary requests fail without being sent, and goodbyes
    // must be done by `deadline`.
    void wind_down(std::chrono::steady_clock::time_point deadline);

private:
    struct handles;
    std::unique_ptr<handles> handles_;
};

// Why the last request on this thread failed ("" before any failure), in
// words for the system operator's log: libcurl's reason, "HTTP 503", ...
const char* last_request_failure();
// Sets that reason (cut to fit), for failures found above the transport.
void note_request_failure(const char* reason);

// One request on a connection of its own, closed afterwards.
int request(const char* url, const char* body, const char* signature, char* reply,
            std::size_t reply_size);

}  // namespace vexa

#endif
