#include "chat/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "chat/json_reader.h"
#include "chat/protocol.h"

namespace vexa {

namespace {

constexpr std::size_t kPathSize = 1024;
// Escaped lengths the file allows for its three texts.
constexpr std::size_t kBbsEscaped = 129;
constexpr std::size_t kSecretEscaped = 519;
constexpr std::size_t kUrlEscaped = 1023;
// A decoded key can never be longer than the file it came from.
constexpr std::size_t kKeySize = 16384;

constexpr const char* kOwnMembers[] = {"enabled", "bbs", "secret", "url"};

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and says whether the close went through.
    bool close_now()
    {
        int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }

private:
    int fd_;
};

bool write_all(int fd, const char* text, std::size_t length)
{
    while (length > 0) {
        ssize_t n = write(fd, text, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        text += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

// Appends `count` bytes to out[*used..], keeping room for the final NUL.
bool append(char* out, std::size_t limit, std::size_t* used, const char* text, std::size_t count)
{
    if (count > limit - *used)
        return false;
    std::memcpy(out + *used, text, count);
    *used += count;
    return true;
}

bool own_member(const char* key)
{
    for (const char* name : kOwnMembers)
        if (std::strcmp(key, name) == 0)
            return true;
    return false;
}

// Appends "," and the raw text of every other member of `previous`.
bool append_kept_members(const char* previous, std::size_t previous_length, char* out,
                         std::size_t limit, std::size_t* used)
{
    static thread_local cj_state state;
    if (!cj_parse(&state, previous, previous_length))
        return false;
    static thread_local char key[kKeySize];
    int end = state.tokens[0].next;
    for (int at = 1; at + 1 < end; at = state.tokens[at + 1].next) {
        if (!cj_decode(&state, at, key, sizeof key))
            return false;
        if (own_member(key))
            continue;
        const char* from = previous + state.tokens[at].start;
        std::size_t count = state.tokens[at + 1].end - state.tokens[at].start;
        if (!append(out, limit, used, ",", 1) || !append(out, limit, used, from, count))
            return false;
    }
    return true;
}

}  // namespace

int settings_compose(int enabled, const char* bbs, const char* secret, const char* url,
                     const char* previous, std::size_t previous_length, char* out,
                     std::size_t out_size, std::size_t* length)
{
    *length = 0;
    if (out_size == 0)
        return 0;
    out[0] = '\0';
    char bbs_text[kBbsEscaped + 1];
    char secret_text[kSecretEscaped + 1];
    char url_text[kUrlEscaped + 1];
    if (!json_escape(bbs, kBbsEscaped, bbs_text, sizeof bbs_text) ||
        !json_escape(secret, kSecretEscaped, secret_text, sizeof secret_text) ||
        !json_escape(url, kUrlEscaped, url_text, sizeof url_text))
        return 0;

    std::size_t limit = out_size - 1 < settings_text_max ? out_size - 1 : settings_text_max;
    int made = std::snprintf(out, limit + 1, "{\"enabled\":%s,\"bbs\":\"%s\",\"secret\":\"%s\",\"url\":\"%s\"",
                             enabled ? "true" : "false", bbs_text, secret_text, url_text);
    if (made < 0 || static_cast<std::size_t>(made) > limit)
        return 0;
    std::size_t used = static_cast<std::size_t>(made);
    if (previous_length > 0 && !append_kept_members(previous, previous_length, out, limit, &used))
        return 0;
    if (!append(out, limit, &used, "}\n", 2))
        return 0;
    out[used] = '\0';
    *length = used;
    return 1;
}

int settings_backup(const char* path)
{
    char name[kPathSize];
    for (int n = 1; n <= settings_backup_max; ++n) {
        int made = std::snprintf(name, sizeof name, "%s.previous.%d", path, n);
        if (made < 0 || static_cast<std::size_t>(made) >= sizeof name)
            return 0;
        struct stat info;
        if (lstat(name, &info) == 0)
            continue;
        if (errno != ENOENT)
            return 0;
        return link(path, name) == 0 ? 1 : 0;
    }
    return 0;
}

int settings_replace(const char* path, const char* text, std::size_t length)
{
    char temporary[kPathSize];
    int made = std::snprintf(temporary, sizeof temporary, "%s.tmp.XXXXXX", path);
    if (made < 0 || static_cast<std::size_t>(made) >= sizeof temporary)
        return 0;
    // mkstemp creates exclusively, readable by the owner only.
    Descriptor file(mkostemp(temporary, O_CLOEXEC));
    if (file.get() < 0)
        return 0;
    if (!write_all(file.get(), text, length) || fsync(file.get()) != 0) {
        file.close_now();
        unlink(temporary);
        return 0;
    }
    if (!file.close_now() || std::rename(temporary, path) != 0) {
        unlink(temporary);
        return 0;
    }
    return 1;
}

}  // namespace vexa
