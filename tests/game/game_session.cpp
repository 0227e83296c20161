#include "tests/game/game_session.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "doorkit/doorkit.h"
#include "doorkit/transport/transport.h"

namespace game_test {

struct Received {
    std::mutex guard;
    std::string bytes;
    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
    std::atomic<bool> stop{false};
};

namespace {

void take_in(int fd, Received& received)
{
    while (!received.stop) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 20) <= 0)
            continue;
        char buffer[4096];
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        std::lock_guard<std::mutex> hold(received.guard);
        received.bytes.append(buffer, static_cast<std::size_t>(n));
        received.last = std::chrono::steady_clock::now();
    }
}

}  // namespace

void Caller::send(std::string_view bytes) const
{
    while (!bytes.empty()) {
        ssize_t sent = write(fd, bytes.data(), bytes.size());
        if (sent <= 0)
            return;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
}

std::string Caller::drain(int quiet_ms) const
{
    // The kit sends what it has collected when the door next waits, as the
    // door is about to here.
    ODCoreFlushRemote();
    const auto quiet = std::chrono::milliseconds(quiet_ms);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::lock_guard<std::mutex> hold(received->guard);
        if (std::chrono::steady_clock::now() - received->last >= quiet) {
            std::string got;
            got.swap(received->bytes);
            return got;
        }
    }
}

grimbo_test::ChildResult run_session(const std::function<int(Caller&)>& body)
{
    return grimbo_test::run_in_child([&body]() {
        for (const char* name : {"BBSDEV_DRP", "TASK", "SBBSNNUM"})
            unsetenv(name);
        int pair[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0)
            return 90;
        int report = dup(STDOUT_FILENO);
        dup2(pair[1], STDIN_FILENO);
        dup2(pair[1], STDOUT_FILENO);
        close(pair[1]);
        Caller caller{pair[0], std::make_shared<Received>()};
        std::thread reader(take_in, caller.fd, std::ref(*caller.received));

        char program[] = "grimbo";
        char speed_option[] = "-B";
        char speed[] = "38400";
        char port_option[] = "-P";
        char port[] = "0";
        char* argv[] = {program, speed_option, speed, port_option, port, nullptr};
        od_parse_cmd_line(5, argv);
        od_init();
        caller.drain();  // whatever the kit sends when it starts

        int status = body(caller);
        std::string screen = caller.drain();
        caller.received->stop = true;
        reader.join();
        dup2(report, STDOUT_FILENO);
        close(report);
        std::fwrite(screen.data(), 1, screen.size(), stdout);
        return status;
    });
}

void draw_on_screen(const std::function<void()>& draw, grimbo_test::Screen& screen)
{
    grimbo_test::ChildResult result = run_session([&draw](Caller&) {
        draw();
        return 0;
    });
    ASSERT_TRUE(result.exited) << "session child did not finish: " << result.err;
    ASSERT_EQ(result.status, 0) << result.err;
    screen.feed(result.out);
}

std::string cells_text(const grimbo_test::Screen& screen, int row, int column, int length)
{
    std::string text;
    for (int c = column; c < column + length && c <= screen.columns(); ++c) {
        char32_t ch = screen.cell(row, c).ch;
        text += ch < 0x80 ? static_cast<char>(ch) : '?';
    }
    return text;
}

}  // namespace game_test
