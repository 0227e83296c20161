#include "game/profile_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "game/data_file.h"
#include "game/file_replacement.h"

namespace {

constexpr std::size_t kLineSize = 256;

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
    text_file file = read_plain(path);
    if (!file)
        return false;
    char line[kLineSize];
    if (std::fgets(line, sizeof line, file.get()) == nullptr)
        return false;
    line[std::strcspn(line, "\r\n")] = '\0';
    return profile_parse(line, out);
}

bool profile_save(const char* path, const char* handle, int gender, int player_class,
                  int* error)
{
    int cause = EINVAL;
    if (path != nullptr && path[0] != '\0' && handle != nullptr) {
        char text[kLineSize];
        int length =
            std::snprintf(text, sizeof text, "%s\t%d\t%d\n", handle, gender, player_class);
        if (length < 0 || static_cast<std::size_t>(length) >= sizeof text) {
            cause = ENAMETOOLONG;
        } else {
            file_replacement file(path);
            if (file.write({text, static_cast<std::size_t>(length)}) && file.commit())
                return true;
            cause = file.error() != 0 ? file.error() : EIO;
        }
    }
    if (error != nullptr)
        *error = cause;
    return false;
}
