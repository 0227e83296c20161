#include "game/lobby.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "chat/chat.h"
#include "doorkit/doorkit.h"
#include "game/hall.h"
#include "game/run.h"
#include "game/run_state.h"
#include "game/screen_kit.h"
#include "game/seasons.h"

namespace {

constexpr int kPollMilliseconds = 50;
constexpr int kStatusEveryMs = 1000;
constexpr int kCatAfterMs = 8000;
constexpr int kStatusRow = 21;
constexpr int kStatusColumn = 3;
constexpr int kStatusWidth = 74;

struct cat_figure {
    const char* shape;
    int colour;
};

constexpr cat_figure kCats[2] = {{" /\\_/\\ ", 8}, {" .-.-. ", 7}};

// The cat crosses row 21 from column 4 to 36, two columns a step.
void walk_cat(const cat_figure& cat)
{
    for (int column = 4; column <= 36; column += 2) {
        put(column, kStatusRow, cat.colour, cat.shape);
        od_sleep(65);
        put(column, kStatusRow, 0, "        ");
    }
}

// A key that changes the lobby's screen, upper case; every other key does
// nothing.
int lobby_command(int key)
{
    if (key >= 'a' && key <= 'z')
        key -= 'a' - 'A';
    switch (key) {
    case 'S':
    case 'D':
    case 'H':
    case 'Q':
    case 27:
        return key;
    case 'C':
        return vexa_chat_enabled() ? key : 0;
    default:
        return 0;
    }
}

// Waits out one poll slice on the caller's line: a lobby command ends it
// at once, other keys are dropped and the slice goes on to its end.
int command_within(std::chrono::milliseconds slice)
{
    const auto end = std::chrono::steady_clock::now() + slice;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return 0;
        ODInputEvent event{};
        if (!od_get_input(&event, static_cast<std::uint32_t>(left.count()), GETIN_NORMAL))
            return 0;
        if (event.event_type != EVENT_CHARACTER)
            continue;
        if (int command = lobby_command(event.key); command != 0)
            return command;
    }
}

// Waits for a lobby command in 50 ms slices, keeping the chat line fresh
// and walking the cat after 8 quiet seconds. 0 when the connection is gone.
int idle_until_command(int& cat_cycle)
{
    int elapsed = 0;
    for (;;) {
        if (!od_carrier())
            return 0;
        if (int command = command_within(std::chrono::milliseconds(kPollMilliseconds)); command != 0)
            return command;
        elapsed += kPollMilliseconds;
        if (elapsed % kStatusEveryMs == 0 && vexa_chat_enabled())
            vexa_chat_status(kStatusRow, kStatusColumn, kStatusWidth);
        if (elapsed >= kCatAfterMs) {
            if (!vexa_chat_enabled())
                walk_cat(kCats[cat_cycle % 2]);
            cat_cycle = (cat_cycle + 1) % 2;
            elapsed = 0;
        }
    }
}

}  // namespace

void draw_lobby()
{
    const bool october = season_is_october();
    const bool halloween = season_is_halloween();
    const season_record& season = season_current();

    header(halloween ? "A HALLOWEEN NIGHTMARE" : season.title);
    show_art(art_panel_column, halloween ? 2 : 0);
    put(3, 5, 14, october ? "THE HARVEST HAS TEETH." : season.month);
    prose(7, 7,
          october ? "You brought home a pumpkin. Something else came home with you."
                  : season.goal,
          39);
    put(3, 11, 11, "[S] STORY - 8 MONTHLY STAGES");
    put(3, 13, 14, "[D] DAILY - ONE DATED CHALLENGE");
    put(3, 15, 10, "[H] HALL OF FAME (STORY / DAILY)");
    put(3, 17, 7, "[Q] RETURN TO BBS");
    if (halloween) {
        put(3, 19, 14, "HALLOWEEN: FINAL BOSS, EXTRA DAMAGE!");
    } else {
        char dated[80];
        std::snprintf(dated, sizeof dated, "%s %02d, %04d UTC - NEW MONTH, NEW STORY",
                      season.month, season_day, season_year);
        // A long month name ("September") is shortened to keep off the art.
        if (static_cast<int>(std::strlen(dated)) > put_room(3, 19))
            std::snprintf(dated, sizeof dated, "%.3s %02d, %04d UTC - NEW MONTH, NEW STORY",
                          season.month, season_day, season_year);
        put(3, 19, 14, dated);
    }
    vexa_chat_status(kStatusRow, kStatusColumn, kStatusWidth);
}

void lobby()
{
    int cat_cycle = 0;
    while (od_carrier()) {
        season_bind();
        draw_lobby();
        const int command = idle_until_command(cat_cycle);
        switch (command) {
        case 'S':
            run(0);
            break;
        case 'D':
            run(1);
            break;
        case 'H':
            hall();
            break;
        case 'C':
            vexa_chat_room();
            break;
        default:
            // Q, Esc or a lost connection.
            return;
        }
        quit_requested = 0;
    }
}
