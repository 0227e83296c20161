// EXITINFO.BBS: the record images kept between reading and write-back.
#ifndef DOORKIT_DROPFILE_EXITINFO_H
#define DOORKIT_DROPFILE_EXITINFO_H

#include <cstdint>
#include <cstdio>

#include "doorkit/dropfile/exitinfo_layout.h"

// The record as read at start-up; write-back reuses it, so bytes no field
// covers go back as the BBS wrote them.
extern std::uint8_t abtExitInfoBase[OD_EXITINFO_BASE_IMAGE];
extern std::uint8_t abtExitInfoExtended[OD_EXITINFO_EXTENDED_BLOCK];
extern std::uint8_t abtExitInfoRA2[OD_EXITINFO_RA2];

// Reads the record from an open EXITINFO.BBS into the images and od_control;
// its size decides the form, whose drop_file_kind goes to *kind. False for
// a file too small to be a record or one that ends early.
bool ODReadExitInfoRecord(std::FILE* file, std::uint8_t* kind);

// Forgets the images.
void ODExitInfoFreeImages();

#endif
