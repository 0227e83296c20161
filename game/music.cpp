#include "game/music.h"

#include <cstdio>

#include "doorkit/doorkit.h"

int sound_enabled = 0;

bool music_sequence(const char* melody, char (&out)[MUSIC_BUFFER_SIZE])
{
    out[0] = '\0';
    if (melody == nullptr)
        return false;
    int n = std::snprintf(out, sizeof out, "\x1b[|%s\x0e\x0f", melody);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof out) {
        out[0] = '\0';
        return false;
    }
    return true;
}

void play_melody(const char* melody)
{
    if (sound_enabled != 1)
        return;
    char sequence[MUSIC_BUFFER_SIZE];
    if (music_sequence(melody, sequence))
        od_disp_str(sequence);
}
