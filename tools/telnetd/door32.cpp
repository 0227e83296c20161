#include "tools/telnetd/door32.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/telnetd/unique_fd.h"

namespace {

constexpr int kCommTelnet = 2;
constexpr int kBaud = 115200;
constexpr int kEmulationAnsi = 1;

bool write_all(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string door32_text(const Door32& d)
{
    std::string text;
    for (const std::string& line :
         {std::to_string(kCommTelnet), std::to_string(d.socket), std::to_string(kBaud),
          d.bbs_name, std::to_string(d.record), d.caller, d.caller, std::to_string(d.security),
          std::to_string(d.minutes), std::to_string(kEmulationAnsi), std::to_string(d.node)})
        text += line + "\r\n";
    return text;
}

bool write_door32(const std::string& path, const Door32& d, std::string& error)
{
    const std::string temporary = path + ".new";
    {
        UniqueFd file(open(temporary.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
        if (!file) {
            error = temporary + ": " + std::strerror(errno);
            return false;
        }
        if (!write_all(file.get(), door32_text(d))) {
            error = temporary + ": " + std::strerror(errno);
            unlink(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}
