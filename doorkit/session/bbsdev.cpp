#include "doorkit/session/bbsdev.h"

#include <cstdlib>

#include "doorkit/doorkit.h"

std::uint8_t bBBSDevSession = 0;
std::uint8_t bBBSDevDeadlineSet = 0;
std::int64_t nBBSDevDeadline = 0;
std::uint8_t bBBSDevOpenHandleSet = 0;
std::uint32_t nBBSDevComMethod = 0;
char* pszBBSDevStorage = nullptr;
const char* pszBBSDevUserID = nullptr;

void ODBBSDevClearSession()
{
    ODBBSDevFree();
    bBBSDevSession = 0;
    bBBSDevDeadlineSet = 0;
    nBBSDevDeadline = 0;
    bBBSDevOpenHandleSet = 0;
    nBBSDevComMethod = 0;
}

// The file is not understood yet: every one is refused.
bool ODInitReadBBSDevDropFile(const char*)
{
    ODBBSDevClearSession();
    return false;
}

bool ODBBSDevActive()
{
    return bBBSDevSession != 0;
}

std::uint32_t ODBBSDevComMethod()
{
    return bBBSDevSession ? nBBSDevComMethod : 0;
}

bool ODBBSDevHasOpenHandle()
{
    return bBBSDevSession != 0 && bBBSDevOpenHandleSet != 0;
}

long ODBBSDevOpenHandle()
{
    return ODBBSDevHasOpenHandle() ? static_cast<long>(od_control.open_handle) : 0;
}

const char* ODBBSDevUserID()
{
    return bBBSDevSession ? pszBBSDevUserID : nullptr;
}

void ODBBSDevApplyTimeLimit() {}

void ODBBSDevFree()
{
    std::free(pszBBSDevStorage);
    pszBBSDevStorage = nullptr;
    pszBBSDevUserID = nullptr;
}
