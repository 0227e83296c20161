#include "chat/random_id.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>

#include "chat/sha256.h"

namespace vexa {

int random_hex_id(char* out)
{
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::uint8_t bytes[16];
    std::size_t have = 0;
    while (have < sizeof bytes) {
        ssize_t got = read(fd, bytes + have, sizeof bytes - have);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    close(fd);
    if (have != sizeof bytes)
        return 0;
    hex_lower(bytes, sizeof bytes, out);
    return 1;
}

}  // namespace vexa
