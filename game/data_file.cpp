#include "game/data_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

owned_fd& owned_fd::operator=(owned_fd&& other) noexcept
{
    if (this != &other)
        reset(other.release());
    return *this;
}

int owned_fd::release()
{
    int fd = fd_;
    fd_ = -1;
    return fd;
}

void owned_fd::reset(int fd)
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = fd;
}

bool owned_fd::close_checked()
{
    if (fd_ < 0)
        return false;
    return close(release()) == 0;
}

owned_fd open_plain_at(int dir, const char* path, int flags, mode_t mode)
{
    // Non-blocking only for the open itself: a FIFO planted in place of a
    // table would otherwise hold the caller until someone writes to it.
    owned_fd fd(openat(dir, path, flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, mode));
    if (!fd)
        return fd;
    struct stat info {};
    if (fstat(fd.get(), &info) != 0)
        return owned_fd();
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        return owned_fd();
    }
    int status = fcntl(fd.get(), F_GETFL);
    if (status < 0 || fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) != 0)
        return owned_fd();
    return fd;
}

text_file read_plain(const char* path)
{
    owned_fd fd = open_plain(path, O_RDONLY);
    if (!fd)
        return nullptr;
    text_file file(fdopen(fd.get(), "r"));
    if (file)
        fd.release();
    return file;
}

bool write_all(int fd, const char* bytes, std::size_t length)
{
    while (length > 0) {
        ssize_t sent = write(fd, bytes, length);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}
