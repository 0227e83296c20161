// Strict UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing above
// U+10FFFF. Used where a file promises UTF-8 and anything else is refused.
#ifndef DOORKIT_BBSDEV_UTF8_CHECK_H
#define DOORKIT_BBSDEV_UTF8_CHECK_H

#include <cstddef>
#include <string_view>

// Decodes the character starting at `pos`; on success stores it, advances
// `pos` past it and returns true. A malformed or cut sequence returns false
// and leaves `pos` alone.
bool ODUtf8Next(std::string_view text, std::size_t& pos, char32_t& out);

bool ODUtf8Valid(std::string_view text);

// The longest prefix of `text` of at most `limit` bytes that does not end
// inside a multi-byte sequence.
std::size_t ODUtf8CutLength(std::string_view text, std::size_t limit);

#endif
