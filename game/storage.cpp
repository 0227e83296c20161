#include "game/storage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "game/game_log.h"

int storage_ok = 0;
char profile_path[PROFILE_PATH_SIZE];

namespace {

constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;
constexpr std::size_t kExePathSize = 2048;

}  // namespace

bool program_directory(char* out, std::size_t size)
{
    char path[kExePathSize];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0 || out == nullptr || size == 0)
        return false;
    path[length] = '\0';
    char* slash = std::strrchr(path, '/');
    if (slash == nullptr)
        return false;
    // "/grimbo" lives in the root directory itself.
    slash[slash == path ? 1 : 0] = '\0';
    if (std::strlen(path) >= size)
        return false;
    std::memcpy(out, path, std::strlen(path) + 1);
    return true;
}

void init_storage()
{
    char path[kExePathSize];
    if (program_directory(path, sizeof path) && chdir(path) != 0) {
        char cause[128];
        game_log_cause(errno, cause, sizeof cause);
        game_log("game directory %s cannot be entered: %s", path, cause);
        return;
    }
    if (mkdir("data", 0755) != 0) {
        // A plain file named "data" is no place for the game's files.
        struct stat existing {};
        const int error = errno;
        if (error != EEXIST || stat("data", &existing) != 0 || !S_ISDIR(existing.st_mode)) {
            char cause[128];
            game_log_cause(error == EEXIST ? ENOTDIR : error, cause, sizeof cause);
            game_log("data directory cannot be made, nothing will be saved: %s", cause);
            return;
        }
    }
    storage_ok = 1;
}

std::uint64_t caller_hash(const char* identity)
{
    std::uint64_t hash = kFnvOffsetBasis;
    for (const char* at = identity != nullptr ? identity : ""; *at != '\0'; ++at) {
        hash ^= static_cast<unsigned char>(*at);
        hash *= kFnvPrime;
    }
    return hash;
}

void set_profile_path(const char* identity)
{
    std::snprintf(profile_path, sizeof profile_path, "data/profile-%016llx.tsv",
                  static_cast<unsigned long long>(caller_hash(identity)));
}
