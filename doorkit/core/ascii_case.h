// ASCII letter case for drop-file texts, names and tags: bytes of the
// caller's code page above 127 stay as they are.
#ifndef DOORKIT_CORE_ASCII_CASE_H
#define DOORKIT_CORE_ASCII_CASE_H

#include <cstddef>
#include <string_view>

constexpr char ODAsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char ODAsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline void ODAsciiUpperInPlace(char* text)
{
    for (; *text != '\0'; ++text)
        *text = ODAsciiUpper(*text);
}

constexpr bool ODAsciiEqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ODAsciiLower(a[i]) != ODAsciiLower(b[i]))
            return false;
    }
    return true;
}

#endif
