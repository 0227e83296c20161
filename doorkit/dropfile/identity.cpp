// The caller identity: the text the application turns into the caller's
// profile key, so its form must stay stable for every drop-file kind.
#include <cstdio>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/bbsdev/bbsdev.h"
#include "doorkit/bbsdev/parse.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/core/control.h"

namespace {

// Room for a BBSDEV.DRP identifier whole: cut to a prefix, two callers
// whose identifiers share it would share one profile.
char szUserID[kBBSDevMaxFileSize + 1];

// Kinds whose drop file carries a record number of the BBS user file.
bool has_record_number(std::uint8_t kind)
{
    switch (kind) {
    case OD_DROP_EXITINFO_SHORT:
    case OD_DROP_EXITINFO_EXTENDED:
    case OD_DROP_CHAINTXT:
    case OD_DROP_SFDOORS:
    case OD_DROP_DOORSYS_SHORT:
    case OD_DROP_EXITINFO_MEDIUM:
    case OD_DROP_DOORSYS:
    case OD_DROP_EXITINFO_RA2:
    case OD_DROP_TRIBBSSYS:
    case OD_DROP_DOOR32SYS:
        return true;
    default:
        return false;
    }
}

}  // namespace

const char* od_get_user_id()
{
    std::memset(szUserID, 0, sizeof szUserID);
    ODApiCall call;
    if (!call.allowed())
        return szUserID;

    const std::uint8_t kind = od_control.drop_file_kind;
    if (kind == OD_DROP_BBSDEV) {
        const char* id = ODBBSDevUserID();
        ODCopyText(szUserID, sizeof szUserID, id != nullptr ? id : "");
        return szUserID;
    }

    const char* name = od_control.user_name[0] != '\0' ? od_control.user_name
                                                       : od_control.user_handle;
    const bool no_name = name[0] == '\0';
    const unsigned record = od_control.user_record_number;

    if (has_record_number(kind) || (kind == OD_DROP_PRESET && record != 0)) {
        std::snprintf(szUserID, sizeof szUserID, "%u:%.36s", record, name);
    } else if (!no_name) {
        std::snprintf(szUserID, sizeof szUserID, ":%.36s", name);
    }
    return szUserID;
}
