// The daily challenge's run: a dated set-up, one story choice, a side event
// and one guardian, the same on every board on the same UTC day.
#include "game/daily.h"

#include <cstdio>
#include <cstring>

#include "doorkit/doorkit.h"
#include "game/combat.h"
#include "game/data/daily_table.h"
#include "game/keys.h"
#include "game/music.h"
#include "game/profile.h"
#include "game/puzzle.h"
#include "game/run.h"
#include "game/run_state.h"
#include "game/screen_kit.h"
#include "game/seasons.h"

namespace {

constexpr int kCap = 100;
constexpr int kScout = 3;
constexpr std::size_t kTitleMax = 41;  // what the intro row shows

int capped(int value) { return value < kCap ? value : kCap; }

// The place of the stage the day falls on, in months other than October.
const char* day_place(int day)
{
    return places[(day - 1) % season_stages];
}

// One key of a choice: '1', '2', or 0 after a quit or a lost line.
int choose_one_or_two()
{
    for (;;) {
        const int key = read_key(true);
        if (key == 0 || !od_carrier())
            return 0;
        if (key == 'Q' || key == 'q' || key == 27) {
            if (!quit_confirmed())
                continue;
            quit_requested = 1;
            return 0;
        }
        if (key == '1' || key == '2')
            return key;
    }
}

// The shortcut's price and reward for a draw of 0-4.
void shortcut(int r, bool october)
{
    struct effect {
        int coins, hp, energy, keys, blade, clues, score;
        const char* melody;
    };
    static constexpr effect kEffects[] = {
        {12, 0, 0, 0, 0, 0, 100, "MFT130O4L8E.G.C"},
        {0, -10, 0, 0, 0, 0, 160, "MFT120O3L16C<G>C"},
        {0, 0, -14, 1, 0, 0, 140, "MFT220O5L32G>C"},
        {0, 0, 0, 0, 2, 0, 120, "MFT175O4L16CEG"},
        {0, 0, 0, 0, 0, 1, 110, "MFT220O5L32G>C"},
    };
    const effect& e = kEffects[r];
    coins += e.coins;
    hp += e.hp;
    energy += e.energy;
    keys += e.keys;
    blade_upgrade += e.blade;
    clues += e.clues;
    score += e.score;
    if (october)
        play_melody(e.melody);
}

void safe_route(bool october)
{
    hp = capped(hp + 6);
    energy = capped(energy + 8);
    score += 25;
    if (october)
        play_melody("MFT200O4L16CGE");
}

void october_story(int day)
{
    const int i = (day - 1) % daily_days;
    scene(daily_chapters[i]);
    prose(7, 14, daily_events[i], 39);
    char decision[64];
    std::snprintf(decision, sizeof decision, "[1] %s", daily_decisions[i]);
    prose(12, 11, decision, 39);
    put(3, 15, 11, "[2] TAKE A SAFER ROUTE");
    const int key = choose_one_or_two();
    if (key == 0)
        return;
    if (key == '1') {
        shortcut((13 * i + 7) % 5, true);
        scene("THE HARVEST ANSWERS YOUR CHOICE");
        prose(9, 14, daily_results[i], 39);
    } else {
        safe_route(true);
        scene("YOU TAKE THE LONG WAY");
        prose(9, 11, daily_safe_results[i], 39);
    }
    waitc();
}

void mission_story(int day)
{
    char heading[96];
    std::snprintf(heading, sizeof heading, "MISSION %02d: %s", day, day_place(day));
    scene(heading);
    char omen[256];
    std::snprintf(omen, sizeof omen, "%s %s",
                  omens[((day - 1) / 4 + season_index) % daily_omens], season_current().goal);
    prose(7, 14, omen, 39);
    put(3, 12, 11, "[1] FOLLOW THE DANGEROUS SHORTCUT");
    put(3, 15, 11, "[2] TAKE THE SAFER ROUTE");
    const int key = choose_one_or_two();
    if (key == 0)
        return;
    if (key == '1') {
        shortcut((day + season_index + season_year) % 5, false);
        scene("THE SHORTCUT HAS A PRICE");
        prose(9, 14,
              "You reach a hidden cache. The seal opens, but the guardian knows you are coming.",
              39);
    } else {
        safe_route(false);
        scene("THE PATIENT PATH");
        prose(9, 11, "You arrive rested and ready. The sealed path leads to today's guardian.",
              39);
    }
    waitc();
}

// The shadows' choice on days 1, 4, 7, ... of the month.
void shadows_choice()
{
    scene("THE SHADOWS OFFER A CHOICE");
    put(3, 10, 14,
        season_is_october() ? "[1] SEARCH FOR CANDY [2] REST" : "[1] SEARCH FOR TOKENS [2] REST");
    int key = read_key(true);
    while ((key == 'Q' || key == 'q' || key == 27) && !quit_confirmed())
        key = read_key(true);
    if (key == 'Q' || key == 'q' || key == 27) {
        quit_requested = 1;
    } else if (key == '1') {
        hp -= 7;
        coins += 8;
    } else if (key == '2') {
        hp = capped(hp + 12);
    }
}

// A quit, or a line gone before the ending: no record, and the day stays open.
bool leaving()
{
    return quit_requested != 0 || !od_carrier();
}

void unavailable()
{
    in_adventure = 0;
    header("DAILY UNAVAILABLE");
    put(4, 7, 14, "Already played or running. Return tomorrow.");
    put(4, 10, 11, "Story mode is always available.");
    waitc_lobby();
    run_leave();
}

void intro()
{
    scene("DAILY NIGHTMARE: ONE BOSS. ONE SHOT.");
    char title[kTitleMax + 1];
    daily_title(title, sizeof title);
    put(3, 10, 14, title);
    prose(12, 11,
          "A new dated mission every day: a guardian, supplies, hazards and choices. The UTC "
          "date sets the challenge across all BBSes.",
          40);
    waitc();
}

}  // namespace

