// bbsdev: BBSDEV.DRP, its UTF-8 and language-tag validators and the
// deadline arithmetic. Uses core, transport (the connection methods) and
// the kernel (when the next minute is taken).
//
// Sessions described by the BBSDEV.DRP file named in the environment.
#ifndef DOORKIT_BBSDEV_BBSDEV_H
#define DOORKIT_BBSDEV_BBSDEV_H

#include <cstddef>
#include <cstdint>
#include <ctime>

extern std::uint8_t bBBSDevSession;
extern std::uint8_t bBBSDevDeadlineSet;
extern std::int64_t nBBSDevDeadline;
extern std::uint8_t bBBSDevOpenHandleSet;
extern std::uint32_t nBBSDevComMethod;
extern char* pszBBSDevStorage;
extern const char* pszBBSDevUserID;

// Forgets any earlier BBSDEV.DRP session.
void ODBBSDevClearSession();
// Validates and applies the file at the absolute `path`; false leaves
// od_control unchanged and the BBSDEV state cleared.
bool ODInitReadBBSDevDropFile(const char* path);
// The same for a file image already in memory.
bool ODBBSDevReadBuffer(const char* bytes, std::size_t length);
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
void ODBBSDevApplyTimeLimitAt(std::time_t now);
// Releases the file's storage at exit.
void ODBBSDevFree();

// Copies at most size - 1 bytes of `source`, dropping a character that the
// cut would split; always terminates `dest`.
void ODBBSDevCopyText(char* dest, std::size_t size, const char* source);

#endif
