// Saving and restoring the caller's screen.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/screen/local_screen.h"
#include "tests/doorkit/output/fixture.h"
#include "tests/support/screen.h"

namespace {

using output_test::Caller;
using output_test::CopyAttr;
using output_test::CopyRow;
using output_test::InSession;
using output_test::Mode;
using output_test::SessionSetup;
using output_test::Show;

using Buffer = std::vector<std::uint8_t>;

const std::string kEsc = "\x1b";

void Put32(Buffer& b, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        b[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

Buffer SessionCells()
{
    return Buffer(SessionScreen.cells,
                  SessionScreen.cells + SessionScreen.width * SessionScreen.height * 2);
}

void DrawSample()
{
    od_set_color(14, 1);
    od_disp_str("snapshot");
    od_set_cursor(12, 30);
    od_set_color(2, 0);
    od_disp_str("middle");
    od_set_cursor(25, 1);
    od_disp_str("bottom row");
    od_set_cursor(5, 7);
    od_set_color(12, 4);
}

TEST(ScreenSnapshots, An80By25SnapshotTakes4048Bytes)
{
    InSession(Mode::Ansi, [](Caller&) { EXPECT_EQ(od_save_screen_size(), 4048u); });
    SessionSetup wide;
    wide.screen_width = 132;
    wide.screen_length = 50;
    InSession(wide, [](Caller&) { EXPECT_EQ(od_save_screen_size(), 48u + 132 * 50 * 2); });
}

TEST(ScreenSnapshots, RestoringBringsBackScreenCursorAndColourOnTheCallersTerminalToo)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        grimbo_test::Screen terminal(25, 80, true);
        DrawSample();
        terminal.feed(caller.Take());
        Buffer snapshot(od_save_screen_size());
        ASSERT_TRUE(od_save_screen_ex(snapshot.data(), static_cast<std::uint32_t>(snapshot.size())));
        EXPECT_EQ(std::memcmp(snapshot.data(), "ODS1", 4), 0);
        const Buffer before = SessionCells();

        od_set_color(7, 0);
        od_clr_scr();
        od_disp_str("something else entirely");
        od_set_cursor(20, 20);
        terminal.feed(caller.Take());

        ASSERT_TRUE(od_restore_screen_ex(snapshot.data(), static_cast<std::uint32_t>(snapshot.size())));
        terminal.feed(caller.Take());
        EXPECT_EQ(SessionCells(), before);
        int row = 0;
        int column = 0;
        od_get_cursor(&row, &column);
        EXPECT_EQ(row, 5);
        EXPECT_EQ(column, 7);
        EXPECT_EQ(od_control.current_attribute, 0x4C);
        EXPECT_EQ(terminal.row_text(1), "snapshot");
        EXPECT_EQ(terminal.row_text(12), std::string(29, ' ') + "middle");
        EXPECT_EQ(terminal.row_text(25), "bottom row");
        EXPECT_EQ(terminal.row_text(20), "");
        EXPECT_EQ(terminal.cell(1, 1).attribute, 0x1E);
        EXPECT_EQ(terminal.cursor().row, 5);
        EXPECT_EQ(terminal.cursor().column, 7);
        // The local screen shows the restored copy too.
        EXPECT_EQ(pScrnBuffer[0], 's');
    });
}

TEST(ScreenSnapshots, ABufferTooSmallIsRefused)
{
    InSession(Mode::Ansi, [](Caller&) {
        Buffer snapshot(4047);
        od_control.error_code = 0;
        EXPECT_FALSE(od_save_screen_ex(snapshot.data(), 4047));
        EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
        EXPECT_FALSE(od_save_screen_ex(nullptr, 4048));
    });
}

struct BadSnapshot {
    const char* name;
    std::function<void(Buffer&, std::uint32_t&)> damage;
};

