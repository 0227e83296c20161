#include <poll.h>

#include <cerrno>

#include "doorkit/core/clock.h"
#include "doorkit/transport/methods.h"

int ODWaitDescriptor(int fd, short events, int timeout_ms, short* revents)
{
    // poll skips negative descriptors and would wait out the whole time.
    if (fd < 0)
        return -1;
    tODTimer deadline{};
    if (timeout_ms > 0)
        ODTimerStart(&deadline, static_cast<std::uint32_t>(timeout_ms));
    int wait = timeout_ms;
    for (;;) {
        pollfd entry{fd, events, 0};
        int result = poll(&entry, 1, wait);
        if (result > 0) {
            if (revents != nullptr)
                *revents = entry.revents;
            return 1;
        }
        if (result == 0)
            return 0;
        if (errno != EINTR)
            return -1;
        if (timeout_ms > 0)
            wait = static_cast<int>(ODTimerLeft(&deadline));
    }
}
