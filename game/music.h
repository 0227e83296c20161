// ANSI music: melodies the caller's terminal plays while the game goes on.
#ifndef GAME_MUSIC_H
#define GAME_MUSIC_H

#include <cstddef>

// 1 when the caller asked for music this session; melodies are sent only then.
extern int sound_enabled;

constexpr std::size_t MUSIC_BUFFER_SIZE = 256;

// Wraps a melody ("MFT150O4L8CDEFGAB>C") in the music sequence: ESC [ |,
// the melody, then 0x0E 0x0F. Returns false, leaving `out` empty, when the
// whole sequence does not fit: a cut sequence would leave the terminal
// reading everything after it as notes.
bool music_sequence(const char* melody, char (&out)[MUSIC_BUFFER_SIZE]);

// Sends a melody when sound is on; never waits for it to play.
void play_melody(const char* melody);

#endif
