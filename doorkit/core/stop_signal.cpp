#include "doorkit/core/stop_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace {

struct StopSignal {
    int number;
    bool interrupt;  // taken only outside local mode
    bool taken;
    struct sigaction found;
};

std::array<StopSignal, 3> gSignals = {{
    {SIGTERM, false, false, {}},
    {SIGHUP, false, false, {}},
    {SIGINT, true, false, {}},
}};

std::atomic<bool> gStopRequested{false};
std::atomic<int> gStopSignal{0};  // the first stop signal that arrived
static_assert(std::atomic<bool>::is_always_lock_free, "the handler must not take a lock");
static_assert(std::atomic<int>::is_always_lock_free, "the handler must not take a lock");

// The wake pipe lives as long as the process: a handler running on another
// thread may still write to it after the session has ended, so its number
// must never be reused. Both ends are close-on-exec.
int gWakeRead = -1;
int gWakeWrite = -1;
// The process that installed the handlers; a forked child that has not yet
// run another program is not it.
pid_t gOwner = 0;

extern "C" void OnStopSignal(int number)
{
    const int saved = errno;
    if (getpid() != gOwner) {
        // Between fork and exec the signal keeps its ordinary meaning.
        signal(number, SIG_DFL);
        raise(number);
    } else {
        int none = 0;
        gStopSignal.compare_exchange_strong(none, number);
        gStopRequested.store(true);
        if (gWakeWrite >= 0) {
            const char byte = 1;
            if (write(gWakeWrite, &byte, 1) < 0) {
                // A full pipe is readable already.
            }
        }
    }
    errno = saved;
}

bool OpenWakePipe()
{
    if (gWakeRead >= 0)
        return true;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    gWakeRead = ends[0];
    gWakeWrite = ends[1];
    return true;
}

bool Ignored(const struct sigaction& action)
{
    return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

}  // namespace

int ODStopSignalsInstall(bool take_interrupt)
{
    // Without a pipe (no descriptor left) the request is still noted; waits
    // then see it at the end of their slice.
    OpenWakePipe();
    gOwner = getpid();

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (const StopSignal& s : gSignals)
        sigaddset(&action.sa_mask, s.number);
    // No SA_RESTART: a blocking call of the main thread returns early.
    action.sa_flags = 0;

    for (StopSignal& s : gSignals) {
        if (s.taken || (s.interrupt && !take_interrupt))
            continue;
        struct sigaction found {};
        if (sigaction(s.number, nullptr, &found) != 0)
            return 1;
        // A BBS that starts its doors ignoring a signal means it.
        if (Ignored(found))
            continue;
        if (sigaction(s.number, &action, &s.found) != 0)
            return 1;
        s.taken = true;
    }
    return 0;
}

void ODStopSignalsRestore()
{
    for (StopSignal& s : gSignals) {
        if (!s.taken)
            continue;
        sigaction(s.number, &s.found, nullptr);
        s.taken = false;
    }
}

bool ODStopRequested()
{
    return gStopRequested.load();
}

int ODStopSignalNumber()
{
    return gStopSignal.load();
}

int ODStopWakeDescriptor()
{
    return gWakeRead;
}
