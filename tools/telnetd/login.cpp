#include "tools/telnetd/login.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kIAC = 255;
constexpr std::uint8_t kSB = 250;
constexpr std::uint8_t kSE = 240;
constexpr std::uint8_t kWILL = 251;
constexpr std::uint8_t kOptionEcho = 1;
constexpr std::uint8_t kOptionSGA = 3;
// DOOR32.SYS holds a name of up to 35 characters.
constexpr std::size_t kMaxName = 35;
// How long an Enter's CR waits for the LF or NUL a telnet client sends
// after it.
constexpr int kCrFollowerMs = 250;

// Telnet commands from the caller's client, taken out of its keys.
class CommandFilter {
public:
    // The key in `byte`, or -1 while a command is being read.
    int feed(std::uint8_t byte)
    {
        switch (state_) {
        case State::command:
            // IAC IAC is a data byte 255, no key of a name.
            if (byte == kIAC)
                state_ = State::data;
            else
                state_ = byte >= kWILL ? State::option : byte == kSB ? State::sub : State::data;
            return -1;
        case State::option:
            state_ = State::data;
            return -1;
        case State::sub:
            if (byte == kIAC)
                state_ = State::sub_iac;
            return -1;
        case State::sub_iac:
            state_ = byte == kSE ? State::data : State::sub;
            return -1;
        case State::data:
            break;
        }
        if (byte == kIAC) {
            state_ = State::command;
            return -1;
        }
        return byte;
    }

private:
    enum class State { data, command, option, sub, sub_iac };
    State state_ = State::data;
};

enum class Read { byte, nothing, gone };

// One byte within `wait_ms`; a closed or reset connection is `gone`.
Read read_byte(int socket, int wait_ms, std::uint8_t& byte, int flags = 0)
{
    pollfd p{socket, POLLIN, 0};
    int ready = poll(&p, 1, wait_ms);
    if (ready < 0)
        return errno == EINTR ? Read::nothing : Read::gone;
    if (ready == 0)
        return Read::nothing;
    ssize_t got = recv(socket, &byte, 1, flags);
    if (got == 1)
        return Read::byte;
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return Read::nothing;
    return Read::gone;
}

// A telnet client ends Enter with CR LF or CR NUL: the follower belongs to
// the Enter, anything else is the caller's next key and stays for the door.
void take_cr_follower(int socket)
{
    std::uint8_t next = 0;
    if (read_byte(socket, kCrFollowerMs, next, MSG_PEEK) == Read::byte &&
        (next == '\n' || next == '\0'))
        read_byte(socket, 0, next);
}

int ms_left(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::string trimmed(const std::string& text)
{
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

bool send_text(int socket, std::string_view text)
{
    while (!text.empty()) {
        ssize_t sent = send(socket, text.data(), text.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool offer_telnet_options(int socket)
{
    const char offer[] = {static_cast<char>(kIAC), static_cast<char>(kWILL),
                          static_cast<char>(kOptionEcho), static_cast<char>(kIAC),
                          static_cast<char>(kWILL), static_cast<char>(kOptionSGA)};
    return send_text(socket, std::string_view(offer, sizeof offer));
}

Login ask_name(int socket, int seconds)
{
    const auto deadline = Clock::now() + std::chrono::seconds(seconds);
    CommandFilter filter;
    std::string typed;
    Login login;
    if (!send_text(socket, "Your name: "))
        return login;
    for (;;) {
        const int left = ms_left(deadline);
        if (left == 0) {
            send_text(socket, "\r\nNo name given in time. Goodbye.\r\n");
            login.outcome = LoginOutcome::timed_out;
            return login;
        }
        std::uint8_t byte = 0;
        Read r = read_byte(socket, left, byte);
        if (r == Read::gone)
            return login;
        if (r == Read::nothing)
            continue;
        int key = filter.feed(byte);
        if (key < 0)
            continue;
        if (key == '\r' || key == '\n') {
            if (key == '\r')
                take_cr_follower(socket);
            std::string name = trimmed(typed);
            typed.clear();
            if (!name.empty()) {
                send_text(socket, "\r\n");
                login.outcome = LoginOutcome::name;
                login.name = name;
                return login;
            }
            if (!send_text(socket, "\r\nYour name: "))
                return login;
        } else if (key == 8 || key == 127) {
            if (!typed.empty()) {
                typed.pop_back();
                send_text(socket, "\b \b");
            }
        } else if (key >= 32 && key <= 126 && typed.size() < kMaxName) {
            typed.push_back(static_cast<char>(key));
            send_text(socket, std::string_view(&typed.back(), 1));
        }
    }
}
