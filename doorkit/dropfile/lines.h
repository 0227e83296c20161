// Reading the text drop files line by line, and storing what a line says
// into od_control.
#ifndef DOORKIT_DROPFILE_LINES_H
#define DOORKIT_DROPFILE_LINES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Buffers: interpreted lines and kept lines.
constexpr std::size_t OD_DROP_LINE_SIZE = 255;
constexpr std::size_t OD_KEPT_LINE_SIZE = 80;

// One line of a text format: a kept line goes into apszDropFileInfo[kept];
// read_size, when not 0, is the size of the field the line is read straight
// into; apply (may be null) takes the line's text.
struct ODDropLineRule {
    std::int8_t kept;
    std::uint8_t read_size;
    void (*apply)(const char* line);
};

constexpr std::int8_t OD_NOT_KEPT = -1;

// Reads one line of the file into buf (at most size - 1 bytes, with its line
// feed when that fits). A longer line is cut and the rest of it skipped, so
// one line of the file is always one line read. False at the end of the file.
bool ODDropReadLine(std::FILE* file, char* buf, std::size_t size);

// Reads a kept line into apszDropFileInfo[slot]. It always ends with a line
// feed, so whatever is written after it on write-back starts a new line.
bool ODDropReadKept(std::FILE* file, int slot);
void ODDropEmptyKept(int slot);
const char* ODDropKept(int slot);

// Reads rules[0..count-1] in order. The first `mandatory` lines must be
// present; a missing later line ends the reading and empties the kept lines
// of the rules not reached. *lines_read (may be null) counts the lines found.
bool ODDropReadLines(std::FILE* file, const ODDropLineRule* rules, std::size_t count,
                     std::size_t mandatory, std::size_t* lines_read = nullptr);

constexpr std::uint16_t OD_NO_PORT = 65535;  // "COM0": no serial port

// Decimal value of the leading digits after blanks and a sign; 0 when there
// are none; saturates instead of overflowing.
long long ODDropNumber(const char* line);

// The number, taken modulo the width of the field it goes into.
template <typename T>
T ODDropNumberAs(const char* line)
{
    return static_cast<T>(ODDropNumber(line));
}
// Leading digits only, as an unsigned 64-bit value (saturating).
std::uint64_t ODDropUnsigned(const char* line);

// Removes one trailing line feed, then one trailing carriage return.
void ODDropStripEnding(char* text);

// Stores a line without the name form: ending removed, at most `cut`
// characters, never more than the field holds.
void ODDropStoreText(char* field, std::size_t field_size, const char* line, std::size_t cut);
// Stores a line in the name form, at most `cut` characters.
void ODDropStoreName(char* field, std::size_t field_size, const char* line, std::size_t cut);
// Appends a space and the line in the name form when it is not empty; the
// whole is cut to `cut` characters.
void ODDropAppendName(char* field, std::size_t field_size, const char* line, std::size_t cut);

template <std::size_t N>
void ODDropText(char (&field)[N], const char* line, std::size_t cut = N - 1)
{
    ODDropStoreText(field, N, line, cut);
}

template <std::size_t N>
void ODDropName(char (&field)[N], const char* line, std::size_t cut = N - 1)
{
    ODDropStoreName(field, N, line, cut);
}

// Yes/no lines test only the first character.
bool ODDropFirstIs(const char* line, char wanted);
bool ODDropFirstIsUpper(const char* line, char wanted);
// The character at `index`, or NUL past the end of the line.
char ODDropCharAt(const char* line, std::size_t index);
// Port number from a character: '1' is port 0, '0' wraps to 65535.
std::uint16_t ODDropPortFromChar(char c);
// The framing check applied to the caller's 8-bit flag.
void ODDropApplyFraming(const char* line);

#endif
