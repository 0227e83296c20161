// core: the ground floor. The control record's process-wide companions, the
// public-call guard (api_sync), timers and the session clock, the stop
// signals, prompt texts, the settings accessors and ASCII helpers. Uses only
// doorkit/doorkit.h; higher floors are reached through the public od_* calls
// alone.
//
// Process-wide session state kept beside the control record, and the one
// helper that copies text into fixed-size fields.
#ifndef DOORKIT_CORE_CONTROL_H
#define DOORKIT_CORE_CONTROL_H

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string_view>

#include "doorkit/doorkit.h"

// Lifecycle states (eODLifecycleState).
enum : std::uint32_t {
    OD_STATE_NOT_STARTED = 0,
    OD_STATE_STARTING = 1,
    OD_STATE_ACTIVE = 2,
    OD_STATE_EXIT_DEFERRED = 3,
    OD_STATE_SHUTTING_DOWN = 4,
    OD_STATE_SHUT_DOWN = 5,
};

constexpr int DROP_FILE_INFO_LINES = 25;
constexpr int DROP_FILE_INFO_SIZE = 81;

// wPreSetInfo bits: what the command line gave.
enum : std::uint16_t {
    PRESET_BPS = 0x0001,
    PRESET_PORT = 0x0002,
};

extern std::uint32_t eODLifecycleState;
extern std::uint8_t bODInitialized;

// Exit requested while od_init runs, carried out when it finishes.
extern std::uint8_t bODExitRequestedDuringInitialization;
extern std::uint32_t nODPendingExitErrorLevel;
extern std::uint8_t bODPendingExitTermCall;
extern std::uint8_t bODPendingExitNoExit;
extern std::uint8_t bODExitPrologueComplete;
extern std::uint8_t bPreOrExit;

// Start-up facts kept for od_exit.
extern std::time_t nStartupUnixTime;
extern std::int16_t nInitialRemaining;
extern std::uint16_t nInitialElapsed;
extern std::uint32_t dwFileBPS;
extern std::uint32_t dwForcedBPS;
extern std::int32_t nForcedPort;
extern std::uint16_t wODNodeNumber;
extern std::uint8_t bParsedCmdLine;
extern std::uint16_t wPreSetInfo;

// Drop-file lines the kit does not interpret, written back unchanged.
extern char* apszDropFileInfo[DROP_FILE_INFO_LINES];
// The chosen drop file and the directory it was found in, both absolute, so
// write-back finds them whatever the working directory is by then.
extern char szDropFilePath[PATH_MAX];
extern char szExitinfoBBSPath[PATH_MAX];
// The whole drop-file location given with -D; drop_file_dir keeps the copy
// cut to its field.
extern char szDropFileDirFull[PATH_MAX];

extern std::uint8_t bIsSysop;
extern std::uint8_t bIsCoSysop;
extern std::uint8_t btDoorSYSLock;
extern std::uint8_t bUserEightBit;
extern std::uint8_t bTelnetSocket;

// Copies text into a fixed field of `size` bytes: always terminated, cut to
// size - 1 characters.
inline void ODCopyText(char* dest, std::size_t size, std::string_view src)
{
    if (dest == nullptr || size == 0)
        return;
    std::size_t n = src.size() < size - 1 ? src.size() : size - 1;
    if (n > 0)
        std::memmove(dest, src.data(), n);
    dest[n] = '\0';
}

template <std::size_t N>
inline void ODCopyField(char (&dest)[N], std::string_view src)
{
    ODCopyText(dest, N, src);
}

// Writes a start-up failure message to standard error unchanged.
void ODInitError(const char* message);

// Ends the process with the given status.
[[noreturn]] void ODProcessExit(int code);

// The exit status for a start-up failure: errorlevels[1] with the custom
// table on, else 1 so a BBS never reads a door that did not start as success.
int ODStartupFailureLevel();

#endif
