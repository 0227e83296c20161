// The game directory and the caller's key into it.
#ifndef GAME_STORAGE_H
#define GAME_STORAGE_H

#include <cstddef>
#include <cstdint>

constexpr std::size_t PROFILE_PATH_SIZE = 128;

// 1 once the working directory is the program's own and "data" exists; no
// game file is written while it is 0.
extern int storage_ok;
// "data/profile-<caller hash>.tsv"; also the caller's key in the daily and
// sharing files. Empty until the caller is known.
extern char profile_path[PROFILE_PATH_SIZE];

// Moves to the program's own directory and makes sure "data" exists; a
// failure is noted in the game's log.
void init_storage();

// The directory that holds the running executable (the game directory);
// false when it cannot be told.
bool program_directory(char* out, std::size_t size);

// 64-bit FNV-1a of the caller identity.
std::uint64_t caller_hash(const char* identity);
// Sets profile_path from the caller identity.
void set_profile_path(const char* identity);

#endif
