// The caller's first moments, as a telnet BBS has them: the option
// negotiation the door itself never does, and the name prompt.
#ifndef TOOLS_TELNETD_LOGIN_H
#define TOOLS_TELNETD_LOGIN_H

#include <string>
#include <string_view>

// The server echoes and sends characters one by one (WILL ECHO, WILL SGA):
// the caller's terminal stops echoing locally and sends each key at once,
// which is what a door drawing full screens needs.
bool offer_telnet_options(int socket);

// Sends text; false when the caller has gone. Never raises SIGPIPE.
bool send_text(int socket, std::string_view text);

enum class LoginOutcome { name, hung_up, timed_out };

struct Login {
    LoginOutcome outcome = LoginOutcome::hung_up;
    std::string name;
};

// Asks for a name until one is typed, the caller hangs up or `seconds`
// pass. The caller's telnet commands are swallowed; nothing typed after
// Enter is read, so it reaches the door.
Login ask_name(int socket, int seconds);

#endif
