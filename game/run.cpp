#include "game/run.h"

#include <cstdio>

#include "doorkit/doorkit.h"
#include "game/combat.h"
#include "game/daily.h"
#include "game/explore.h"
#include "game/keys.h"
#include "game/music.h"
#include "game/profile.h"
#include "game/puzzle.h"
#include "game/run_state.h"
#include "game/scores.h"
#include "game/screen_kit.h"
#include "game/seasons.h"

namespace {

constexpr int kHealthCap = 100;
constexpr int kGuardianHeal = 8;

// A story run not yet saved by its ending: a session that stops before the
// ending saves it from the leaving steps instead.
bool story_unsaved = false;

// What the score screen says about a save outcome.
struct save_message {
    const char* text;
    int colour;
};

save_message run_save_message(int outcome)
{
    switch (outcome) {
    case SAVE_OK:
        return {"Your score was saved. The harvest remembers.", 11};
    case SAVE_WARNING:
        return {"Score saved; export or daily-lock warning.", 11};
    default:
        return {"SCORE SAVE FAILED! Check game directory permissions.", 12};
    }
}

void heal(int amount)
{
    hp = hp + amount < kHealthCap ? hp + amount : kHealthCap;
}

// --- Openings ---

void blank_figure()
{
    for (int row = 4; row <= 6; ++row)
        put(38, row, 8, "      ");
}

void draw_figure()
{
    put(38, 4, 15, "     \xdb");
    put(40, 5, 14, "\xdc\xdb\xdb");
    put(41, 6, 15, "\xdb\xdf");
}

// Something moves in the back seat while the picture flickers.
void back_seat_animation()
{
    struct slot {
        int picture;  // frame of the picture, -1 for none
        bool figure;
        int pause_ms;
    };
    static constexpr slot kSlots[] = {
        {0, false, 170}, {-1, false, 210}, {-1, true, 250}, {1, false, 290},
        {-1, false, 330}, {-1, true, 370}, {2, false, 410},
    };
    for (const slot& step : kSlots) {
        if (!od_carrier())
            break;
        if (step.picture >= 0)
            show_art(46, step.picture);
        if (step.figure)
            draw_figure();
        else
            blank_figure();
        od_sleep(step.pause_ms);
        if (step.figure && !od_carrier())
            break;
    }
    blank_figure();
}

void october_opening()
{
    header("THE NIGHT IT BEGAN");
    put(4, 4, 14, "You buy a pumpkin. Maybe two.");
    put(4, 6, 14, "The farmer avoids your eyes.");
    put(4, 8, 7, "The sky turns black. Radio dies.");
    put(4, 9, 7, "Something scratches the back seat.");
    play_melody("MFT90O3L8C.P8G.C");
    back_seat_animation();
    put(4, 13, 12, "GRIMBO: THE HARVEST HAS BEGUN.");
    put(4, 17, 11, "Doors lock. Headlights die.");
    put(4, 18, 11, "The nightmare begins.");
    waitc();
}

}  // namespace

void story_opening()
{
    if (season_is_october()) {
        october_opening();
        return;
    }
    const season_record& season = season_current();
    header(season.title);
    show_art(art_panel_column, 0);
    prose(5, 14, season.intro, 39);
    prose(14, 11, season.goal, 39);
    waitc();
}

// --- Stage loop ---

void stage_screen(bool first)
{
    scene(stage_clues[level]);
    if (first) {
        put(3, 9, 15, "[1] EXPLORE    [2] PUZZLE");
        put(3, 10, 15, "[3] TRUNK      [4] BOSS   [Q] QUIT");
    } else {
        put(3, 9, 15, "[1] EXPLORE  [2] PUZZLE");
        put(3, 10, 15, "[3] TRUNK    [4] BOSS  [Q] QUIT");
    }
}

namespace {

enum class stage_end {
    guardian,  // go on to the fight
    next,      // the survivor died: the next stage finds the death
    quit,      // leave without saving
};

// The stage menu until the caller picks the guardian, dies or quits.
stage_end stage_menu()
{
    play_melody("MFT100O3L8C<G>C");
    stage_screen(true);
    for (;;) {
        int key = read_key(true);
        switch (key) {
        case 0:  // the session stopped: the fight ends at once
        case '4':
            return stage_end::guardian;
        case 'Q':
        case 'q':
        case 27:
            if (!quit_confirmed())
                continue;
            quit_requested = 1;
            return stage_end::quit;
        case '1':
            explore();
            break;
        case '2':
            puzzle();
            break;
        case '3':
            trunk();
            break;
        default:
            continue;
        }
        if (quit_requested != 0)
            return stage_end::quit;
        stage_screen(false);
        if (hp <= 0)
            return stage_end::next;
    }
}

void guardian()
{
    if (hp > 0 && quit_requested == 0)
        combat();
    if (hp > 0 && quit_requested == 0)
        heal(kGuardianHeal);
}

}  // namespace

void campaign_complete()
{
    header("CAMPAIGN COMPLETE");
    show_art(art_panel_column, 0);
    prose(7, 14, season_current().ending, 39);
    quit_loses_run = 0;  // the ending saves the run whatever the key
    waitc();
}