TEST(ScreenSnapshots, EveryInvalidSnapshotIsRefusedAndChangesNothing)
{
    const std::vector<BadSnapshot> cases = {
        {"shorter than a header", [](Buffer&, std::uint32_t& size) { size = 47; }},
        {"magic", [](Buffer& b, std::uint32_t&) { b[3] = '2'; }},
        {"version", [](Buffer& b, std::uint32_t&) { Put32(b, 4, 2); }},
        {"width 0", [](Buffer& b, std::uint32_t&) { Put32(b, 12, 0); }},
        {"height 0", [](Buffer& b, std::uint32_t&) { Put32(b, 16, 0); }},
        {"too many cells",
         [](Buffer& b, std::uint32_t&) {
             Put32(b, 12, 0x10000);
             Put32(b, 16, 0x8000);
             Put32(b, 8, 0xFFFFFFF0u);
         }},
        {"total not matching", [](Buffer& b, std::uint32_t&) { Put32(b, 8, 4050); }},
        {"total beyond the buffer", [](Buffer&, std::uint32_t& size) { size = 4047; }},
        {"from a 132-column screen",
         [](Buffer& b, std::uint32_t& size) {
             b.resize(48 + 132 * 25 * 2, ' ');
             Put32(b, 8, 48 + 132 * 25 * 2);
             Put32(b, 12, 132);
             size = static_cast<std::uint32_t>(b.size());
         }},
        {"left 0", [](Buffer& b, std::uint32_t&) { Put32(b, 20, 0); }},
        {"top 0", [](Buffer& b, std::uint32_t&) { Put32(b, 24, 0); }},
        {"left beyond right", [](Buffer& b, std::uint32_t&) { Put32(b, 20, 50), Put32(b, 28, 40); }},
        {"right beyond the width", [](Buffer& b, std::uint32_t&) { Put32(b, 28, 81); }},
        {"bottom beyond the height", [](Buffer& b, std::uint32_t&) { Put32(b, 32, 26); }},
        {"cursor column 0", [](Buffer& b, std::uint32_t&) { Put32(b, 36, 0); }},
        {"cursor column beyond the window",
         [](Buffer& b, std::uint32_t&) {
             Put32(b, 28, 40);
             Put32(b, 36, 41);
         }},
        {"cursor row beyond the window", [](Buffer& b, std::uint32_t&) { Put32(b, 40, 26); }},
        {"scrolling flag 2", [](Buffer& b, std::uint32_t&) { b[45] = 2; }},
        {"reserved byte set", [](Buffer& b, std::uint32_t&) { b[47] = 1; }},
    };
    InSession(Mode::Ansi, [&](Caller& caller) {
        DrawSample();
        Buffer good(od_save_screen_size());
        ASSERT_TRUE(od_save_screen_ex(good.data(), static_cast<std::uint32_t>(good.size())));
        od_disp_str("changed since");
        caller.Take();
        const Buffer cells = SessionCells();
        const std::uint16_t attribute = od_control.current_attribute;
        for (const BadSnapshot& c : cases) {
            Buffer snapshot = good;
            auto size = static_cast<std::uint32_t>(snapshot.size());
            c.damage(snapshot, size);
            od_control.error_code = 0;
            EXPECT_FALSE(od_restore_screen_ex(snapshot.data(), size)) << c.name;
            EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER) << c.name;
            EXPECT_EQ(caller.Take(), "") << c.name;
            EXPECT_EQ(SessionCells(), cells) << c.name;
            EXPECT_EQ(od_control.current_attribute, attribute) << c.name;
        }
        od_control.error_code = 0;
        EXPECT_FALSE(od_restore_screen_ex(nullptr, 4048));
        EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
    });
}

TEST(ScreenSnapshots, PlainTerminalsGetTheTextRedrawnUpToTheCursor)
{
    InSession(Mode::Plain, [](Caller& caller) {
        od_disp_str("hello\r\n\r\nworld  \r\nthe end");
        Buffer snapshot(od_save_screen_size());
        // Cursor moved back to row 3, column 3.
        SessionScreen.cursor_y = 2;
        SessionScreen.cursor_x = 2;
        ASSERT_TRUE(od_save_screen_ex(snapshot.data(), static_cast<std::uint32_t>(snapshot.size())));
        od_disp_str("\r\nmore");
        caller.Take();
        ASSERT_TRUE(od_restore_screen_ex(snapshot.data(), static_cast<std::uint32_t>(snapshot.size())));
        EXPECT_EQ(Show(caller.Take()), Show("\x0chello\r\n\r\nwo"));
        EXPECT_EQ(CopyRow(4), "the end");
        EXPECT_EQ(SessionScreen.cursor_y, 2);
    });
}

