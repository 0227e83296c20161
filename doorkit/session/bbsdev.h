// Sessions described by the BBSDEV.DRP file named in the environment.
#ifndef DOORKIT_SESSION_BBSDEV_H
#define DOORKIT_SESSION_BBSDEV_H

#include <cstdint>

extern std::uint8_t bBBSDevSession;
extern std::uint8_t bBBSDevDeadlineSet;
extern std::int64_t nBBSDevDeadline;
extern std::uint8_t bBBSDevOpenHandleSet;
extern std::uint32_t nBBSDevComMethod;
extern char* pszBBSDevStorage;
extern const char* pszBBSDevUserID;

// Forgets any earlier BBSDEV.DRP session.
void ODBBSDevClearSession();
// Validates and applies the file; false leaves od_control unchanged.
bool ODInitReadBBSDevDropFile(const char* path);
bool ODBBSDevActive();
// The transport method the file asked for; 0 = none.
std::uint32_t ODBBSDevComMethod();
// Whether the file supplied a descriptor to adopt, and which.
bool ODBBSDevHasOpenHandle();
long ODBBSDevOpenHandle();
// The caller identifier of line 5; null without a BBSDEV.DRP session.
const char* ODBBSDevUserID();
// Applies the file's deadline (or no limit) once the kernel runs.
void ODBBSDevApplyTimeLimit();
// Releases the file's storage at exit.
void ODBBSDevFree();

#endif
