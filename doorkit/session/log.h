// The door kit's activity log.
#ifndef DOORKIT_SESSION_LOG_H
#define DOORKIT_SESSION_LOG_H

// Installed while the log is open; null otherwise.
extern bool (*pfLogWrite)(int message);
extern bool (*pfLogClose)(int errorlevel);

#endif
