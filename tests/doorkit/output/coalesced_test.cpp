// A screen drawn with many output calls reaches the caller in one write
// when the door next waits, and cursor moves to where the caller's cursor
// already stands are not sent.
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/kernel/kernel.h"
#include "tests/doorkit/output/fixture.h"

namespace {

using output_test::Caller;
using output_test::InSession;
using output_test::Mode;
using output_test::SessionSetup;
using output_test::Show;

const std::string kEsc = "\x1b";

// A screen as the game draws one: a clear, then runs of coloured text.
void DrawScreen()
{
    od_clr_scr();
    for (int row = 1; row <= 20; ++row) {
        od_set_color(row % 15 + 1, 0);
        od_set_cursor(row, 3);
        od_disp_str("Beneath the harvest moon");
        od_set_color(7, 0);
        od_disp_str(" - ");
    }
}

// A session on the door's end of a record socket, so each write the door
// makes arrives as one record.
void OpenOnRecordSocket(int door)
{
    grimbo_test::clear_door_environment();
    od_control.drop_file_kind = OD_DROP_PRESET;
    od_control.port = 65535;
    od_control.socket_mode = 1;
    od_control.open_handle = static_cast<std::uint64_t>(door);
    od_init();
    od_kernel();
}

// The sizes of the writes that reached a record socket's caller end.
std::vector<std::size_t> Writes(int caller)
{
    std::vector<std::size_t> sizes;
    for (;;) {
        char record[65536];
        ssize_t n = recv(caller, record, sizeof record, MSG_DONTWAIT);
        if (n <= 0)
            return sizes;
        sizes.push_back(static_cast<std::size_t>(n));
    }
}

TEST(CoalescedOutput, AScreenLeavesInOneWriteWhenTheDoorNextWaits)
{
    struct Case {
        const char* name;
        std::function<void()> wait;
    };
    const Case cases[] = {
        {"a key poll", [] { od_get_key(false); }},
        {"a key wait that times out", [] {
             ODInputEvent event{};
             od_get_input(&event, 120, GETIN_NORMAL);
         }},
        {"a pending-key check", [] { od_key_pending(); }},
        {"a sleep", [] { od_sleep(1); }},
        {"a kernel pass", [] { od_kernel(); }},
    };
    for (const Case& c : cases) {
        grimbo_test::ChildResult result = grimbo_test::run_in_child([&c] {
            int fds[2];
            CHILD_CHECK(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds) == 0);
            od_control.user_ansi = 1;
            OpenOnRecordSocket(fds[0]);
            Writes(fds[1]);
            // However slowly the screen is drawn, no output call's kernel
            // pass falls due in the middle of it.
            ODTimerStart(&RunKernelTimer, 600000);

            DrawScreen();
            const std::vector<std::size_t> before = Writes(fds[1]);
            c.wait();
            const std::vector<std::size_t> after = Writes(fds[1]);
            // Nothing leaves while the screen is drawn, all of it at the
            // wait.
            std::fprintf(stderr, "%zu writes before the wait, %zu at it\n", before.size(), after.size());
            CHILD_CHECK(before.empty());
            CHILD_CHECK(after.size() == 1);
            CHILD_CHECK(after[0] > 600);
            return 0;
        });
        EXPECT_EQ(result.status, 0) << c.name << "\n" << result.err;
    }
}

TEST(CoalescedOutput, EchoAtATextPromptIsOneWritePerKey)
{
    grimbo_test::ChildResult result = grimbo_test::run_in_child([] {
        int fds[2];
        CHILD_CHECK(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds) == 0);
        OpenOnRecordSocket(fds[0]);
        od_disp_str("Name: ");
        // One key per record: the door reads its line byte by byte.
        for (char key : std::string("ab\r"))
            CHILD_CHECK(send(fds[1], &key, 1, 0) == 1);
        char line[16] = {};
        od_input_str(line, 10, 32, 126);
        od_sleep(0);
        // The prompt as the door starts to wait, then each echo on its own,
        // the line end at the sleep.
        const std::vector<std::size_t> expected = {6, 1, 1, 2};
        CHILD_CHECK(Writes(fds[1]) == expected);
        CHILD_CHECK(std::string(line) == "ab");
        return 0;
    });
    EXPECT_EQ(result.status, 0) << result.err;
}

// One step of a cursor case: something the door does.
using Step = std::function<void()>;

struct CursorCase {
    const char* name;
    Mode mode;
    std::vector<Step> before;  // sets the scene; what it sends is dropped
    Step call;                 // the call whose bytes are checked
    std::string expected;
};

