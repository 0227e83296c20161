#include "doorkit/core/prompt_texts.h"

namespace {

// Fixed-width lines: their length is part of the screen layout.
constexpr char kSysopKeyHelp[] =
    "  Alt: [C]hat [H]angup [L]ockout [J]Dos [K]eyboard-Off [D]rop to BBS            ";
constexpr char kKitBanner[] =
    "  Door Kit 1.00 - door session toolkit                                          ";
constexpr char kStatusLine1[] =
    "                                                                     [Node:     ";
constexpr char kStatusLine2[] =
    "Security:        Time:                                               [F9]=Help ";

static_assert(sizeof(kSysopKeyHelp) == 81);
static_assert(sizeof(kKitBanner) == 81);
static_assert(sizeof(kStatusLine1) == 81);
static_assert(sizeof(kStatusLine2) == 80);

}  // namespace

constexpr od_prompt_texts ODDefaultPromptTexts = {
    "\r\nChat mode ended.\r\n\r\n",
    "\r\n...Thanks for waiting\r\n\r\n",
    "\r\nThe system operator has placed you in chat mode to talk with you:\r\n\r\n",
    "\r\nPlease wait a moment...\r\n",
    "               Why would you like to chat? (Blank line to cancel)\r\n",
    "Continue? [Y/n/=]",
    {'y', 'n', '='},
    {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"},
    "Ending call...",
    "Program is exiting...",
    kSysopKeyHelp,
    kKitBanner,
    "\r\nMaximum user inactivity time has elapsed, please call again.\r\n\r\n",
    "\r\nWARNING: Inactivity timeout in 10 seconds, press a key now to remain online.\r\n\r\n",
    {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
    "[Keyboard]",
    "\r\nSorry, the system operator is not available at this time.\r\n",
    " No response.\r\n\r\n",
    "\r\nSorry, you have used up all of your time for this session.\r\n\r\n",
    "[OFFLINE] ",
    "\r\nPaging system operator for chat",
    "Press [Enter] to continue",
    "Sending RIP file: ",
    kStatusLine1,
    "%s of %s at %lu BPS",
    kStatusLine2,
    "[SN] ",
    "%4d mins  ",
    "\r\nWARNING: You only have %d minute(s) remaining for this session.\r\n\r\n",
    "[Want-Chat]",
};

constexpr const char* const ODDefaultColourNames[OD_COLOUR_NAME_COUNT] = {
    "BLACK", "BLUE", "GREEN", "CYAN", "RED", "MAGENTA",
    "YELLOW", "WHITE", "BROWN", "GREY", "BRIGHT", "FLASHING",
};

constexpr const char* const ODDefaultLogMessages[OD_LOG_MESSAGE_COUNT] = {
    "Carrier lost, exiting door",
    "System operator terminating call, exiting door",
    "User's time limit expired, exiting door",
    "User keyboard inactivity time limit exceeded, exiting door",
    "System operator returning user to BBS, exiting door",
    "Exiting door with errorlevel %d",
    "Invoking operating system shell",
    "Returning from operating system shell",
    "User paging system operator",
    "Entering sysop chat mode",
    "Terminating sysop chat mode",
    "%s entering door",
    "Reason for chat: %s",
    "Exiting door",
};
