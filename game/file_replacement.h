// Replacing a file whole: the new content goes to a temporary file beside
// it and is renamed over the old one, so a reader sees the old file or the
// new one, never an empty or half-written one, and a writer that dies or
// fails leaves the old file in place.
#ifndef GAME_FILE_REPLACEMENT_H
#define GAME_FILE_REPLACEMENT_H

#include <climits>
#include <string_view>

#include "game/data_file.h"

class file_replacement {
public:
    // What a symbolic link standing at the final name means.
    enum class final_link {
        replace,  // the link itself is replaced; its target is never touched
        follow,   // the file it leads to is replaced (a board's own set-up)
    };

    // A new file gets `mode` (less the umask); a replaced one keeps its own.
    explicit file_replacement(const char* path, final_link link = final_link::replace,
                              mode_t mode = 0644);
    // Removes the temporary file unless it was committed.
    ~file_replacement();
    file_replacement(const file_replacement&) = delete;
    file_replacement& operator=(const file_replacement&) = delete;

    // False once anything failed (including the temporary file's creation).
    bool good() const { return good_; }
    // The system's error number of the first failure, 0 while none.
    int error() const { return error_; }
    bool write(std::string_view bytes);
    // Flushes the new content to disk and renames it over the final name.
    // Returns true only when all of it was written and the rename succeeded.
    bool commit();

private:
    bool open_temporary(mode_t mode);
    // Marks the replacement failed, keeping the first cause.
    bool fail(int error);

    char final_[PATH_MAX] = "";
    char temporary_[PATH_MAX] = "";
    owned_fd fd_;
    bool good_ = false;
    bool created_ = false;
    int error_ = 0;
};

#endif
