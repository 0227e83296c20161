// The board's settings file "grimbo.json" and the background run of the
// sibling sharing tool that pools scores between boards.
#ifndef GAME_INTERBBS_H
#define GAME_INTERBBS_H

#include <cstddef>

constexpr std::size_t BBS_NAME_SIZE = 64;

extern int interbbs_enabled;           // score sharing switched on (default 0)
extern char bbs_name[BBS_NAME_SIZE];   // board's display name ("VEXA ONLINE")

// Reads "grimbo.json" from the working directory; a missing file or missing
// keys leave the current values.
void load_config();
// The same search over text already read (at most `length` bytes).
void apply_config_text(const char* text, std::size_t length);

// Starts "./GRIMBO-CONFIG --sync" detached when sharing is on and
// "hub/sync.json" is readable; never waits for the tool.
void interbbs_sync_background();

#endif
