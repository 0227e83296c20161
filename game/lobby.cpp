#include "game/lobby.h"

#include <cstdio>
#include <cstring>

#include "chat/chat.h"
#include "doorkit/doorkit.h"
#include "game/hall.h"
#include "game/keys.h"
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

// Polls for a key without ever blocking, keeping the chat line fresh and
// walking the cat after 8 quiet seconds. 0 when the connection is gone.
int idle_until_key(int& cat_cycle)
{
    int elapsed = 0;
    for (;;) {
        if (!od_carrier())
            return 0;
        if (int key = read_key(false); key != 0)
            return key;
        elapsed += kPollMilliseconds;
        od_sleep(kPollMilliseconds);
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
        int key = idle_until_key(cat_cycle);
        if (key == 0)
            return;
        if (key >= 'a' && key <= 'z')
            key -= 'a' - 'A';
        switch (key) {
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
            if (vexa_chat_enabled())
                vexa_chat_room();
            break;
        case 'Q':
        case 27:
            return;
        default:
            break;
        }
        quit_requested = 0;
    }
}
