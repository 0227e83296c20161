// DOOR.SYS: the standard variant begins with a "COMn:" line (31 mandatory
// lines, up to 52); anything else is the five-line short variant.
#include <cstring>
#include <iterator>
#include <string_view>

#include "doorkit/doorkit.h"
#include "doorkit/core/ascii_case.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/formats.h"
#include "doorkit/dropfile/lines.h"

namespace {

constexpr std::uint32_t kLockedSpeed = 19200;

bool begins_with(const char* line, std::string_view prefix)
{
    return std::strncmp(line, prefix.data(), prefix.size()) == 0;
}

// Line 1: the port, and how a BBS hands over its connection.
void apply_com_line(const char* line)
{
    od_control.port = ODDropPortFromChar(ODDropCharAt(line, 3));
    constexpr std::string_view kStdio = "COM0:STDIO";
    constexpr std::string_view kSocket = "COM0:SOCKET";
    constexpr std::string_view kHandle = "COM0:HANDLE";
    if (begins_with(line, kStdio)) {
        od_control.com_method = 6;
    } else if (begins_with(line, kSocket)) {
        od_control.com_method = 5;
        od_control.socket_mode = 1;
        od_control.open_handle = ODDropUnsigned(line + kSocket.size());
    } else if (begins_with(line, kHandle)) {
        od_control.com_method = 3;
        od_control.open_handle = ODDropUnsigned(line + kHandle.size());
    }
}

// Line 5: whether the BBS locked the line speed, which decides the speed.
void apply_lock_line(const char* line)
{
    char upper[OD_DROP_LINE_SIZE];
    ODCopyField(upper, line);
    ODAsciiUpperInPlace(upper);
    if (std::strchr(upper, 'N') != nullptr) {
        btDoorSYSLock = 1;
        od_control.baud = ODDropNumberAs<std::uint32_t>(ODDropKept(0));
    } else if (std::strchr(upper, 'Y') != nullptr) {
        btDoorSYSLock = 2;
        od_control.baud = kLockedSpeed;
    } else {
        od_control.baud = ODDropNumberAs<std::uint32_t>(upper);
    }
    if (od_control.port == OD_NO_PORT)
        od_control.baud = 1;
}

// Line 20: the caller's graphics mode.
void apply_graphics_line(const char* line)
{
    char upper[OD_DROP_LINE_SIZE];
    ODCopyField(upper, line);
    ODAsciiUpperInPlace(upper);
    ODDropStripEnding(upper);
    const bool rip = std::strcmp(upper, "RIP") == 0;
    if (rip)
        od_control.user_rip = 1;
    od_control.user_ansi = (rip || upper[0] == 'G') ? 1 : 0;
}

constexpr ODDropLineRule kDoorSysHead[] = {  // lines 1..24
    {OD_NOT_KEPT, 0, apply_com_line},
    {0, 0, [](const char* l) { od_control.connect_speed = ODDropNumberAs<std::uint32_t>(l); }},
    {1, 0, ODDropApplyFraming},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.node_number = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, apply_lock_line},
    {3, 0, nullptr},
    {4, 0, nullptr},
    {5, 0, nullptr},
    {22, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_name, l, 35); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropText(od_control.user_location, l, 25); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_home_phone, l, 15); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_data_phone, l, 15); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropText(od_control.user_password, l, 15); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_security = ODDropNumberAs<std::uint16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_times_on = ODDropNumberAs<std::uint32_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_last_date, l, 8); }},
    {OD_NOT_KEPT, 0, nullptr},  // seconds left: line 19 says the same in minutes
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_time_left = ODDropNumberAs<std::int16_t>(l); }},
    {OD_NOT_KEPT, 0, apply_graphics_line},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_screen_length = ODDropNumberAs<std::uint16_t>(l); }},
    {8, 0, nullptr},
    {9, 0, nullptr},
    // The conferences, "1,2,3": one line like every other, however long.
    {10, 0, nullptr},
};

