// Writing the BBS's exit files back when the door ends.
#ifndef DOORKIT_DROPFILE_WRITEBACK_H
#define DOORKIT_DROPFILE_WRITEBACK_H

#include <cstdint>

// Rewrites the drop file that started the session from od_control; failures
// set error_code and the shutdown goes on.
void ODWriteDropFiles(bool term_call);

// Whole minutes since od_init recorded its start; false when the clock
// fails or has gone backwards.
bool ODMinutesSinceStartup(std::uint16_t* minutes);

#endif
