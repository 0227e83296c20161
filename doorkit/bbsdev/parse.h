// Validation of a whole BBSDEV.DRP image. Nothing here touches the session:
// the reader applies the result only when every rule held.
#ifndef DOORKIT_BBSDEV_PARSE_H
#define DOORKIT_BBSDEV_PARSE_H

#include <cstddef>
#include <cstdint>

constexpr std::size_t kBBSDevMaxFileSize = 4095;
constexpr int kBBSDevLineCount = 19;

enum class ODBBSDevConnection : std::uint8_t { Local, StdIO, Socket, Serial };
enum class ODBBSDevAccess : std::uint8_t { Level, Sysop, CoSysop };

// What the file says, with texts pointing into the validated buffer.
struct ODBBSDevFields {
    ODBBSDevConnection connection = ODBBSDevConnection::Local;
    std::uint32_t descriptor = 0;  // socket and serial only
    const char* user_name = nullptr;
    const char* user_id = nullptr;
    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
    bool ansi = false;
    bool rip = false;
    bool deadline_set = false;
    std::int64_t deadline = 0;
    bool utf8 = false;
    const char* system_name = nullptr;
    const char* sysop_name = nullptr;
    ODBBSDevAccess access = ODBBSDevAccess::Level;
    std::uint64_t security = 0;
    std::uint64_t node = 0;
    bool local_display = false;
};

// Checks the `length` bytes of `buffer` (which has room for one byte more)
// against every rule of the format. On success the line ends in the buffer
// are replaced by NULs and `fields` is filled; on failure the buffer may be
// changed and `fields` is to be ignored.
bool ODBBSDevParse(char* buffer, std::size_t length, ODBBSDevFields* fields);

#endif
