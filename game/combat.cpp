// The guardian fight's screens: one turn drawn before every key, the flash
// of a big hit, and the victory screen.
#include "game/combat.h"

#include <cstdio>
#include <cstring>

#include "doorkit/doorkit.h"
#include "game/data/combat_table.h"
#include "game/keys.h"
#include "game/music.h"
#include "game/run_state.h"
#include "game/screen_kit.h"
#include "game/seasons.h"

namespace {

constexpr int kBarCells = 14;
constexpr std::size_t kThemeLimit = 221;  // longer tunes are not sent

int stage_index() { return level >= 0 && level < combat_stages ? level : 0; }

void play_theme()
{
    const char* theme = boss_themes[stage_index()];
    if (theme != nullptr && std::strlen(theme) < kThemeLimit)
        play_melody(theme);
}

// The guardian's bar through the kit's gauge: the smallest 0-100 value that
// fills the same number of cells.
void boss_bar(const fight_state& fight)
{
    const int cells = fight_bar_cells(fight);
    bar(8, "BOSS HP", (cells * 100 + kBarCells - 1) / kBarCells, 12);
}

void draw_turn(const fight_state& fight, bool exhausted)
{
    const bool october = season_is_october();
    scene(october ? "THE HARVEST IS HUNGRY!" : "THE GUARDIAN BLOCKS YOUR PATH!");
    if (fight.turn == 0) {
        play_melody(Halloween_mode ? "MFT100O3L8C.P8C.P8<G" : "MFT90O3L8C.P8G.C");
        play_theme();
    }
    char name[64];
    std::snprintf(name, sizeof name, "BOSS: %s", bosses[stage_index()]);
    put(3, 6, 12, name);
    boss_bar(fight);
    prose(10, 15,
          october ? "[1] CARVE (12) [2] THROW CANDY (18) [3] DODGE"
                  : "[1] STRIKE [2] THROW TOKEN [3] DODGE",
          40);
    put_wrapped(3, 12, 15, "[4] SPECIAL (supply)  [5] TAUNT (+stamina)");
    prose(14, 14, october ? boss_taunts[stage_index()] : season_current().goal, 40);
    // Shown on the fresh turn so the caller gets to read it.
    if (exhausted)
        put(3, 16, 12, "TOO EXHAUSTED! REST WITH [5].");
}

void big_hit_flash()
{
    static constexpr int frames[] = {2, 3, 2};
    play_melody("MFT160O4L16EG>C<G");
    for (int frame : frames) {
        if (!od_carrier())
            return;
        show_art(art_panel_column, frame);
        od_sleep(135);
    }
}

void victory()
{
    play_melody("MFT150O4L8CEG>C");
    play_theme();
    fight_reward();
    ++keys;  // the status line shows the key just won
    scene("THE MONSTER FALLS!");
    prose(11, 10,
          season_is_october() ? "BOSS DEFEATED! YOU RECOVER CANDY AND A STRANGE KEY."
                              : "GUARDIAN DEFEATED! YOU RECOVER TOKENS AND A SEAL KEY.",
          40);
    waitc();
}

// The caller's key for the turn; a Q or Esc the caller takes back is
// not one, and the turn stays on the screen.
int turn_key()
{
    for (;;) {
        const int key = read_key(true);
        if ((key == 'q' || key == 'Q' || key == 27) && !quit_confirmed())
            continue;
        return key;
    }
}

}  // namespace

void combat()
{
    fight_state fight = fight_begin();
    bool exhausted = false;
    for (;;) {
        if (fight.boss_hp <= 0) {
            victory();
            return;
        }
        if (hp <= 0 || quit_requested || !od_carrier())
            return;
        draw_turn(fight, exhausted);
        exhausted = false;
        const int key = turn_key();
        if (key == 0)
            return;  // the session stopped while waiting
        blow hit{};
        const action_outcome outcome = fight_action(key, hit);
        if (outcome == action_outcome::quit)
            return;
        if (outcome != action_outcome::accepted) {
            exhausted = outcome == action_outcome::exhausted;
            continue;
        }
        const exchange_report report = fight_exchange(fight, hit);
        if (report.big_hit)
            big_hit_flash();
        if (report.answered)
            play_melody(report.answer_damage > 9 ? "MFT210O5L32C<G" : "MFT120O3L16C<G>C");
        if (report.out_of_turns)
            return;
    }
}
