// Node reservations shared between the door processes of several nodes.
#ifndef DOORKIT_SESSION_RESERVE_H
#define DOORKIT_SESSION_RESERVE_H

// 0 when joined (or reservations are off); non-zero on failure.
int ODReserveSessionInitialize();
void ODReserveSessionShutdown();

#endif
