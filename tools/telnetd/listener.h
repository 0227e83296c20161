// The listening socket the callers reach.
#ifndef TOOLS_TELNETD_LISTENER_H
#define TOOLS_TELNETD_LISTENER_H

#include <string>

#include "tools/telnetd/unique_fd.h"

// Listens on a numeric IPv4 or IPv6 address and port (0: any free one).
// On failure the descriptor is empty and `error` says why.
UniqueFd open_listener(const std::string& address, int port, std::string& error);

// The port a listener ended up on, or -1.
int listening_port(int listener);

// "address:port" of a connected peer, for the console.
std::string peer_name(int socket);

#endif
