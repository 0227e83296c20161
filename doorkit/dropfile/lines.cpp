#include "doorkit/dropfile/lines.h"

#include <cstring>
#include <limits>
#include <string_view>

#include "doorkit/doorkit.h"
#include "doorkit/core/ascii_case.h"
#include "doorkit/core/control.h"
#include "doorkit/dropfile/name_form.h"

namespace {

const char* skip_blanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

// A copy of the line in the given form, stored cut to `cut` characters.
void store_formed(char* field, std::size_t field_size, const char* line, std::size_t cut,
                  void (*form)(char*))
{
    char text[OD_DROP_LINE_SIZE];
    ODCopyText(text, sizeof text, line != nullptr ? line : "");
    form(text);
    ODCopyText(field, field_size, std::string_view(text).substr(0, cut));
}

}  // namespace

bool ODDropReadLine(std::FILE* file, char* buf, std::size_t size)
{
    if (buf == nullptr || size == 0)
        return false;
    buf[0] = '\0';
    if (file == nullptr)
        return false;
    std::size_t used = 0;
    bool any = false;
    for (;;) {
        const int c = std::getc(file);
        if (c == EOF)
            break;
        any = true;
        if (used + 1 < size)
            buf[used++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    buf[used] = '\0';
    return any;
}

bool ODDropReadKept(std::FILE* file, int slot)
{
    char scratch[OD_KEPT_LINE_SIZE];
    char* line = (slot >= 0 && slot < DROP_FILE_INFO_LINES && apszDropFileInfo[slot] != nullptr)
                     ? apszDropFileInfo[slot]
                     : scratch;
    if (!ODDropReadLine(file, line, OD_KEPT_LINE_SIZE))
        return false;
    const std::size_t length = std::strlen(line);
    if (length == 0 || line[length - 1] != '\n') {
        // Cut, or the last line of a file without a final line feed.
        if (length + 1 < OD_KEPT_LINE_SIZE) {
            line[length] = '\n';
            line[length + 1] = '\0';
        } else {
            line[length - 1] = '\n';
        }
    }
    return true;
}

void ODDropEmptyKept(int slot)
{
    if (slot >= 0 && slot < DROP_FILE_INFO_LINES && apszDropFileInfo[slot] != nullptr)
        apszDropFileInfo[slot][0] = '\0';
}

const char* ODDropKept(int slot)
{
    if (slot >= 0 && slot < DROP_FILE_INFO_LINES && apszDropFileInfo[slot] != nullptr)
        return apszDropFileInfo[slot];
    return "";
}

bool ODDropReadLines(std::FILE* file, const ODDropLineRule* rules, std::size_t count,
                     std::size_t mandatory, std::size_t* lines_read)
{
    std::size_t index = 0;
    for (; index < count; ++index) {
        const ODDropLineRule& rule = rules[index];
        char line[OD_DROP_LINE_SIZE];
        bool present;
        if (rule.kept != OD_NOT_KEPT) {
            present = ODDropReadKept(file, rule.kept);
            if (present && rule.apply != nullptr)
                rule.apply(ODDropKept(rule.kept));
        } else {
            const std::size_t size = rule.read_size != 0 ? rule.read_size : sizeof line;
            present = ODDropReadLine(file, line, size);
            if (present && rule.apply != nullptr)
                rule.apply(line);
        }
        if (!present)
            break;
    }
    if (lines_read != nullptr)
        *lines_read = index;
    if (index < mandatory)
        return false;
    for (std::size_t rest = index; rest < count; ++rest)
        ODDropEmptyKept(rules[rest].kept);
    return true;
}

long long ODDropNumber(const char* line)
{
    if (line == nullptr)
        return 0;
    const char* p = skip_blanks(line);
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    constexpr long long kMax = std::numeric_limits<long long>::max();
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const int digit = *p - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return negative ? -value : value;
}

std::uint64_t ODDropUnsigned(const char* line)
{
    if (line == nullptr)
        return 0;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t value = 0;
    for (const char* p = line; *p >= '0' && *p <= '9'; ++p) {
        const auto digit = static_cast<std::uint64_t>(*p - '0');
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

void ODDropStripEnding(char* text)
{
    std::size_t length = std::strlen(text);
    if (length > 0 && text[length - 1] == '\n')
        text[--length] = '\0';
    if (length > 0 && text[length - 1] == '\r')
        text[--length] = '\0';
}

void ODDropStoreText(char* field, std::size_t field_size, const char* line, std::size_t cut)
{
    store_formed(field, field_size, line, cut, ODDropStripEnding);
}

void ODDropStoreName(char* field, std::size_t field_size, const char* line, std::size_t cut)
{
    store_formed(field, field_size, line, cut, ODStringToName);
}

void ODDropAppendName(char* field, std::size_t field_size, const char* line, std::size_t cut)
{
    char last[OD_DROP_LINE_SIZE];
    ODCopyText(last, sizeof last, line != nullptr ? line : "");
    ODStringToName(last);
    if (last[0] == '\0')
        return;
    char whole[2 * OD_DROP_LINE_SIZE];
    std::snprintf(whole, sizeof whole, "%s %s", field, last);
    std::string_view view(whole);
    ODCopyText(field, field_size, view.substr(0, cut));
}

bool ODDropFirstIs(const char* line, char wanted)
{
    return line != nullptr && line[0] == wanted;
}

bool ODDropFirstIsUpper(const char* line, char wanted)
{
    return line != nullptr && ODAsciiUpper(line[0]) == wanted;
}

char ODDropCharAt(const char* line, std::size_t index)
{
    if (line == nullptr)
        return '\0';
    for (std::size_t i = 0; i < index; ++i) {
        if (line[i] == '\0')
            return '\0';
    }
    return line[index];
}

std::uint16_t ODDropPortFromChar(char c)
{
    return static_cast<std::uint16_t>(c - '1');
}

void ODDropApplyFraming(const char* line)
{
    od_set_user_8bit(ODFramingIsEightBit(line));
}
