// One caller on one node, from the connection to the door's end. Runs in a
// process of its own.
#ifndef TOOLS_TELNETD_CALLER_H
#define TOOLS_TELNETD_CALLER_H

#include <string>

#include "tools/telnetd/options.h"

struct NodePlace {
    int node = 1;
    std::string dir;       // <nodes dir>/node<N>
    std::string program;   // the door, as an absolute path
    std::string game_dir;  // absolute
};

// Logs the caller in, writes DOOR32.SYS, runs the door and reports its end
// on the console. Returns the handler's exit status (0 when the door ran).
int serve_caller(const Settings& settings, const NodePlace& place, int socket);

#endif
