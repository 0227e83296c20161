// Finding the drop file of this node.
#ifndef DOORKIT_DROPFILE_SEARCH_H
#define DOORKIT_DROPFILE_SEARCH_H

#include <climits>
#include <cstddef>
#include <cstdint>

// The file chosen: its candidate number, its absolute path and directory.
struct ODDropChoice {
    int candidate = -1;
    char path[PATH_MAX] = {};
    char dir[PATH_MAX] = {};
};

// "dorinfo%d.def" for nodes 0..9, "dorinfoA.def".."dorinfoZ.def" for 10..35,
// "dorinfo1.def" for any other node.
void ODDorinfoName(std::uint16_t node, char (&name)[13]);

// The name of candidate `index` for this node.
const char* ODCandidateName(int index, char (&dorinfo)[13]);

// The drop-file directory: the whole path given with -D when the field still
// holds its cut copy, else the field as the application set it.
const char* ODDropFileDirectory();

// Makes a path absolute against the working directory (the directory the
// door was started in while od_init runs). False when it does not fit.
bool ODMakeAbsolute(const char* path, char* out, std::size_t size);

// Looks for a regular, readable file `name` in `dir` (as written, in lower
// case or in upper case); its path goes to `path`, its time to *mtime.
bool ODFindInDir(const char* dir, const char* name, char* path, std::size_t size,
                 long long* mtime);

// A drop file named directly: the candidate its name says, or false when
// the path is not such a file.
bool ODDirectDropFile(const char* path, ODDropChoice* choice);

// The newest candidate in one directory (a later one wins only when it is
// more than 10 seconds newer; CHAIN.TXT never displaces DORINFO).
bool ODSearchInDir(const char* dir, ODDropChoice* choice);

// Searches the drop-file directory, "./" and the BBS directory variables in
// turn; the first directory with a candidate ends the search.
bool ODSearchForDropFile(ODDropChoice* choice);

// Where the drop file was looked for, for a start-up failure report: the
// file chosen, the BBSDEV.DRP path, the -D location made absolute, or the
// directories searched without -D; empty when no drop file is needed.
void ODDescribeDropFileSearch(char* out, std::size_t size);

#endif
