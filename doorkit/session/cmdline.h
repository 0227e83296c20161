// The door kit's command line: classification of option words, gathering of
// multi-word values and the built-in help.
#ifndef DOORKIT_SESSION_CMDLINE_H
#define DOORKIT_SESSION_CMDLINE_H

#include <cstddef>

// What ODGetCommandLineParameter makes of one argument.
enum : int {
    OD_OPT_CONFIG = 0,       // -C, -CONFIG, -CONFIGFILE, -CFGFILE, -CFG
    OD_OPT_LOCAL = 1,        // -L, -LOCAL
    OD_OPT_BPS = 2,          // -B, -BPS, -BAUD
    OD_OPT_PORT = 3,         // -P, -PORT
    OD_OPT_NODE = 4,         // -N, -NODE
    OD_OPT_HELP = 5,         // -?, -H, -HELP
    OD_OPT_PERSONALITY = 6,  // recognised, ignored
    OD_OPT_MAXTIME = 7,
    OD_OPT_ADDRESS = 8,
    OD_OPT_IRQ = 9,
    OD_OPT_NOFOSSIL = 10,
    OD_OPT_NOFIFO = 11,
    OD_OPT_DROPFILE = 12,    // -D, -DROPFILE
    OD_OPT_USERNAME = 13,
    OD_OPT_TIMELEFT = 14,
    OD_OPT_SECURITY = 15,
    OD_OPT_LOCATION = 16,
    OD_OPT_GRAPHICS = 17,    // -G, -GRAPHICS
    OD_OPT_BBSNAME = 18,
    OD_OPT_HANDLE = 19,
    OD_OPT_SOCKET = 20,
    OD_OPT_SILENT = 21,
    OD_OPT_NOT_OPTION = 22,  // a word that does not begin with '-' or '/'
    OD_OPT_CP437UTF8 = 23,
    OD_OPT_UNKNOWN = 24,     // an option word the kit does not know
};

// The blanks that separate command-line words: space and control
// characters 9..13.
constexpr bool ODIsCommandLineBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Classifies one argument; option words are compared without regard to case.
int ODGetCommandLineParameter(const char* word);

// Gathers the words after argv[*index] that are not options, joined with
// single spaces and cut to size - 1 bytes, into dest. *index is left on the
// last word taken. Ends the process with the missing-parameter message when
// argv[*index] is the last argument.
void ODGetNextArgName(int* index, int argc, char* argv[], char* dest, std::size_t size);

// Writes the built-in option help to standard output, CR LF after each line.
void ODPrintBuiltInHelp();

// Allocator behind od_split_cmd_line (std::malloc); whatever it returns is
// released with std::free. Tests swap it to provoke exhaustion.
extern void* (*pfODSplitAlloc)(std::size_t size);

#endif
