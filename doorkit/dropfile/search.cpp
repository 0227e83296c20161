#include "doorkit/dropfile/search.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "doorkit/doorkit.h"
#include "doorkit/core/ascii_case.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/candidates.h"

namespace {

constexpr long long kNewerMargin = 10;  // seconds

bool ends_with_nocase(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() &&
           ODAsciiEqualNoCase(text.substr(text.size() - tail.size()), tail);
}

bool starts_with_nocase(std::string_view text, std::string_view head)
{
    return text.size() >= head.size() && ends_with_nocase(text.substr(0, head.size()), head);
}

// dir + "/" + name, without doubling a slash the directory ends with.
bool join_path(const char* dir, const char* name, char* out, std::size_t size)
{
    const std::size_t length = std::strlen(dir);
    const char* slash = (length > 0 && dir[length - 1] == '/') ? "" : "/";
    const int written = std::snprintf(out, size, "%s%s%s", dir, slash, name);
    return written >= 0 && static_cast<std::size_t>(written) < size;
}

// A regular file that this process can open for reading. Opened without
// blocking, so a FIFO of that name cannot stall start-up.
bool readable_file(const char* path, long long* mtime)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    close(fd);
    if (ok && mtime != nullptr)
        *mtime = static_cast<long long>(st.st_mtime);
    return ok;
}

// The directory part of an absolute path ("/" for a file in the root).
void directory_of(const char* path, char* out, std::size_t size)
{
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        ODCopyText(out, size, ".");
        return;
    }
    const std::size_t length = slash == path ? 1 : static_cast<std::size_t>(slash - path);
    ODCopyText(out, size, std::string_view(path, length));
}

bool choose(const char* dir, int candidate, const char* path, ODDropChoice* choice)
{
    choice->candidate = candidate;
    ODCopyField(choice->path, path);
    ODCopyField(choice->dir, dir);
    return true;
}

}  // namespace

void ODDorinfoName(std::uint16_t node, char (&name)[13])
{
    char tag = '1';
    if (node <= 9)
        tag = static_cast<char>('0' + node);
    else if (node <= 35)
        tag = static_cast<char>('A' + (node - 10));
    std::snprintf(name, sizeof name, "dorinfo%c.def", tag);
}

const char* ODCandidateName(int index, char (&dorinfo)[13])
{
    if (index == OD_CANDIDATE_DORINFO) {
        ODDorinfoName(od_control.node_number, dorinfo);
        return dorinfo;
    }
    return kDropCandidates[static_cast<std::size_t>(index)].name;
}

const char* ODDropFileDirectory()
{
    const char* field = od_control.drop_file_dir;
    const std::size_t field_length = strnlen(field, sizeof od_control.drop_file_dir);
    if (szDropFileDirFull[0] != '\0' && field_length == sizeof od_control.drop_file_dir - 1 &&
        std::strncmp(field, szDropFileDirFull, field_length) == 0)
        return szDropFileDirFull;
    return field;
}

bool ODMakeAbsolute(const char* path, char* out, std::size_t size)
{
    if (path[0] == '/') {
        if (std::strlen(path) >= size)
            return false;
        ODCopyText(out, size, path);
        return true;
    }
    std::string_view rest(path);
    while (rest.starts_with("./"))
        rest.remove_prefix(2);
    if (rest == ".")
        rest = {};
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        // Still usable as long as the door stays where it started.
        if (std::strlen(path) >= size)
            return false;
        ODCopyText(out, size, path);
        return true;
    }
    if (rest.empty()) {
        ODCopyText(out, size, cwd);
        return std::strlen(cwd) < size;
    }
    char name[PATH_MAX];
    if (rest.size() >= sizeof name)
        return false;
    ODCopyField(name, rest);
    return join_path(cwd, name, out, size);
}

bool ODFindInDir(const char* dir, const char* name, char* path, std::size_t size,
                 long long* mtime)
{
    char variants[3][PATH_MAX / 16];
    const std::size_t length = std::strlen(name);
    if (length >= sizeof variants[0])
        return false;
    for (std::size_t i = 0; i <= length; ++i) {
        variants[0][i] = name[i];
        variants[1][i] = ODAsciiLower(name[i]);
        variants[2][i] = ODAsciiUpper(name[i]);
    }
    for (int v = 0; v < 3; ++v) {
        if (v > 0 && std::strcmp(variants[v], variants[v - 1]) == 0)
            continue;
        if (join_path(dir, variants[v], path, size) && readable_file(path, mtime))
            return true;
    }
    return false;
}

bool ODDirectDropFile(const char* path, ODDropChoice* choice)
{
    char absolute[PATH_MAX];
    if (!ODMakeAbsolute(path, absolute, sizeof absolute) || !readable_file(absolute, nullptr))
        return false;
    char dir[PATH_MAX];
    directory_of(absolute, dir, sizeof dir);

    const std::string_view text(absolute);
    constexpr std::size_t kDorinfoLength = 12;  // "dorinfoN.def"
    if (ends_with_nocase(text, ".def") && text.size() >= kDorinfoLength &&
        starts_with_nocase(text.substr(text.size() - kDorinfoLength), "dorinfo"))
        return choose(dir, OD_CANDIDATE_DORINFO, absolute, choice);

    char dorinfo[13];
    for (int i = 0; i < static_cast<int>(kDropCandidates.size()); ++i) {
        if (ends_with_nocase(text, ODCandidateName(i, dorinfo)))
            return choose(dir, i, absolute, choice);
    }
    return false;
}

bool ODSearchInDir(const char* dir, ODDropChoice* choice)
{
    char absolute_dir[PATH_MAX];
    if (!ODMakeAbsolute(dir, absolute_dir, sizeof absolute_dir))
        return false;
    int best = -1;
    long long best_mtime = 0;
    char dorinfo[13];
    char path[PATH_MAX];
    for (int i = 0; i < static_cast<int>(kDropCandidates.size()); ++i) {
        if (i == OD_CANDIDATE_CHAINTXT && best == OD_CANDIDATE_DORINFO)
            continue;
        long long mtime = 0;
        if (!ODFindInDir(absolute_dir, ODCandidateName(i, dorinfo), path, sizeof path, &mtime))
            continue;
        if (best < 0 || mtime > best_mtime + kNewerMargin) {
            best = i;
            best_mtime = mtime;
            choose(absolute_dir, i, path, choice);
        }
    }
    return best >= 0;
}

bool ODSearchForDropFile(ODDropChoice* choice)
{
    const char* drop_dir = ODDropFileDirectory();
    if (drop_dir[0] != '\0' && ODSearchInDir(drop_dir, choice))
        return true;
    if (ODSearchInDir("./", choice))
        return true;
    for (const char* variable : kDropDirVariables) {
        const char* value = std::getenv(variable);
        // An empty value would mean the root directory, which no BBS meant.
        if (value != nullptr && value[0] != '\0' && ODSearchInDir(value, choice))
            return true;
    }
    return false;
}