std::vector<CursorCase> CursorCases()
{
    auto at = [](int row, int column) { return [=] { od_set_cursor(row, column); }; };
    auto text = [](const char* t) { return [=] { od_disp_str(t); }; };
    return {
        {"a move to where the cursor stands", Mode::Ansi, {at(5, 10)}, at(5, 10), ""},
        {"a run that goes on where the last ended", Mode::Ansi, {at(5, 10), text("abc")}, at(5, 13), ""},
        {"a colour change between keeps it", Mode::Ansi,
         {at(5, 10), text("abc"), [] { od_set_color(14, 1); }}, at(5, 13), ""},
        {"clearing the rest of the line keeps it", Mode::Ansi, {at(5, 10), [] { od_clr_line(); }}, at(5, 10), ""},
        {"the clear leaves it in the corner", Mode::Ansi, {[] { od_clr_scr(); }}, at(1, 1), ""},
        {"a move elsewhere on the row", Mode::Ansi, {at(5, 10), text("abc")}, at(5, 12), kEsc + "[5;12H"},
        {"a move to another row", Mode::Ansi, {at(5, 10)}, at(6, 10), kEsc + "[6;10H"},
        {"text ending short of the last column", Mode::Ansi, {at(5, 78), text("ab")}, at(5, 80), ""},
        {"text that reached the last column", Mode::Ansi, {at(5, 78), text("abc")}, at(5, 80), kEsc + "[5;80H"},
        // Each target is where the text would end if every byte took a cell.
        {"a line end in the text", Mode::Ansi, {at(5, 1), text("ab\r\n")}, at(5, 5), kEsc + "[5;5H"},
        {"an escape sequence in the text", Mode::Ansi, {at(5, 1), text("\x1b[5Cab")}, at(5, 7), kEsc + "[5;7H"},
        {"a backspace in the text", Mode::Ansi, {at(5, 1), text("ab\b")}, at(5, 4), kEsc + "[5;4H"},
        {"a bell in the text", Mode::Ansi, {at(5, 1), text("ab\a")}, at(5, 4), kEsc + "[5;4H"},
        {"a delete in the text", Mode::Ansi, {at(5, 1), text("ab\x7f")}, at(5, 4), kEsc + "[5;4H"},
        {"code page 437 graphics", Mode::Ansi, {at(5, 1), text("\xdb\xdc\xdf")}, at(5, 4), ""},
        {"untranslated bytes some terminals take as controls", Mode::Ansi,
         {at(5, 1), text("\x9b" "2J")}, at(5, 4), kEsc + "[5;4H"},
        {"a painted block puts the cursor back", Mode::Ansi,
         {at(5, 1),
          [] {
              const std::uint8_t cells[] = {'x', 7};
              od_scroll(1, 1, 80, 24, 1, 0);
              od_puttext(40, 3, 40, 3, cells);
          }},
         at(5, 1), ""},
        {"a first move", Mode::Ansi, {}, at(1, 1), kEsc + "[1;1H"},
        {"AVATAR: a run that goes on", Mode::Avatar, {at(5, 10), text("abc")}, at(5, 13), ""},
        {"AVATAR: a repeated character", Mode::Avatar, {at(5, 10), [] { od_repeat('-', 5); }}, at(5, 15), ""},
        {"AVATAR: a move elsewhere", Mode::Avatar, {at(5, 10)}, at(5, 11), output_test::Bytes({0x16, 0x08, 5, 11})},
    };
}

TEST(CallerCursor, AMoveIsSentOnlyWhenTheCursorMayStandElsewhere)
{
    for (const CursorCase& c : CursorCases()) {
        SessionSetup setup;
        setup.mode = c.mode;
        InSession(setup, [&c](Caller& caller) {
            for (const Step& step : c.before)
                step();
            caller.Take();
            c.call();
            EXPECT_EQ(Show(caller.Take()), Show(c.expected)) << c.name;
        });
    }
}

TEST(CallerCursor, TranslatedGraphicsAreOneCellEach)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        od_control.cp437_to_utf8 = 1;
        od_set_cursor(5, 1);
        od_disp_str("\x9b\x80");
        caller.Take();
        od_set_cursor(5, 3);
        EXPECT_EQ(Show(caller.Take()), "");
    });
}

TEST(CallerCursor, ACallerNarrowerThanEightyColumnsWrapsAtItsOwnEdge)
{
    SessionSetup setup;
    setup.screen_width = 40;
    InSession(setup, [](Caller& caller) {
        od_set_cursor(5, 38);
        od_disp_str("abc");
        caller.Take();
        od_set_cursor(5, 41);
        EXPECT_EQ(Show(caller.Take()), Show(kEsc + "[5;41H"));
    });
}

}  // namespace
