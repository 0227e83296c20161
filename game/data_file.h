// Opening the game's own files. Nodes of other users may share "data", so
// a link planted there is never followed, only regular files are used and
// no descriptor leaks into the programs the game starts.
#ifndef GAME_DATA_FILE_H
#define GAME_DATA_FILE_H

#include <fcntl.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdio>
#include <memory>

// One open descriptor, closed when the holder goes.
class owned_fd {
public:
    owned_fd() = default;
    explicit owned_fd(int fd) : fd_(fd) {}
    ~owned_fd() { reset(); }
    owned_fd(const owned_fd&) = delete;
    owned_fd& operator=(const owned_fd&) = delete;
    owned_fd(owned_fd&& other) noexcept : fd_(other.release()) {}
    owned_fd& operator=(owned_fd&& other) noexcept;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release();
    void reset(int fd = -1);
    // Closes now; false when the close reported an error (lost data).
    bool close_checked();

private:
    int fd_ = -1;
};

struct file_closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using text_file = std::unique_ptr<std::FILE, file_closer>;

// open(2) of `path` relative to `dir` (AT_FDCWD for the working directory)
// that refuses a symbolic link (errno ELOOP) and anything but a regular
// file (errno EINVAL), never blocks on a FIFO and closes on exec.
owned_fd open_plain_at(int dir, const char* path, int flags, mode_t mode = 0644);
inline owned_fd open_plain(const char* path, int flags, mode_t mode = 0644)
{
    return open_plain_at(AT_FDCWD, path, flags, mode);
}

// The same for reading a text file with stdio; empty when it cannot be
// opened, with errno telling why (ENOENT: the file is missing).
text_file read_plain(const char* path);

// Writes all of `length` bytes; false on any failure.
bool write_all(int fd, const char* bytes, std::size_t length);

#endif
