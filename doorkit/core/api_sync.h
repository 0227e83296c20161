// The nesting counter around public kit calls: an exit requested inside a
// call is carried out when the outermost call returns.
#ifndef DOORKIT_CORE_API_SYNC_H
#define DOORKIT_CORE_API_SYNC_H

#include <cstdint>

extern std::uint32_t nAPILevel;
extern std::uint8_t bSyncActive;

int ODSyncSessionInitialize();  // 0 = success
void ODSyncSessionShutdown();
bool ODSyncSessionActive();
bool ODSyncAPIIsNested();
bool ODSyncPublicCallAllowed();
void ODSyncAPIEntry();
void ODSyncAPIExit();
bool ODSyncAPICheckpoint();
std::uint32_t ODSyncAPIRelease();
void ODSyncAPIReacquire(std::uint32_t level);

// Mutexes exist for the interface's sake; the kit runs on one thread.
int ODMutexInitialize(void** mutex);
void ODMutexDestroy(void* mutex);
void ODMutexLock(void* mutex);
void ODMutexUnlock(void* mutex);

// Starts the kit when a public call arrives before od_init; false (with
// error_code 8) when the call must be refused.
bool ODEnsureStarted();

// Lets the kernel run work that waits for the outermost kit call. Defined
// by the kernel, which sits above this floor.
void ODKrnlDispatchPending();

// Guard for a public call: starts the kit if needed, checks the call is
// allowed and holds the API level for the call's duration.
class ODApiCall {
public:
    ODApiCall();
    ~ODApiCall();
    ODApiCall(const ODApiCall&) = delete;
    ODApiCall& operator=(const ODApiCall&) = delete;
    bool allowed() const { return allowed_; }

private:
    bool allowed_;
};

#endif
