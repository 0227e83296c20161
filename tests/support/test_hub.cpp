#include "tests/support/test_hub.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "tests/support/test_cert.h"

namespace grimbo_test {

namespace {

constexpr std::size_t kSlice = 16384;
constexpr std::size_t kHeadLimit = 1 << 20;

bool read_more(SSL* ssl, std::string& buffer)
{
    char chunk[kSlice];
    const int got = SSL_read(ssl, chunk, sizeof chunk);
    if (got <= 0)
        return false;
    buffer.append(chunk, static_cast<std::size_t>(got));
    return true;
}

bool write_all(SSL* ssl, std::string_view text)
{
    return text.empty() || SSL_write(ssl, text.data(), static_cast<int>(text.size())) ==
                               static_cast<int>(text.size());
}

std::string trim(std::string text)
{
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

const char* reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

}  // namespace

std::string HubRequest::field(std::string_view name) const
{
    const std::string key = "\"" + std::string(name) + "\":";
    auto at = body.find(key);
    if (at == std::string::npos)
        return "";
    at += key.size();
    std::string value;
    if (at < body.size() && body[at] == '"') {
        for (++at; at < body.size() && body[at] != '"'; ++at) {
            if (body[at] == '\\' && at + 1 < body.size())
                ++at;
            value += body[at];
        }
        return value;
    }
    while (at < body.size() && body[at] != ',' && body[at] != '}')
        value += body[at++];
    return value;
}

TestHub::TestHub()
{
    std::signal(SIGPIPE, SIG_IGN);  // a client that goes away is a failed write
    const TestCert made = make_test_cert();
    if (!write_cert_pem(made, ca_file()))
        return;
    context_ = SSL_CTX_new(TLS_server_method());
    if (context_ == nullptr || SSL_CTX_use_certificate(context_, made.cert.get()) != 1 ||
        SSL_CTX_use_PrivateKey(context_, made.key.get()) != 1)
        return;
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    acceptor_ = std::thread(&TestHub::accept_loop, this);
    // A test may fork next: the new thread must be past its start-up, whose
    // locks a child would otherwise inherit held.
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return accepting_; });
    port_ = ntohs(address.sin_port);
}

TestHub::~TestHub()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
        for (int fd : open_)
            shutdown(fd, SHUT_RDWR);
        changed_.notify_all();
    }
    if (listener_ >= 0)
        shutdown(listener_, SHUT_RDWR);
    if (acceptor_.joinable())
        acceptor_.join();
    for (std::thread& worker : workers_)
        worker.join();
    if (listener_ >= 0)
        close(listener_);
    SSL_CTX_free(context_);
}

void TestHub::accept_loop()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        accepting_ = true;
        changed_.notify_all();
    }
    for (;;) {
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        const int error = errno;
        std::lock_guard<std::mutex> hold(lock_);
        if (stopping_) {
            if (fd >= 0)
                close(fd);
            return;
        }
        if (fd < 0) {
            if (error == EINTR || error == ECONNABORTED)
                continue;
            return;
        }
        const int on = 1;  // answers go out at once, not after a delayed ack
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const int id = ++connections_;
        open_.insert(fd);
        workers_.emplace_back(&TestHub::serve, this, fd, id);
        changed_.notify_all();
    }
}

void TestHub::serve(int fd, int id)
{
    SSL* ssl = SSL_new(context_);
    if (ssl != nullptr && SSL_set_fd(ssl, fd) == 1 && SSL_accept(ssl) == 1) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            ++handshakes_;
        }
        std::string buffer;
        HubRequest request;
        while (read_request(ssl, buffer, request)) {
            request.connection = id;
            request.at = std::chrono::steady_clock::now();
            std::unique_lock<std::mutex> hold(lock_);
            requests_.push_back(request);
            changed_.notify_all();
            if (stalled_) {
                changed_.wait(hold, [this] { return stopping_; });
                break;
            }
            const HubAnswer answer = decide(request);
            hold.unlock();
            if (!send_answer(ssl, answer) || !answer.with_length)
                break;
        }
    }
    SSL_free(ssl);
    {
        std::lock_guard<std::mutex> hold(lock_);
        open_.erase(fd);
        changed_.notify_all();
    }
    close(fd);
}

