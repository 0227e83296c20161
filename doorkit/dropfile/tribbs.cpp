// TRIBBS.SYS: twenty lines, all mandatory.
#include <cstring>
#include <initializer_list>
#include <iterator>

#include "doorkit/doorkit.h"
#include "doorkit/dropfile/formats.h"
#include "doorkit/dropfile/lines.h"

namespace {

std::uint8_t is_yes(const char* line)
{
    return ODDropFirstIs(line, 'Y') ? 1 : 0;
}

// Stored as dd-dd-dd; a shorter date keeps what it has.
void apply_birth_date(const char* line)
{
    ODDropText(od_control.user_birth_date, line, 8);
    const std::size_t length = std::strlen(od_control.user_birth_date);
    for (std::size_t separator : {2u, 5u}) {
        if (separator < length)
            od_control.user_birth_date[separator] = '-';
    }
}

constexpr ODDropLineRule kTriBBSLines[] = {
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_record_number = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 35, [](const char* l) { ODDropName(od_control.user_name, l); }},
    {OD_NOT_KEPT, 15, [](const char* l) { ODDropText(od_control.user_password, l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_security = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_expert = is_yes(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_ansi = is_yes(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_time_left = ODDropNumberAs<std::int16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_home_phone, l, 15); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_location, l, 24); }},
    {OD_NOT_KEPT, 0, apply_birth_date},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.node_number = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.port = static_cast<std::uint16_t>(ODDropNumber(l) - 1); }},
    {OD_NOT_KEPT, 0,
     [](const char* l) {
         od_control.connect_speed = od_control.port == OD_NO_PORT ? 0 : ODDropNumberAs<std::uint32_t>(l);
     }},
    {OD_NOT_KEPT, 0,
     [](const char* l) {
         od_control.baud = ODDropNumberAs<std::uint32_t>(l);
         if (od_control.baud == 0)
             od_control.baud = od_control.connect_speed;
     }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.flow_control = ODDropFirstIs(l, 'Y') ? 1 : 2; }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_error_free = is_yes(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.system_name, l, 39); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.sysop_name, l, 39); }},
    {OD_NOT_KEPT, 35, [](const char* l) { ODDropName(od_control.user_handle, l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_rip = is_yes(l); }},
};
static_assert(std::size(kTriBBSLines) == 20);

}  // namespace

bool ODReadTriBBSSys(std::FILE* file)
{
    if (!ODDropReadLines(file, kTriBBSLines, std::size(kTriBBSLines), std::size(kTriBBSLines)))
        return false;
    od_control.drop_file_kind = OD_DROP_TRIBBSSYS;
    return true;
}
