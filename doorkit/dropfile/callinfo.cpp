// CALLINFO.BBS: thirty-one lines, all mandatory, ten of them used.
#include <iterator>

#include "doorkit/doorkit.h"
#include "doorkit/dropfile/formats.h"
#include "doorkit/dropfile/lines.h"

namespace {

constexpr ODDropLineRule kUnused = {OD_NOT_KEPT, 0, nullptr};

constexpr ODDropLineRule kCallInfoLines[] = {
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_name, l, 35); }},
    kUnused,
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_location, l, 25); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_security = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_time_left = ODDropNumberAs<std::int16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_ansi = ODDropFirstIs(l, 'M') ? 0 : 1; }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_password, l, 15); }},
    kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused,  // 8..16
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_home_phone, l, 15); }},
    kUnused, kUnused, kUnused, kUnused, kUnused,  // 18..22
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_screen_length = ODDropNumberAs<std::uint16_t>(l); }},
    kUnused, kUnused, kUnused, kUnused, kUnused,  // 24..28
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.port = ODDropPortFromChar(ODDropCharAt(l, 3)); }},
    kUnused,
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.baud = ODDropNumberAs<std::uint32_t>(l); }},
};
static_assert(std::size(kCallInfoLines) == 31);

}  // namespace

bool ODReadCallInfo(std::FILE* file)
{
    if (!ODDropReadLines(file, kCallInfoLines, std::size(kCallInfoLines), std::size(kCallInfoLines)))
        return false;
    od_control.drop_file_kind = OD_DROP_CALLINFO;
    return true;
}
