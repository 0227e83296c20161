#include "chat/request.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace vexa {

namespace {

using Clock = std::chrono::steady_clock;

// How often a running request looks whether it has been cut short; a
// wind-down wakes it at once anyway.
constexpr int kPollSliceMs = 250;
// The same variable the curl tool reads for its CA file.
constexpr const char* kCaBundleVariable = "CURL_CA_BUNDLE";
constexpr std::size_t kCaPathSize = 4096;
constexpr std::size_t kHeaderSize = 160;

// The reply as it arrives; more than `room` bytes ends the transfer there.
struct reply_sink {
    char* text;
    std::size_t room;
    std::size_t used;
};

std::size_t take_reply(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* sink = static_cast<reply_sink*>(user);
    const std::size_t length = size * count;
    if (length > sink->room - sink->used)
        return 0;  // too large: libcurl stops with a write error
    std::memcpy(sink->text + sink->used, data, length);
    sink->used += length;
    return length;
}

// A libcurl header list freed on every path.
struct header_list {
    curl_slist* list = nullptr;
    bool add(const char* line)
    {
        curl_slist* grown = curl_slist_append(list, line);
        if (grown == nullptr)
            return false;
        list = grown;
        return true;
    }
    ~header_list() { curl_slist_free_all(list); }
};

bool set_fixed_options(CURL* easy, const char* ca_bundle)
{
    return curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "https") == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "https") == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, request_connect_ms) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                            static_cast<curl_off_t>(request_reply_max)) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, take_reply) == CURLE_OK &&
           (ca_bundle[0] == '\0' || curl_easy_setopt(easy, CURLOPT_CAINFO, ca_bundle) == CURLE_OK);
}

thread_local char failure_reason[128] = "";

}  // namespace

const char* last_request_failure()
{
    return failure_reason;
}

void note_request_failure(const char* reason)
{
    std::snprintf(failure_reason, sizeof failure_reason, "%s", reason != nullptr ? reason : "");
}

int request_setup()
{
    static std::once_flag once;
    static int usable = 0;
    std::call_once(once, [] { usable = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return usable;
}

struct hub_link::handles {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    bool ready = false;
    // Nanoseconds on the steady clock; 0 while the link is not winding down.
    std::atomic<long long> wind_down_at{0};
    char ca_bundle[kCaPathSize] = "";

    handles()
    {
        if (!request_setup())
            return;
        const char* bundle = std::getenv(kCaBundleVariable);
        if (bundle != nullptr && std::strlen(bundle) >= sizeof ca_bundle)
            return;  // a CA file that cannot be named is no reason to trust others
        if (bundle != nullptr)
            std::snprintf(ca_bundle, sizeof ca_bundle, "%s", bundle);
        easy = curl_easy_init();
        multi = curl_multi_init();
        ready = easy != nullptr && multi != nullptr && set_fixed_options(easy, ca_bundle);
    }
    ~handles()
    {
        if (multi != nullptr)
            curl_multi_cleanup(multi);
        if (easy != nullptr)
            curl_easy_cleanup(easy);
    }
    handles(const handles&) = delete;
    handles& operator=(const handles&) = delete;

    // When the link winds down, nothing but a goodbye before the deadline.
    bool cut_off(request_kind kind) const
    {
        const long long at = wind_down_at.load();
        if (at == 0)
            return false;
        return kind != request_kind::goodbye || Clock::now().time_since_epoch().count() >= at;
    }
    // This request's whole time in milliseconds; 0 when none is left.
    long time_allowed(request_kind kind) const
    {
        const long long at = wind_down_at.load();
        if (at == 0 || kind != request_kind::goodbye)
            return request_time_limit_ms;
        const long long left_ns = at - Clock::now().time_since_epoch().count();
        const long long left_ms = left_ns / 1000000;
        if (left_ms <= 0)
            return 0;
        return left_ms < request_time_limit_ms ? static_cast<long>(left_ms) : request_time_limit_ms;
    }
    // Drives the transfer to its end; true when libcurl reports success.
    bool run(request_kind kind)
    {
        if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
            note_request_failure("the request could not be started");
            return false;
        }
        bool finished = false;
        for (;;) {
            int still_running = 0;
            if (curl_multi_perform(multi, &still_running) != CURLM_OK)
                break;
            if (still_running == 0) {
                finished = true;
                break;
            }
            if (cut_off(kind))
                break;
            curl_multi_poll(multi, nullptr, 0, kPollSliceMs, nullptr);
        }
        bool ok = false;
        CURLcode result = CURLE_OK;
        if (finished) {
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &left))
                if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                    result = message->data.result;
                    ok = result == CURLE_OK;
                }
        }
        curl_multi_remove_handle(multi, easy);
        if (!finished)
            note_request_failure("cut short as the caller left");
        else if (!ok)
            note_request_failure(curl_easy_strerror(result));
        return ok;
    }
};

