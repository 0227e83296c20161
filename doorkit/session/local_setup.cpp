#include "doorkit/session/local_setup.h"

#include <langinfo.h>
#include <pwd.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <string>
#include <string_view>

#include "doorkit/core/control.h"
#include "doorkit/session/terminal_speed.h"

namespace {

constexpr std::uint32_t kDefaultLocalBaud = 19200;

bool names_utf8(std::string_view text)
{
    std::string folded;
    for (char c : text) {
        if (c != '-' && c != '_')
            folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded.find("utf8") != std::string::npos;
}

// The locale name the environment selects, in the C library's order.
std::string_view environment_locale()
{
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && value[0] != '\0')
            return value;
    }
    return {};
}

}  // namespace

bool ODLocaleIsUTF8()
{
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    std::string saved = current != nullptr ? current : "C";
    const char* selected = std::setlocale(LC_CTYPE, "");
    bool utf8;
    if (selected != nullptr) {
        const char* codeset = nl_langinfo(CODESET);
        utf8 = (codeset != nullptr && names_utf8(codeset)) || names_utf8(selected);
        std::setlocale(LC_CTYPE, saved.c_str());
    } else {
        // The named locale is not installed; its name still says what the
        // caller's terminal expects.
        utf8 = names_utf8(environment_locale());
    }
    return utf8;
}

void ODInitLocalSetup()
{
    od_control.drop_file_kind = OD_DROP_NONE;
    if (ODLocaleIsUTF8())
        od_control.cp437_to_utf8 = 1;
    od_control.baud = 1;
    if (!bParsedCmdLine) {
        od_control.user_ansi = 1;
        od_control.user_time_left = 60;
    }
    if (od_control.system_name[0] != '\0')
        ODCopyField(od_control.user_location, od_control.system_name);
    else
        ODCopyField(od_control.user_location, "Unknown Location");
}

void ODInitFillFromAccount()
{
    od_control.com_method = 6;
    od_control.baud = kDefaultLocalBaud;

    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0)
        ODCopyField(od_control.system_name, host);

    termios tio{};
    if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &tio) == 0) {
        std::uint32_t bps = ODInitTerminalSpeedToBaud(cfgetispeed(&tio));
        if (bps == 0)
            bps = ODInitTerminalSpeedToBaud(cfgetospeed(&tio));
        od_control.baud = bps != 0 ? bps : kDefaultLocalBaud;
    }

    const passwd* account = getpwuid(getuid());
    if (account == nullptr)
        return;
    if (account->pw_name != nullptr && account->pw_name[0] != '\0')
        ODCopyField(od_control.user_handle, account->pw_name);
    if (account->pw_gecos != nullptr) {
        // The full name is the first comma-separated part of the field.
        std::string_view gecos = account->pw_gecos;
        std::string_view full_name = gecos.substr(0, gecos.find(','));
        if (!full_name.empty())
            ODCopyField(od_control.user_name, full_name);
    }
}
