// The built-in option help, shown by -? when the application supplies none.
#include <cstdio>
#include <string_view>

#include "doorkit/session/cmdline.h"

namespace {

constexpr std::string_view aODBuiltInHelp[] = {
    "AVALIABLE COMMAND LINE OPTIONS ",
    "(Some can be overriden by config/drop file)",
    " -C or -CONFIG    - Specfies configuration filename.",
    " -L or -LOCAL     - Causes door to operate in local mode, without requiring a",
    "                    door information (drop) file.",
    " -D or -DROPFILE  - Door information file directory and/or filename.",
    " -N x or -NODE x  - Sets the node number to use.",
    " -B x or -BPS x   - Sets the serial port <---> modem bps (baud) rate to use.",
    " -P x or -PORT x  - Sets serial port to use. For COM1: use -P 0 or -P COM1, for",
    "                    COM2: use -P 1 or -P COM2, etc.",
    " -ADDRESS x       - Sets serial port address in HEXIDECIMAL (if no FOSSIL).",
    " -IRQ x           - Sets the serial port IRQ line (if FOSSIL is not used).",
    " -NOFOSSIL        - Disables use of FOSSIL driver, even if available.",
    " -NOFIFO          - Disables use of 16550 FIFO buffers (only if no FOSSIL).",
    " -MAXTIME x       - Sets the maximum number of minutes that any user will be",
    "                    permitted to access the door, regardless of time left.",
    " -SILENT          - Operate in silent mode, with no local display.",
    " -G or -GRAPHICS  - Unless followed by 0 or N, turns on ANSI display mode.",
    " -BBSNAME x       - Name of BBS.",
    " -USERNAME x      - Name of user who is currently online.",
    " -TIMELEFT x      - User's time remaining online.",
    " -SECURITY x      - User's security level.",
    " -LOCATION x      - Location from which user is calling.",
    " -?, -H or -HELP  - Displays command-line help and exits.",
};

static_assert(sizeof(aODBuiltInHelp) / sizeof(aODBuiltInHelp[0]) == 24);

}  // namespace

void ODPrintBuiltInHelp()
{
    for (std::string_view line : aODBuiltInHelp) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fwrite("\r\n", 1, 2, stdout);
    }
    std::fflush(stdout);
}
