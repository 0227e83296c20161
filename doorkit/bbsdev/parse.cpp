#include "doorkit/bbsdev/parse.h"

#include <cstring>
#include <string_view>

#include "doorkit/bbsdev/deadline.h"
#include "doorkit/bbsdev/language_tag.h"
#include "doorkit/bbsdev/utf8_check.h"
#include "doorkit/core/ascii_case.h"

namespace {

using std::string_view;

constexpr std::uint64_t kMaxUInt64 = 18446744073709551615ULL;
constexpr std::uint64_t kMaxDescriptor = 2147483647;
constexpr std::uint64_t kMaxScreenSize = 65535;

// Characters that may not stand at either end of a line.
constexpr char32_t kSpaces[] = {0x0020, 0x00A0, 0x1680, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004,
                                0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A, 0x2028, 0x2029,
                                0x202F, 0x205F, 0x3000};

bool is_space(char32_t c)
{
    for (char32_t space : kSpaces) {
        if (c == space)
            return true;
    }
    return false;
}

bool is_control(char32_t c)
{
    return c <= 0x1F || (c >= 0x7F && c <= 0x9F);
}

// Well-formed UTF-8 without control characters and without a space at
// either end.
bool clean_text(string_view line)
{
    std::size_t pos = 0;
    char32_t c = 0;
    char32_t last = 0;
    while (pos < line.size()) {
        if (!ODUtf8Next(line, pos, c) || is_control(c))
            return false;
        if (last == 0 && is_space(c))
            return false;  // the first character (U+0000 is a control)
        last = c;
    }
    return !is_space(last);
}

bool all_digits(string_view s)
{
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return !s.empty();
}

// A decimal without leading zeros ("0" itself is fine) of at most
// `max_digits` digits and not above `max`.
bool decimal(string_view s, std::size_t max_digits, std::uint64_t max, std::uint64_t* value)
{
    if (!all_digits(s) || s.size() > max_digits || (s.size() > 1 && s[0] == '0'))
        return false;
    std::uint64_t result = 0;
    for (char c : s) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (result > (kMaxUInt64 - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    if (result > max)
        return false;
    *value = result;
    return true;
}

// "1." and decimal digits, without a leading zero after the point except
// in "1.0".
bool version(string_view s)
{
    if (s.size() < 3 || s[0] != '1' || s[1] != '.')
        return false;
    const string_view minor = s.substr(2);
    return all_digits(minor) && (minor.size() == 1 || minor[0] != '0');
}

bool yes_no(string_view s, bool* yes)
{
    if (s != "Y" && s != "N")
        return false;
    *yes = s == "Y";
    return true;
}

// Decimal groups separated by single points, no empty group and no leading
// zero in a group of more than one digit; or nothing at all.
bool dotted_number(string_view s)
{
    while (!s.empty()) {
        const std::size_t point = s.find('.');
        const string_view group = s.substr(0, point);
        if (!all_digits(group) || (group.size() > 1 && group[0] == '0'))
            return false;
        if (point == string_view::npos)
            return true;
        s.remove_prefix(point + 1);
        if (s.empty())
            return false;  // a trailing point leaves an empty group
    }
    return true;
}

bool connection_type(string_view s, ODBBSDevConnection* type)
{
    if (s == "local")
        *type = ODBBSDevConnection::Local;
    else if (s == "stdio")
        *type = ODBBSDevConnection::StdIO;
    else if (s == "socket")
        *type = ODBBSDevConnection::Socket;
    else if (s == "serial")
        *type = ODBBSDevConnection::Serial;
    else
        return false;  // "winserial" included: this platform has no such port
    return true;
}

bool access(string_view s, ODBBSDevFields* fields)
{
    if (s == "sysop") {
        fields->access = ODBBSDevAccess::Sysop;
        return true;
    }
    if (s == "cosysop") {
        fields->access = ODBBSDevAccess::CoSysop;
        return true;
    }
    fields->access = ODBBSDevAccess::Level;
    return decimal(s, 20, kMaxUInt64, &fields->security);
}

// Replaces every line end (LF or CR LF) by NULs and collects the first
// lines. False on a carriage return outside a CR LF pair.
bool split_lines(char* buffer, std::size_t length, string_view* lines, int* count)
{
    *count = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (buffer[i] == '\r') {
            if (i + 1 >= length || buffer[i + 1] != '\n')
                return false;
            continue;
        }
        if (buffer[i] != '\n')
            continue;
        std::size_t end = i;
        if (end > start && buffer[end - 1] == '\r')
            --end;
        if (*count < kBBSDevLineCount)
            lines[*count] = string_view(buffer + start, end - start);
        ++*count;
        buffer[end] = '\0';
        buffer[i] = '\0';
        start = i + 1;
    }
    return true;
}

// The rules of the single lines, in the order the format names them.
bool check_lines(const string_view* line, ODBBSDevFields* f)
{
    // Index by line number, 1-based.
    auto at = [line](int number) { return line[number - 1]; };

    for (int number : {1, 4, 5, 12, 13, 14, 15, 16}) {
        if (at(number).empty())
            return false;
    }
    std::uint64_t value = 0;
    if (!decimal(at(6), 5, kMaxScreenSize, &value) || value == 0)
        return false;
    f->columns = static_cast<std::uint32_t>(value);
    if (!decimal(at(7), 5, kMaxScreenSize, &value) || value == 0)
        return false;
    f->rows = static_cast<std::uint32_t>(value);
    if (!yes_no(at(8), &f->ansi) || !yes_no(at(9), &f->rip) || !yes_no(at(19), &f->local_display))
        return false;
    if (!dotted_number(at(10)))
        return false;
    f->deadline_set = !at(11).empty();
    if (f->deadline_set && !ODBBSDevParseDeadline(at(11), &f->deadline))
        return false;
    if (ODAsciiEqualNoCase(at(12), "UTF-8"))
        f->utf8 = true;
    else if (!ODAsciiEqualNoCase(at(12), "IBM437"))
        return false;
    if (!ODLanguageTagWellFormed(at(13)))
        return false;
    if (!access(at(17), f) || !decimal(at(18), 20, kMaxUInt64, &f->node))
        return false;
    if (!connection_type(at(2), &f->connection))
        return false;
    const bool takes_descriptor = f->connection == ODBBSDevConnection::Socket ||
                                  f->connection == ODBBSDevConnection::Serial;
    if (!takes_descriptor)
        return at(3).empty();
    if (!decimal(at(3), 10, kMaxDescriptor, &value))
        return false;
    f->descriptor = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

bool ODBBSDevParse(char* buffer, std::size_t length, ODBBSDevFields* fields)
{
    if (buffer == nullptr || fields == nullptr || length == 0 || length > kBBSDevMaxFileSize)
        return false;
    if (buffer[length - 1] != '\n' || std::memchr(buffer, '\0', length) != nullptr)
        return false;
    if (length >= 3 && std::memcmp(buffer, "\xEF\xBB\xBF", 3) == 0)
        return false;
    buffer[length] = '\0';

    string_view lines[kBBSDevLineCount];
    int count = 0;
    if (!split_lines(buffer, length, lines, &count) || count < kBBSDevLineCount)
        return false;
    if (!version(lines[0]) || (lines[0] == "1.0" && count != kBBSDevLineCount))
        return false;
    for (const string_view& line : lines) {
        if (!clean_text(line))
            return false;
    }

    *fields = ODBBSDevFields{};
    if (!check_lines(lines, fields))
        return false;
    fields->user_name = lines[3].data();
    fields->user_id = lines[4].data();
    fields->system_name = lines[14].data();
    fields->sysop_name = lines[15].data();
    return true;
}
