// DORINFOx.DEF: twelve lines, all mandatory.
#include <iterator>

#include "doorkit/doorkit.h"
#include "doorkit/dropfile/formats.h"
#include "doorkit/dropfile/lines.h"

namespace {

constexpr std::size_t kSysopCut = 18;
constexpr std::size_t kCallerCut = 16;
constexpr std::size_t kLocationCut = 24;
constexpr ODDropLineRule kDorinfoLines[] = {
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropText(od_control.system_name, l, 39); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.sysop_name, l, kSysopCut); }},
    {OD_NOT_KEPT, 0,
     [](const char* l) {
         ODDropAppendName(od_control.sysop_name, sizeof od_control.sysop_name, l, kSysopCut);
     }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.port = ODDropPortFromChar(ODDropCharAt(l, 3)); }},
    {0, 0,
     [](const char* l) {
         od_control.baud = od_control.port == OD_NO_PORT ? 1 : static_cast<std::uint32_t>(ODDropNumber(l));
     }},
    {1, 0, ODDropApplyFraming},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_name, l, kCallerCut); }},
    {OD_NOT_KEPT, 0,
     [](const char* l) {
         ODDropAppendName(od_control.user_name, sizeof od_control.user_name, l, kCallerCut);
     }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_location, l, kLocationCut); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_ansi = ODDropFirstIs(l, '0') ? 0 : 1; }},
    {OD_NOT_KEPT, 0,
     [](const char* l) { od_control.user_security = static_cast<std::uint16_t>(ODDropNumber(l)); }},
    {OD_NOT_KEPT, 0,
     [](const char* l) { od_control.user_time_left = static_cast<std::int16_t>(ODDropNumber(l)); }},
};

}  // namespace

bool ODReadDorinfoLines(std::FILE* file)
{
    return ODDropReadLines(file, kDorinfoLines, std::size(kDorinfoLines), std::size(kDorinfoLines));
}

bool ODReadDorinfo(std::FILE* file)
{
    if (!ODReadDorinfoLines(file))
        return false;
    od_control.drop_file_kind = OD_DROP_DORINFO;
    return true;
}
