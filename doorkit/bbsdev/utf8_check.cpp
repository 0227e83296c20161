#include "doorkit/bbsdev/utf8_check.h"

namespace {

bool continuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

}  // namespace

bool ODUtf8Next(std::string_view text, std::size_t& pos, char32_t& out)
{
    if (pos >= text.size())
        return false;
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        out = lead;
        ++pos;
        return true;
    }

    std::size_t length = 0;
    char32_t value = 0;
    // The second byte's range is what rules out overlong forms, surrogates
    // and values past U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return false;
    }
    if (text.size() - pos < length)
        return false;

    const auto second = static_cast<unsigned char>(text[pos + 1]);
    if (second < low || second > high)
        return false;
    value = (value << 6) | (second & 0x3F);
    for (std::size_t i = 2; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if (!continuation(byte))
            return false;
        value = (value << 6) | (byte & 0x3F);
    }
    out = value;
    pos += length;
    return true;
}

bool ODUtf8Valid(std::string_view text)
{
    std::size_t pos = 0;
    char32_t ignored = 0;
    while (pos < text.size()) {
        if (!ODUtf8Next(text, pos, ignored))
            return false;
    }
    return true;
}

std::size_t ODUtf8CutLength(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    // Back up over the continuation bytes that the cut would separate from
    // their lead byte, then drop the lead byte too. A sequence is at most
    // four bytes, so bytes further back are not part of it.
    std::size_t cut = limit;
    std::size_t steps = 0;
    while (cut > 0 && steps < 3 && continuation(static_cast<unsigned char>(text[cut]))) {
        --cut;
        ++steps;
    }
    if (steps == 0)
        return limit;
    if (static_cast<unsigned char>(text[cut]) >= 0xC0)
        return cut;
    // Stray continuation bytes: no character to keep whole, cut as asked.
    return limit;
}
