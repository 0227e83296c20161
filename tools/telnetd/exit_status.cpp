#include "tools/telnetd/exit_status.h"

#include <sys/wait.h>

#include <cstring>

namespace {

struct Meaning {
    int status;
    const char* text;
};

// The game's own exit statuses.
constexpr Meaning kMeanings[] = {
    {0, "the caller left normally, or the door is closed for maintenance"},
    {1, "the door refused to start, the drop file named no caller, the caller hung up, "
        "or the door was stopped"},
    {3, "the caller's time ran out"},
    {4, "the caller stayed idle too long"},
    {kCannotStart, "the door program could not be started"},
};

}  // namespace

std::string describe_wait_status(int wait_status)
{
    if (WIFSIGNALED(wait_status)) {
        const int sig = WTERMSIG(wait_status);
        return "killed by signal " + std::to_string(sig) + " (" + strsignal(sig) + ")";
    }
    if (!WIFEXITED(wait_status))
        return "ended in an unknown way";
    const int status = WEXITSTATUS(wait_status);
    std::string text = "status " + std::to_string(status);
    for (const Meaning& m : kMeanings)
        if (m.status == status)
            return text + ": " + m.text;
    return text;
}
