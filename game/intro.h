// The screens between a caller's arrival and the lobby.
#ifndef GAME_INTRO_H
#define GAME_INTRO_H

constexpr int OPENING_PAGE_COUNT = 10;
extern const char* const opening_pages[OPENING_PAGE_COUNT];

// Door closed for maintenance: true when the flag file is there.
bool maintenance_flag_present();

// The screen for a caller the BBS did not identify; waits for a key.
void caller_id_screen();

// Asks whether the caller's terminal plays ANSI music; sets sound_enabled.
void ask_music();

// October: offers the 60-second opening (ten pages, Q twice skips it).
void october_opening();

#endif
