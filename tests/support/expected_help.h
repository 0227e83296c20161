// The command-line help exactly as a caller's terminal receives it.
#ifndef TESTS_SUPPORT_EXPECTED_HELP_H
#define TESTS_SUPPORT_EXPECTED_HELP_H

namespace grimbo_test {

inline constexpr char kBuiltInHelp[] =
    "AVALIABLE COMMAND LINE OPTIONS \r\n"
    "(Some can be overriden by config/drop file)\r\n"
    " -C or -CONFIG    - Specfies configuration filename.\r\n"
    " -L or -LOCAL     - Causes door to operate in local mode, without requiring a\r\n"
    "                    door information (drop) file.\r\n"
    " -D or -DROPFILE  - Door information file directory and/or filename.\r\n"
    " -N x or -NODE x  - Sets the node number to use.\r\n"
    " -B x or -BPS x   - Sets the serial port <---> modem bps (baud) rate to use.\r\n"
    " -P x or -PORT x  - Sets serial port to use. For COM1: use -P 0 or -P COM1, for\r\n"
    "                    COM2: use -P 1 or -P COM2, etc.\r\n"
    " -ADDRESS x       - Sets serial port address in HEXIDECIMAL (if no FOSSIL).\r\n"
    " -IRQ x           - Sets the serial port IRQ line (if FOSSIL is not used).\r\n"
    " -NOFOSSIL        - Disables use of FOSSIL driver, even if available.\r\n"
    " -NOFIFO          - Disables use of 16550 FIFO buffers (only if no FOSSIL).\r\n"
    " -MAXTIME x       - Sets the maximum number of minutes that any user will be\r\n"
    "                    permitted to access the door, regardless of time left.\r\n"
    " -SILENT          - Operate in silent mode, with no local display.\r\n"
    " -G or -GRAPHICS  - Unless followed by 0 or N, turns on ANSI display mode.\r\n"
    " -BBSNAME x       - Name of BBS.\r\n"
    " -USERNAME x      - Name of user who is currently online.\r\n"
    " -TIMELEFT x      - User's time remaining online.\r\n"
    " -SECURITY x      - User's security level.\r\n"
    " -LOCATION x      - Location from which user is calling.\r\n"
    " -?, -H or -HELP  - Displays command-line help and exits.\r\n";

}  // namespace grimbo_test

#endif
