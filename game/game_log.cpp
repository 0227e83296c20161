#include "game/game_log.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "doorkit/core/control.h"
#include "game/data_file.h"

namespace {

char log_path[PATH_MAX] = "";
char old_path[PATH_MAX] = "";
std::atomic<unsigned> log_node{0};

// Rotations tried before a line goes to whatever file is there: another
// node may rotate between this one's open and its turn at the file.
constexpr int kReopenAttempts = 3;

bool same_file(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether `fd` is still the file at the log's name.
bool still_current(int fd, struct stat& info)
{
    struct stat named {};
    return fstat(fd, &info) == 0 && lstat(log_path, &named) == 0 && same_file(info, named);
}

// The log opened for appending with this process's turn at it. A link or
// anything but a plain file at its name is never written through.
owned_fd open_current()
{
    for (int attempt = 0; attempt < kReopenAttempts; ++attempt) {
        owned_fd fd = open_plain(log_path, O_WRONLY | O_APPEND | O_CREAT, 0644);
        if (!fd)
            return fd;
        while (flock(fd.get(), LOCK_EX) != 0) {
            if (errno != EINTR)
                return fd;  // unlocked appends are still whole lines
        }
        struct stat info {};
        if (!still_current(fd.get(), info))
            continue;  // rotated meanwhile: the new file is the one to use
        if (info.st_size < GAME_LOG_LIMIT)
            return fd;
        // Full: it becomes the old log, and the line starts a new one.
        if (std::rename(log_path, old_path) != 0)
            return fd;
    }
    return owned_fd();
}

void write_line(const char* line, std::size_t length)
{
    owned_fd fd = open_current();
    if (fd)
        write_all(fd.get(), line, length);
}

}  // namespace

void game_log_open(const char* directory)
{
    if (directory == nullptr || directory[0] == '\0')
        return;
    char path[PATH_MAX];
    char old[PATH_MAX];
    const int made = std::snprintf(path, sizeof path, "%s/%s", directory, GAME_LOG_NAME);
    const int made_old = std::snprintf(old, sizeof old, "%s/%s", directory, GAME_LOG_OLD_NAME);
    if (made <= 0 || static_cast<std::size_t>(made) >= sizeof path || made_old <= 0 ||
        static_cast<std::size_t>(made_old) >= sizeof old)
        return;
    ODCopyField(log_path, path);
    ODCopyField(old_path, old);
}

void game_log_set_node(unsigned node)
{
    log_node.store(node);
}

void game_log(const char* format, ...)
{
    if (log_path[0] == '\0' || format == nullptr)
        return;
    const int saved_errno = errno;
    char line[GAME_LOG_LINE_MAX + 1];
    const std::time_t now = std::time(nullptr);
    struct tm utc {};
    gmtime_r(&now, &utc);
    int used = static_cast<int>(std::strftime(line, sizeof line, "%Y-%m-%dT%H:%M:%SZ", &utc));
    const unsigned node = log_node.load();
    used += node != 0 ? std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used),
                                      " node %u ", node)
                      : std::snprintf(line + used, sizeof line - static_cast<std::size_t>(used),
                                      " node - ");
    const std::size_t head = static_cast<std::size_t>(used);
    va_list args;
    va_start(args, format);
    std::vsnprintf(line + head, sizeof line - head - 1, format, args);
    va_end(args);
    std::size_t length = head + std::strlen(line + head);
    // One event, one line, whatever a path or a hub's reply holds.
    for (std::size_t i = head; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if (byte < 32 || byte == 127)
            line[i] = '?';
    }
    line[length++] = '\n';
    write_line(line, length);
    errno = saved_errno;
}

void game_log_cause(int error, char* out, std::size_t size)
{
    if (out == nullptr || size == 0)
        return;
    switch (error) {
    case EACCES:
    case EPERM:
        ODCopyText(out, size, "permission denied");
        return;
    case EROFS:
        ODCopyText(out, size, "permission denied (read-only file system)");
        return;
    case ENOSPC:
    case EDQUOT:
        ODCopyText(out, size, "disk full");
        return;
    case ETIMEDOUT:
        ODCopyText(out, size, "lock timeout");
        return;
    case ELOOP:
        ODCopyText(out, size, "a symbolic link stands there (never followed)");
        return;
    case EINVAL:  // what the game's own file opening says of a FIFO or device
        ODCopyText(out, size, "not a plain file");
        return;
    default:
        break;
    }
    char text[128];
    // The GNU strerror_r may return its own static text instead of filling `text`.
    ODCopyText(out, size, strerror_r(error, text, sizeof text));
}

void game_log_failure(const char* what, const char* path, int error)
{
    char cause[128];
    game_log_cause(error, cause, sizeof cause);
    game_log("%s: %s: %s", what != nullptr ? what : "", path != nullptr ? path : "", cause);
}
