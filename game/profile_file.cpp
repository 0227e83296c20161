#include "game/profile_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>


namespace {

constexpr std::size_t kLineSize = 256;
constexpr std::size_t kPathSize = 192;

bool write_all(int fd, const char* text, std::size_t size)
{
    while (size > 0) {
        ssize_t sent = write(fd, text, size);
        if (sent <= 0)
            return false;
        text += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace

bool profile_parse(const char* line, stored_profile* out)
{
    if (line == nullptr || out == nullptr)
        return false;
    stored_profile read{};
    if (std::sscanf(line, "%127[^\t]\t%d\t%d", read.handle, &read.gender, &read.player_class) != 3)
        return false;
    if (read.player_class < 0 || read.player_class >= CLASS_COUNT)
        return false;
    *out = read;
    return true;
}

bool profile_load(const char* path, stored_profile* out)
{
    if (path == nullptr || path[0] == '\0')
        return false;
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr)
        return false;
    char line[kLineSize];
    bool got = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    if (!got)
        return false;
    line[std::strcspn(line, "\r\n")] = '\0';
    return profile_parse(line, out);
}

bool profile_save(const char* path, const char* handle, int gender, int player_class)
{
    if (path == nullptr || path[0] == '\0' || handle == nullptr)
        return false;
    char text[kLineSize];
    int length = std::snprintf(text, sizeof text, "%s\t%d\t%d\n", handle, gender, player_class);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof text)
        return false;

    // Only this process uses a temporary name with its own process id.
    char temporary[kPathSize];
    int named = std::snprintf(temporary, sizeof temporary, "%s.%ld.tmp", path,
                              static_cast<long>(getpid()));
    if (named < 0 || static_cast<std::size_t>(named) >= sizeof temporary)
        return false;
    int fd = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = write_all(fd, text, static_cast<std::size_t>(length)) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && std::rename(temporary, path) == 0;
    if (!ok)
        unlink(temporary);
    return ok;
}
