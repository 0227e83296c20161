#include "doorkit/session/name_form.h"

#include <cstring>

namespace {

// ASCII only: bytes of the caller's code page above 127 stay as they are.
char lower_ascii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char upper_ascii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool starts_word_after(char c)
{
    return c == ' ' || c == '\t' || c == ',' || c == '-' || c == '.';
}

}  // namespace

void ODStringToName(char* text)
{
    if (text == nullptr)
        return;
    std::size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '\n')
        text[--length] = '\0';
    if (length > 0 && text[length - 1] == '\r')
        text[--length] = '\0';
    for (std::size_t i = 0; i < length; ++i) {
        const bool word_start = i == 0 || starts_word_after(text[i - 1]);
        text[i] = word_start ? upper_ascii(text[i]) : lower_ascii(text[i]);
    }
}

bool ODFramingIsEightBit(const char* line)
{
    if (line == nullptr)
        return false;
    while (*line == ' ' || *line == '\t')
        ++line;
    return *line == '8' || std::strstr(line, ",8,") != nullptr;
}
