// Starts a door program the way a BBS does (over a pty, a socket pair as
// standard input/output, or an inherited TCP socket) and plays the caller's
// side of the connection.
#ifndef TESTS_SUPPORT_SESSION_RUNNER_H
#define TESTS_SUPPORT_SESSION_RUNNER_H

#include <sys/types.h>
#include <termios.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/screen.h"

namespace grimbo_test {

enum class Link {
    Pty,         // descriptors 0, 1 and 2 are one pty in cooked mode
    SocketPair,  // descriptors 0 and 1 are one end of a socket pair
    TcpSocket,   // a connected TCP socket is inherited as descriptor `handed_fd`
};

struct DoorLaunch {
    std::string program = GRIMBO_BINARY;
    // Arguments after the program name; "{fd}" is replaced by handed_fd.
    std::vector<std::string> args;
    Link link = Link::Pty;
    // Working directory; empty: a fresh temporary directory.
    std::string workdir;
    // The environment is clean apart from PATH, HOME, TERM and these, which
    // may replace those three.
    std::vector<std::pair<std::string, std::string>> env;
    int handed_fd = 5;
    int rows = 25;
    int columns = 80;
};

// Runs the program under a faked clock, `clock` written as libfaketime reads it:
// "@2026-03-15 12:00:00" starts the clock there, "+0 x20" runs it twenty
// times as fast, "@2026-03-15 12:00:00 x10" both. The library is preloaded
// directly, without the faketime wrapper, so the door is the process
// started and a test that ends it leaves nothing behind in /dev/shm (where
// the wrapper's leftovers, met again under a reused process id, keep the
// next wrapper from starting).
void use_fake_clock(DoorLaunch& launch, const std::string& clock);

class DoorRun {
public:
    DoorRun() = default;
    ~DoorRun();
    DoorRun(const DoorRun&) = delete;
    DoorRun& operator=(const DoorRun&) = delete;

    bool start(const DoorLaunch& launch);

    const std::string& workdir() const { return workdir_; }
    pid_t pid() const { return pid_; }
    int caller_fd() const { return caller_; }

    // Types at the caller's terminal.
    bool send(std::string_view bytes);
    // Collects what the door sends for this long.
    void pump(int milliseconds);
    // Collects until the door has sent nothing for `quiet_ms` (at most
    // `max_ms`): a screen is complete once the door stops drawing.
    void pump_until_quiet(int quiet_ms, int max_ms);
    // Feeds the screen until `text` shows on it; false on time-out.
    bool wait_for_text(Screen& screen, std::string_view text, int timeout_ms = 5000);
    // Everything the door sent so far, and what of it the screen has not had.
    const std::string& output() const { return output_; }
    void feed_screen(Screen& screen);
    const std::string& error_output() const { return errors_; }

    // Exit status (signals as 128 + number), or nothing on time-out.
    std::optional<int> wait_exit(int timeout_ms = 10000);

    // The caller hangs up: the pty gets SIGHUP (its master stays open, as on
    // a BBS that only signals), a socket is closed.
    void hang_up_with_signal();
    void close_caller();

    // Terminal settings of the pty, read through a descriptor the runner
    // keeps open on its slave side.
    std::optional<termios> pty_settings() const;
    // The pty's settings as the BBS set them, before the door started.
    std::optional<termios> initial_pty_settings() const { return initial_pty_; }

private:
    void read_available(int timeout_ms);

    pid_t pid_ = -1;
    int caller_ = -1;
    int pty_slave_ = -1;
    int errors_fd_ = -1;
    bool exited_ = false;
    int status_ = -1;
    std::string workdir_;
    bool own_workdir_ = false;
    std::string output_;
    std::size_t fed_ = 0;
    std::string errors_;
    bool caller_ended_ = false;
    std::optional<termios> initial_pty_;
};

// A fresh empty directory under /tmp, removed with its contents by the
// destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }
    bool write(std::string_view name, std::string_view content) const;

private:
    std::string path_;
};

void remove_tree(const std::string& path);

}  // namespace grimbo_test

#endif
