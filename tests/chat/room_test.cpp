// The lobby chat room in a real door session: the caller at the other end
// of a socket pair sees the counters, the chat lines and the input line,
// and what it types is queued for the worker. No worker runs here; the
// test plays its part by changing the shared state directly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "chat/chat.h"
#include "chat/protocol.h"
#include "chat/worker.h"
#include "doorkit/doorkit.h"
#include "tests/chat/chat_state.h"
#include "tests/game/game_session.h"
#include "tests/support/screen.h"

namespace {

using namespace std::chrono_literals;

struct seen {
    std::string offline_status;
    std::string refreshed_status;
    std::string first_line;
    std::string second_line;
    std::string input_after_typing;
    std::string input_after_enter;
    grimbo_test::CursorPos cursor_after_enter{};
};

void look(const game_test::Caller& caller, grimbo_test::Screen& screen)
{
    std::this_thread::sleep_for(200ms);
    screen.feed(caller.drain());
}

TEST(ChatRoom, ShowsCountersAndLinesQueuesWhatTheCallerTypesAndLeavesOnEscape)
{
    grimbo_test::ChildResult result = game_test::run_session([](game_test::Caller& caller) {
        fresh_chat_state();
        vexa::running = 1;
        {
            std::lock_guard<std::mutex> lock(vexa::guard);
            vexa::display_width = 79;
            vexa::add_line("<Bone@Grim> anyone awake?");
            vexa::add_line("<Ash@Moor> always");
        }
        seen at;
        grimbo_test::Screen screen;
        std::thread caller_side([&] {
            look(caller, screen);
            at.offline_status = screen.row_text(2);
            at.first_line = screen.row_text(5);
            at.second_line = screen.row_text(6);
            {
                // New counters without a new generation: only /who shows them.
                std::lock_guard<std::mutex> lock(vexa::guard);
                vexa::online = 1;
                vexa::players = 3;
                vexa::bbses = 2;
                vexa::chatting = 1;
            }
            caller.send("/who\r");
            look(caller, screen);
            at.refreshed_status = screen.row_text(2);
            caller.send("hi therex\b");
            look(caller, screen);
            at.input_after_typing = screen.row_text(22);
            caller.send("\r");
            look(caller, screen);
            at.input_after_enter = screen.row_text(22);
            at.cursor_after_enter = screen.cursor();
            caller.send("\x1b");
        });
        vexa_chat_room();
        caller_side.join();

        int failures = 0;
        auto check = [&failures](bool ok, const char* what, const std::string& got) {
            if (!ok) {
                std::fprintf(stderr, "%s: got \"%s\"\n", what, got.c_str());
                ++failures;
            }
        };
        check(screen.row_text(1) == "VEXA SHARED GAME LOBBY", "title", screen.row_text(1));
        check(screen.row_text(3) == "Enter sends | /who shows counts | /quit or Esc returns to game",
              "help", screen.row_text(3));
        check(at.offline_status == "Hub unavailable - reconnecting. Messages wait for delivery.",
              "offline status", at.offline_status);
        check(at.first_line == "<Bone@Grim> anyone awake?", "first line", at.first_line);
        check(at.second_line == "<Ash@Moor> always", "second line", at.second_line);
        check(at.refreshed_status == "3 players online | 2 BBSes | 1 in chat", "after /who",
              at.refreshed_status);
        check(at.input_after_typing == "> hi there", "typing", at.input_after_typing);
        check(at.input_after_enter == ">", "input cleared", at.input_after_enter);
        check(at.cursor_after_enter.row == 22 && at.cursor_after_enter.column == 3, "cursor",
              std::to_string(at.cursor_after_enter.row) + "," +
                  std::to_string(at.cursor_after_enter.column));
        std::lock_guard<std::mutex> lock(vexa::guard);
        check(vexa::queued == 1, "queued", std::to_string(vexa::queued));
        check(std::strcmp(vexa::queue[0].text, "hi there") == 0, "message", vexa::queue[0].text);
        check(vexa::in_chat == 0, "in_chat after leaving", std::to_string(vexa::in_chat));
        return failures;
    });
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(ChatStatusLine, ReadsReconnectingUntilTheHubAnswersThenTheCounters)
{
    struct Case {
        int online;
        const char* text;
    };
    const Case cases[] = {
        {0, "[C] SHARED CHAT | Hub unavailable - reconnecting"},
        {1, "[C] SHARED CHAT | 12 players / 4 BBSes / 2 in chat"},
    };
    for (const Case& c : cases) {
        grimbo_test::Screen screen;
        game_test::draw_on_screen(
            [&c] {
                fresh_chat_state();
                vexa::running = 1;
                {
                    std::lock_guard<std::mutex> lock(vexa::guard);
                    vexa::online = c.online;
                    vexa::players = 12;
                    vexa::bbses = 4;
                    vexa::chatting = 2;
                }
                od_set_cursor(21, 1);
                od_disp_str(std::string(79, 'x').c_str());
                vexa_chat_status(21, 3, 74);
            },
            screen);
        // Padded to exactly 74 columns: the old row shows only past them.
        const std::string expected =
            "xx" + std::string(c.text) + std::string(74 - std::strlen(c.text), ' ') + "xxx";
        EXPECT_EQ(screen.row_text(21), expected);
        EXPECT_EQ(screen.cell(21, 3).attribute, 11);
    }
}

}  // namespace
