// The one place the game reads the caller's keys.
#ifndef GAME_KEYS_H
#define GAME_KEYS_H

// The next key the caller typed as a character code, or 0 when there is none
// (nothing waiting on a poll, or the session stopped during a wait).
//
// Terminal key sequences are decoded first, so an arrow or function key never
// reads as a lone Esc followed by letters; such keys are dropped. Delete reads
// as 127 (a backspace at the line prompts). A line feed is skipped, so CR LF
// is one Enter. A lone Esc still reads as 27 once the decoder's short wait for
// the rest of a sequence has passed.
int read_key(bool wait);

#endif