constexpr ODDropLineRule kDoorSysBody[] = {  // lines 25..36
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_subscription_date, l, 8); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_record_number = ODDropNumberAs<std::uint16_t>(l); }},
    {6, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_uploads = ODDropNumberAs<std::uint32_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_downloads = ODDropNumberAs<std::uint32_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_today_kb = ODDropNumberAs<std::uint32_t>(l); }},
    {21, 0, nullptr},
    {7, 0, nullptr},
    {11, 0, nullptr},
    {12, 0, nullptr},
    {13, 0, nullptr},
    {14, 0, nullptr},
};
constexpr std::size_t kBodyMandatory = 7;  // lines 25..31

constexpr ODDropLineRule kDoorSysTail[] = {  // lines 37..52
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropText(od_control.event_start_time, l, 5); }},
    {OD_NOT_KEPT, 0,
     [](const char* l) { od_control.user_error_free = (l[0] == 'Y' || l[0] == 'y') ? 1 : 0; }},
    {7, 0, nullptr},
    {13, 0, nullptr},
    {14, 0, nullptr},
    {15, 0, nullptr},
    {16, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropText(od_control.user_login_time, l, 5); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropText(od_control.user_last_time, l, 5); }},
    {18, 0, nullptr},
    {19, 0, nullptr},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_upload_kb = ODDropNumberAs<std::uint32_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_download_kb = ODDropNumberAs<std::uint32_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropText(od_control.user_comment, l, 79); }},
    {20, 0, nullptr},
    {OD_NOT_KEPT, 0,
     [](const char* l) { od_control.user_messages_posted = ODDropNumberAs<std::uint16_t>(l); }},
};

constexpr ODDropLineRule kDoorSysShort[] = {
    {OD_NOT_KEPT, 0, [](const char* l) { ODDropName(od_control.user_name, l, 35); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.port = ODDropPortFromChar(l[0]); }},
    {OD_NOT_KEPT, 0,
     [](const char* l) {
         od_control.baud = od_control.port == OD_NO_PORT ? 1 : ODDropNumberAs<std::uint32_t>(l);
     }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_time_left = ODDropNumberAs<std::int16_t>(l); }},
    {OD_NOT_KEPT, 0, [](const char* l) { od_control.user_ansi = ODDropFirstIs(l, 'G') ? 1 : 0; }},
};

bool is_standard_variant(const char* first_line)
{
    return begins_with(first_line, "COM") && ODDropCharAt(first_line, 3) != '\0' &&
           ODDropCharAt(first_line, 4) == ':';
}

// Lines 32..36 read: what the kept lines say about the caller.
void apply_extended_names()
{
    char birth[OD_KEPT_LINE_SIZE];
    ODCopyField(birth, ODDropKept(7));
    ODDropText(od_control.user_birth_date, birth, 8);
    ODDropName(od_control.sysop_name, ODDropKept(13), 39);
    ODDropName(od_control.user_handle, ODDropKept(14), 35);
}

bool read_standard(std::FILE* file)
{
    if (!ODDropReadLines(file, kDoorSysHead, std::size(kDoorSysHead), std::size(kDoorSysHead)))
        return false;
    std::size_t body_lines = 0;
    if (!ODDropReadLines(file, kDoorSysBody, std::size(kDoorSysBody), kBodyMandatory, &body_lines))
        return false;
    od_control.drop_file_kind = OD_DROP_DOORSYS_SHORT;
    if (body_lines < std::size(kDoorSysBody))
        return true;
    apply_extended_names();
    std::size_t tail_lines = 0;
    ODDropReadLines(file, kDoorSysTail, std::size(kDoorSysTail), 0, &tail_lines);
    if (tail_lines == std::size(kDoorSysTail))
        od_control.drop_file_kind = OD_DROP_DOORSYS;
    return true;
}

}  // namespace

bool ODReadDoorSys(std::FILE* file)
{
    // The first line decides the variant; peek at it and start again.
    char first[OD_DROP_LINE_SIZE];
    if (!ODDropReadLine(file, first, sizeof first))
        return false;
    const bool standard = is_standard_variant(first);
    std::rewind(file);
    if (standard)
        return read_standard(file);
    if (!ODDropReadLines(file, kDoorSysShort, std::size(kDoorSysShort), std::size(kDoorSysShort)))
        return false;
    od_control.drop_file_kind = OD_DROP_DOORSYS_NOCOM;
    return true;
}