void story_run()
{
    seasonal_seed_story();
    run_begin(run_story);
    story_opening();
    for (int stage = 0; stage < STAGE_COUNT; ++stage) {
        if (hp <= 0) {
            if (quit_requested != 0) {
                run_leave();
                return;
            }
            explosion(1);
            run_ending(run_story);
            return;
        }
        if (quit_requested != 0) {
            run_leave();
            return;
        }
        if (!od_carrier())
            break;
        level = stage;
        stage_end end = stage_menu();
        if (end == stage_end::quit) {
            run_leave();
            return;
        }
        if (end == stage_end::guardian)
            guardian();
    }
    if (quit_requested != 0) {
        run_leave();
        return;
    }
    if (hp <= 0) {
        explosion(1);
        run_ending(run_story);
        return;
    }
    if (Halloween_mode == 1) {
        halloween_finale(run_story);
        return;
    }
    explosion(0);
    if (!season_is_october())
        campaign_complete();
    run_ending(run_story);
}

namespace {

// --- Halloween finale ---

enum class finale_key {
    quit,  // Q or Esc: straight to the ending
    lost,  // the session stopped: nothing chosen
    other,
    one,
    two,
};

finale_key finale_choice()
{
    int key = read_key(true);
    if (key >= 'a' && key <= 'z')
        key -= 'a' - 'A';
    switch (key) {
    case 0:
        return finale_key::lost;
    case 'Q':
    case 27:
        quit_requested = 1;
        return finale_key::quit;
    case '1':
        return finale_key::one;
    case '2':
        return finale_key::two;
    default:
        return finale_key::other;
    }
}

// The thirteenth bell; false when the finale ends here.
bool thirteenth_bell()
{
    header("HALLOWEEN - THE THIRTEENTH BELL");
    play_melody("MFT75O2L4C.P8<G");
    show_art(art_panel_column, 2);
    prose(6, 12,
          "The town clock strikes thirteen. Grimbo's shadow escapes the shattered throne "
          "and climbs the church steeple.",
          39);
    put(3, 13, 14, "[1] CLIMB THE STEEPLE");
    put(3, 15, 11, "[2] LIGHT THE WARD LANTERN");
    finale_key choice = finale_choice();
    if (choice == finale_key::quit || choice == finale_key::lost)
        return false;
    if (choice == finale_key::one) {
        play_melody("MFT120O3L16C<G>C");
        score += 350;
        hp -= 12;
    } else if (choice == finale_key::two && (lantern_upgrade > 0 || clues >= 2)) {
        play_melody("MFT130O4L8E.G.C");
        score += 500;
        heal(15);
    } else {
        play_melody("MFT85O2L8C.P8C");
        hp -= 20;
    }
    return hp > 0;
}

// The last flame; false when the finale ends here.
bool last_flame()
{
    header("HALLOWEEN - THE LAST FLAME");
    play_melody("MFT90O3L8G.C.E");
    prose(6, 14,
          "The last candle in town flickers. The ghosts beg you to save it before the "
          "harvest consumes every name in the graveyard.",
          39);
    put(3, 13, 11, "[1] PROTECT THE CANDLE");
    put(3, 15, 11, "[2] THROW IT INTO THE DARK");
    finale_key choice = finale_choice();
    if (choice == finale_key::quit || choice == finale_key::lost)
        return false;
    if (choice == finale_key::one) {
        play_melody("MFT145O4L8CEG>C<E");
        score += 800;
        coins += 10;
    } else {
        play_melody("MFT120O3L16C<G>C");
        score += 200;
        hp -= 15;
    }
    return hp > 0;
}

void dawn_breaks()
{
    header("HALLOWEEN - DAWN BREAKS");
    play_melody("MFT145O4L8CEG>C<E");
    prose(8, 10,
          "The bell falls silent. The first sunrise of November breaks through the black "
          "clouds. The surviving pumpkins turn to ordinary ash.",
          39);
    score += 1000;
    waitc();
}

}  // namespace

void run_begin(int mode)
{
    story_unsaved = mode == run_story;
    quit_loses_run = 1;
    Halloween_mode = season_is_halloween() ? 1 : 0;
    run_state_reset(player_class);
}

void halloween_finale(int mode)
{
    quit_loses_run = 0;  // a quit here goes to the ending with the score
    if (thirteenth_bell() && last_flame()) {
        dawn_breaks();
        if (quit_requested == 0 && hp > 0)
            explosion(0);
    }
    run_ending(mode);
}

void run_ending(int mode)
{
    story_unsaved = false;
    quit_loses_run = 0;
    int outcome = save_score(mode == run_daily ? 1 : 0);
    if (mode == run_daily)
        outcome = daily_record(outcome);
    header(hp <= 0 ? "THE GUARDIANS WIN" : "THE NIGHT IS YOURS");
    char line[80];
    std::snprintf(line, sizeof line, "FINAL SCORE: %d    BOSS REACHED: %d/8",
                  static_cast<int>(score), static_cast<int>(level) + 1);
    put(6, 9, 14, line);
    const save_message message = run_save_message(outcome);
    put(6, 12, message.colour, message.text);
    waitc();
    run_leave();
}

void run_leave()
{
    story_unsaved = false;
    quit_loses_run = 0;
    daily_release();
    quit_requested = 0;
    in_adventure = 0;
}

void run(int mode)
{
    season_bind();
    in_adventure = 1;
    quit_requested = 0;
    if (mode == run_story) {
        story_run();
        return;
    }
    daily_run();
}

void run_save_unseen()
{
    // A quit is a leave without a record, whatever stopped the session after.
    if (!story_unsaved || quit_requested != 0)
        return;
    story_unsaved = false;
    save_score(0);
}
