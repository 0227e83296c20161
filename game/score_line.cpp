#include "game/score_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "game/data_file.h"

namespace {

bool ends_unfinished(int fd)
{
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_size == 0)
        return false;
    char last = '\n';
    return pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n';
}

}  // namespace

int append_line(const char* path, const char* line, std::size_t length)
{
    owned_fd fd = open_plain(path, O_RDWR | O_APPEND | O_CREAT);
    if (!fd && errno == EACCES)  // a file we may write but not read: append without the check
        fd = open_plain(path, O_WRONLY | O_APPEND);
    if (!fd)
        return 0;
    bool ok = length > 0;
    if (ok && ends_unfinished(fd.get()))
        ok = write_all(fd.get(), "\n", 1);
    if (ok)
        ok = write_all(fd.get(), line, length);
    if (!fd.close_checked())
        ok = false;
    return ok ? 1 : 0;
}

void safe_field(char* out, std::size_t size, const char* text, std::size_t max_length,
                bool printable_only)
{
    if (size == 0)
        return;
    std::size_t n = 0;
    for (const char* at = text != nullptr ? text : ""; *at != '\0' && n < max_length && n + 1 < size;
         ++at) {
        auto byte = static_cast<unsigned char>(*at);
        bool bad = byte < 32 || byte == 127 || (printable_only && byte > 126);
        out[n++] = bad ? '_' : static_cast<char>(byte);
    }
    if (n == 0 && size > 1)
        out[n++] = '_';
    out[n] = '\0';
}

bool read_line(std::FILE* file, char* line, std::size_t size)
{
    if (size < 2 || std::fgets(line, static_cast<int>(size), file) == nullptr)
        return false;
    std::size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n') {
        line[--length] = '\0';
        if (length > 0 && line[length - 1] == '\r')
            line[--length] = '\0';
        return true;
    }
    if (length + 1 >= size) {  // no room left for the line feed: too long
        int c;
        while ((c = std::fgetc(file)) != EOF && c != '\n') {
        }
        line[0] = '\0';
    }
    return true;
}
