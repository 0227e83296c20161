// Guardian tunes and October's guardian taunts, one per stage.
#ifndef GAME_DATA_COMBAT_TABLE_H
#define GAME_DATA_COMBAT_TABLE_H

inline constexpr int combat_stages = 8;

extern const char* const boss_themes[combat_stages];
extern const char* const boss_taunts[combat_stages];

#endif
