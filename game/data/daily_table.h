// Texts of the daily challenge (game/data/daily_table.cpp).
#ifndef GAME_DATA_DAILY_TABLE_H
#define GAME_DATA_DAILY_TABLE_H

inline constexpr int daily_days = 31;
inline constexpr int daily_omens = 8;

// October's dated story, one row per day of the month (index day - 1).
extern const char* const daily_chapters[daily_days];
extern const char* const daily_events[daily_days];
extern const char* const daily_decisions[daily_days];
extern const char* const daily_results[daily_days];
extern const char* const daily_safe_results[daily_days];

// The opening lines of the other months' missions.
extern const char* const omens[daily_omens];

#endif
