// grimbo.log in the game directory: one line per event a system operator
// needs when a caller says "it didn't start" (a refused start, how each
// session ended, failed saves, the sharing tool, the chat hub), since a BBS
// commonly discards a door's standard error. Lines carry a UTC time stamp
// and the node number. Writing it never stops the game.
#ifndef GAME_GAME_LOG_H
#define GAME_GAME_LOG_H

#include <cstddef>

inline constexpr const char* GAME_LOG_NAME = "grimbo.log";
inline constexpr const char* GAME_LOG_OLD_NAME = "grimbo.log.1";
// At this size the log becomes grimbo.log.1 (replacing the one before).
inline constexpr long GAME_LOG_LIMIT = 1024L * 1024L;
// The longest line written; longer texts are cut.
inline constexpr std::size_t GAME_LOG_LINE_MAX = 1024;

// Names the directory the log is kept in; until then nothing is logged.
// Called once on the main thread before any other thread starts.
void game_log_open(const char* directory);
// The node number the lines carry (0: not known yet, shown as "-").
void game_log_set_node(unsigned node);

// Appends "YYYY-MM-DDTHH:MM:SSZ node N <text>" as one line. Safe from any
// thread and any node at once; control characters in the text become '?'.
void game_log(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "<what>: <path>: <cause>", the cause from game_log_cause.
void game_log_failure(const char* what, const char* path, int error);

// Why a file operation failed, in a sysop's words: "permission denied",
// "disk full", "lock timeout", else the system's own text.
void game_log_cause(int error, char* out, std::size_t size);

#endif
