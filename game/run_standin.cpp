// The story run and the daily challenge are not playable yet: a run
// returns straight to the lobby.
#include "game/run.h"

void run(int) {}