void daily_title(char* out, std::size_t size)
{
    const int day = season_day;
    const char* name =
        season_is_october() ? daily_chapters[(day - 1) % daily_days] : day_place(day);
    char title[96];
    std::snprintf(title, sizeof title, "DAY %02d: %s", day, name);
    if (size == 0)
        return;
    std::size_t length = std::strlen(title);
    if (length > kTitleMax)
        length = kTitleMax;
    if (length > size - 1)
        length = size - 1;
    std::memcpy(out, title, length);
    out[length] = '\0';
}

void daily_setup()
{
    const int d = season_day;
    level = (season_index + d + season_year) % season_stages;
    coins = (d % 7) * 3 + 12;
    hp = (d % 5) * 4 + 78;
    if (d % 3 == 0)
        armor_upgrade = 2;
    if (d % 4 == 0)
        blade_upgrade = 3;
    if (d % 5 == 0)
        clues += 1;  // over the class's start value
    if (d % 2 == 0)
        energy = player_class == kScout ? 100 : 85;
    if (d % 7 == 0)
        hp = (d % 5) * 4 + 66;
    if (d % 11 == 0)
        coins = (d % 7) * 3 + 22;
    if (d % 13 == 0)
        energy = 65;
    if (d % 17 == 0)
        blade_upgrade += 2;
    if (Halloween_mode) {
        play_melody("MFT100O3L8C.P8C.P8<G");
        level = season_stages - 1;
        hp = 65;
        coins = 9;
        armor_upgrade = 0;
        blade_upgrade = 0;
    }
}

void daily_story(int day)
{
    if (season_is_october())
        october_story(day);
    else
        mission_story(day);
}

void daily_run()
{
    seasonal_seed_daily();
    if (!daily_reserve()) {
        unavailable();
        return;
    }
    run_begin(run_daily);
    daily_setup();
    const int day = season_day;

    intro();
    if (leaving()) {
        run_leave();
        return;
    }
    daily_story(day);
    if (leaving()) {
        run_leave();
        return;
    }
    if (day % 3 == 1)
        shadows_choice();
    else
        puzzle();
    if (leaving()) {
        run_leave();
        return;
    }
    if (hp <= 0) {
        explosion(1);
        run_ending(run_daily);
        return;
    }
    combat();
    if (leaving()) {
        run_leave();
        return;
    }
    if (hp <= 0) {
        explosion(1);
        run_ending(run_daily);
    } else if (Halloween_mode) {
        halloween_finale(run_daily);
    } else {
        explosion(0);
        run_ending(run_daily);
    }
}
