// One run from the lobby: the month's story (mode 0) or the daily
// challenge (mode 1); returns to the lobby when it ends.
#ifndef GAME_RUN_H
#define GAME_RUN_H

void run(int mode);

#endif
