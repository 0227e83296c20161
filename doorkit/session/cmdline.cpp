// od_parse_cmd_line: reads the options the BBS started the door with into
// od_control before od_init runs.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>

#include "doorkit/doorkit.h"
#include "doorkit/core/api_sync.h"
#include "doorkit/core/control.h"
#include "doorkit/session/cmdline.h"
#include "doorkit/session/startup_report.h"

namespace {

// -C points od_control.config_file_name here.
char szODConfigFileName[80];

// Skips the leading blanks and one sign of a number.
const char* ODSkipBlanksAndSign(const char* text, bool* negative)
{
    while (ODIsCommandLineBlank(*text))
        ++text;
    *negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    return text;
}

// atol semantics (leading blanks, a sign, leading digits, else 0), but a
// value beyond 64 bits saturates instead of overflowing.
std::int64_t ODParseDecimal(const char* text)
{
    bool negative = false;
    const char* p = ODSkipBlanksAndSign(text, &negative);
    const std::uint64_t limit = negative
        ? static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1
        : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        auto digit = static_cast<std::uint64_t>(*p - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    if (!negative)
        return static_cast<std::int64_t>(magnitude);
    // Two's-complement negation in unsigned arithmetic also covers the
    // most negative value.
    return static_cast<std::int64_t>(0 - magnitude);
}

int ODHexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Hexadecimal with an optional sign and "0x" prefix; saturates on overflow.
std::uint64_t ODParseHex(const char* text)
{
    bool negative = false;
    const char* p = ODSkipBlanksAndSign(text, &negative);
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && ODHexDigit(p[2]) >= 0)
        p += 2;
    std::uint64_t value = 0;
    for (int digit = ODHexDigit(*p); digit >= 0; digit = ODHexDigit(*++p)) {
        if (value > (std::numeric_limits<std::uint64_t>::max() >> 4)) {
            value = std::numeric_limits<std::uint64_t>::max();
            break;
        }
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    return negative ? 0 - value : value;
}

// A handle number: an optional '+', then decimal digits only, within 64 bits.
bool ODParseHandle(const char* text, std::uint64_t* value)
{
    const char* p = text;
    if (*p == '+')
        ++p;
    if (*p == '\0')
        return false;
    std::uint64_t result = 0;
    for (; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        auto digit = static_cast<std::uint64_t>(*p - '0');
        if (result > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}

const char* ODWordOrEmpty(const char* word)
{
    return word != nullptr ? word : "";
}

[[noreturn]] void ODMissingParameter(const char* word)
{
    char message[160];
    std::snprintf(message, sizeof message, "Missing parameter for option: %s",
                  ODWordOrEmpty(word));
    std::printf("Missing parameter for option: %s\r\n", ODWordOrEmpty(word));
    std::fflush(stdout);
    ODReportStartupFailure(message, false);
    ODProcessExit(1);
}

// Moves to the word after the option and returns it; the option must have one.
const char* ODTakeValue(int* index, int argc, char* argv[])
{
    if (*index + 1 >= argc)
        ODMissingParameter(argv[*index]);
    ++*index;
    return ODWordOrEmpty(argv[*index]);
}

// The one place the drop-file location is stored. The field holds a cut
// copy; the whole path is kept beside it for the drop-file search.
void ODStoreDropFileDir(const char* value)
{
    ODCopyField(od_control.drop_file_dir, value);
    ODCopyField(szDropFileDirFull, value);
}

// "COMn" (any case) names port n-1; any other word is a port number.
void ODStorePort(const char* value)
{
    std::int64_t number;
    if ((value[0] == 'C' || value[0] == 'c') && (value[1] == 'O' || value[1] == 'o')
        && (value[2] == 'M' || value[2] == 'm')) {
        std::int64_t com = ODParseDecimal(value + 3);
        number = com == std::numeric_limits<std::int64_t>::min() ? com : com - 1;
    } else {
        number = ODParseDecimal(value);
    }
    // COM0 gives -1, which the port field reads as 65535: no serial port.
    od_control.port = static_cast<std::uint16_t>(number);
    nForcedPort = static_cast<std::int32_t>(number);
    wPreSetInfo |= PRESET_PORT;
}

void ODStoreHandle(const char* value, bool socket)
{
    std::uint64_t handle = 0;
    if (!ODParseHandle(value, &handle)) {
        od_control.error_code = OD_ERR_PARAMETER;
        return;
    }
    od_control.open_handle = handle;
    if (socket)
        od_control.socket_mode = 1;
}

// A following word whose decimal value is 0 ("0", "N", anything not
// starting with a digit) turns ANSI off and is consumed.
void ODApplyGraphics(int* index, int argc, char* argv[])
{
    if (*index + 1 < argc && ODParseDecimal(ODWordOrEmpty(argv[*index + 1])) == 0) {
        od_control.user_ansi = 0;
        ++*index;
        return;
    }
    od_control.user_ansi = 1;
}

void ODApplyUnknown(int* index, int argc, char* argv[])
{
    const char* word = argv[*index];
    if (od_control.cmdline_option_check != nullptr && od_control.cmdline_option_check(word))
        return;
    if (od_control.cmdline_option_handler == nullptr)
        return;
    char value[80];
    ODGetNextArgName(index, argc, argv, value, sizeof value);
    od_control.cmdline_option_handler(word, value);
}

[[noreturn]] void ODShowHelp()
{
    if (od_control.cmdline_help_hook != nullptr) {
        od_control.cmdline_help_hook();
        std::fflush(stdout);
        ODProcessExit(0);
    }
    if (od_control.help_text != nullptr)
        std::fputs(od_control.help_text, stdout);
    else
        ODPrintBuiltInHelp();
    std::fflush(stdout);
    ODProcessExit(1);
}

// Applies the option at argv[*index], leaving *index on the last word used.
void ODApplyOption(int* index, int argc, char* argv[])
{
    switch (ODGetCommandLineParameter(argv[*index])) {
    case OD_OPT_CONFIG:
        ODCopyField(szODConfigFileName, ODTakeValue(index, argc, argv));
        od_control.config_file_name = szODConfigFileName;
        break;
    case OD_OPT_LOCAL:
        od_control.local_mode = 1;
        break;
    case OD_OPT_BPS:
        od_control.baud = static_cast<std::uint32_t>(ODParseDecimal(ODTakeValue(index, argc, argv)));
        wPreSetInfo |= PRESET_BPS;
        break;
    case OD_OPT_PORT:
        ODStorePort(ODTakeValue(index, argc, argv));
        break;
    case OD_OPT_NODE:
        od_control.node_number = static_cast<std::uint16_t>(ODParseDecimal(ODTakeValue(index, argc, argv)));
        break;
    case OD_OPT_HELP:
        ODShowHelp();
    case OD_OPT_MAXTIME:
        od_control.max_time = static_cast<std::uint16_t>(ODParseDecimal(ODTakeValue(index, argc, argv)));
        break;
    case OD_OPT_ADDRESS:
        od_control.port_address = static_cast<std::uint16_t>(ODParseHex(ODTakeValue(index, argc, argv)));
        break;
    case OD_OPT_IRQ:
        od_control.port_irq = static_cast<std::uint8_t>(ODParseDecimal(ODTakeValue(index, argc, argv)));
        break;
    case OD_OPT_NOFOSSIL:
        od_control.no_fossil = 1;
        break;
    case OD_OPT_NOFIFO:
        od_control.no_fifo = 1;
        break;
    case OD_OPT_DROPFILE:
        ODStoreDropFileDir(ODTakeValue(index, argc, argv));
        break;
    case OD_OPT_USERNAME:
        ODGetNextArgName(index, argc, argv, od_control.user_name, sizeof od_control.user_name);
        break;
    case OD_OPT_TIMELEFT:
        od_control.user_time_left = static_cast<std::int16_t>(ODParseDecimal(ODTakeValue(index, argc, argv)));
        break;
    case OD_OPT_SECURITY:
        od_control.user_security = static_cast<std::uint16_t>(ODParseDecimal(ODTakeValue(index, argc, argv)));
        break;
    case OD_OPT_LOCATION:
        ODGetNextArgName(index, argc, argv, od_control.user_location, sizeof od_control.user_location);
        break;
    case OD_OPT_GRAPHICS:
        ODApplyGraphics(index, argc, argv);
        break;
    case OD_OPT_BBSNAME:
        ODGetNextArgName(index, argc, argv, od_control.system_name, sizeof od_control.system_name);
        break;
    case OD_OPT_HANDLE:
        ODStoreHandle(ODTakeValue(index, argc, argv), false);
        break;
    case OD_OPT_SOCKET:
        ODStoreHandle(ODTakeValue(index, argc, argv), true);
        break;
    case OD_OPT_SILENT:
        od_control.silent_mode = 1;
        break;
    case OD_OPT_CP437UTF8:
        od_control.cp437_to_utf8 = 1;
        break;
    case OD_OPT_UNKNOWN:
        ODApplyUnknown(index, argc, argv);
        break;
    default:  // PERSONALITY and words that are not options
        break;
    }
}

// Appends word to the field text of length *used, never past size - 1.
void ODAppendCut(char* dest, std::size_t size, std::size_t* used, std::string_view word)
{
    std::size_t room = size - 1 - *used;
    std::size_t n = word.size() < room ? word.size() : room;
    std::memcpy(dest + *used, word.data(), n);
    *used += n;
    dest[*used] = '\0';
}

}  // namespace

void ODGetNextArgName(int* index, int argc, char* argv[], char* dest, std::size_t size)
{
    if (dest != nullptr && size > 0)
        dest[0] = '\0';
    if (index == nullptr || argv == nullptr)
        return;
    if (*index + 1 >= argc)
        ODMissingParameter(argv[*index]);
    std::size_t used = 0;
    bool first = true;
    while (*index + 1 < argc && ODGetCommandLineParameter(argv[*index + 1]) == OD_OPT_NOT_OPTION) {
        ++*index;
        if (dest == nullptr || size == 0)
            continue;
        if (!first)
            ODAppendCut(dest, size, &used, " ");
        ODAppendCut(dest, size, &used, ODWordOrEmpty(argv[*index]));
        first = false;
    }
}

void od_parse_cmd_line(int argc, char* argv[])
{
    if (!ODSyncPublicCallAllowed())
        return;
    if (argv == nullptr) {
        od_control.error_code = OD_ERR_PARAMETER;
        return;
    }
    bParsedCmdLine = 1;
    od_control.user_ansi = 1;
    od_control.user_time_left = 60;
    for (int index = 1; index < argc; ++index)
        ODApplyOption(&index, argc, argv);
}
