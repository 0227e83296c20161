#include "doorkit/core/control.h"

#include <cstdio>
#include <cstdlib>

od_control_record od_control{};

std::uint32_t eODLifecycleState = OD_STATE_NOT_STARTED;
std::uint8_t bODInitialized = 0;

std::uint8_t bODExitRequestedDuringInitialization = 0;
std::uint32_t nODPendingExitErrorLevel = 0;
std::uint8_t bODPendingExitTermCall = 0;
std::uint8_t bODPendingExitNoExit = 0;
std::uint8_t bODExitPrologueComplete = 0;
std::uint8_t bPreOrExit = 0;

std::time_t nStartupUnixTime = 0;
std::int16_t nInitialRemaining = 0;
std::uint16_t nInitialElapsed = 0;
std::uint32_t dwFileBPS = 0;
std::uint32_t dwForcedBPS = 1;  // 1 = no forced speed
std::int32_t nForcedPort = -1;  // -1 = no forced port
std::uint16_t wODNodeNumber = 65535;  // 65535 = not given
std::uint8_t bParsedCmdLine = 0;
std::uint16_t wPreSetInfo = 0;

char* apszDropFileInfo[DROP_FILE_INFO_LINES] = {};
char szDropFilePath[PATH_MAX] = {};
char szExitinfoBBSPath[PATH_MAX] = {};
char szDropFileDirFull[PATH_MAX] = {};

std::uint8_t bIsSysop = 0;
std::uint8_t bIsCoSysop = 0;
std::uint8_t btDoorSYSLock = 0;
std::uint8_t bUserEightBit = 0;
std::uint8_t bTelnetSocket = 0;

void ODInitError(const char* message)
{
    if (message == nullptr)
        return;
    std::fputs(message, stderr);
    std::fflush(stderr);
}

void ODProcessExit(int code)
{
    // The BBS may read what the door printed last; nothing stays buffered.
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(code);
}

int ODStartupFailureLevel()
{
    if (od_control.errorlevels[OD_LEVEL_USE_TABLE] != 0)
        return od_control.errorlevels[OD_LEVEL_STARTUP_FAILURE];
    return 1;
}
