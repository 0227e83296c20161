// Terminal speed codes of the local terminal as bits per second.
#ifndef DOORKIT_SESSION_TERMINAL_SPEED_H
#define DOORKIT_SESSION_TERMINAL_SPEED_H

#include <termios.h>

#include <cstdint>

// B50..B4000000 to bits per second; B0 and unknown codes give 0.
std::uint32_t ODInitTerminalSpeedToBaud(speed_t code);

#endif
