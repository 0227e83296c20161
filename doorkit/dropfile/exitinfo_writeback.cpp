// EXITINFO.BBS write-back: every form over the image read at start-up.
#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/exitinfo.h"
#include "doorkit/dropfile/writeback.h"
#include "doorkit/dropfile/writeback_formats.h"

namespace {

constexpr std::uint8_t kSexMale = 1;
constexpr std::uint8_t kSexFemale = 2;

void store_medium_fields(bool term_call)
{
    std::uint8_t* image = abtExitInfoBase;
    image[OD_EXITINFO_MEDIUM_CHAT] = od_control.user_wants_chat;
    const std::uint8_t pointer = od_control.menu_stack_pointer;
    image[OD_EXITINFO_MEDIUM_MENU_COUNT] = pointer;
    for (std::size_t i = 0; i < pointer && i < OD_EXITINFO_MEDIUM_MENU_ROOM; ++i)
        ODExitInfoPutText(image + OD_EXITINFO_MEDIUM_MENU + OD_EXITINFO_MENU_ENTRY * i, 8,
                          od_control.menu_stack[i], sizeof od_control.menu_stack[i]);
    if (pointer < OD_MENU_STACK_DEPTH)
        ODExitInfoPutText(image + OD_EXITINFO_MEDIUM_MENU_TOP, 8, od_control.menu_stack[pointer],
                          sizeof od_control.menu_stack[pointer]);
    image[OD_EXITINFO_MEDIUM_HANGUP] = term_call ? 1 : 0;
    image[OD_EXITINFO_MEDIUM_RIP] = od_control.user_rip ? 1 : 0;
}

void write_ra2(ODDropFileWriter* writer)
{
    std::uint8_t* image = abtExitInfoRA2;
    const std::uint8_t stored_sex = image[OD_EXITINFO_RA2_SEX];
    ODExitInfoStore(kExitInfoRA2Fields, image);
    // The sex byte follows user_sex; a code the door left as it was read
    // (including "unknown") goes back unchanged.
    const bool male = od_control.user_sex == 'M';
    image[OD_EXITINFO_RA2_SEX] = (stored_sex == kSexMale) == male ? stored_sex
                                 : male                           ? kSexMale
                                                                  : kSexFemale;
    // There is no status line here, so its byte (2263) stays as the BBS
    // wrote it.
    ODDropFileWrite(writer, image, OD_EXITINFO_RA2);
}

}  // namespace

bool ODWriteExitInfoPrimitive(ODDropFileWriter* writer, std::size_t size)
{
    std::uint8_t* image = abtExitInfoBase;
    ODExitInfoStore(kExitInfoBaseFields, image);
    // The medium form leaves the elapsed minutes to the BBS.
    if (od_control.drop_file_kind == OD_DROP_EXITINFO_MEDIUM)
        ODExitInfoPut(image + OD_EXITINFO_TIME_USED, 2, nInitialElapsed);
    std::uint16_t minutes = 0;
    if (ODMinutesSinceStartup(&minutes)) {
        // Time given or taken in the door, beyond the minutes that passed.
        const int adjustment = nInitialRemaining - od_control.user_time_left - minutes;
        const std::uint32_t word = ODExitInfoGet(image + OD_EXITINFO_TIME_LIMIT, 2);
        ODExitInfoPut(image + OD_EXITINFO_TIME_LIMIT, 2,
                      static_cast<std::uint16_t>(static_cast<int>(word) - adjustment));
    }
    const std::uint16_t before = writer->error;
    ODDropFileWrite(writer, image, size);
    return before == 0 && writer->error == 0;
}

void ODWriteExitInfoRecord(ODDropFileWriter* writer, bool term_call)
{
    switch (od_control.drop_file_kind) {
    case OD_DROP_EXITINFO_MEDIUM:
        store_medium_fields(term_call);
        ODWriteExitInfoPrimitive(writer, OD_EXITINFO_MEDIUM);
        break;
    case OD_DROP_EXITINFO_SHORT:
        ODExitInfoStore(kExitInfoShortFields, abtExitInfoBase);
        ODWriteExitInfoPrimitive(writer, OD_EXITINFO_SHORT);
        break;
    case OD_DROP_EXITINFO_EXTENDED:
        ODExitInfoStore(kExitInfoShortFields, abtExitInfoBase);
        ODExitInfoStore(kExitInfoExtendedFields, abtExitInfoExtended);
        ODWriteExitInfoPrimitive(writer, OD_EXITINFO_SHORT);
        ODDropFileWrite(writer, abtExitInfoExtended, OD_EXITINFO_EXTENDED_BLOCK);
        break;
    case OD_DROP_EXITINFO_RA2:
        write_ra2(writer);
        break;
    default:
        break;
    }
}
