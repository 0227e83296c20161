// Game tests that draw or read keys run a real door session in a forked
// child: the caller is the other end of a socket pair, and what the door
// sent comes back to the test as the child's standard output.
#ifndef TESTS_GAME_GAME_SESSION_H
#define TESTS_GAME_GAME_SESSION_H

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "tests/support/child_process.h"
#include "tests/support/screen.h"

namespace game_test {

struct Received;

// Inside the child: the caller's end of the connection. A reader thread
// takes in everything the door sends as it comes, so the door never waits
// for the test to read.
struct Caller {
    int fd = -1;
    std::shared_ptr<Received> received;
    // Types at the caller's terminal.
    void send(std::string_view bytes) const;
    // What the door sent since the last drain, once it has been quiet for
    // `quiet_ms`.
    std::string drain(int quiet_ms = 150) const;
};

// Runs `body` in a child with a started session. What the door sent and
// the body did not drain itself comes back as the result's `out`; the body
// reports failures on standard error and through its status.
grimbo_test::ChildResult run_session(const std::function<int(Caller&)>& body);

// Draws with `draw` in a fresh session and returns the caller's screen.
void draw_on_screen(const std::function<void()>& draw, grimbo_test::Screen& screen);

// Text of `length` cells from (row, column) on the caller's screen.
std::string cells_text(const grimbo_test::Screen& screen, int row, int column, int length);

}  // namespace game_test

#endif
