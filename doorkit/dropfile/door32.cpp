// DOOR32.SYS: eleven lines, all mandatory.
#include <iterator>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/formats.h"
#include "doorkit/dropfile/lines.h"

namespace {

// Line 1: 0 local, 1 serial, 2 telnet socket.
void apply_connection_type(const char* line)
{
    switch (ODDropNumber(line)) {
    case 0:
        od_control.local_mode = 1;
        break;
    case 2:
        od_control.socket_mode = 1;
        bTelnetSocket = 1;
        break;
    default:
        break;
    }
}

// Line 10: 0 plain, 1 ANSI, 2 AVATAR, 3 RIP; ANSI unless it says plain.
void apply_emulation(const char* line)
{
    od_control.user_ansi = 1;
    switch (ODDropNumber(line)) {
    case 0:
        od_control.user_ansi = 0;
        break;
    case 2:
        od_control.user_avatar = 1;
        break;
    case 3:
        od_control.user_rip = 1;
        break;
    default:
        break;
    }
}

constexpr ODDropLineRule kDoor32Lines[] = {
    {OD_NOT_KEPT, 0, apply_connection_type},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.open_handle = ODDropUnsigned(l); }},
    {0, 0,
     [](const char* l) {
         od_control.baud = od_control.port == OD_NO_PORT ? 1 : ODDropNumberAs<std::uint32_t>(l);
     }},
    {OD_NOT_KEPT, 0, nullptr},  // the BBS's name and version
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_record_number = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 35, [](const char* l) { ODDropName(od_control.user_name, l); }},
    {OD_NOT_KEPT, 35, [](const char* l) { ODDropName(od_control.user_handle, l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_security = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_time_left = ODDropNumberAs<std::int16_t>(l); }},
    {OD_NOT_KEPT, 0, apply_emulation},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.node_number = ODDropNumberAs<std::uint16_t>(l); }},
};
static_assert(std::size(kDoor32Lines) == 11);

}  // namespace

bool ODReadDoor32Sys(std::FILE* file)
{
    if (!ODDropReadLines(file, kDoor32Lines, std::size(kDoor32Lines), std::size(kDoor32Lines)))
        return false;
    od_control.drop_file_kind = OD_DROP_DOOR32SYS;
    return true;
}
