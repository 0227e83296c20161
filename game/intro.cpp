#include "game/intro.h"

#include <cstdio>

#include "doorkit/doorkit.h"
#include "game/handle.h"
#include "game/keys.h"
#include "game/music.h"
#include "game/screen_kit.h"
#include "game/seasons.h"

namespace {

constexpr int kPollsPerPage = 60;
constexpr int kPollMilliseconds = 100;

int upper(int key)
{
    return key >= 'a' && key <= 'z' ? key - ('a' - 'A') : key;
}

const char* page_title(int page)
{
    if (page < 4)
        return "THE PUMPKIN STAND";
    return page < 7 ? "THE ROAD HOME" : "THE AWAKENING";
}

// The ten pages; returns early once Q was pressed twice in a row.
void play_opening()
{
    play_melody("MFT120O3L8C.E.G.C");
    int skip = 0;
    for (int page = 0; page < OPENING_PAGE_COUNT && od_carrier(); ++page) {
        const bool awake = page >= 7;
        header(page_title(page));
        show_art(art_panel_column, awake ? 2 : 0);
        prose(8, awake ? 12 : 14, opening_pages[page], 39);
        put(3, 19, 8, "Q TWICE: SKIP TO GAME LOBBY");
        for (int poll = 0; poll < kPollsPerPage && od_carrier(); ++poll) {
            if (int key = upper(read_key(false)); key != 0) {
                // Any other key breaks a run of Q's.
                skip = key == 'Q' ? skip + 1 : 0;
                if (skip > 1)
                    return;
            }
            od_sleep(kPollMilliseconds);
        }
    }
}

}  // namespace

bool maintenance_flag_present()
{
    std::FILE* flag = std::fopen(".grimbo-maintenance", "re");
    if (flag == nullptr)
        return false;
    std::fclose(flag);
    return true;
}

void caller_id_screen()
{
    header("BBS CALLER ID REQUIRED");
    put(3, 7, 12, "No caller identity in BBS drop file.");
    put(3, 9, 14, "Check drop file and door kit setup.");
    waitc();
}

void ask_music()
{
    header("SYNCTERM ANSI MUSIC");
    put(3, 5, 14, "GRIMBO CAN PLAY ANSI MUSIC NOTES.");
    put(3, 7, 11, "[T] TEST MELODY");
    put(3, 9, 11, "[Y] ENABLE SOUND  [N] SILENT");
    put(3, 12, 7, "Requires ANSI music-capable terminal.");
    put(3, 14, 8, "SyncTERM: enable ANSI music in setup.");
    while (od_carrier()) {
        int key = upper(read_key(true));
        if (key == 0)
            return;
        if (key == 'N') {
            sound_enabled = 0;
            return;
        }
        if (key == 'Y') {
            sound_enabled = 1;
            return;
        }
        if (key == 'T') {
            sound_enabled = 1;
            play_melody("MFT150O4L8CDEFGAB>C");
            put(3, 19, 14, "Did you hear the scale? Choose Y/N.");
        }
    }
}

void october_opening()
{
    header("THE NIGHT IT BEGAN");
    put(3, 6, 14, "WELCOME TO THE HARVEST, SURVIVOR.");
    render_handle(3, 8, display_handle);
    put(3, 11, 11, "[G] GO STRAIGHT TO THE LOBBY");
    put(3, 13, 14, "[W] WATCH THE 60-SECOND OPENING");
    while (od_carrier()) {
        int key = upper(read_key(true));
        if (key == 0 || key == 'G')
            return;
        if (key == 'W') {
            play_opening();
            return;
        }
    }
}
