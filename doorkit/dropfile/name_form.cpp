#include "doorkit/dropfile/name_form.h"

#include <cstring>

#include "doorkit/core/ascii_case.h"

namespace {

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
        text[i] = word_start ? ODAsciiUpper(text[i]) : ODAsciiLower(text[i]);
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
