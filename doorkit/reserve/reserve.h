// reserve: uses core; it logs through the public call.
//
// Node reservations shared between the door processes of several nodes:
// each process owns a slot in one file, and named reservations are handed
// out first come, first served by ticket.
#ifndef DOORKIT_RESERVE_RESERVE_H
#define DOORKIT_RESERVE_RESERVE_H

#include <cstdint>

constexpr int OD_RESERVE_BLOCK = 128;
constexpr int OD_RESERVE_NAME_MAX = 31;

// Record kinds and states as stored in the file.
enum : std::uint8_t {
    OD_RESERVE_KIND_LOCAL = 1,
    OD_RESERVE_KIND_NODE = 2,
    OD_RESERVE_STATE_LEFT = 0,
    OD_RESERVE_STATE_PRESENT = 1,
    OD_RESERVE_STATE_CHOOSING = 3,
};

extern char* pszODReservePath;
extern int hODReserveFile;
extern std::uint8_t btODReserveKind;
extern std::uint16_t wODReserveNode;
extern std::uint32_t dwODReserveRecord;
extern std::uint32_t dwODReserveRecordCount;
extern std::uint32_t dwODReserveTicketLow;
extern std::uint32_t dwODReserveTicketHigh;
extern char szODReserveName[OD_RESERVE_NAME_MAX + 1];
extern bool bODReserveActive;
extern bool bODReserveDetached;
extern bool bODReserveRequested;
extern bool bODReserveAcquired;

// 0 when joined (or reservations are off); non-zero on failure.
int ODReserveSessionInitialize();
void ODReserveSessionShutdown();

#endif
