// The DOOR32.SYS a telnet BBS writes for a caller whose socket it hands to
// the door.
#ifndef TOOLS_TELNETD_DOOR32_H
#define TOOLS_TELNETD_DOOR32_H

#include <string>

struct Door32 {
    int socket = -1;        // the descriptor number the door inherits
    std::string bbs_name;
    int record = 1;         // the caller's number in the BBS's user file
    std::string caller;     // real name and handle alike
    int security = 10;
    int minutes = 60;
    int node = 1;
};

// The eleven lines, ended with CR LF as BBSes write them.
std::string door32_text(const Door32& d);

// Writes it beside `path` and renames it over, so a door never reads half a
// file. On failure `error` says why.
bool write_door32(const std::string& path, const Door32& d, std::string& error);

#endif
