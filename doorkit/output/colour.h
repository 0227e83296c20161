// Colour attributes: their encoding for ANSI and AVATAR terminals, and the
// colour descriptions od_color_config reads.
#ifndef DOORKIT_OUTPUT_COLOUR_H
#define DOORKIT_OUTPUT_COLOUR_H

#include <array>
#include <cstddef>
#include <cstdint>

// ANSI foreground number of PC colours 0-7; the background number is 10
// more.
extern const std::array<std::uint8_t, 8> abtPCToANSIColorTable;

// Value of each entry of od_control.colour_names: a colour 0-7, or one of
// the two modifiers.
constexpr int OD_COLOUR_WORD_BRIGHT = -1;
constexpr int OD_COLOUR_WORD_FLASHING = -2;
extern const std::array<int, 12> aODColourWordValues;

constexpr std::uint16_t OD_ATTRIBUTE_UNKNOWN = 0xFFFF;
constexpr std::size_t OD_COLOUR_SEQUENCE_MAX = 24;

// The ANSI sequence that turns `current` (OD_ATTRIBUTE_UNKNOWN when not
// known) into `attribute`: complete when the current colour is unknown,
// when `full` is set or when blinking or brightness must go off; otherwise
// only what differs. Returns its length, 0 when nothing needs sending.
std::size_t ODAnsiColourSequence(std::uint8_t attribute, std::uint16_t current, bool full,
                                 char* out);

// Makes `attribute` the current colour for an ANSI or AVATAR terminal:
// current_attribute and the screen copy take it, and the bytes the terminal
// needs (none when nothing changes) are written into `out` (at least
// OD_COLOUR_SEQUENCE_MAX bytes) for the caller to send. Returns their
// length; 0 and nothing changed in plain ASCII mode.
std::size_t ODColourChange(std::uint8_t attribute, char* out);

// Where od_color_config stops besides the end of the text (0: nowhere
// else), and where it stopped last.
extern char chColorCheck;
extern const char* pchColorEndPos;

#endif
