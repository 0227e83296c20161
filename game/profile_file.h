// The survivor profile file: one line "handle<TAB>gender<TAB>class".
#ifndef GAME_PROFILE_FILE_H
#define GAME_PROFILE_FILE_H

#include <cstddef>

constexpr int CLASS_COUNT = 5;

struct stored_profile {
    char handle[128];
    int gender;
    int player_class;
};

// Reads and checks a profile file; false when it is missing, unreadable,
// not a regular file (a link is never followed) or malformed (fewer than
// three fields, or a class outside 0-4).
bool profile_load(const char* path, stored_profile* out);

// Parses one profile line (without its newline).
bool profile_parse(const char* line, stored_profile* out);

// Replaces the profile file with one line. The new line goes to a temporary
// file first and is renamed over the old one, so a full disk or a crash
// leaves the previous survivor intact. A link standing at `path` is
// replaced, never written through. False on any failure, with its cause
// (a system error number) in `error` when given.
bool profile_save(const char* path, const char* handle, int gender, int player_class,
                  int* error = nullptr);

#endif
