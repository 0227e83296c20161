#include "game/lock_holder.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "doorkit/core/control.h"
#include "game/data_file.h"

namespace {

// The start time is field 22 of /proc/<pid>/stat, the 20th after the
// command name's closing parenthesis (the name itself may hold blanks).
constexpr int kStartedFieldAfterName = 20;
constexpr std::size_t kStatSize = 1024;

bool whole_number(std::string_view text, unsigned long long& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    char copy[24];
    ODCopyField(copy, text);
    if (copy[0] < '0' || copy[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoull(copy, &end, 10);
    return errno == 0 && *end == '\0';
}

// The tab-separated field `index` of `text` (0 first), "" when missing.
std::string_view field(std::string_view text, int index)
{
    for (; index > 0; --index) {
        std::size_t tab = text.find('\t');
        if (tab == std::string_view::npos)
            return {};
        text.remove_prefix(tab + 1);
    }
    return text.substr(0, text.find('\t'));
}

}  // namespace

unsigned long long process_started(long pid)
{
    char path[48];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    owned_fd fd(open(path, O_RDONLY | O_CLOEXEC));
    if (!fd)
        return 0;
    char stat[kStatSize];
    ssize_t got = read(fd.get(), stat, sizeof stat - 1);
    if (got <= 0)
        return 0;
    std::string_view text(stat, static_cast<std::size_t>(got));
    std::size_t name_end = text.rfind(')');
    if (name_end == std::string_view::npos)
        return 0;
    text.remove_prefix(name_end + 1);
    for (int n = 1; n < kStartedFieldAfterName; ++n) {
        std::size_t blank = text.find(' ', 1);
        if (blank == std::string_view::npos)
            return 0;
        text.remove_prefix(blank);
    }
    text.remove_prefix(1);
    unsigned long long started = 0;
    return whole_number(text.substr(0, text.find(' ')), started) ? started : 0;
}

lock_holder holder_self()
{
    lock_holder self{};
    self.pid = static_cast<long>(getpid());
    if (gethostname(self.host, sizeof self.host) != 0)
        self.host[0] = '\0';
    self.host[sizeof self.host - 1] = '\0';
    ssize_t length = readlink("/proc/self/ns/pid", self.pid_space, sizeof self.pid_space - 1);
    self.pid_space[length > 0 ? length : 0] = '\0';
    self.started = process_started(self.pid);
    return self;
}

std::size_t holder_format(const lock_holder& holder, char* out, std::size_t size)
{
    int length = std::snprintf(out, size, "%ld\t%s\t%s\t%llu\n", holder.pid, holder.host,
                               holder.pid_space, holder.started);
    return length > 0 && static_cast<std::size_t>(length) < size
               ? static_cast<std::size_t>(length)
               : 0;
}

bool holder_parse(const char* text, lock_holder& out)
{
    if (text == nullptr)
        return false;
    std::string_view record(text);
    record = record.substr(0, record.find('\n'));
    lock_holder read{};
    unsigned long long pid = 0;
    std::string_view host = field(record, 1);
    std::string_view space = field(record, 2);
    std::string_view started = field(record, 3);
    if (!whole_number(field(record, 0), pid) || pid == 0 || pid > INT32_MAX || host.empty() ||
        host.size() >= sizeof read.host || space.size() >= sizeof read.pid_space)
        return false;
    if (!started.empty() && !whole_number(started, read.started))
        return false;
    read.pid = static_cast<long>(pid);
    ODCopyField(read.host, host);
    ODCopyField(read.pid_space, space);
    out = read;
    return true;
}

holder_state holder_check(const lock_holder& holder, const lock_holder& self)
{
    if (holder.pid <= 0 || holder.host[0] == '\0')
        return holder_state::unknown;
    if (std::strcmp(holder.host, self.host) != 0)
        return holder_state::elsewhere;
    // A holder in another container of this host: its process ids are not ours.
    if (holder.pid_space[0] != '\0' && self.pid_space[0] != '\0' &&
        std::strcmp(holder.pid_space, self.pid_space) != 0)
        return holder_state::elsewhere;
    if (kill(static_cast<pid_t>(holder.pid), 0) != 0 && errno == ESRCH)
        return holder_state::gone;
    // The id handed on to a newer process: the holder itself is gone.
    if (holder.started != 0) {
        unsigned long long started = process_started(holder.pid);
        if (started != 0 && started != holder.started)
            return holder_state::gone;
    }
    return holder_state::running;
}

lock_verdict judge_lock(const lock_sight& sight)
{
    if (!sight.directory)
        return lock_verdict::refuse;
    switch (sight.holder) {
    case holder_state::gone:
        return lock_verdict::recover;
    case holder_state::running:
        return lock_verdict::wait;  // however long: a live holder's lock is never broken
    case holder_state::unknown:
    case holder_state::elsewhere:
        break;
    }
    return sight.age_seconds > WRITE_LOCK_STALE_SECONDS ? lock_verdict::recover
                                                         : lock_verdict::wait;
}
