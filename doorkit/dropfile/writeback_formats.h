// Writers of the exit files, one per format, on an open writer record.
#ifndef DOORKIT_DROPFILE_WRITEBACK_FORMATS_H
#define DOORKIT_DROPFILE_WRITEBACK_FORMATS_H

#include <cstddef>
#include <cstdint>

#include "doorkit/dropfile/writer.h"

void ODWriteChainTxt(ODDropFileWriter* writer);
void ODWriteSFDoors(ODDropFileWriter* writer);
// The standard variant (kinds 6 and 10) or the short one (kind 7), as read.
void ODWriteDoorSys(ODDropFileWriter* writer);
void ODWriteTriBBSSys(ODDropFileWriter* writer);

// The EXITINFO.BBS record of the kind read, over the images kept from
// start-up; term_call marks a caller being hung up (medium form).
void ODWriteExitInfoRecord(ODDropFileWriter* writer, bool term_call);
// Stores the base record from od_control into its image, adjusts the BBS's
// time-limit word and writes the first `size` bytes.
bool ODWriteExitInfoPrimitive(ODDropFileWriter* writer, std::size_t size);

// Shared pieces of the text formats.
// A kept line as it was read; an empty line when the file did not have it.
void ODWriteKeptLine(ODDropFileWriter* writer, int slot);
const char* ODTrueFalseLine(bool value);
// The port as the BBS counts it (COM1 = 1), kept to 16 bits: no serial
// port (65535) is written as 0.
unsigned ODPortForFile();

#endif
