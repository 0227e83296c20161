// The SFDOORS family: lines 1..32 mandatory, 33..39 optional.
#include <cstdio>
#include <iterator>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/formats.h"
#include "doorkit/dropfile/lines.h"

namespace {

constexpr std::size_t kMandatoryLines = 32;
constexpr long long kLastLoginMinute = 5999;

std::uint8_t is_true(const char* line)
{
    return ODDropFirstIsUpper(line, 'T') ? 1 : 0;
}

// The minute of the day the call began, as HH:MM.
void apply_login_minute(const char* line)
{
    long long minute = ODDropNumber(line);
    if (minute < 0)
        minute = 0;
    if (minute > kLastLoginMinute)
        minute = kLastLoginMinute;
    std::snprintf(od_control.user_login_time, sizeof od_control.user_login_time, "%02u:%02u",
                  static_cast<unsigned>(minute / 60), static_cast<unsigned>(minute % 60));
}

constexpr ODDropLineRule kSFDoorsLines[] = {
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_record_number = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_name, l, 35); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_password, l, 15); }},
    {0, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.baud = ODDropNumberAs<std::uint32_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.port = static_cast<std::uint16_t>(ODDropNumber(l) - 1); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_time_left = ODDropNumberAs<std::int16_t>(l); }},
    {13, 0, nullptr},
    {14, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_ansi = is_true(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_security = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_uploads = ODDropNumberAs<std::uint32_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_downloads = ODDropNumberAs<std::uint32_t>(l); }},
    {1, 0, nullptr},
    {2, 0, apply_login_minute},
    {3, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.sysop_next = is_true(l); }},
    {4, 0, nullptr},
    {5, 0, nullptr},
    {6, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_error_free = is_true(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_msg_area = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_file_area = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.node_number = ODDropNumberAs<std::uint16_t>(l); }},
    {10, 0, nullptr},
    {11, 0, nullptr},
    {12, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_today_kb = ODDropNumberAs<std::uint32_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_upload_kb = ODDropNumberAs<std::uint32_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_download_kb = ODDropNumberAs<std::uint32_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_home_phone, l, 15); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_location, l, 25); }},
    {15, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_rip = is_true(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_wants_chat = is_true(l); }},
    {17, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.port_irq = ODDropNumberAs<std::uint8_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.port_address = ODDropNumberAs<std::uint16_t>(l); }},
    {18, 0, nullptr},
};

}  // namespace

bool ODReadSFDoors(std::FILE* file)
{
    if (!ODDropReadLines(file, kSFDoorsLines, std::size(kSFDoorsLines), kMandatoryLines))
        return false;
    od_control.drop_file_kind = OD_DROP_SFDOORS;
    return true;
}
