// od_printf with colour names and colour codes embedded in the text, and
// the colour descriptions it reads (od_color_config).
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/output/colour.h"
#include "doorkit/output/output.h"

char chColorCheck = 0;
const char* pchColorEndPos = nullptr;

namespace {

static_assert(aODColourWordValues.size() == OD_COLOUR_NAME_COUNT);

constexpr std::size_t kMinimumWorkBuffer = 512;
constexpr std::size_t kWordLimit = 39;
constexpr int kDefaultColour = 7;
// FLASHING sets the blink bit and every bit above it, so callers keep to
// the low byte.
constexpr int kFlashingBits = static_cast<int>(~0x7Fu);

// Kept for the whole process and only grown.
char* pszPrintfBuffer = nullptr;
std::size_t nPrintfBufferSize = 0;
bool bPrintfActive = false;

bool is_word_end(char c)
{
    return c == '\0' || c == ' ' || c == '\t' || (chColorCheck != 0 && c == chColorCheck);
}

bool same_name(const char* word, const char* name)
{
    for (; *word != '\0' && *name != '\0'; ++word, ++name) {
        if (*word != std::toupper(static_cast<unsigned char>(*name)))
            return false;
    }
    return *word == '\0' && *name == '\0';
}

// Index into colour_names, or -1.
int colour_word(const char* word)
{
    for (int i = 0; i < OD_COLOUR_NAME_COUNT; ++i) {
        if (same_name(word, od_control.colour_names[i]))
            return i;
    }
    return -1;
}

int parse_colour(const char* text)
{
    int result = kDefaultColour;
    bool foreground_next = true;
    const char* p = text;
    for (;;) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (is_word_end(*p))
            break;
        char word[kWordLimit + 1];
        std::size_t length = 0;
        for (; !is_word_end(*p); ++p) {
            if (length < kWordLimit)
                word[length++] = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
        }
        word[length] = '\0';
        const int index = colour_word(word);
        if (index < 0)
            continue;
        const int value = aODColourWordValues[static_cast<std::size_t>(index)];
        if (value == OD_COLOUR_WORD_BRIGHT) {
            result |= 0x08;
        } else if (value == OD_COLOUR_WORD_FLASHING) {
            result |= kFlashingBits;
        } else if (foreground_next) {
            result = (result & ~0x07) | value;
            foreground_next = false;
        } else {
            result = (result & ~0x70) | (value << 4);
        }
    }
    pchColorEndPos = p;
    return result;
}

// Formats into the work buffer (a temporary one when od_printf runs inside
// itself, from a kernel hook); false with error_code set on failure.
char* format_text(const char* format, va_list args, bool* temporary)
{
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0 || length == INT_MAX) {
        od_control.error_code = OD_ERR_LIMIT;
        return nullptr;
    }
    const std::size_t needed = static_cast<std::size_t>(length) + 1;
    char* buffer = nullptr;
    *temporary = bPrintfActive;
    if (*temporary) {
        buffer = static_cast<char*>(std::malloc(needed));
    } else {
        if (nPrintfBufferSize < needed) {
            const std::size_t size = needed > kMinimumWorkBuffer ? needed : kMinimumWorkBuffer;
            char* grown = static_cast<char*>(std::realloc(pszPrintfBuffer, size));
            if (grown != nullptr) {
                pszPrintfBuffer = grown;
                nPrintfBufferSize = size;
            }
        }
        if (nPrintfBufferSize >= needed)
            buffer = pszPrintfBuffer;
    }
    if (buffer == nullptr) {
        od_control.error_code = OD_ERR_MEMORY;
        return nullptr;
    }
    if (std::vsnprintf(buffer, needed, format, args) != length) {
        od_control.error_code = OD_ERR_GENERALFAILURE;
        if (*temporary)
            std::free(buffer);
        return nullptr;
    }
    return buffer;
}

void send_run(const char* start, const char* end)
{
    if (end > start)
        od_disp(start, static_cast<int>(end - start), true);
}

void display_with_colours(const char* text)
{
    const char name_delimiter = static_cast<char>(od_control.colour_name_delimiter);
    const char byte_delimiter = static_cast<char>(od_control.colour_byte_delimiter);
    if (name_delimiter == '\0' && byte_delimiter == '\0') {
        od_disp_str(text);
        return;
    }
    chColorCheck = name_delimiter;
    const char* run = text;
    const char* p = text;
    bool any_delimiter = false;
    while (*p != '\0') {
        if (name_delimiter != '\0' && *p == name_delimiter) {
            any_delimiter = true;
            send_run(run, p);
            if (p[1] == '\0')
                return;
            // Parsed here rather than through od_color_config, which an
            // exit requested meanwhile would refuse without saying where
            // it stopped.
            od_set_attrib(parse_colour(p + 1) & 0xFF);
            // The colour applies even when the description is not closed.
            if (*pchColorEndPos != name_delimiter)
                return;
            run = p = pchColorEndPos + 1;
        } else if (byte_delimiter != '\0' && *p == byte_delimiter) {
            any_delimiter = true;
            send_run(run, p);
            if (p[1] == '\0')
                return;
            od_set_attrib(static_cast<signed char>(p[1]));
            run = p = p + 2;
        } else {
            ++p;
        }
    }
    if (any_delimiter)
        send_run(run, p);
    else
        od_disp_str(text);
}

}  // namespace

int od_color_config(const char* description)
{
    ODApiCall call;
    if (!call.allowed())
        return kDefaultColour;
    if (description == nullptr) {
        od_control.error_code = OD_ERR_PARAMETER;
        return kDefaultColour;
    }
    return parse_colour(description);
}

void od_printf(const char* format, ...)
{
    ODApiCall call;
    if (!call.allowed())
        return;
    if (format == nullptr) {
        od_control.error_code = OD_ERR_PARAMETER;
        return;
    }
    va_list args;
    va_start(args, format);
    bool temporary = false;
    char* text = format_text(format, args, &temporary);
    va_end(args);
    if (text == nullptr)
        return;

    const bool outer = !bPrintfActive;
    bPrintfActive = true;
    display_with_colours(text);
    if (outer) {
        bPrintfActive = false;
        chColorCheck = 0;
    }
    if (temporary)
        std::free(text);
}
