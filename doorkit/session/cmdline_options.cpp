// The option words the kit knows and their codes.
#include <string_view>

#include "doorkit/core/ascii_case.h"
#include "doorkit/session/cmdline.h"

namespace {

struct ODOptionWord {
    std::string_view word;  // upper case, without the leading '-' or '/'
    int code;
};

constexpr ODOptionWord aODOptionWords[] = {
    {"C", OD_OPT_CONFIG},
    {"CONFIG", OD_OPT_CONFIG},
    {"CONFIGFILE", OD_OPT_CONFIG},
    {"CFGFILE", OD_OPT_CONFIG},
    {"CFG", OD_OPT_CONFIG},
    {"L", OD_OPT_LOCAL},
    {"LOCAL", OD_OPT_LOCAL},
    {"B", OD_OPT_BPS},
    {"BPS", OD_OPT_BPS},
    {"BAUD", OD_OPT_BPS},
    {"P", OD_OPT_PORT},
    {"PORT", OD_OPT_PORT},
    {"N", OD_OPT_NODE},
    {"NODE", OD_OPT_NODE},
    {"?", OD_OPT_HELP},
    {"H", OD_OPT_HELP},
    {"HELP", OD_OPT_HELP},
    {"PERSONALITY", OD_OPT_PERSONALITY},
    {"MAXTIME", OD_OPT_MAXTIME},
    {"ADDRESS", OD_OPT_ADDRESS},
    {"IRQ", OD_OPT_IRQ},
    {"NOFOSSIL", OD_OPT_NOFOSSIL},
    {"NOFIFO", OD_OPT_NOFIFO},
    {"DROPFILE", OD_OPT_DROPFILE},
    {"D", OD_OPT_DROPFILE},
    {"USERNAME", OD_OPT_USERNAME},
    {"TIMELEFT", OD_OPT_TIMELEFT},
    {"SECURITY", OD_OPT_SECURITY},
    {"LOCATION", OD_OPT_LOCATION},
    {"GRAPHICS", OD_OPT_GRAPHICS},
    {"G", OD_OPT_GRAPHICS},
    {"BBSNAME", OD_OPT_BBSNAME},
    {"HANDLE", OD_OPT_HANDLE},
    {"SOCKET", OD_OPT_SOCKET},
    {"SILENT", OD_OPT_SILENT},
    {"CP437UTF8", OD_OPT_CP437UTF8},
};

}  // namespace

int ODGetCommandLineParameter(const char* word)
{
    if (word == nullptr || (word[0] != '-' && word[0] != '/'))
        return OD_OPT_NOT_OPTION;
    // ASCII case only: option words must not change meaning with the locale.
    std::string_view name(word + 1);
    for (const ODOptionWord& option : aODOptionWords) {
        if (ODAsciiEqualNoCase(name, option.word))
            return option.code;
    }
    return OD_OPT_UNKNOWN;
}
