// Readers of the drop-file formats. Each reads an open file into od_control
// and is false when a mandatory line is missing; fields read before that
// keep their values.
#ifndef DOORKIT_DROPFILE_FORMATS_H
#define DOORKIT_DROPFILE_FORMATS_H

#include <cstdio>

// The DORINFO lines, without setting drop_file_kind (EXITINFO.BBS reads its
// companion file with them).
bool ODReadDorinfoLines(std::FILE* file);

// These set drop_file_kind on success.
bool ODReadDorinfo(std::FILE* file);
bool ODReadChainTxt(std::FILE* file);
bool ODReadSFDoors(std::FILE* file);
bool ODReadDoorSys(std::FILE* file);
bool ODReadCallInfo(std::FILE* file);
bool ODReadTriBBSSys(std::FILE* file);
bool ODReadDoor32Sys(std::FILE* file);

#endif
