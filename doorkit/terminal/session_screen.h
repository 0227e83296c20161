// The copy of the caller's screen, kept while there is a remote side.
#ifndef DOORKIT_TERMINAL_SESSION_SCREEN_H
#define DOORKIT_TERMINAL_SESSION_SCREEN_H

// Starts the copy with the given size when baud is not 0 (true also when
// nothing needed starting); false with error_code 5 for an impossible size
// or 1 when memory is short.
bool ODSessionScreenInitialize(int width, int height);
void ODSessionScreenShutdown();
bool ODSessionScreenAvailable();

#endif
