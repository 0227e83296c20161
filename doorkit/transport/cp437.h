// Code page 437 to UTF-8 translation of outgoing text.
#ifndef DOORKIT_TRANSPORT_CP437_H
#define DOORKIT_TRANSPORT_CP437_H

#include <array>
#include <cstddef>
#include <cstdint>

// The upper half of code page 437 (0x80..0xFF) as Unicode code points.
extern const std::array<std::uint16_t, 128> cp437_unicode_table;

// UTF-8 size of `length` code page 437 bytes; false for a missing text, a
// negative length or a size overflow.
bool ODComCP437ToUnicodeLen(const char* text, long length, std::size_t* size);

// A newly allocated (malloc) UTF-8 copy; *length becomes its length. Null on
// failure with error_code 5 (bad argument or too large) or 1 (no memory).
char* ODComCP437ToUnicode(const char* text, long* length);

#endif
