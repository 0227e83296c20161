// log: uses core, the kernel (why the session ended) and output (the shared
// work string).
//
// The door kit's activity log: one header per session, one time-stamped
// line per event. Opening it installs the two hooks the rest of the kit
// calls without knowing about the log.
#ifndef DOORKIT_LOG_LOG_H
#define DOORKIT_LOG_LOG_H

#include <cstdio>

#include "doorkit/output/output.h"

extern std::FILE* logfile_pointer;

// Installed while the log is open; null otherwise.
extern bool (*pfLogWrite)(int message);
extern bool (*pfLogClose)(int errorlevel);

bool ODLogEnable();
// Messages 0..11; number 8 adds the chat reason.
bool ODLogWriteStandardMsg(int message);
// Writes the closing line for this exit and closes the log.
bool ODLogClose(int errorlevel);
// Formats into szODWorkString; a result too long for it leaves it empty.
bool ODLogFormatWorkString(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The time stamp that starts an event line: "> 13:05:07  " or ">  9:05:07  ".
void ODLogTimeStamp(int hour, int minute, int second, char (&out)[16]);

#endif
