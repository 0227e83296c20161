// The real game started the way a BBS starts it, each run from a game
// directory of its own that holds its own link to the binary (the game
// works in its executable's directory).
#ifndef TESTS_E2E_GAME_DOOR_H
#define TESTS_E2E_GAME_DOOR_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/screen.h"
#include "tests/support/session_runner.h"

namespace game_e2e {

// A game directory with the binary in it.
class GameDir {
public:
    GameDir();
    const std::string& path() const { return dir_.path(); }
    std::string file(std::string_view name) const { return dir_.file(name); }
    std::string binary() const { return dir_.file("grimbo"); }
    bool write(std::string_view name, std::string_view content) const;
    std::string read(std::string_view name) const;
    bool exists(std::string_view name) const;
    // Profile files under data/.
    std::vector<std::string> profiles() const;

private:
    grimbo_test::TempDir dir_;
};

// One call into the game: the door over a socket pair, the caller's screen.
struct Call {
    grimbo_test::DoorRun door;
    grimbo_test::Screen screen{25, 80, true};

    bool wait_for(std::string_view text, int timeout_ms = 5000);
    // Types keys and lets the door draw what follows.
    void type(std::string_view keys, int settle_ms = 300);
    // The screen once the door has been quiet for a moment.
    void settle(int ms = 300);
};

// A row's text left of the art panel (columns 1-46), trailing blanks cut.
std::string left_of_art(const grimbo_test::Screen& screen, int row);

// The profile file the game keeps for a caller `identity` (64-bit FNV-1a).
std::string profile_for(const std::string& identity);

// Door options for a caller the BBS named `caller` (none when empty); with
// `socket` the connection is a TCP socket handed over as a descriptor.
std::vector<std::string> caller_options(const std::string& caller, bool socket = false);

// Starts the game in `dir`; `when` ("2026-10-31 12:00:00", UTC) fixes the
// clock's starting point, empty for the real clock. With a `rate` above 1
// the game's clock (its waits and pauses too) runs that many times as fast.
std::unique_ptr<Call> call_game(const GameDir& dir, const std::vector<std::string>& options,
                                const std::string& when = "",
                                grimbo_test::Link link = grimbo_test::Link::SocketPair,
                                int rate = 1);

// The rate for calls whose pauses (a death scene, a lock's wait, the idle
// lobby) are not what the test is about.
constexpr int kFastClock = 10;

// From a new call to the lobby: no music, a new survivor "Jack" (Carver,
// male) created on the way, and the October opening skipped when offered.
// `enter` is what the caller's terminal sends for Enter (a Telnet client
// sends CR NUL).
bool reach_lobby_as_new_caller(Call& call, std::string_view enter = "\r");

// A new caller "Jack" at the first stage of a story run on 15 March 2026,
// a month whose dice are known, under a fast clock.
std::unique_ptr<Call> first_stage(const GameDir& dir);

// One wrong answer at March's first seal: 12 health lost. The ninth ends
// the run in death, and the run is saved. Typed without waiting for the
// screens; wait for what comes after.
void wrong_answer_at_first_seal(Call& call);
constexpr int kWrongAnswersToDie = 9;

}  // namespace game_e2e

#endif
