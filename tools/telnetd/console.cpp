#include "tools/telnetd/console.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>

namespace {

// Formats "<prefix><message>\n" and writes it with one call.
void emit(int fd, const char* prefix, const char* format, va_list args)
{
    char line[1024];
    int used = std::snprintf(line, sizeof line, "%s", prefix);
    if (used < 0)
        return;
    int body = std::vsnprintf(line + used, sizeof line - static_cast<std::size_t>(used) - 1,
                              format, args);
    if (body < 0)
        return;
    std::size_t length = static_cast<std::size_t>(used) + static_cast<std::size_t>(body);
    if (length > sizeof line - 2)
        length = sizeof line - 2;  // a long line is cut, never lost
    line[length++] = '\n';
    const char* at = line;
    while (length > 0) {
        ssize_t written = write(fd, at, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        at += written;
        length -= static_cast<std::size_t>(written);
    }
}

}  // namespace

void say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    emit(STDOUT_FILENO, "grimbo-telnetd: ", format, args);
    va_end(args);
}

void say_node(int node, const char* format, ...)
{
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "node %d: ", node);
    va_list args;
    va_start(args, format);
    emit(STDOUT_FILENO, prefix, format, args);
    va_end(args);
}

void complain(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    emit(STDERR_FILENO, "grimbo-telnetd: ", format, args);
    va_end(args);
}
