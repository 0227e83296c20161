// A door session whose output the test reads: the session runs in a forked
// child over one end of a socket pair, and the test collects what arrives
// at the caller's end after each kit call.
#ifndef TESTS_DOORKIT_OUTPUT_FIXTURE_H
#define TESTS_DOORKIT_OUTPUT_FIXTURE_H

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>

#include "doorkit/doorkit.h"
#include "doorkit/screen/session_screen.h"
#include "doorkit/transport/transport.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/child_process.h"

namespace output_test {

enum class Mode { Plain, Ansi, Avatar };

struct SessionSetup {
    Mode mode = Mode::Ansi;
    bool remote = true;  // false: a session without a remote side (baud 0)
    std::uint8_t screen_width = 0;
    std::uint16_t screen_length = 0;
};

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

// Printable form of a byte string for failure messages.
inline std::string Show(const std::string& bytes)
{
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b == 0x1B) {
            out += "ESC";
        } else if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else {
            out += "<";
            out += kHex[b >> 4];
            out += kHex[b & 15];
            out += ">";
        }
    }
    return out;
}

// The caller's end of the connection, inside the child. A thread keeps
// reading, so that a kit call sending much never waits for the test.
class Caller {
public:
    explicit Caller(int fd) : fd_(fd), reader_([this] { Read(); }) {}
    ~Caller()
    {
        stop_ = true;
        reader_.join();
    }
    Caller(const Caller&) = delete;
    Caller& operator=(const Caller&) = delete;

    // Everything the door has sent since the last call. The kit collects
    // its output until the door next waits; Take sends it out as such a
    // wait would, and the socket then holds it.
    std::string Take()
    {
        ODCoreFlushRemote();
        std::lock_guard<std::mutex> lock(mutex_);
        Drain();
        std::string out;
        out.swap(received_);
        return out;
    }

private:
    void Read()
    {
        while (!stop_) {
            pollfd entry{fd_, POLLIN, 0};
            if (poll(&entry, 1, 20) != 1)
                continue;
            std::lock_guard<std::mutex> lock(mutex_);
            if (!Drain())
                return;
        }
    }

    // Reads what is waiting; false once the door's end is closed.
    bool Drain()
    {
        for (;;) {
            char chunk[65536];
            ssize_t n = recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n > 0)
                received_.append(chunk, static_cast<std::size_t>(n));
            else
                return n != 0;
        }
    }

    int fd_;
    std::mutex mutex_;
    std::string received_;
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

// Inside the child: starts the session; returns the caller's end, -1 on
// failure.
inline int StartOutputSession(const SessionSetup& setup)
{
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return -1;
    grimbo_test::clear_door_environment();
    od_control.drop_file_kind = OD_DROP_PRESET;
    od_control.socket_mode = 1;
    od_control.open_handle = static_cast<std::uint64_t>(fds[0]);
    if (setup.remote)
        od_control.port = 65535;
    od_control.user_ansi = setup.mode == Mode::Ansi ? 1 : 0;
    od_control.user_avatar = setup.mode == Mode::Avatar ? 1 : 0;
    od_control.user_screen_width = setup.screen_width;
    od_control.user_screen_length = setup.screen_length;
    od_init();
    return fds[1];
}

// Runs `body` in a child holding a fresh session; gtest checks inside it are
// reported back through its output.
inline void InSession(const SessionSetup& setup, const std::function<void(Caller&)>& body,
                      int timeout_ms = 60000)
{
    grimbo_test::ChildResult result = grimbo_test::run_in_child(
        [&] {
            int fd = StartOutputSession(setup);
            if (fd < 0)
                return 2;
            Caller caller(fd);
            caller.Take();
            body(caller);
            return ::testing::Test::HasFailure() ? 1 : 0;
        },
        timeout_ms);
    EXPECT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.out << result.err;
    EXPECT_EQ(result.status, 0) << result.out << result.err;
}

inline void InSession(Mode mode, const std::function<void(Caller&)>& body)
{
    SessionSetup setup;
    setup.mode = mode;
    InSession(setup, body);
}

// A cell of the session screen, 1-based screen coordinates.
inline std::uint8_t CopyChar(int row, int column)
{
    return SessionScreen.cells[((row - 1) * SessionScreen.width + column - 1) * 2];
}

inline std::uint8_t CopyAttr(int row, int column)
{
    return SessionScreen.cells[((row - 1) * SessionScreen.width + column - 1) * 2 + 1];
}

inline std::string CopyRow(int row)
{
    std::string text;
    for (int column = 1; column <= SessionScreen.width; ++column)
        text += static_cast<char>(CopyChar(row, column));
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

}  // namespace output_test

#endif
