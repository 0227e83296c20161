// What the game's log records of a session: a refused start, with the
// door kit's message and where it looked for the drop file, and the
// session's end with its exit status and reason.
#ifndef GAME_SESSION_LOG_H
#define GAME_SESSION_LOG_H

// Opens the log in the game directory and installs the door kit's hooks;
// before the command line is parsed, so every refusal is seen.
void session_log_start();
// Once the kit has started: the node number every later line carries.
void session_log_started();
// Why the game itself ends the session, for the line its end writes
// ("the caller left the game"); replaces the general wording.
void session_log_ending(const char* why);

// The end line's wording for a door-kit reason (OD_END_*); `own` is the
// game's own note for an end it asked for, may be null.
const char* session_end_wording(int reason, const char* own);

#endif
