// Where the drop file was looked for, in words a system operator can check.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/candidates.h"
#include "doorkit/dropfile/search.h"

namespace {

// Appends text, cut to what fits; out always stays terminated.
void append(char* out, std::size_t size, const char* text)
{
    const std::size_t used = std::strlen(out);
    if (used + 1 < size)
        ODCopyText(out + used, size - used, text);
}

}  // namespace

void ODDescribeDropFileSearch(char* out, std::size_t size)
{
    if (out == nullptr || size == 0)
        return;
    out[0] = '\0';
    if (const char* bbsdev = std::getenv("BBSDEV_DRP")) {
        std::snprintf(out, size, "%s (BBSDEV_DRP)", bbsdev);
        return;
    }
    if (szDropFilePath[0] != '\0') {
        ODCopyText(out, size, szDropFilePath);
        return;
    }
    // A local session, or one the command line or application described
    // whole, needs no drop file.
    if (od_control.local_mode || od_control.drop_file_kind == OD_DROP_PRESET ||
        (wPreSetInfo & (PRESET_BPS | PRESET_PORT)) == (PRESET_BPS | PRESET_PORT))
        return;
    if (const char* given = ODDropFileDirectory(); given[0] != '\0') {
        char absolute[PATH_MAX];
        ODCopyText(out, size, ODMakeAbsolute(given, absolute, sizeof absolute) ? absolute : given);
        return;
    }
    // No -D: the start directory, then the BBS directory variables.
    char cwd[PATH_MAX];
    append(out, size, "none named with -D; looked in ");
    append(out, size, getcwd(cwd, sizeof cwd) != nullptr ? cwd : ".");
    for (const char* variable : kDropDirVariables) {
        const char* value = std::getenv(variable);
        if (value == nullptr || value[0] == '\0')
            continue;
        append(out, size, ", ");
        append(out, size, variable);
        append(out, size, "=");
        append(out, size, value);
    }
}
