// The seal questions: October's riddles, and the objects and hints the other
// months build their questions from.
#ifndef GAME_DATA_PUZZLE_TABLE_H
#define GAME_DATA_PUZZLE_TABLE_H

inline constexpr int puzzle_stages = 8;
inline constexpr int puzzle_items = 8;

extern const char* const riddle[puzzle_stages];
extern const char* const options[puzzle_stages];
extern const char answers[puzzle_stages + 1];  // one answer button per stage

extern const char* const items[puzzle_items];
extern const char* const hints[puzzle_items];  // hint i describes item i

#endif
