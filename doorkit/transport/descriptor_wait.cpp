#include <poll.h>

#include <cerrno>

#include "doorkit/core/clock.h"
#include "doorkit/core/stop_signal.h"
#include "doorkit/transport/methods.h"

int ODWaitDescriptor(int fd, short events, int timeout_ms, short* revents)
{
    // poll skips negative descriptors and would wait out the whole time.
    if (fd < 0)
        return -1;
    tODTimer deadline{};
    if (timeout_ms > 0)
        ODTimerStart(&deadline, static_cast<std::uint32_t>(timeout_ms));
    // A wait for the caller's input also ends when a stop signal comes, so
    // the kernel sees it at once; a send is left to finish.
    const bool wakes = (events & POLLIN) != 0;
    pollfd entries[2] = {{fd, events, 0}, {wakes ? ODStopWakeDescriptor() : -1, POLLIN, 0}};
    int wait = timeout_ms;
    for (;;) {
        int result = poll(entries, 2, wait);
        if (result > 0 && entries[0].revents != 0) {
            if (revents != nullptr)
                *revents = entries[0].revents;
            return 1;
        }
        if (result == 0 || (wakes && ODStopRequested()))
            return 0;
        // A pipe shared with the process this one was forked from may be
        // readable for a stop that is not ours: then it is left out.
        if (result > 0)
            entries[1].fd = -1;
        if (result < 0 && errno != EINTR)
            return -1;
        if (timeout_ms > 0)
            wait = static_cast<int>(ODTimerLeft(&deadline));
    }
}
