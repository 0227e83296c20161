// The bench's command line: where to listen, which door to start from which
// game directory, and what the BBS tells the door about each caller.
#ifndef TOOLS_TELNETD_OPTIONS_H
#define TOOLS_TELNETD_OPTIONS_H

#include <string>
#include <vector>

struct Settings {
    std::string address = "127.0.0.1";
    int port = 2323;                // 0: any free port, named on the console
    std::string game_dir = ".";     // the door's working directory
    std::string door;               // empty: <game_dir>/grimbo
    std::string nodes_dir;          // empty: a fresh one, removed at the end
    int nodes = 4;                  // callers at once
    std::string caller;             // empty: ask each caller's name
    int minutes = 60;               // time limit written for each caller
    int login_seconds = 60;         // how long the name prompt waits
    std::string bbs_name = "GRIMBO Test Bench";
    std::vector<std::string> door_args;  // after "--": added to the door's
};

enum class ParseOutcome { run, help, version, bad };

// Fills `settings` from argv; on `bad` an explanation is already printed.
ParseOutcome parse_options(int argc, char* argv[], Settings& settings);

void print_usage();

#endif
