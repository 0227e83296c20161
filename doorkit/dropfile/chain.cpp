// CHAIN.TXT: thirty lines, all mandatory.
#include <iterator>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/formats.h"
#include "doorkit/dropfile/lines.h"

namespace {

constexpr ODDropLineRule kChainLines[] = {
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_record_number = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 35, [](const char* l) { ODDropName(od_control.user_handle, l); }},
    {OD_NOT_KEPT, 35, [](const char* l) { ODDropName(od_control.user_name, l); }},
    {OD_NOT_KEPT, 12, [](const char* l) { ODDropName(od_control.user_callsign, l); }},
    {0, 0, nullptr},
    // An empty line gives no sex rather than a line break.
    {OD_NOT_KEPT, 0,
     [](const char* l) {
         od_control.user_sex = (l[0] == '\r' || l[0] == '\n') ? 0 : static_cast<std::uint8_t>(l[0]);
     }},
    {1, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropText(od_control.user_last_date, l, 8); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_screen_width = ODDropNumberAs<std::uint8_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_screen_length = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_security = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { bIsSysop = ODDropNumberAs<std::uint8_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { bIsCoSysop = ODDropNumberAs<std::uint8_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_ansi = ODDropNumber(l) != 0 ? 1 : 0; }},
    {OD_NOT_KEPT, 0, nullptr},  // rewritten from the session on exit
    {OD_NOT_KEPT, 0,
     [](const char* l) { od_control.user_time_left = static_cast<std::int16_t>(ODDropNumber(l) / 60); }},
    {3, 0, nullptr},
    {4, 0, nullptr},
    {5, 0, nullptr},
    // A local session is written as "KB", which reads as speed 0.
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.baud = ODDropNumberAs<std::uint32_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.port = static_cast<std::uint16_t>(ODDropNumber(l) - 1); }},
    {6, 0, nullptr},
    {OD_NOT_KEPT, 15, [](const char* l) { ODDropName(od_control.user_password, l); }},
    {2, 0, nullptr},
    {7, 0, nullptr},
    {8, 0, nullptr},
    {9, 0, nullptr},
    {10, 0, nullptr},
    {11, 0, nullptr},
    {12, 0, ODDropApplyFraming},
};

}  // namespace

bool ODReadChainTxt(std::FILE* file)
{
    if (!ODDropReadLines(file, kChainLines, std::size(kChainLines), std::size(kChainLines)))
        return false;
    od_control.drop_file_kind = OD_DROP_CHAINTXT;
    return true;
}
