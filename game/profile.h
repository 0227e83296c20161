// The caller's survivor: offered again from its file on later calls, or
// created (handle, gender, class) and saved.
#ifndef GAME_PROFILE_H
#define GAME_PROFILE_H

extern int gender;        // 0 = M, 1 = F; cosmetic
extern int player_class;  // 0 Carver, 1 Warden, 2 Alchemist, 3 Scout, 4 Medium

constexpr int HANDLE_INPUT_MAX = 55;

// Loads or creates the survivor; sets player, display_handle, gender and
// player_class, and writes the profile file for a new survivor.
void profile_setup();

#endif