hub_link::hub_link() : handles_(new (std::nothrow) handles) {}

hub_link::~hub_link() = default;

bool hub_link::ready() const
{
    return handles_ && handles_->ready;
}

void hub_link::wind_down(std::chrono::steady_clock::time_point deadline)
{
    if (!ready())
        return;
    long long at = deadline.time_since_epoch().count();
    handles_->wind_down_at.store(at != 0 ? at : 1);
    curl_multi_wakeup(handles_->multi);
}

int hub_link::post(request_kind kind, const char* url, const char* body, const char* signature,
                   char* reply, std::size_t reply_size)
{
    if (!ready() || url == nullptr || body == nullptr || reply == nullptr || reply_size == 0) {
        note_request_failure("no connection could be set up");
        return 0;
    }
    handles& h = *handles_;
    const long allowed = h.time_allowed(kind);
    if (h.cut_off(kind) || allowed <= 0) {
        note_request_failure("cut short as the caller left");
        return 0;
    }

    char signature_header[kHeaderSize];
    // "Name;" is how libcurl sends a header whose value is empty.
    int made = signature != nullptr && signature[0] != '\0'
                   ? std::snprintf(signature_header, sizeof signature_header,
                                   "X-Vexa-Signature: %s", signature)
                   : std::snprintf(signature_header, sizeof signature_header, "X-Vexa-Signature;");
    if (made < 0 || static_cast<std::size_t>(made) >= sizeof signature_header)
        return 0;
    header_list headers;
    // "Expect:" keeps libcurl from waiting for a go-ahead before the body.
    if (!headers.add("Content-Type: application/json") || !headers.add(signature_header) ||
        !headers.add("Expect:"))
        return 0;

    reply_sink sink{reply, reply_size - 1 < request_reply_max ? reply_size - 1 : request_reply_max,
                    0};
    CURL* easy = h.easy;
    const bool set = curl_easy_setopt(easy, CURLOPT_URL, url) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                                      static_cast<curl_off_t>(std::strlen(body))) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.list) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink) == CURLE_OK &&
                     curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, allowed) == CURLE_OK;
    if (!set)
        note_request_failure("the request could not be set up");
    bool ok = set && h.run(kind);
    long status = 0;
    // A refusal by the hub shows as its status, whatever libcurl made of it.
    if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
        status >= 300) {
        char reason[32];
        std::snprintf(reason, sizeof reason, "HTTP %ld", status);
        note_request_failure(reason);
        ok = false;
    } else if (ok && status < 200) {
        note_request_failure("no HTTP status");
        ok = false;
    }
    // The handle outlives this call's header list and body.
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, static_cast<const char*>(nullptr));
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, static_cast<void*>(nullptr));
    if (!ok)
        return 0;
    reply[sink.used] = '\0';
    return 1;
}

int request(const char* url, const char* body, const char* signature, char* reply,
            std::size_t reply_size)
{
    hub_link link;
    return link.post(request_kind::ordinary, url, body, signature, reply, reply_size);
}

}  // namespace vexa
