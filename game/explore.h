// Two entries of the stage menu: searching the stage ("[1] EXPLORE") and
// the supply trunk ("[3] TRUNK").
#ifndef GAME_EXPLORE_H
#define GAME_EXPLORE_H

inline constexpr int explore_limit = 3;  // searches that can pay per stage

// Searches the current stage, then shows its seal line.
void explore();
// The supply trunk; C, Q or Esc close it without leaving the run.
void trunk();

// --- The rules, kept apart from the drawing ---

enum class search_outcome {
    exhausted,  // the stage was already searched three times
    found,      // coins + 5, score + 30
    hurt,       // health - 8
};
// One search of the current stage: counts it and rolls the dice.
search_outcome search_stage();

enum class trunk_outcome {
    too_dear,  // the price is more than the coins held
    bought,
    at_limit,  // an upgrade at its cap: the price was given back
};
// Buys item 0-6 of the catalogue with the coins held. An index outside the
// catalogue is too dear.
trunk_outcome trunk_buy(int item);

#endif
