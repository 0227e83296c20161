// Steps shared by joining and by the public reservation calls.
#ifndef DOORKIT_RESERVE_INTERNAL_H
#define DOORKIT_RESERVE_INTERNAL_H

#include <cstdint>

#include "doorkit/reserve/file.h"

// Record count from the file size (a partial last block counts); false on
// failure or a file shorter than its header.
bool ODReserveCountRecords(std::uint32_t* count);
// Reads record `index` under a read lock: 0 read, -1 the lock stayed busy
// past `limit_ms`, else an error code.
int ODReserveReadRecord(std::uint32_t index, std::uint32_t limit_ms, std::uint8_t (&block)[OD_RESERVE_BLOCK]);
// Writes the own record whole with a fresh process id and time.
bool ODReserveWriteOwn(std::uint8_t state, const char* name, std::uint64_t ticket);
std::uint64_t ODReserveOwnTicket();
// Gives up the file after a failure until the next start.
void ODReserveDetach();

#endif
