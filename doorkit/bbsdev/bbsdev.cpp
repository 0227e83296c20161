#include "doorkit/bbsdev/bbsdev.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "doorkit/doorkit.h"
#include "doorkit/bbsdev/deadline.h"
#include "doorkit/bbsdev/parse.h"
#include "doorkit/bbsdev/utf8_check.h"
#include "doorkit/core/control.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/transport/transport.h"

std::uint8_t bBBSDevSession = 0;
std::uint8_t bBBSDevDeadlineSet = 0;
std::int64_t nBBSDevDeadline = 0;
std::uint8_t bBBSDevOpenHandleSet = 0;
std::uint32_t nBBSDevComMethod = 0;
char* pszBBSDevStorage = nullptr;
const char* pszBBSDevUserID = nullptr;

namespace {

constexpr std::size_t kInitialBuffer = 512;
constexpr std::uint64_t kFieldLimit = 65535;
constexpr std::uint8_t kMaxScreenWidth = 255;
constexpr std::int16_t kUnlimitedMinutes = 32767;
constexpr std::uint16_t kMaxTimeLimit = 1440;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads the whole file into a fresh buffer with one spare byte, giving up
// as soon as it grows past the largest valid size. The caller frees it.
char* read_file(const char* path, std::size_t* length)
{
    FileDescriptor fd(open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return nullptr;
    std::size_t capacity = kInitialBuffer;
    std::size_t used = 0;
    char* buffer = static_cast<char*>(std::malloc(capacity));
    while (buffer != nullptr) {
        if (used + 1 >= capacity) {
            // Room for every valid size and one byte more to notice a
            // larger file, plus the terminator.
            if (capacity > kBBSDevMaxFileSize + 1)
                break;
            char* grown = static_cast<char*>(std::realloc(buffer, capacity * 2));
            if (grown == nullptr)
                break;
            buffer = grown;
            capacity *= 2;
        }
        const ssize_t got = read(fd.get(), buffer + used, capacity - 1 - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        if (got == 0) {
            *length = used;
            return buffer;
        }
        used += static_cast<std::size_t>(got);
        if (used > kBBSDevMaxFileSize)
            break;
    }
    std::free(buffer);
    return nullptr;
}

std::uint16_t capped(std::uint64_t value)
{
    return static_cast<std::uint16_t>(value > kFieldLimit ? kFieldLimit : value);
}

void apply_connection(const ODBBSDevFields& f)
{
    od_control.local_mode = f.connection == ODBBSDevConnection::Local ? 1 : 0;
    od_control.socket_mode = f.connection == ODBBSDevConnection::Socket ? 1 : 0;
    nBBSDevComMethod = f.connection == ODBBSDevConnection::Socket ? kComMethodSocket
                                                                  : kComMethodStdIO;
    const bool adopt = f.connection == ODBBSDevConnection::Socket ||
                       f.connection == ODBBSDevConnection::Serial;
    bBBSDevOpenHandleSet = adopt ? 1 : 0;
    od_control.open_handle = adopt ? f.descriptor : 0;
    // The BBS has set the line up; the door must not change its speed.
    if (f.connection == ODBBSDevConnection::Serial)
        od_control.disable_flags |= OD_DISABLE_SET_BPS;
}

void apply(const ODBBSDevFields& f)
{
    ODBBSDevCopyText(od_control.user_name, sizeof od_control.user_name, f.user_name);
    ODBBSDevCopyText(od_control.user_handle, sizeof od_control.user_handle, f.user_name);
    ODBBSDevCopyText(od_control.system_name, sizeof od_control.system_name, f.system_name);
    ODBBSDevCopyText(od_control.sysop_name, sizeof od_control.sysop_name, f.sysop_name);
    od_control.user_screen_width =
        static_cast<std::uint8_t>(f.columns > kMaxScreenWidth ? kMaxScreenWidth : f.columns);
    od_control.user_screen_length = static_cast<std::uint16_t>(f.rows);
    od_control.user_ansi = f.ansi ? 1 : 0;
    od_control.user_rip = f.rip ? 1 : 0;
    od_control.user_time_left = f.deadline_set ? kUnlimitedMinutes : 0;
    if (!f.local_display)
        od_control.silent_mode = 1;
    bIsSysop = f.access == ODBBSDevAccess::Sysop ? 1 : 0;
    bIsCoSysop = f.access == ODBBSDevAccess::CoSysop ? 1 : 0;
    if (f.access == ODBBSDevAccess::Level)
        od_control.user_security = capped(f.security);
    od_control.node_number = capped(f.node);
    od_control.cp437_to_utf8 = f.utf8 ? 1 : 0;
    bUserEightBit = 1;
    od_control.baud = 1;
    apply_connection(f);
    od_control.drop_file_kind = OD_DROP_BBSDEV;

    bBBSDevDeadlineSet = f.deadline_set ? 1 : 0;
    nBBSDevDeadline = f.deadline;
    pszBBSDevUserID = f.user_id;
    bBBSDevSession = 1;
}

// Takes over `buffer` (length bytes and one spare): validates, and applies
// only when everything held.
bool adopt_buffer(char* buffer, std::size_t length)
{
    ODBBSDevFields fields;
    if (!ODBBSDevParse(buffer, length, &fields)) {
        std::free(buffer);
        return false;
    }
    pszBBSDevStorage = buffer;
    apply(fields);
    return true;
}

}  // namespace

void ODBBSDevClearSession()
{
    ODBBSDevFree();
    bBBSDevSession = 0;
    bBBSDevDeadlineSet = 0;
    nBBSDevDeadline = 0;
    bBBSDevOpenHandleSet = 0;
    nBBSDevComMethod = 0;
}

bool ODInitReadBBSDevDropFile(const char* path)
{
    ODBBSDevClearSession();
    if (path == nullptr || path[0] != '/')
        return false;
    std::size_t length = 0;
    char* buffer = read_file(path, &length);
    return buffer != nullptr && adopt_buffer(buffer, length);
}

bool ODBBSDevReadBuffer(const char* bytes, std::size_t length)
{
    ODBBSDevClearSession();
    if (bytes == nullptr || length > kBBSDevMaxFileSize)
        return false;
    char* buffer = static_cast<char*>(std::malloc(length + 1));
    if (buffer == nullptr)
        return false;
    if (length > 0)
        std::memcpy(buffer, bytes, length);
    return adopt_buffer(buffer, length);
}

bool ODBBSDevActive()
{
    return bBBSDevSession != 0;
}

std::uint32_t ODBBSDevComMethod()
{
    return bBBSDevSession ? nBBSDevComMethod : 0;
}

bool ODBBSDevHasOpenHandle()
{
    return bBBSDevSession != 0 && bBBSDevOpenHandleSet != 0;
}

long ODBBSDevOpenHandle()
{
    return ODBBSDevHasOpenHandle() ? static_cast<long>(od_control.open_handle) : 0;
}

const char* ODBBSDevUserID()
{
    return bBBSDevSession ? pszBBSDevUserID : nullptr;
}

void ODBBSDevApplyTimeLimit()
{
    ODBBSDevApplyTimeLimitAt(std::time(nullptr));
}

void ODBBSDevApplyTimeLimitAt(std::time_t now)
{
    if (!bBBSDevSession)
        return;
    if (!bBBSDevDeadlineSet) {
        od_control.disable_flags |= OD_DISABLE_TIMELIMIT;
        return;
    }
    od_control.disable_flags &= static_cast<std::uint16_t>(~OD_DISABLE_TIMELIMIT);
    const ODBBSDevTimeLimit limit = ODBBSDevTimeLimitAt(nBBSDevDeadline, now);
    nInitialRemaining = limit.minutes;
    nNextTimeDeductTime = static_cast<std::time_t>(limit.next_deduct);
    // The application's cap applies to the real minutes, not to the
    // placeholder the start-up saw; what it withholds is given back at exit.
    od_control.user_time_left = limit.minutes;
    od_control.time_withheld = 0;
    const std::uint16_t cap = od_control.max_time;
    if (cap >= 1 && cap <= kMaxTimeLimit && limit.minutes > cap) {
        od_control.time_withheld = static_cast<std::uint16_t>(limit.minutes - cap);
        od_control.user_time_left = static_cast<std::int16_t>(cap);
    }
}

void ODBBSDevFree()
{
    std::free(pszBBSDevStorage);
    pszBBSDevStorage = nullptr;
    pszBBSDevUserID = nullptr;
}

void ODBBSDevCopyText(char* dest, std::size_t size, const char* source)
{
    if (dest == nullptr || size == 0)
        return;
    const std::string_view text = source != nullptr ? source : "";
    ODCopyText(dest, size, text.substr(0, ODUtf8CutLength(text, size - 1)));
}
