// Starts the door with the caller's socket handed over and waits for it,
// passing what it says on standard error to the console.
#ifndef TOOLS_TELNETD_DOOR_RUN_H
#define TOOLS_TELNETD_DOOR_RUN_H

#include <string>
#include <vector>

struct DoorCommand {
    std::string program;
    std::string workdir;
    std::vector<std::string> args;  // after the program name
};

// The door's wait status, or -1 when it could not be forked (`error` says
// why). The socket is inherited under its own number; standard input and
// output are /dev/null, as for a socket door on a BBS.
int run_door(const DoorCommand& command, int socket, int node, std::string& error);

#endif
