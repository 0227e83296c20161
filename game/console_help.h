// The program's name and version, and the Linux-style --version and --help
// a system operator types at the console (the door options' own -? list is
// the door kit's).
#ifndef GAME_CONSOLE_HELP_H
#define GAME_CONSOLE_HELP_H

inline constexpr const char* GAME_PROGRAM_NAME = "GRIMBO - Hollowtide";
inline constexpr const char* GAME_VERSION = GRIMBO_VERSION;

// For a lone "--version" or "--help": prints to standard output and returns
// 0, the exit status. Returns -1 for any other command line.
int console_option(int argc, char* argv[]);

#endif
