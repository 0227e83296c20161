#include "game/puzzle.h"

#include <cstdio>

#include "doorkit/doorkit.h"
#include "game/data/puzzle_table.h"
#include "game/keys.h"
#include "game/music.h"
#include "game/run_state.h"
#include "game/screen_kit.h"
#include "game/seasons.h"

char choices[choices_size];

namespace {

int stage_index(int stage) { return stage >= 0 && stage < puzzle_stages ? stage : 0; }

// The caller's answer in upper case; a Q or Esc the caller takes back is
// not one, and the question stays on the screen.
int answer_key()
{
    for (;;) {
        int key = read_key(true);
        if (key >= 'a' && key <= 'z')
            key -= 'a' - 'A';
        if ((key == 'Q' || key == 27) && !quit_confirmed())
            continue;
        return key;
    }
}

}  // namespace

void puzzle_question(int month_index, int stage, seal_question& out)
{
    const int s = stage_index(stage);
    if (month_index == season_october) {
        std::snprintf(out.text, sizeof out.text, "%s", riddle[s]);
        out.options = options[s];
        out.answer = answers[s];
        return;
    }
    const int month = month_index >= 0 && month_index < season_count ? month_index : 0;
    const int k = (s + month) % puzzle_items;
    const int m = (month + k) % 3;
    const char* first = items[(k + 1) % puzzle_items];
    const char* second = items[(k + 2) % puzzle_items];
    const char* third = items[(k + 3) % puzzle_items];
    if (m == 0)
        first = items[k];
    else if (m == 1)
        second = items[k];
    else
        third = items[k];
    std::snprintf(out.text, sizeof out.text, "%s: %s", seasons[month].month, hints[k]);
    std::snprintf(choices, sizeof choices, "[1] %s [2] %s [3] %s", first, second, third);
    out.options = choices;
    out.answer = static_cast<char>('1' + m);
}

bool puzzle_answer(const seal_question& question, int key)
{
    const int s = stage_index(level);
    if (key == question.answer) {
        ++clues;
        puzzle_solved[s] = 1;
        ++keys;
        score += 125;
        return true;
    }
    hp -= 12;
    return false;
}

void puzzle()
{
    const int s = stage_index(level);
    if (puzzle_solved[s]) {
        scene("THE SEAL HAS ALREADY BEEN BROKEN.");
        put(3, 12, 11, "No second reward from this lock.");
        waitc();
        return;
    }
    scene("A RUSTED SEAL BARS YOUR PATH.");
    seal_question question{};
    puzzle_question(season_index, s, question);
    prose(8, 14, question.text, 40);
    prose(12, 7, question.options, 40);
    put(3, 16, 11, "CHOOSE 1 / 2 / 3");

    const int key = answer_key();
    if (key == 0 && !od_carrier())
        return;  // the carrier went while waiting: nothing is answered
    if (key == 'Q' || key == 27) {
        quit_requested = 1;
        return;
    }
    if (quit_requested)
        return;
    if (puzzle_answer(question, key)) {
        play_melody("MFT155O4L16G>C<E");
        put(3, 17, 10, "SEAL BROKEN! +125 SCORE, +1 KEY.");
        play_melody("MFT190O4L16CEG>C");
    } else {
        put(3, 17, 12, "WRONG! THE GATE BITES. -12 SANITY.");
        play_melody("MFT85O2L8C.P8C");
    }
    waitc();
}
