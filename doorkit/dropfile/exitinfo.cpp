#include "doorkit/dropfile/exitinfo.h"

#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"

std::uint8_t abtExitInfoBase[OD_EXITINFO_BASE_IMAGE];
std::uint8_t abtExitInfoExtended[OD_EXITINFO_EXTENDED_BLOCK];
std::uint8_t abtExitInfoRA2[OD_EXITINFO_RA2];

namespace {

constexpr long kShortMin = 452;
constexpr long kMediumMin = 477;
constexpr long kExtendedMin = 1493;
constexpr long kRA2Min = 2363;

bool read_exactly(std::FILE* file, std::uint8_t* image, std::size_t size)
{
    return std::fread(image, 1, size, file) == size;
}

long file_size(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    const long size = std::ftell(file);
    if (std::fseek(file, 0, SEEK_SET) != 0)
        return -1;
    return size;
}

void apply_display_bits(std::uint8_t attribute, std::uint8_t attribute2)
{
    od_control.user_ansi = (attribute & 0x08) ? 1 : 0;
    od_control.user_avatar = (attribute2 & 0x02) ? 1 : 0;
}

// The medium form keeps a menu stack of 20 entries and the entry at the
// stack's top separately.
void load_medium_fields()
{
    const std::uint8_t* image = abtExitInfoBase;
    nInitialElapsed = static_cast<std::uint16_t>(ODExitInfoGet(image + OD_EXITINFO_TIME_USED, 2));
    od_control.user_wants_chat = image[OD_EXITINFO_MEDIUM_CHAT];
    const auto count = static_cast<std::int8_t>(image[OD_EXITINFO_MEDIUM_MENU_COUNT]);
    for (int i = 0; i < count && i < static_cast<int>(OD_EXITINFO_MEDIUM_MENU_ROOM); ++i)
        ODExitInfoGetText(image + OD_EXITINFO_MEDIUM_MENU + OD_EXITINFO_MENU_ENTRY * i, 8,
                          od_control.menu_stack[i], sizeof od_control.menu_stack[i]);
    if (count >= 0 && count < OD_MENU_STACK_DEPTH)
        ODExitInfoGetText(image + OD_EXITINFO_MEDIUM_MENU_TOP, 8, od_control.menu_stack[count],
                          sizeof od_control.menu_stack[count]);
    od_control.menu_stack_pointer = static_cast<std::uint8_t>(count);
    od_control.user_rip = image[OD_EXITINFO_MEDIUM_RIP];
}

bool read_base_form(std::FILE* file, long size, std::uint8_t* kind)
{
    std::size_t length;
    if (size >= kExtendedMin) {
        length = OD_EXITINFO_SHORT;
        *kind = OD_DROP_EXITINFO_EXTENDED;
    } else if (size >= kMediumMin) {
        length = static_cast<std::size_t>(size) < OD_EXITINFO_BASE_IMAGE
                     ? static_cast<std::size_t>(size)
                     : OD_EXITINFO_BASE_IMAGE;
        *kind = OD_DROP_EXITINFO_MEDIUM;
    } else {
        length = static_cast<std::size_t>(size);
        *kind = OD_DROP_EXITINFO_SHORT;
    }
    if (!read_exactly(file, abtExitInfoBase, length))
        return false;
    if (*kind == OD_DROP_EXITINFO_EXTENDED &&
        !read_exactly(file, abtExitInfoExtended, sizeof abtExitInfoExtended))
        return false;

    ODExitInfoLoad(kExitInfoBaseFields, abtExitInfoBase);
    apply_display_bits(od_control.user_attribute, od_control.user_attribute2);
    if (*kind == OD_DROP_EXITINFO_MEDIUM) {
        load_medium_fields();
    } else {
        ODExitInfoLoad(kExitInfoShortFields, abtExitInfoBase);
        if (*kind == OD_DROP_EXITINFO_EXTENDED)
            ODExitInfoLoad(kExitInfoExtendedFields, abtExitInfoExtended);
    }
    return true;
}

bool read_ra2_form(std::FILE* file, std::uint8_t* kind)
{
    if (!read_exactly(file, abtExitInfoRA2, sizeof abtExitInfoRA2))
        return false;
    *kind = OD_DROP_EXITINFO_RA2;
    ODExitInfoLoad(kExitInfoRA2Fields, abtExitInfoRA2);
    od_control.user_sex = abtExitInfoRA2[OD_EXITINFO_RA2_SEX] == 1 ? 'M' : 'F';
    apply_display_bits(od_control.user_attribute, od_control.user_attribute2);
    return true;
}

}  // namespace

bool ODReadExitInfoRecord(std::FILE* file, std::uint8_t* kind)
{
    ODExitInfoFreeImages();
    if (file == nullptr || kind == nullptr)
        return false;
    const long size = file_size(file);
    if (size < kShortMin)
        return false;
    if (size >= kRA2Min)
        return read_ra2_form(file, kind);
    return read_base_form(file, size, kind);
}

void ODExitInfoFreeImages()
{
    std::memset(abtExitInfoBase, 0, sizeof abtExitInfoBase);
    std::memset(abtExitInfoExtended, 0, sizeof abtExitInfoExtended);
    std::memset(abtExitInfoRA2, 0, sizeof abtExitInfoRA2);
}
