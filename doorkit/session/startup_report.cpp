#include "doorkit/session/startup_report.h"

#include <climits>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/search.h"

void ODReportStartupFailure(const char* message, bool looked)
{
    static bool reported = false;
    if (reported || od_control.startup_failure_hook == nullptr || message == nullptr)
        return;
    // The hook may itself end up here (a hook that starts the kit): never twice.
    reported = true;
    char text[256];
    ODCopyField(text, message);
    if (const std::size_t length = std::strlen(text); length > 0 && text[length - 1] == '\n')
        text[length - 1] = '\0';
    char drop_file[PATH_MAX + 64] = "";
    if (looked)
        ODDescribeDropFileSearch(drop_file, sizeof drop_file);
    od_control.startup_failure_hook(text, drop_file);
}
