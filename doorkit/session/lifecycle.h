// session: the top floor. od_init and od_exit with the lifecycle, the
// command line and the local set-up; it calls every other folder, and no
// other folder includes it.
//
// Start-up and shutdown of the session.
#ifndef DOORKIT_SESSION_LIFECYCLE_H
#define DOORKIT_SESSION_LIFECYCLE_H

// Registered with atexit by the first od_init: ends a session the
// application forgot to end.
void ODAtExitCallback();

#endif
