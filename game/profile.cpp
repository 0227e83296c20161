#include "game/profile.h"

#include <cstdio>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "game/game_log.h"
#include "game/handle.h"
#include "game/keys.h"
#include "game/profile_file.h"
#include "game/score_line.h"
#include "game/screen_kit.h"
#include "game/storage.h"

int gender = 0;
int player_class = 0;

namespace {

// The next key, folded to upper case; 0 when the caller is gone.
int next_key()
{
    int key = read_key(true);
    if (key >= 'a' && key <= 'z')
        key -= 'a' - 'A';
    return key;
}

// Waits for one of `choices`; 0 when the caller is gone.
int choose(const char* choices)
{
    while (od_carrier()) {
        int key = next_key();
        if (key == 0)
            return 0;
        if (std::strchr(choices, key) != nullptr)
            return key;
    }
    return 0;
}

bool offer_stored_survivor(const stored_profile& stored)
{
    // The file may have been edited by hand: control bytes become "_" before
    // the handle is drawn.
    safe_field(display_handle, sizeof display_handle, stored.handle, DISPLAY_HANDLE_SIZE - 1,
               false);
    gender = stored.gender;
    player_class = stored.player_class;
    make_plain_handle(stored.handle);

    header("WELCOME BACK");
    put(3, 5, 14, "YOUR SURVIVOR PROFILE WAS FOUND:");
    render_handle(4, 8, display_handle);
    put(3, 11, 11, "[C] CONTINUE WITH THIS SURVIVOR");
    put(3, 13, 7, "[N] CREATE A NEW SURVIVOR");
    return choose("CN") == 'C';
}

void draw_handle_entry()
{
    header("CHOOSE YOUR SURVIVOR");
    put(3, 4, 14, "PIPE COLOR KEY - TYPE CODES");
    put(3, 5, 14, "INTO YOUR HANDLE:");
    for (int n = 1; n <= 15; ++n) {
        char code[8];
        std::snprintf(code, sizeof code, "|%02d", n);
        put(3 + ((n - 1) % 5) * 8, 6 + ((n - 1) / 5) * 2, n, code);
    }
    put(3, 13, 7, "Up to 24 visible characters; color codes do not count.");
    put(3, 15, 11, "Example: |04Sti|01ng|04Ray");
    put(3, 17, 11, "> ");
    od_set_cursor(17, 5);
}

// Reads the typed handle; false when the caller is gone (the line holds
// what was typed so far).
bool read_handle_line(char (&line)[HANDLE_INPUT_MAX + 1])
{
    std::size_t length = 0;
    line[0] = '\0';
    for (;;) {
        int key = read_key(true);
        if (key == 0)
            return false;
        if (key == '\r' || key == '\n') {
            od_disp_str("\n\r");
            break;
        }
        if (key == 8 || key == 127) {
            if (length > 0) {
                line[--length] = '\0';
                od_disp_str("\b \b");
            }
        } else if (key >= 32 && key <= 126 && length < HANDLE_INPUT_MAX) {
            const char echo[2] = {static_cast<char>(key), '\0'};
            line[length++] = static_cast<char>(key);
            line[length] = '\0';
            od_disp_str(echo);
        }
    }
    if (length == 0)
        ODCopyField(line, "TRAVELER");
    return true;
}

// Handle entry and preview until one is kept; false when the caller is gone.
bool choose_handle()
{
    for (;;) {
        draw_handle_entry();
        char line[HANDLE_INPUT_MAX + 1];
        if (!read_handle_line(line))
            return false;

        header("HANDLE PREVIEW");
        put(3, 6, 14, "YOUR NAME WILL LOOK LIKE THIS:");
        render_handle(5, 9, line);
        put(3, 13, 11, "[Y] YES, KEEP IT    [N] CHANGE IT");
        int answer = choose("YN");
        if (answer == 0)
            return false;
        if (answer == 'Y') {
            ODCopyField(display_handle, line);
            make_plain_handle(display_handle);
            return true;
        }
    }
}

bool choose_gender()
{
    header("SURVIVOR IDENTITY");
    put(3, 6, 14, "CHOOSE M / F (COSMETIC ONLY)");
    int key = choose("MF");
    gender = key == 'F' ? 1 : 0;
    return key != 0;
}

bool choose_class()
{
    header("CHOOSE YOUR CLASS");
    put(3, 5, 11, "[1] CARVER     +4 carving damage");
    put(3, 7, 10, "[2] WARDEN     +20 starting sanity");
    put(3, 9, 14, "[3] ALCHEMIST  +12 starting candy");
    put(3, 11, 13, "[4] SCOUT      +15 starting stamina");
    put(3, 13, 15, "[5] MEDIUM     +1 starting clue");
    int key = choose("12345");
    player_class = key != 0 ? key - '1' : 0;
    return key != 0;
}

void save_survivor()
{
    // Nothing is written outside a usable game directory (already noted in
    // the log when it could not be made).
    if (storage_ok == 1) {
        int error = 0;
        if (profile_save(profile_path, display_handle, gender, player_class, &error))
            return;
        game_log_failure("profile save failed", profile_path, error);
    }
    header("PROFILE SAVE ERROR");
    // The whole message: put would cut it at the art panel's margin, and
    // this screen has no art.
    od_set_color(12, 0);
    od_set_cursor(7, 3);
    od_disp_str("Profile save failed: check caller ID/permissions");
    waitc();
}

}  // namespace

void profile_setup()
{
    stored_profile stored{};
    if (profile_load(profile_path, &stored) && offer_stored_survivor(stored))
        return;

    // A caller who leaves half-way through keeps whatever survivor the file
    // already holds: nothing is saved for an unfinished creation.
    if (!choose_handle()) {
        make_plain_handle(display_handle);
        return;
    }
    if (!choose_gender() || !choose_class())
        return;
    save_survivor();
}
