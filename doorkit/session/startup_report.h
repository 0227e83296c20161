// A failed start told to the application, whose own log is the only trace
// left when the BBS discards standard error.
#ifndef DOORKIT_SESSION_STARTUP_REPORT_H
#define DOORKIT_SESSION_STARTUP_REPORT_H

// Calls startup_failure_hook, when set, with the message (one trailing line
// end removed) and where the drop file was looked for: nothing for a
// failure found before any looking (`looked` false). Once per process.
void ODReportStartupFailure(const char* message, bool looked = true);

#endif
