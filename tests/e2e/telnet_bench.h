// The local telnet bench (grimbo-telnetd) in a test: the bench itself with
// its console, and callers that reach it over TCP with a telnet client's
// manners and a terminal screen.
#ifndef TESTS_E2E_TELNET_BENCH_H
#define TESTS_E2E_TELNET_BENCH_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/screen.h"
#include "tests/support/session_runner.h"

namespace telnet_e2e {

// grimbo-telnetd started with `options`, its console (standard output) and
// complaints (standard error) collected. Stopped with SIGTERM at the end.
class Bench {
public:
    Bench() = default;
    ~Bench();
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;

    // Starts it on a free port and waits until it listens.
    bool start(const std::vector<std::string>& options);
    // Starts it with exactly `options` (no port chosen) and waits for its end.
    std::optional<int> run_to_end(const std::vector<std::string>& options);

    int port() const { return port_; }
    // Waits until the console shows `text`.
    bool console_shows(std::string_view text, int timeout_ms = 5000);
    const std::string& console() const { return run_.output(); }
    const std::string& complaints() const { return run_.error_output(); }
    // SIGTERM, as Ctrl-C or a service manager stops it; its exit status.
    std::optional<int> stop(int timeout_ms = 15000);

private:
    bool launch(const std::vector<std::string>& options);

    grimbo_test::DoorRun run_;
    int port_ = -1;
    bool running_ = false;
};

// A telnet client: the bench's and the door's telnet commands are taken out
// of what it receives (and remembered); the rest goes to its screen.
class Caller {
public:
    explicit Caller(bool cp437 = true) : screen(25, 80, cp437) {}
    ~Caller();
    Caller(const Caller&) = delete;
    Caller& operator=(const Caller&) = delete;

    // One call per caller: false when this one has already been used.
    bool connect(int port);
    bool send(std::string_view bytes);
    void hang_up();
    // Types keys and lets the door draw what follows.
    void type(std::string_view keys, int settle_ms = 300);
    bool wait_for(std::string_view text, int timeout_ms = 5000);
    void settle(int ms = 300);
    // Waits until the far side has closed the connection.
    bool wait_closed(int timeout_ms = 10000);
    // The text received, telnet commands taken out.
    const std::string& received() const { return data_; }
    // Each IAC <verb> <option> received, as {verb, option}.
    const std::vector<std::array<std::uint8_t, 2>>& commands() const { return commands_; }

    grimbo_test::Screen screen;

private:
    void read_available(int timeout_ms);
    void take(std::uint8_t byte);

    int fd_ = -1;
    bool closed_ = false;
    std::string data_;
    std::size_t fed_ = 0;
    std::vector<std::array<std::uint8_t, 2>> commands_;
    int state_ = 0;
    std::uint8_t verb_ = 0;
};

inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kOptionEcho = 1;
inline constexpr std::uint8_t kOptionSga = 3;
// What a telnet client answers to WILL ECHO and WILL SGA.
inline constexpr std::string_view kClientAgrees = "\xff\xfd\x01\xff\xfd\x03";
// A telnet client's Enter.
inline constexpr std::string_view kEnter{"\r\0", 2};

// From the handle prompt to the lobby: a new survivor "Jack" (Carver,
// male), the October opening skipped if offered.
bool new_survivor_to_lobby(Caller& caller);

// The lines of a node's DOOR32.SYS, CR LF taken off.
std::vector<std::string> door32_lines(const std::string& path);

}  // namespace telnet_e2e

#endif
