#include "doorkit/core/api_sync.h"

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"

std::uint32_t nAPILevel = 0;
std::uint8_t bSyncActive = 0;

int ODSyncSessionInitialize()
{
    nAPILevel = 0;
    bSyncActive = 1;
    return 0;
}

void ODSyncSessionShutdown()
{
    bSyncActive = 0;
    nAPILevel = 0;
}

bool ODSyncSessionActive()
{
    return bSyncActive != 0;
}

bool ODSyncAPIIsNested()
{
    return bSyncActive != 0 && nAPILevel > 0;
}

bool ODSyncPublicCallAllowed()
{
    if (eODLifecycleState < OD_STATE_EXIT_DEFERRED)
        return true;
    od_control.error_code = OD_ERR_GENERALFAILURE;
    return false;
}

void ODSyncAPIEntry()
{
    ++nAPILevel;
    if (nAPILevel == 1 && eODLifecycleState == OD_STATE_ACTIVE)
        ODKrnlDispatchPending();
}

void ODSyncAPIExit()
{
    if (nAPILevel == 0)
        return;
    if (nAPILevel > 1) {
        --nAPILevel;
        return;
    }
    if (eODLifecycleState == OD_STATE_ACTIVE) {
        ODKrnlDispatchPending();
        --nAPILevel;
        return;
    }
    if (eODLifecycleState == OD_STATE_EXIT_DEFERRED) {
        // The exit asked for inside a kit call happens now that the
        // outermost call is done.
        eODLifecycleState = OD_STATE_SHUTTING_DOWN;
        od_exit(static_cast<int>(nODPendingExitErrorLevel), bODPendingExitTermCall != 0);
    }
    nAPILevel = 0;
    if (eODLifecycleState == OD_STATE_SHUT_DOWN)
        bSyncActive = 0;
}

bool ODSyncAPICheckpoint()
{
    if (nAPILevel == 0)
        return eODLifecycleState == OD_STATE_ACTIVE;
    if (eODLifecycleState != OD_STATE_ACTIVE)
        return false;
    ODKrnlDispatchPending();
    od_kernel();
    return eODLifecycleState == OD_STATE_ACTIVE;
}

std::uint32_t ODSyncAPIRelease()
{
    std::uint32_t level = nAPILevel;
    nAPILevel = 0;
    return level;
}

void ODSyncAPIReacquire(std::uint32_t level)
{
    nAPILevel = level;
}

int ODMutexInitialize(void** mutex)
{
    if (mutex != nullptr)
        *mutex = nullptr;
    return 0;
}

void ODMutexDestroy(void*) {}
void ODMutexLock(void*) {}
void ODMutexUnlock(void*) {}

bool ODEnsureStarted()
{
    if (!ODSyncPublicCallAllowed())
        return false;
    if (!bODInitialized) {
        od_init();
        if (!bODInitialized) {
            od_control.error_code = OD_ERR_GENERALFAILURE;
            return false;
        }
    }
    return true;
}

ODApiCall::ODApiCall() : allowed_(ODEnsureStarted())
{
    if (allowed_)
        ODSyncAPIEntry();
}

ODApiCall::~ODApiCall()
{
    if (allowed_)
        ODSyncAPIExit();
}
