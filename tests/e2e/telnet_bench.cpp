#include "tests/e2e/telnet_bench.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>

namespace telnet_e2e {

namespace {

using Clock = std::chrono::steady_clock;

int ms_since(Clock::time_point t)
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

}  // namespace

Bench::~Bench()
{
    if (running_)
        stop();
}

bool Bench::launch(const std::vector<std::string>& options)
{
    grimbo_test::DoorLaunch launch;
    launch.program = GRIMBO_TELNETD;
    launch.args = options;
    // Standard input and output on a socket pair: the console is read back.
    launch.link = grimbo_test::Link::SocketPair;
    launch.env = {{"TZ", "UTC"}};
    running_ = run_.start(launch);
    return running_;
}

bool Bench::start(const std::vector<std::string>& options)
{
    std::vector<std::string> all = {"--port", "0"};
    all.insert(all.end(), options.begin(), options.end());
    if (!launch(all) || !console_shows("for up to"))
        return false;
    std::smatch found;
    const std::regex listening("listening on \\S+ port (\\d+)");
    if (!std::regex_search(run_.output(), found, listening))
        return false;
    port_ = std::stoi(found[1]);
    return true;
}

std::optional<int> Bench::run_to_end(const std::vector<std::string>& options)
{
    if (!launch(options))
        return std::nullopt;
    auto status = run_.wait_exit(10000);
    running_ = !status.has_value();
    return status;
}

bool Bench::console_shows(std::string_view text, int timeout_ms)
{
    const auto t0 = Clock::now();
    while (run_.output().find(text) == std::string::npos) {
        if (ms_since(t0) >= timeout_ms)
            return false;
        run_.pump(20);
    }
    return true;
}

std::optional<int> Bench::stop(int timeout_ms)
{
    kill(run_.pid(), SIGTERM);
    auto status = run_.wait_exit(timeout_ms);
    running_ = !status.has_value();
    return status;
}

Caller::~Caller()
{
    hang_up();
}

bool Caller::connect(int port)
{
    if (fd_ >= 0 || closed_)
        return false;
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool Caller::send(std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void Caller::hang_up()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    closed_ = true;
}

// Receive states: 0 data, 1 after IAC, 2 after a verb, 3 inside SB,
// 4 IAC inside SB, 5 after CR.
void Caller::take(std::uint8_t byte)
{
    switch (state_) {
    case 1:
        if (byte == 255) {
            data_ += static_cast<char>(byte);
            state_ = 0;
        } else if (byte >= 251) {
            verb_ = byte;
            state_ = 2;
        } else {
            state_ = byte == 250 ? 3 : 0;
        }
        return;
    case 2:
        commands_.push_back({verb_, byte});
        state_ = 0;
        return;
    case 3:
        state_ = byte == 255 ? 4 : 3;
        return;
    case 4:
        state_ = byte == 240 ? 0 : 3;
        return;
    case 5:
        state_ = 0;
        if (byte == 0)
            return;  // CR NUL is a lone CR
        break;
    default:
        break;
    }
    if (byte == 255) {
        state_ = 1;
        return;
    }
    data_ += static_cast<char>(byte);
    if (byte == '\r')
        state_ = 5;
}

void Caller::read_available(int timeout_ms)
{
    if (closed_ || fd_ < 0) {
        usleep(static_cast<useconds_t>(timeout_ms) * 1000u);
        return;
    }
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0)
        return;
    char buffer[4096];
    ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
    if (got <= 0) {
        if (got == 0 || errno != EINTR)
            closed_ = true;
        return;
    }
    for (ssize_t i = 0; i < got; ++i)
        take(static_cast<std::uint8_t>(buffer[i]));
}

void Caller::settle(int ms)
{
    const auto t0 = Clock::now();
    while (ms_since(t0) < ms)
        read_available(10);
    // A loaded machine may still be drawing; wait for the door to go quiet.
    std::size_t seen = data_.size();
    auto last = Clock::now();
    const auto quiet_start = Clock::now();
    while (ms_since(last) < 150 && ms_since(quiet_start) < 3000) {
        read_available(10);
        if (data_.size() != seen) {
            seen = data_.size();
            last = Clock::now();
        }
    }
    screen.feed(std::string_view(data_).substr(fed_));
    fed_ = data_.size();
}

void Caller::type(std::string_view keys, int settle_ms)
{
    send(keys);
    settle(settle_ms);
}

bool Caller::wait_for(std::string_view text, int timeout_ms)
{
    const auto t0 = Clock::now();
    for (;;) {
        screen.feed(std::string_view(data_).substr(fed_));
        fed_ = data_.size();
        if (screen.contains(text))
            break;
        if (ms_since(t0) >= timeout_ms)
            return false;
        read_available(20);
    }
    // The text may be the first of the screen's lines: let the rest arrive.
    settle(100);
    return true;
}

bool Caller::wait_closed(int timeout_ms)
{
    const auto t0 = Clock::now();
    while (!closed_ && ms_since(t0) < timeout_ms)
        read_available(20);
    screen.feed(std::string_view(data_).substr(fed_));
    fed_ = data_.size();
    return closed_;
}

bool new_survivor_to_lobby(Caller& caller)
{
    caller.send("Jack");
    caller.send(kEnter);
    if (!caller.wait_for("YOUR NAME WILL LOOK LIKE THIS:"))
        return false;
    caller.send("y");
    if (!caller.wait_for("CHOOSE M / F"))
        return false;
    caller.send("m");
    if (!caller.wait_for("[5] MEDIUM"))
        return false;
    caller.send("1");
    for (int waited = 0; waited < 5000; waited += 50) {
        caller.settle(50);
        if (caller.screen.contains("[S] STORY - 8 MONTHLY STAGES"))
            return true;
        if (caller.screen.contains("[G] GO STRAIGHT TO THE LOBBY")) {
            caller.send("g");
            return caller.wait_for("[S] STORY - 8 MONTHLY STAGES");
        }
    }
    return false;
}

std::vector<std::string> door32_lines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> lines;
    std::string line;
    std::istringstream split(text.str());
    while (std::getline(split, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace telnet_e2e
