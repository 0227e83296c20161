// A door session whose caller the test plays: the session runs in a forked
// child over one end of a socket pair, and a typist thread sends the
// caller's bytes, packet by packet, with pauses between them.
#ifndef TESTS_DOORKIT_INPUT_FIXTURE_H
#define TESTS_DOORKIT_INPUT_FIXTURE_H

#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "doorkit/doorkit.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/child_process.h"
#include "tests/support/session_runner.h"

namespace input_test {

inline const std::string kEsc = "\x1b";

// One piece of what the caller sends: a pause, then the bytes at once.
struct Packet {
    int pause_ms;
    std::string bytes;
};

inline long long MonotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

inline void SendAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

// Plays the packets from a thread of its own while the session waits.
class Typist {
public:
    Typist(int fd, std::vector<Packet> packets)
        : thread_([fd, packets = std::move(packets)] {
              for (const Packet& p : packets) {
                  if (p.pause_ms > 0)
                      std::this_thread::sleep_for(std::chrono::milliseconds(p.pause_ms));
                  SendAll(fd, p.bytes);
              }
          })
    {
    }
    ~Typist() { thread_.join(); }
    Typist(const Typist&) = delete;
    Typist& operator=(const Typist&) = delete;

private:
    std::thread thread_;
};

// Inside the child: starts a remote session over a socket pair, the door's
// end taken over as a raw socket. Returns the caller's end, -1 on failure.
inline int StartSocketSession(int queue_size = 0)
{
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return -1;
    grimbo_test::clear_door_environment();
    od_control.drop_file_kind = OD_DROP_PRESET;
    od_control.port = 65535;
    od_control.socket_mode = 1;
    od_control.open_handle = static_cast<std::uint64_t>(fds[0]);
    od_control.input_queue_size = static_cast<std::uint16_t>(queue_size);
    od_init();
    return fds[1];
}

// Runs `body` in a child holding a fresh session over a socket pair; gtest
// checks inside it are reported back through its output.
template <typename Body>
void InSession(Body body, int queue_size = 0, int timeout_ms = 60000)
{
    // The session runs in a directory of its own: every Enter the caller
    // types is noted in a file there.
    grimbo_test::TempDir dir;
    grimbo_test::ChildResult result = grimbo_test::run_in_child(
        [&] {
            if (chdir(dir.path().c_str()) != 0)
                return 3;
            int caller = StartSocketSession(queue_size);
            if (caller < 0)
                return 2;
            body(caller);
            return ::testing::Test::HasFailure() ? 1 : 0;
        },
        timeout_ms);
    EXPECT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.out << result.err;
    EXPECT_EQ(result.status, 0) << result.out << result.err;
}

inline ODInputEvent Key(std::uint8_t code)
{
    return ODInputEvent{EVENT_EXTENDED_KEY, 1, code};
}

inline ODInputEvent Char(std::uint8_t c)
{
    return ODInputEvent{EVENT_CHARACTER, 1, c};
}

inline std::string Describe(const ODInputEvent& e)
{
    return std::string(e.event_type == EVENT_EXTENDED_KEY ? "key " : "char ") +
           std::to_string(e.key) + (e.from_remote ? "" : " (local)");
}

// Decoded events until none comes within `quiet_ms`.
inline std::vector<ODInputEvent> ReadEvents(std::uint16_t flags, int quiet_ms = 600)
{
    std::vector<ODInputEvent> events;
    ODInputEvent event{};
    while (od_get_input(&event, static_cast<std::uint32_t>(quiet_ms), flags))
        events.push_back(event);
    return events;
}

inline std::string DescribeAll(const std::vector<ODInputEvent>& events)
{
    std::string out;
    for (const ODInputEvent& e : events)
        out += "[" + Describe(e) + "] ";
    return out;
}

}  // namespace input_test

#endif
