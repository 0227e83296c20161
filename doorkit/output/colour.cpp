// Colour changes: od_set_attrib and od_set_color, sending only what the
// caller's terminal needs to change.
#include "doorkit/output/colour.h"

#include <cstdio>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/output/output.h"

namespace {

constexpr std::uint8_t kBlink = 0x80;
constexpr std::uint8_t kBright = 0x08;
constexpr std::uint8_t kAvatarCommand = 0x16;
constexpr std::uint8_t kAvatarSetAttribute = 0x01;

// Builds one ESC [ ... m sequence parameter by parameter.
class SgrBuilder {
public:
    explicit SgrBuilder(char* out) : out_(out) {}
    void add(int parameter)
    {
        length_ += static_cast<std::size_t>(std::snprintf(out_ + length_, OD_COLOUR_SEQUENCE_MAX - length_,
                                                          length_ == 0 ? "\x1b[%d" : ";%d", parameter));
    }
    std::size_t finish()
    {
        if (length_ == 0)
            return 0;
        out_[length_++] = 'm';
        out_[length_] = '\0';
        return length_;
    }

private:
    char* out_;
    std::size_t length_ = 0;
};

int foreground_number(std::uint8_t attribute)
{
    return abtPCToANSIColorTable[attribute & 7];
}

int background_number(std::uint8_t attribute)
{
    return abtPCToANSIColorTable[(attribute >> 4) & 7] + 10;
}

std::size_t change_ansi(std::uint8_t attribute, char* out)
{
    const std::size_t length = ODAnsiColourSequence(attribute, od_control.current_attribute,
                                                    od_control.full_colour_codes != 0, out);
    od_control.current_attribute = attribute;
    ODMirrorSetAttribute(attribute);
    return length;
}

std::size_t change_avatar(std::uint8_t attribute, char* out)
{
    if (!od_control.full_colour_codes &&
        static_cast<std::int16_t>(od_control.current_attribute) == attribute)
        return 0;
    od_control.current_attribute = attribute;
    ODMirrorSetAttribute(attribute);
    out[0] = static_cast<char>(kAvatarCommand);
    out[1] = static_cast<char>(kAvatarSetAttribute);
    out[2] = static_cast<char>(attribute);
    return 3;
}

}  // namespace

std::size_t ODAnsiColourSequence(std::uint8_t attribute, std::uint16_t current, bool full,
                                 char* out)
{
    const auto known = static_cast<std::uint8_t>(current);
    if (current == OD_ATTRIBUTE_UNKNOWN || ((known & kBlink) && !(attribute & kBlink)) ||
        ((known & kBright) && !(attribute & kBright)))
        full = true;

    SgrBuilder sgr(out);
    if (full) {
        sgr.add(0);
        if (attribute & kBlink)
            sgr.add(5);
        if (attribute & kBright)
            sgr.add(1);
        sgr.add(foreground_number(attribute));
        sgr.add(background_number(attribute));
        return sgr.finish();
    }
    if ((attribute & kBlink) && !(known & kBlink))
        sgr.add(5);
    if ((attribute & kBright) && !(known & kBright))
        sgr.add(1);
    if ((attribute & 0x07) != (known & 0x07))
        sgr.add(foreground_number(attribute));
    if ((attribute & 0x70) != (known & 0x70))
        sgr.add(background_number(attribute));
    return sgr.finish();
}

std::size_t ODColourChange(std::uint8_t attribute, char* out)
{
    switch (ODCurrentTerminalMode()) {
    case ODTerminalMode::Ansi:
        return change_ansi(attribute, out);
    case ODTerminalMode::Avatar:
        return change_avatar(attribute, out);
    case ODTerminalMode::Plain:
        break;
    }
    return 0;
}

void od_set_attrib(int attribute)
{
    ODApiCall call;
    if (!call.allowed())
        return;
    // -1 stands for "no colour" (an unknown colour being re-sent).
    if (attribute == -1)
        return;
    if (ODCurrentTerminalMode() == ODTerminalMode::Plain) {
        od_control.error_code = OD_ERR_NOGRAPHICS;
        return;
    }
    // Only the attribute byte means anything; a sign-extended byte from a
    // colour code must not leave stray high bits in current_attribute.
    // The kernel's messages, if it is due, still show in the old colour.
    ODOutputKernelIfDue();
    char sequence[OD_COLOUR_SEQUENCE_MAX];
    ODOutputSendInPlace(sequence,
                        ODColourChange(static_cast<std::uint8_t>(attribute & 0xFF), sequence));
}

void od_set_color(int foreground, int background)
{
    if (!ODSyncPublicCallAllowed())
        return;
    const auto combined = static_cast<unsigned>(background) * 16u + static_cast<unsigned>(foreground);
    od_set_attrib(static_cast<int>(combined));
}
