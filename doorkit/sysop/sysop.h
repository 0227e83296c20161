// sysop: uses core, the kernel, output, screen and log; it reads keys
// through the public input calls.
//
// The system operator's side of a session: paging, chat mode, the
// page-pause prompt of long listings and the sysop's requests. There is no
// local keyboard or display here, so only the public calls reach them.
#ifndef DOORKIT_SYSOP_SYSOP_H
#define DOORKIT_SYSOP_SYSOP_H

#include <cstdint>

// A chat has started since the page began ringing.
extern std::uint8_t bChatted;

// Whether a page rings the sysop: page_mode 0 never, 1 always, anything
// else only within the hours. `now_minute` is minutes after local midnight;
// without a local time only mode 1 pages.
bool ODPageWithinHours(int now_minute, std::uint16_t start_minute, std::uint16_t end_minute);
bool ODPageShouldRing(std::uint8_t mode, bool have_time, int now_minute,
                      std::uint16_t start_minute, std::uint16_t end_minute);

// The page-pause prompt; true when the listing is to stop (also when the
// session ends while waiting). "=" clears *pausing so no further pauses
// happen.
bool ODPagePrompt(bool* pausing);

// Shared steps: a message text (none: nothing), a colour put back (an
// unknown one is left alone rather than sent as attribute 0xFF), a
// standard log message when the log is open.
void ODSysopShow(const char* text);
void ODSysopRestoreColour(std::uint16_t saved);
void ODSysopLog(int message);

// Sysop requests.
void ODKrnlRequestChatToggle();
void ODKrnlRequestKeyboardToggle();
void ODKrnlRequestSysopNextToggle();
void ODKrnlRequestInactivityToggle();
void ODKrnlRequestTimeAdjustment(int minutes);
void ODKrnlRequestLockout();
void ODKrnlRequestExit(int errorlevel, bool hang_up);
void ODKrnlEndChatMode();
// `reason` is an errorlevels index (2 carrier lost .. 5 inactivity); the
// exit reason is one less.
void ODKrnlForceDoorKitShutdown(int reason);
// A key of the local keyboard: the character in the low byte, else the
// scan code in the high byte.
void ODKrnlHandleLocalKey(std::uint16_t key);

#endif