bool TestHub::read_request(SSL* ssl, std::string& buffer, HubRequest& request)
{
    std::size_t end;
    while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (buffer.size() > kHeadLimit || !read_more(ssl, buffer))
            return false;
    }
    request = HubRequest{};
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (hanging_up_)
            return false;
    }
    const std::string head = buffer.substr(0, end + 2);
    buffer.erase(0, end + 4);
    std::size_t line_end = head.find("\r\n");
    const std::string first = head.substr(0, line_end);
    const auto space = first.find(' ');
    const auto second_space = first.find(' ', space + 1);
    if (space == std::string::npos || second_space == std::string::npos)
        return false;
    request.method = first.substr(0, space);
    request.path = first.substr(space + 1, second_space - space - 1);
    for (std::size_t at = line_end + 2; at < head.size(); at = line_end + 2) {
        line_end = head.find("\r\n", at);
        const std::string line = head.substr(at, line_end - at);
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        request.headers[name] = trim(line.substr(colon + 1));
    }
    const std::size_t length =
        request.has_header("content-length")
            ? static_cast<std::size_t>(std::strtoul(request.headers["content-length"].c_str(), nullptr, 10))
            : 0;
    if (request.has_header("expect") && !write_all(ssl, "HTTP/1.1 100 Continue\r\n\r\n"))
        return false;
    while (buffer.size() < length) {
        if (!read_more(ssl, buffer))
            return false;
    }
    request.body = buffer.substr(0, length);
    buffer.erase(0, length);
    return true;
}

bool TestHub::send_answer(SSL* ssl, const HubAnswer& answer)
{
    std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " + reason(answer.status) +
                       "\r\nContent-Type: application/json\r\n";
    head += answer.with_length ? "Content-Length: " + std::to_string(answer.body.size()) + "\r\n"
                               : std::string("Connection: close\r\n");
    head += "\r\n";
    if (!write_all(ssl, head))
        return false;
    std::size_t sent = 0;
    bool ok = true;
    while (ok && sent < answer.body.size()) {
        const std::size_t slice = std::min(kSlice, answer.body.size() - sent);
        ok = write_all(ssl, std::string_view(answer.body).substr(sent, slice));
        if (ok)
            sent += slice;
    }
    std::lock_guard<std::mutex> hold(lock_);
    last_answer_bytes_ = sent;
    return ok;
}

HubAnswer TestHub::decide(const HubRequest& request)
{
    auto fixed = answers_.find(request.path);
    if (fixed != answers_.end())
        return fixed->second;
    if (request.path == "/v1/chat" && request.method == "POST")
        return chat_answer(request);
    return {404, "{}", true};
}

void TestHub::answer(const std::string& path, HubAnswer answer)
{
    std::lock_guard<std::mutex> hold(lock_);
    answers_[path] = std::move(answer);
}

void TestHub::stall()
{
    std::lock_guard<std::mutex> hold(lock_);
    stalled_ = true;
}

void TestHub::hang_up_on_requests()
{
    std::lock_guard<std::mutex> hold(lock_);
    hanging_up_ = true;
}

void TestHub::require_secret(const std::string& secret)
{
    std::lock_guard<std::mutex> hold(lock_);
    secret_ = secret;
}

void TestHub::add_chat_line(const std::string& line)
{
    std::lock_guard<std::mutex> hold(lock_);
    lines_.push_back(line);
}

void TestHub::settle()
{
    std::vector<std::thread> ended;
    {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return open_.empty(); });
        ended.swap(workers_);
    }
    for (std::thread& worker : ended)
        worker.join();
}

std::vector<HubRequest> TestHub::requests() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return requests_;
}

std::vector<HubRequest> TestHub::chat_ops(const std::string& op) const
{
    std::vector<HubRequest> found;
    for (const HubRequest& request : requests())
        if (request.path == "/v1/chat" && request.field("op") == op)
            found.push_back(request);
    return found;
}

bool TestHub::wait_for_op(const std::string& op, std::size_t count, int timeout_ms) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_until(hold, until, [&] {
        std::size_t seen = 0;
        for (const HubRequest& request : requests_)
            if (request.path == "/v1/chat" && request.field("op") == op)
                ++seen;
        return seen >= count;
    });
}

int TestHub::connections() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return connections_;
}

int TestHub::handshakes() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return handshakes_;
}

std::size_t TestHub::last_answer_bytes() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return last_answer_bytes_;
}

}  // namespace grimbo_test
