#include "doorkit/transport/cp437.h"

#include <cstdlib>

#include "doorkit/doorkit.h"

namespace {

// Largest translated buffer handed to the transport.
constexpr std::size_t kMaxTranslated = 0x7FFFFFFF;

std::size_t Utf8Size(unsigned char c)
{
    if (c < 0x80)
        return 1;
    return cp437_unicode_table[c - 0x80] < 0x800 ? 2 : 3;
}

// Writes the UTF-8 form of one code page 437 byte; returns its size.
std::size_t EncodeOne(unsigned char c, char* out)
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    unsigned cp = cp437_unicode_table[c - 0x80];
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
}

}  // namespace

bool ODComCP437ToUnicodeLen(const char* text, long length, std::size_t* size)
{
    if (text == nullptr || size == nullptr || length < 0)
        return false;
    std::size_t total = 0;
    for (long i = 0; i < length; ++i) {
        std::size_t add = Utf8Size(static_cast<unsigned char>(text[i]));
        if (total > static_cast<std::size_t>(-1) - add)
            return false;
        total += add;
    }
    *size = total;
    return true;
}

char* ODComCP437ToUnicode(const char* text, long* length)
{
    std::size_t size = 0;
    if (length == nullptr || !ODComCP437ToUnicodeLen(text, *length, &size) ||
        size > kMaxTranslated) {
        od_control.error_code = OD_ERR_LIMIT;
        return nullptr;
    }
    auto* out = static_cast<char*>(std::malloc(size > 0 ? size : 1));
    if (out == nullptr) {
        od_control.error_code = OD_ERR_MEMORY;
        return nullptr;
    }
    std::size_t at = 0;
    for (long i = 0; i < *length; ++i)
        at += EncodeOne(static_cast<unsigned char>(text[i]), out + at);
    *length = static_cast<long>(at);
    return out;
}
