// Reading and writing one line of the game's tab-separated files.
#ifndef GAME_SCORE_LINE_H
#define GAME_SCORE_LINE_H

#include <cstddef>
#include <cstdio>

// Appends `length` bytes in one write, so readers and other appenders never
// see half a record. A file whose last line was left unfinished (a writer
// died mid-line) first gets its line feed, so the new record does not fuse
// with the damaged one. A link or anything but a regular file at `path` is
// refused. Returns 1 only when everything was written and the file closed
// cleanly.
int append_line(const char* path, const char* line, std::size_t length);

// Copies `text` into `out` (room for `size` bytes) with every byte that
// could break a tab-separated line or a terminal (controls, tab, Delete)
// replaced by "_"; an empty text becomes "_". When `printable_only`, bytes
// above 126 are replaced as well. At most `max_length` characters.
void safe_field(char* out, std::size_t size, const char* text, std::size_t max_length,
                bool printable_only);

// Reads one line into `line` (room for `size` bytes), without its line feed
// (and carriage return). A line that does not fit is consumed whole and
// comes back empty, as damaged. Returns false at end of file.
bool read_line(std::FILE* file, char* line, std::size_t size);

#endif
