#include "game/console_help.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: grimbo [door options]     one caller's session, started by the BBS\n"
    "       grimbo -L [-CP437UTF8]    a local session at this terminal\n"
    "       grimbo --chat-config | --chat-enable | --chat-disable\n"
    "       grimbo --version | --help\n"
    "\n"
    "The BBS starts grimbo once per caller and tells it who is calling:\n"
    "  -D path          the drop file (DOOR32.SYS, DOOR.SYS, DORINFOx.DEF, ...)\n"
    "                   or the directory that holds it\n"
    "  -N n             the node number\n"
    "  -SOCKET n        the caller's TCP socket, handed over as descriptor n\n"
    "                   (or name it on line 2 of DOOR32.SYS)\n"
    "  -B bps -P port   with -USERNAME name: the caller without a drop file\n"
    "  -CP437UTF8       the pictures as UTF-8, for callers on UTF-8 terminals\n"
    "  -?               every door option\n"
    "\n"
    "At the console, in the game directory:\n"
    "  --chat-config    asks whether to join the shared chat lobby\n"
    "  --chat-enable    switches the shared chat on, --chat-disable off\n"
    "\n"
    "The game keeps its files beside the executable and notes refused starts,\n"
    "how each session ended and failed saves in grimbo.log there.\n"
    "Exit status: 0 the caller left, 1 no start or the line dropped,\n"
    "3 time used up, 4 idle too long.\n"
    "The full guide: docs/SYSOP.md; the manual page: grimbo(6).\n";

}  // namespace

int console_option(int argc, char* argv[])
{
    if (argc != 2 || argv == nullptr || argv[1] == nullptr)
        return -1;
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("grimbo (%s) %s\n", GAME_PROGRAM_NAME, GAME_VERSION);
        return 0;
    }
    if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return -1;
}
