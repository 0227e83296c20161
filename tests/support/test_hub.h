// A small real HTTPS hub on 127.0.0.1 for the chat tests: it makes its own
// certificate (a client trusts it through CURL_CA_BUNDLE=ca_file()),
// records every request, counts connections and TLS handshakes, and answers
// "/v1/chat" the way the game network's chat hub does (counters, cursor,
// the lines since the cursor, messages relayed as "<player@bbs> text").
// Other paths get a fixed answer set by the test, or 404.
#ifndef TESTS_SUPPORT_TEST_HUB_H
#define TESTS_SUPPORT_TEST_HUB_H

#include <openssl/ssl.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/session_runner.h"

namespace grimbo_test {

struct HubRequest {
    std::string method;
    std::string path;
    std::map<std::string, std::string> headers;  // names in lower case
    bool has_header(const std::string& name) const { return headers.count(name) != 0; }
    std::string body;
    int connection = 0;  // the accepted connection it came on, counted from 1
    std::chrono::steady_clock::time_point at;
    // A member of the JSON body as text (a string unescaped); empty if none.
    std::string field(std::string_view name) const;
};

struct HubAnswer {
    int status = 200;
    std::string body;
    // False: no Content-Length, the body ends when the hub closes.
    bool with_length = true;
};

class TestHub {
public:
    TestHub();
    ~TestHub();
    TestHub(const TestHub&) = delete;
    TestHub& operator=(const TestHub&) = delete;

    bool ready() const { return port_ != 0; }
    std::string url() const { return "https://127.0.0.1:" + std::to_string(port_); }
    std::string ca_file() const { return dir_.file("hub-ca.pem"); }

    // Every request for `path` gets `answer`.
    void answer(const std::string& path, HubAnswer answer);
    // From now on requests are read and recorded but never answered.
    void stall();
    // From now on the hub closes a connection as soon as a request's head
    // has come, its body unread.
    void hang_up_on_requests();
    // Chat requests must be signed with `secret`; others get 401.
    void require_secret(const std::string& secret);
    void add_chat_line(const std::string& line);

    std::vector<HubRequest> requests() const;
    // Chat requests whose "op" is `op`.
    std::vector<HubRequest> chat_ops(const std::string& op) const;
    // Waits until no connection is open and every thread that served one
    // has ended: call it before forking a child that will use TLS, so the
    // child inherits no lock a half-finished thread held.
    void settle();
    // Waits until `count` chat requests with "op" `op` have come.
    bool wait_for_op(const std::string& op, std::size_t count = 1, int timeout_ms = 5000) const;
    int connections() const;
    int handshakes() const;
    // Body bytes the client took of the last answer before it stopped reading.
    std::size_t last_answer_bytes() const;

private:
    void accept_loop();
    void serve(int fd, int id);
    bool read_request(SSL* ssl, std::string& buffer, HubRequest& request);
    bool send_answer(SSL* ssl, const HubAnswer& answer);
    HubAnswer decide(const HubRequest& request);
    HubAnswer chat_answer(const HubRequest& request);  // test_hub_chat.cpp

    TempDir dir_;
    SSL_CTX* context_ = nullptr;
    int listener_ = -1;
    int port_ = 0;
    std::thread acceptor_;

    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    bool stopping_ = false;
    bool accepting_ = false;
    bool stalled_ = false;
    bool hanging_up_ = false;
    std::vector<std::thread> workers_;
    std::set<int> open_;
    std::vector<HubRequest> requests_;
    std::map<std::string, HubAnswer> answers_;
    int connections_ = 0;
    int handshakes_ = 0;
    std::size_t last_answer_bytes_ = 0;

    // The chat hub's own state.
    struct Caller {
        std::string bbs;
        std::string location;
    };
    std::string secret_;
    std::map<std::string, Caller> sessions_;
    std::vector<std::string> lines_;
};

}  // namespace grimbo_test

#endif
