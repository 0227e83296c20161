// The sealed gate of every stage: a three-way question that pays a clue, a
// key and score once per stage and bites on a wrong answer.
#ifndef GAME_PUZZLE_H
#define GAME_PUZZLE_H

#include <cstddef>

// The gate of the current stage; everything it changes is run state. The
// caller reads hp (dead at 0 or less) and quit_requested afterwards.
void puzzle();

inline constexpr std::size_t choices_size = 100;
// The option line of the current question in months other than October.
extern char choices[choices_size];

inline constexpr std::size_t question_size = 160;

// One built question: its text, its option line and the answer button.
struct seal_question {
    char text[question_size];
    const char* options;  // the October line, or `choices`
    char answer;          // '1'-'3'
};

// Builds the question of a stage in a month (month 9 is October's riddles).
// Fills `choices` in the other months.
void puzzle_question(int month_index, int stage, seal_question& out);

// Answers the current stage's gate with one key (already upper case) and
// pays the outcome; returns true for the right answer. Draws nothing.
bool puzzle_answer(const seal_question& question, int key);

#endif
