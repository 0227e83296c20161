// Sessions run at the local terminal without a drop file.
#ifndef DOORKIT_SESSION_LOCAL_SETUP_H
#define DOORKIT_SESSION_LOCAL_SETUP_H

// Whether the locale chosen by the environment uses UTF-8. The process's
// own locale setting is left as it was.
bool ODLocaleIsUTF8();

// Fills od_control for a local session (no drop file, remote over stdio).
void ODInitLocalSetup();

// Fills the caller's name, the BBS name and the line speed from the
// operating-system account and the local terminal.
void ODInitFillFromAccount();

#endif
