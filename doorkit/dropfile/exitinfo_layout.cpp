// EXITINFO.BBS field tables: base record, short-form fields, extended block
// and the RA2 record.
#include "doorkit/dropfile/exitinfo_layout.h"

#include <array>
#include <cstring>
#include <string_view>

#include "doorkit/core/control.h"

namespace {

#define OD_EXIT_NUMBERS(off, width, count, field) \
    ODExitField{off, ODExitType::Number, width, count, offsetof(od_control_record, field), \
                sizeof(od_control_record::field)}
#define OD_EXIT_NUMBER(off, width, field) OD_EXIT_NUMBERS(off, width, 1, field)
#define OD_EXIT_TEXTS(off, chars, count, field) \
    ODExitField{off, ODExitType::PString, chars, count, offsetof(od_control_record, field), \
                sizeof(od_control_record::field)}
#define OD_EXIT_TEXT(off, chars, field) OD_EXIT_TEXTS(off, chars, 1, field)
#define OD_EXIT_BYTES(off, bytes, field) \
    ODExitField{off, ODExitType::Bytes, bytes, 1, offsetof(od_control_record, field), \
                sizeof(od_control_record::field)}

constexpr auto kBase = std::to_array<ODExitField>({
    OD_EXIT_NUMBER(0, 2, baud),
    OD_EXIT_NUMBER(2, 4, system_calls),
    OD_EXIT_TEXT(6, 35, system_last_caller),
    OD_EXIT_TEXT(170, 8, timelog_start_date),
    OD_EXIT_NUMBERS(179, 2, 24, timelog_busy_per_hour),
    OD_EXIT_NUMBERS(227, 2, 7, timelog_busy_per_day),
    OD_EXIT_TEXT(241, 35, user_name),
    OD_EXIT_TEXT(277, 25, user_location),
    OD_EXIT_TEXT(303, 15, user_password),
    OD_EXIT_TEXT(319, 12, user_data_phone),
    OD_EXIT_TEXT(332, 12, user_home_phone),
    OD_EXIT_TEXT(345, 5, user_last_time),
    OD_EXIT_TEXT(351, 8, user_last_date),
    OD_EXIT_NUMBER(360, 1, user_attribute),
    OD_EXIT_BYTES(361, 4, user_flags),
    OD_EXIT_NUMBER(365, 2, user_credit),
    OD_EXIT_NUMBER(367, 2, user_pending),
    OD_EXIT_NUMBER(369, 2, user_messages_posted),
    OD_EXIT_NUMBER(371, 2, user_last_read),
    OD_EXIT_NUMBER(373, 2, user_security),
    OD_EXIT_NUMBER(375, 2, user_times_on),
    OD_EXIT_NUMBER(377, 2, user_uploads),
    OD_EXIT_NUMBER(379, 2, user_downloads),
    OD_EXIT_NUMBER(381, 2, user_upload_kb),
    OD_EXIT_NUMBER(383, 2, user_download_kb),
    OD_EXIT_NUMBER(385, 2, user_today_kb),
    OD_EXIT_NUMBER(387, 2, user_time_used),
    OD_EXIT_NUMBER(389, 2, user_screen_length),
    OD_EXIT_NUMBER(391, 1, user_last_password_change),
    OD_EXIT_NUMBER(392, 1, user_attribute2),
    OD_EXIT_NUMBER(393, 1, user_group),
    OD_EXIT_NUMBER(394, 2, user_xi_record),
    OD_EXIT_NUMBER(399, 1, event_status),
    OD_EXIT_TEXT(400, 5, event_start_time),
    OD_EXIT_NUMBER(406, 1, event_errorlevel),
    OD_EXIT_NUMBER(407, 1, event_days),
    OD_EXIT_NUMBER(408, 1, event_forced),
    OD_EXIT_TEXT(409, 8, event_last_run),
    OD_EXIT_NUMBER(418, 1, user_netmail_entered),
    OD_EXIT_NUMBER(419, 1, user_echomail_entered),
    OD_EXIT_TEXT(420, 5, user_login_time),
    OD_EXIT_TEXT(426, 8, user_login_date),
    OD_EXIT_NUMBER(437, 4, user_login_seconds),
    OD_EXIT_NUMBER(441, 4, user_credit_left),
    OD_EXIT_NUMBER(445, 2, user_record_number),
    OD_EXIT_NUMBER(447, 2, user_read_through),
    OD_EXIT_NUMBER(449, 2, user_page_times),
    OD_EXIT_NUMBER(451, 2, user_download_limit),
});

constexpr auto kShort = std::to_array<ODExitField>({
    OD_EXIT_TEXT(453, 5, user_time_of_creation),
    OD_EXIT_TEXT(459, 15, user_logon_password),
    OD_EXIT_NUMBER(475, 1, user_wants_chat),
});

constexpr auto kExtended = std::to_array<ODExitField>({
    OD_EXIT_NUMBER(0, 2, menu_last_area),
    OD_EXIT_TEXTS(2, 8, OD_MENU_STACK_DEPTH, menu_stack),
    OD_EXIT_NUMBER(452, 1, menu_stack_pointer),
    OD_EXIT_TEXT(453, 35, user_handle),
    OD_EXIT_TEXT(489, 80, user_comment),
    OD_EXIT_TEXT(570, 8, user_first_date),
    OD_EXIT_BYTES(579, 25, user_combined_info),
    OD_EXIT_TEXT(604, 8, user_birth_date),
    OD_EXIT_TEXT(613, 8, user_subscription_date),
    OD_EXIT_NUMBER(622, 1, user_screen_width),
    OD_EXIT_NUMBER(623, 1, user_msg_area),
    OD_EXIT_NUMBER(624, 1, user_file_area),
    OD_EXIT_NUMBER(625, 1, user_language),
    OD_EXIT_NUMBER(626, 1, user_date_format),
    OD_EXIT_TEXT(627, 35, user_forward_to),
    OD_EXIT_NUMBER(706, 1, user_error_free),
    OD_EXIT_NUMBER(707, 1, sysop_next),
    OD_EXIT_NUMBER(708, 1, emsi_session),
    OD_EXIT_TEXT(709, 40, emsi_crt_def),
    OD_EXIT_TEXT(750, 40, emsi_protocols),
    OD_EXIT_TEXT(791, 40, emsi_capabilities),
    OD_EXIT_TEXT(832, 40, emsi_requests),
    OD_EXIT_TEXT(873, 40, emsi_software),
    OD_EXIT_NUMBER(914, 2, hold_attributes),
    OD_EXIT_NUMBER(916, 1, hold_length),
});

constexpr auto kRA2 = std::to_array<ODExitField>({
    OD_EXIT_NUMBER(0, 2, baud),
    OD_EXIT_NUMBER(2, 4, system_calls),
    OD_EXIT_TEXT(6, 35, system_last_caller),
    OD_EXIT_TEXT(42, 35, system_last_handle),
    OD_EXIT_TEXT(170, 8, timelog_start_date),
    OD_EXIT_NUMBERS(179, 2, 24, timelog_busy_per_hour),
    OD_EXIT_NUMBERS(227, 2, 7, timelog_busy_per_day),
    OD_EXIT_TEXT(241, 35, user_name),
    OD_EXIT_TEXT(277, 25, user_location),
    OD_EXIT_TEXT(303, 50, user_organisation),
    OD_EXIT_TEXTS(354, 50, 3, user_address),
    OD_EXIT_TEXT(507, 35, user_handle),
    OD_EXIT_TEXT(543, 80, user_comment),
    OD_EXIT_NUMBER(624, 4, user_password_crc),
    OD_EXIT_TEXT(628, 15, user_data_phone),
    OD_EXIT_TEXT(644, 15, user_home_phone),
    OD_EXIT_TEXT(660, 5, user_last_time),
    OD_EXIT_TEXT(666, 8, user_last_date),
    OD_EXIT_NUMBER(675, 1, user_attribute),
    OD_EXIT_NUMBER(676, 1, user_attribute2),
    OD_EXIT_BYTES(677, 4, user_flags),
    OD_EXIT_NUMBER(691, 2, user_security),
    OD_EXIT_NUMBER(693, 4, user_last_read),
    OD_EXIT_NUMBER(697, 4, user_times_on),
    OD_EXIT_NUMBER(701, 4, user_uploads),
    OD_EXIT_NUMBER(705, 4, user_downloads),
    OD_EXIT_NUMBER(709, 4, user_upload_kb),
    OD_EXIT_NUMBER(713, 4, user_download_kb),
    OD_EXIT_NUMBER(717, 4, user_today_kb),
    OD_EXIT_NUMBER(721, 2, user_time_used),
    OD_EXIT_NUMBER(723, 2, user_screen_length),
    OD_EXIT_NUMBER(725, 1, user_last_password_change),
    OD_EXIT_NUMBER(726, 2, user_group),
    OD_EXIT_BYTES(728, 200, user_combined_info),
    OD_EXIT_TEXT(1128, 8, user_first_date),
    OD_EXIT_TEXT(1137, 8, user_birth_date),
    OD_EXIT_TEXT(1146, 8, user_subscription_date),
    OD_EXIT_NUMBER(1155, 1, user_screen_width),
    OD_EXIT_NUMBER(1156, 1, user_language),
    OD_EXIT_NUMBER(1157, 1, user_date_format),
    OD_EXIT_TEXT(1158, 35, user_forward_to),
    OD_EXIT_NUMBER(1194, 2, user_msg_area),
    OD_EXIT_NUMBER(1196, 2, user_file_area),
    OD_EXIT_NUMBER(1198, 1, user_default_protocol),
    OD_EXIT_NUMBER(1199, 2, user_file_group),
    OD_EXIT_NUMBER(1201, 1, user_last_dob_check),
    OD_EXIT_NUMBER(1202, 1, user_sex_code),
    OD_EXIT_NUMBER(1203, 2, user_xi_record),
    OD_EXIT_NUMBER(1209, 1, user_attribute3),
    OD_EXIT_TEXT(1210, 15, user_password),
    OD_EXIT_NUMBER(1257, 1, event_status),
    OD_EXIT_TEXT(1258, 5, event_start_time),
    OD_EXIT_NUMBER(1264, 1, event_errorlevel),
    OD_EXIT_NUMBER(1265, 1, event_days),
    OD_EXIT_NUMBER(1266, 1, event_forced),
    OD_EXIT_TEXT(1267, 8, event_last_run),
    OD_EXIT_NUMBER(1276, 1, user_netmail_entered),
    OD_EXIT_NUMBER(1277, 1, user_echomail_entered),
    OD_EXIT_TEXT(1278, 5, user_login_time),
    OD_EXIT_TEXT(1284, 8, user_login_date),
    OD_EXIT_NUMBER(1293, 2, user_time_left),
    OD_EXIT_NUMBER(1299, 2, user_record_number),
    OD_EXIT_NUMBER(1301, 2, user_read_through),
    OD_EXIT_NUMBER(1303, 2, user_page_times),
    OD_EXIT_NUMBER(1305, 2, user_download_limit),
    OD_EXIT_TEXT(1307, 5, user_time_of_creation),
    OD_EXIT_NUMBER(1313, 4, user_logon_password_crc),
    OD_EXIT_NUMBER(1317, 1, user_wants_chat),
    OD_EXIT_NUMBER(1318, 2, menu_last_area),
    OD_EXIT_TEXTS(1320, 8, OD_MENU_STACK_DEPTH, menu_stack),
    OD_EXIT_NUMBER(1770, 1, menu_stack_pointer),
    OD_EXIT_NUMBER(1971, 1, user_error_free),
    OD_EXIT_NUMBER(1972, 1, sysop_next),
    OD_EXIT_NUMBER(1973, 1, emsi_session),
    OD_EXIT_TEXT(1974, 40, emsi_crt_def),
    OD_EXIT_TEXT(2015, 40, emsi_protocols),
    OD_EXIT_TEXT(2056, 40, emsi_capabilities),
    OD_EXIT_TEXT(2097, 40, emsi_requests),
    OD_EXIT_TEXT(2138, 40, emsi_software),
    OD_EXIT_NUMBER(2179, 2, hold_attributes),
    OD_EXIT_NUMBER(2181, 1, hold_length),
    OD_EXIT_TEXT(2182, 77, chat_reason),
    OD_EXIT_TEXT(2264, 8, last_cost_menu),
    OD_EXIT_NUMBER(2273, 2, menu_cost_per_minute),
    OD_EXIT_NUMBER(2276, 1, user_rip),
    OD_EXIT_NUMBER(2277, 1, user_rip_version),
});

#undef OD_EXIT_NUMBERS
#undef OD_EXIT_NUMBER
#undef OD_EXIT_TEXTS
#undef OD_EXIT_TEXT
#undef OD_EXIT_BYTES

constexpr std::size_t record_width(const ODExitField& f)
{
    const std::size_t element = f.type == ODExitType::PString ? f.width + 1u : f.width;
    return element * f.count;
}

// Every field lies inside its record, fits its od_control field, and numbers
// go to fields of a whole integer width.
template <std::size_t N>
constexpr bool fits(const std::array<ODExitField, N>& fields, std::size_t record_size)
{
    for (const ODExitField& f : fields) {
        if (f.count == 0 || f.offset + record_width(f) > record_size)
            return false;
        if (f.member + f.member_size > sizeof(od_control_record) || f.member_size % f.count != 0)
            return false;
        const std::size_t element = f.member_size / f.count;
        if (f.type == ODExitType::Number &&
            (element < f.width || (element != 1 && element != 2 && element != 4 && element != 8)))
            return false;
        if (f.type == ODExitType::PString && element < 1)
            return false;
    }
    return true;
}

constexpr std::size_t kBaseFieldsEnd = 453;
static_assert(fits(kBase, kBaseFieldsEnd));
static_assert(fits(kBase, OD_EXITINFO_SHORT) && fits(kShort, OD_EXITINFO_SHORT));
static_assert(fits(kExtended, OD_EXITINFO_EXTENDED_BLOCK));
static_assert(fits(kRA2, OD_EXITINFO_RA2));

// Reads or writes an integer of 1, 2, 4 or 8 bytes in od_control.
std::uint64_t get_member(const std::uint8_t* at, std::size_t width)
{
    switch (width) {
    case 1:
        return *at;
    case 2: {
        std::uint16_t v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    case 4: {
        std::uint32_t v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    default: {
        std::uint64_t v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    }
}

void put_member(std::uint8_t* at, std::size_t width, std::uint64_t value)
{
    switch (width) {
    case 1:
        *at = static_cast<std::uint8_t>(value);
        break;
    case 2: {
        const auto v = static_cast<std::uint16_t>(value);
        std::memcpy(at, &v, sizeof v);
        break;
    }
    case 4: {
        const auto v = static_cast<std::uint32_t>(value);
        std::memcpy(at, &v, sizeof v);
        break;
    }
    default:
        std::memcpy(at, &value, sizeof value);
        break;
    }
}

std::uint8_t* control_bytes()
{
    return reinterpret_cast<std::uint8_t*>(&od_control);
}

}  // namespace

const std::span<const ODExitField> kExitInfoBaseFields{kBase};
const std::span<const ODExitField> kExitInfoShortFields{kShort};
const std::span<const ODExitField> kExitInfoExtendedFields{kExtended};
const std::span<const ODExitField> kExitInfoRA2Fields{kRA2};

std::uint32_t ODExitInfoGet(const std::uint8_t* at, std::size_t width)
{
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = value << 8 | at[i];
    return value;
}

void ODExitInfoPut(std::uint8_t* at, std::size_t width, std::uint32_t value)
{
    for (std::size_t i = 0; i < width; ++i, value >>= 8)
        at[i] = static_cast<std::uint8_t>(value & 0xFF);
}

void ODExitInfoGetText(const std::uint8_t* at, std::size_t chars, char* dest, std::size_t size)
{
    const std::size_t length = at[0] <= chars ? at[0] : 0;
    ODCopyText(dest, size, std::string_view(reinterpret_cast<const char*>(at + 1), length));
}

void ODExitInfoPutText(std::uint8_t* at, std::size_t chars, const char* text, std::size_t size)
{
    std::size_t length = strnlen(text, size);
    if (length > chars)
        length = chars;
    at[0] = static_cast<std::uint8_t>(length);
    std::memcpy(at + 1, text, length);
}

void ODExitInfoLoad(std::span<const ODExitField> fields, const std::uint8_t* image)
{
    for (const ODExitField& f : fields) {
        const std::size_t element = f.member_size / f.count;
        for (std::size_t i = 0; i < f.count; ++i) {
            std::uint8_t* member = control_bytes() + f.member + i * element;
            switch (f.type) {
            case ODExitType::Number:
                put_member(member, element, ODExitInfoGet(image + f.offset + i * f.width, f.width));
                break;
            case ODExitType::PString:
                ODExitInfoGetText(image + f.offset + i * (f.width + 1u), f.width,
                                  reinterpret_cast<char*>(member), element);
                break;
            case ODExitType::Bytes:
                std::memcpy(member, image + f.offset, f.width < element ? f.width : element);
                break;
            }
        }
    }
}

void ODExitInfoStore(std::span<const ODExitField> fields, std::uint8_t* image)
{
    for (const ODExitField& f : fields) {
        const std::size_t element = f.member_size / f.count;
        for (std::size_t i = 0; i < f.count; ++i) {
            const std::uint8_t* member = control_bytes() + f.member + i * element;
            switch (f.type) {
            case ODExitType::Number:
                ODExitInfoPut(image + f.offset + i * f.width, f.width,
                              static_cast<std::uint32_t>(get_member(member, element)));
                break;
            case ODExitType::PString:
                ODExitInfoPutText(image + f.offset + i * (f.width + 1u), f.width,
                                  reinterpret_cast<const char*>(member), element);
                break;
            case ODExitType::Bytes:
                std::memcpy(image + f.offset, member, f.width < element ? f.width : element);
                break;
            }
        }
    }
}
