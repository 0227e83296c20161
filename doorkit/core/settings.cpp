// Small public accessors of the session settings. They do not start the
// session: the application uses them to prepare od_init.
#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/core/control.h"

namespace {

constexpr std::uint32_t kPortLimit = 256;

}  // namespace

od_control_record* od_control_get()
{
    if (!ODSyncPublicCallAllowed())
        return nullptr;
    return &od_control;
}

bool od_set_port(std::uint32_t port)
{
    if (!ODSyncPublicCallAllowed())
        return false;
    // The port is chosen when od_init opens it; later changes would be lost.
    if (eODLifecycleState != OD_STATE_NOT_STARTED || port >= kPortLimit) {
        od_control.error_code = OD_ERR_PARAMETER;
        return false;
    }
    od_control.port = static_cast<std::uint16_t>(port);
    nForcedPort = static_cast<std::int32_t>(port);
    return true;
}

bool od_get_user_8bit()
{
    if (!ODSyncPublicCallAllowed())
        return false;
    return bUserEightBit != 0;
}

bool od_set_user_8bit(bool eight_bit)
{
    if (!ODSyncPublicCallAllowed())
        return false;
    bUserEightBit = eight_bit ? 1 : 0;
    return true;
}