TEST(ClassicScreenBuffer, SavesTheLocalScreenAndPaintsItBack)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        grimbo_test::Screen terminal(25, 80, true);
        DrawSample();
        terminal.feed(caller.Take());
        Buffer saved(4004);
        ASSERT_TRUE(od_save_screen(saved.data()));
        EXPECT_EQ(saved[0], 7);   // cursor column
        EXPECT_EQ(saved[1], 5);   // cursor row
        EXPECT_EQ(saved[2], 0x4C);
        EXPECT_EQ(saved[3], 25);
        EXPECT_EQ(saved[4], 's');
        EXPECT_EQ(saved[5], 0x1E);
        const Buffer before = SessionCells();

        od_set_color(7, 0);
        od_clr_scr();
        od_disp_str("gone");
        terminal.feed(caller.Take());
        ASSERT_TRUE(od_restore_screen(saved.data()));
        terminal.feed(caller.Take());
        EXPECT_EQ(SessionCells(), before);
        EXPECT_EQ(terminal.row_text(1), "snapshot");
        EXPECT_EQ(terminal.row_text(25), "bottom row");
        EXPECT_EQ(terminal.cursor().row, 5);
        EXPECT_EQ(terminal.cursor().column, 7);
        EXPECT_EQ(od_control.current_attribute, 0x4C);
    });
}

TEST(ClassicScreenBuffer, AScreenTallerThanTheWindowLosesItsTopRows)
{
    InSession(Mode::Ansi, [](Caller& caller) {
        Buffer saved(4 + 30 * 160, ' ');
        saved[0] = 3;
        saved[1] = 8;
        saved[2] = 0x07;
        saved[3] = 30;
        for (int row = 0; row < 30; ++row) {
            saved[4 + static_cast<std::size_t>(row) * 160] = static_cast<std::uint8_t>('A' + row);
            for (int column = 0; column < 80; ++column)
                saved[4 + static_cast<std::size_t>(row) * 160 + column * 2 + 1] = 0x07;
        }
        ASSERT_TRUE(od_restore_screen(saved.data()));
        EXPECT_EQ(CopyRow(1), "F");
        EXPECT_EQ(CopyRow(25), std::string(1, 'A' + 29));
        int row = 0;
        od_get_cursor(&row, nullptr);
        EXPECT_EQ(row, 3);
        caller.Take();
    });
}

TEST(ClassicScreenBuffer, PlainTerminalsGetTheTextRedrawn)
{
    InSession(Mode::Plain, [](Caller& caller) {
        od_disp_str(std::string(80, '=').c_str());
        od_disp_str("under\r\nlast");
        Buffer saved(4004);
        ASSERT_TRUE(od_save_screen(saved.data()));
        od_disp_str("\r\nextra");
        caller.Take();
        ASSERT_TRUE(od_restore_screen(saved.data()));
        // A full row wraps by itself; the cursor's row stops at the cursor.
        EXPECT_EQ(Show(caller.Take()), Show("\x0c" + std::string(80, '=') + "under\r\nlast"));
        EXPECT_EQ(CopyRow(3), "last");
        EXPECT_EQ(CopyRow(4), "");
    });
}

TEST(ScreenSnapshots, WithoutARemoteSideTheLocalScreenIsSavedAndRestored)
{
    SessionSetup local;
    local.remote = false;
    InSession(local, [](Caller& caller) {
        ASSERT_FALSE(ODSessionScreenAvailable());
        od_disp_str("local text");
        EXPECT_EQ(od_save_screen_size(), 4048u);
        Buffer snapshot(4048);
        ASSERT_TRUE(od_save_screen_ex(snapshot.data(), 4048));
        od_disp_str("\r\nmore");
        ASSERT_TRUE(od_restore_screen_ex(snapshot.data(), 4048));
        EXPECT_EQ(pScrnBuffer[80 * 2], ' ');
        EXPECT_EQ(pScrnBuffer[0], 'l');
        ODScrnTextInfo info{};
        ODScrnGetTextInfo(&info);
        EXPECT_EQ(info.cursor_column, 11);
        EXPECT_EQ(info.cursor_row, 1);
        EXPECT_EQ(caller.Take(), "");
    });
}

}  // namespace
