// The steps of one kernel pass, each in the file of its concern. A step
// returns false when the session has ended and the pass must stop.
#ifndef DOORKIT_KERNEL_STEPS_H
#define DOORKIT_KERNEL_STEPS_H

#include <ctime>

// Shows a kernel message through message_hook, else od_disp_str; false
// when the session ended meanwhile.
bool ODKrnlShowMessage(const char* text);

// Ends the door for `reason` with its exit code (custom or default).
void ODKrnlEndSession(int reason);

// Carrier check; the input pump moves the caller's bytes into the queue.
bool ODKrnlCheckCarrier();
void ODKrnlPumpInput();

bool ODKrnlCheckInactivity(std::time_t now);
bool ODKrnlCheckTimeLimit(std::time_t now);

#endif
