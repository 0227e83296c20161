#include "game/file_replacement.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "doorkit/core/control.h"

namespace {

// Names tried before giving up: one taken by a leftover of a process that
// died (or by something planted) only moves on to the next.
constexpr int kNameAttempts = 16;

// Temporary names used by this process so far.
unsigned long temporary_count = 0;

struct free_deleter {
    void operator()(char* text) const { std::free(text); }
};

}  // namespace

file_replacement::file_replacement(const char* path, final_link link, mode_t mode)
{
    if (path == nullptr || path[0] == '\0') {
        fail(EINVAL);
        return;
    }
    struct stat info {};
    if (link == final_link::follow && lstat(path, &info) == 0 && S_ISLNK(info.st_mode)) {
        std::unique_ptr<char, free_deleter> target(realpath(path, nullptr));
        if (!target) {
            fail(errno);
            return;
        }
        ODCopyField(final_, target.get());
        if (std::string_view(final_) != target.get()) {
            fail(ENAMETOOLONG);  // cut short: not the file the link leads to
            return;
        }
    } else {
        ODCopyField(final_, path);
        if (std::string_view(final_) != path) {
            fail(ENAMETOOLONG);
            return;
        }
    }
    good_ = open_temporary(mode) || fail(errno);
}

bool file_replacement::fail(int error)
{
    good_ = false;
    if (error_ == 0)
        error_ = error != 0 ? error : EIO;
    return false;
}

file_replacement::~file_replacement()
{
    fd_.reset();
    if (created_)
        unlink(temporary_);
}

bool file_replacement::open_temporary(mode_t mode)
{
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        int length = std::snprintf(temporary_, sizeof temporary_, "%s.%ld.%lu.tmp", final_,
                                   static_cast<long>(getpid()), ++temporary_count);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof temporary_) {
            errno = ENAMETOOLONG;
            return false;
        }
        // O_EXCL: a name already there, a planted link included, is never
        // opened; the file is new and ours alone.
        fd_.reset(open(temporary_, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (fd_) {
            created_ = true;
            // The permissions the board gave the old file stay with the new.
            struct stat old {};
            return lstat(final_, &old) != 0 || !S_ISREG(old.st_mode) ||
                   fchmod(fd_.get(), old.st_mode & 0777) == 0;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool file_replacement::write(std::string_view bytes)
{
    if (good_ && !write_all(fd_.get(), bytes.data(), bytes.size()))
        fail(errno);
    return good_;
}

bool file_replacement::commit()
{
    if (!good_)
        return false;
    if (fsync(fd_.get()) != 0)
        fail(errno);
    if (!fd_.close_checked())
        fail(errno);
    if (good_ && std::rename(temporary_, final_) == 0)
        created_ = false;
    else
        fail(errno);
    return good_;
}
