#include "doorkit/kernel/enter_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

namespace {

// One open log descriptor, closed on every way out.
class LogFile {
public:
    explicit LogFile(const char* path)
        : fd_(open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666))
    {
    }
    ~LogFile()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    bool is_open() const { return fd_ >= 0; }
    bool full() const
    {
        struct stat st {};
        return fstat(fd_, &st) == 0 && static_cast<std::size_t>(st.st_size) >= kEnterLogLimit;
    }
    void append(const char* data, std::size_t size) const
    {
        if (write(fd_, data, size) < 0) {
            // Nothing to do: the log is a diagnostic only.
        }
    }

private:
    int fd_;
};

}  // namespace

void ODEnterLogAppend(const char* path, std::uint8_t byte)
{
    char entry[32];
    int size = std::snprintf(entry, sizeof entry, "raw incoming key=%u\\n", byte);
    if (size <= 0)
        return;
    {
        LogFile log(path);
        if (!log.is_open())
            return;
        if (!log.full()) {
            log.append(entry, static_cast<std::size_t>(size));
            return;
        }
    }
    // Full: it becomes the previous file and the entry starts a new one.
    char previous[PATH_MAX];
    int length = std::snprintf(previous, sizeof previous, "%s.1", path);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof previous ||
        std::rename(path, previous) != 0)
        return;
    LogFile fresh(path);
    if (fresh.is_open())
        fresh.append(entry, static_cast<std::size_t>(size));
}
