// dropfile: finding the drop file, one reader and one writer per format,
// EXITINFO.BBS records, name forms, and the caller identity built from what
// was read. Uses core and bbsdev.
//
// Finding and reading the BBS's drop file.
#ifndef DOORKIT_DROPFILE_DROPFILE_H
#define DOORKIT_DROPFILE_DROPFILE_H

// Finds the drop file of this node and reads it into od_control; false when
// none was found, it could not be opened or it ended early. The chosen file
// and its directory go to szDropFilePath and szExitinfoBBSPath.
bool ODInitReadSystemDropFile();

#endif
