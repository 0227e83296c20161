// The welcome-back screen of a returning caller: the stored handle is drawn
// with its colour codes, and nothing in the file reaches the caller's
// terminal as a control sequence.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "game/handle.h"
#include "game/profile.h"
#include "game/profile_file.h"
#include "game/storage.h"
#include "tests/game/game_session.h"
#include "tests/support/screen.h"
#include "tests/support/session_runner.h"

namespace {

struct StoredCase {
    const char* what;
    std::string stored;  // the handle field of the profile line
    std::string shown;   // row 8 of the welcome-back screen
    std::string plain;   // the caller's plain handle
};

TEST(WelcomeBack, TheStoredHandleIsShownWithControlBytesAsUnderscores)
{
    const StoredCase cases[] = {
        {"plain", "|04Jack", "   Jack", "Jack"},
        {"clear screen and title", "Ev\x1b[2Jil\x1b]0;pwn\x07", "   Ev_[2Jil_]0;pwn_",
         "Ev[2Jil]0;pwn"},
        {"bell, backspace and Delete", "A\x07\x08" "B\x7f", "   A__B_", "AB"},
        {"colour code before a control byte", "|02\x1b" "c", "   _c", "c"},
    };
    for (const StoredCase& c : cases) {
        grimbo_test::TempDir dir;
        const std::string path = dir.file("profile.tsv");
        ASSERT_TRUE(dir.write("profile.tsv", c.stored + "\t0\t2\n"));
        grimbo_test::ChildResult result = game_test::run_session([&](game_test::Caller& caller) {
            std::snprintf(profile_path, sizeof profile_path, "%s", path.c_str());
            caller.send("c");
            profile_setup();
            std::fprintf(stderr, "%s|%d", player, player_class);
            return 0;
        });
        ASSERT_TRUE(result.exited) << c.what << result.err;
        EXPECT_EQ(result.err, c.plain + "|2") << c.what;
        grimbo_test::Screen screen(25, 80, true);
        screen.feed(result.out);
        EXPECT_TRUE(screen.contains("YOUR SURVIVOR PROFILE WAS FOUND:")) << c.what;
        EXPECT_EQ(screen.row_text(8).substr(0, c.shown.size()), c.shown) << c.what;
        // The only escape sequences are the door's own: CSI colour, cursor
        // and clear-screen, never an operating-system command.
        EXPECT_EQ(result.out.find("\x1b]"), std::string::npos) << c.what;
        EXPECT_EQ(result.out.find('\x07'), std::string::npos) << c.what;
    }
}

}  // namespace
