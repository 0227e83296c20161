#include "tools/telnetd/options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "tools/telnetd/console.h"

namespace {

// DOOR32.SYS keeps a caller's name in a 35-character field.
constexpr std::size_t kMaxName = 35;

enum LongOnly { kLoginTimeout = 256, kBbsName, kVersion };

constexpr option kOptions[] = {
    {"port", required_argument, nullptr, 'p'},
    {"address", required_argument, nullptr, 'a'},
    {"game", required_argument, nullptr, 'g'},
    {"door", required_argument, nullptr, 'x'},
    {"nodes-dir", required_argument, nullptr, 'w'},
    {"nodes", required_argument, nullptr, 'n'},
    {"user", required_argument, nullptr, 'u'},
    {"time", required_argument, nullptr, 't'},
    {"login-timeout", required_argument, nullptr, kLoginTimeout},
    {"bbs-name", required_argument, nullptr, kBbsName},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

bool to_number(const char* text, int low, int high, int& out)
{
    if (text == nullptr || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high)
        return false;
    out = static_cast<int>(value);
    return true;
}

// Printable ASCII, as a BBS user name is, and not all blanks.
bool is_name(std::string_view text, std::size_t max)
{
    if (text.empty() || text.size() > max || text.front() == ' ' || text.back() == ' ')
        return false;
    for (char c : text)
        if (c < 32 || c > 126)
            return false;
    return true;
}

bool number_option(const char* name, int low, int high, int& out)
{
    if (to_number(optarg, low, high, out))
        return true;
    complain("%s wants a whole number from %d to %d, not \"%s\"", name, low, high, optarg);
    return false;
}

}  // namespace

void print_usage()
{
    std::printf(
        "Usage: grimbo-telnetd [options] [-- door options]\n"
        "Plays the BBS for this machine: accepts telnet callers, asks each one's name,\n"
        "writes DOOR32.SYS into a directory per node and starts the door with the\n"
        "caller's socket handed over, as a telnet BBS does.\n"
        "\n"
        "  -p, --port N           TCP port to listen on (default 2323; 0 picks a free one)\n"
        "  -a, --address ADDR     address to listen on (default 127.0.0.1, this machine\n"
        "                         only; 0.0.0.0 lets every network in)\n"
        "  -g, --game DIR         game directory: the door's working directory, holding\n"
        "                         grimbo (default: the current directory)\n"
        "  -x, --door PROGRAM     the door to start (default: DIR/grimbo)\n"
        "  -w, --nodes-dir DIR    where node1/, node2/, ... are made (default: a fresh\n"
        "                         directory under $TMPDIR, removed when the bench stops)\n"
        "  -n, --nodes N          callers at once (default 4, at most 99)\n"
        "  -u, --user NAME        call every caller NAME instead of asking\n"
        "  -t, --time MIN         minutes each caller has (default 60)\n"
        "      --login-timeout S  seconds the name prompt waits (default 60)\n"
        "      --bbs-name NAME    board name written into DOOR32.SYS\n"
        "  -h, --help             this text\n"
        "      --version          the bench's version\n"
        "\n"
        "Options after \"--\" go to the door, e.g. -- -CP437UTF8 for a UTF-8 terminal.\n"
        "The door is started as: PROGRAM -D NODES/nodeN/DOOR32.SYS [door options]\n"
        "Stop the bench with Ctrl-C; doors still running are ended as a BBS ends them.\n");
}

ParseOutcome parse_options(int argc, char* argv[], Settings& settings)
{
    opterr = 0;
    optind = 1;
    for (;;) {
        int c = getopt_long(argc, argv, "+:p:a:g:x:w:n:u:t:h", kOptions, nullptr);
        if (c == -1)
            break;
        bool ok = true;
        switch (c) {
        case 'p': ok = number_option("--port", 0, 65535, settings.port); break;
        case 'a': settings.address = optarg; break;
        case 'g': settings.game_dir = optarg; break;
        case 'x': settings.door = optarg; break;
        case 'w': settings.nodes_dir = optarg; break;
        case 'n': ok = number_option("--nodes", 1, 99, settings.nodes); break;
        case 't': ok = number_option("--time", 1, 32767, settings.minutes); break;
        case kLoginTimeout:
            ok = number_option("--login-timeout", 1, 3600, settings.login_seconds);
            break;
        case 'u':
            settings.caller = optarg;
            if (!is_name(settings.caller, kMaxName)) {
                complain("--user wants 1 to %zu printable characters without blanks at "
                         "either end",
                         kMaxName);
                ok = false;
            }
            break;
        case kBbsName:
            settings.bbs_name = optarg;
            if (!is_name(settings.bbs_name, 60)) {
                complain("--bbs-name wants 1 to 60 printable characters");
                ok = false;
            }
            break;
        case 'h': return ParseOutcome::help;
        case kVersion: return ParseOutcome::version;
        case ':':
            if (optopt > 0 && optopt < 256)
                complain("-%c needs a value (see --help)", optopt);
            else
                complain("%s needs a value (see --help)", argv[optind - 1]);
            ok = false;
            break;
        default:
            if (optopt > 0 && optopt < 256)
                complain("unknown option -%c (see --help)", optopt);
            else
                complain("unknown option %s (see --help)", argv[optind - 1]);
            ok = false;
            break;
        }
        if (!ok)
            return ParseOutcome::bad;
    }
    // Everything after "--" belongs to the door; a stray word before it is
    // a mistake, not a door option.
    if (optind < argc && std::string_view(argv[optind - 1]) != "--") {
        complain("unexpected \"%s\"; door options go after \"--\" (see --help)", argv[optind]);
        return ParseOutcome::bad;
    }
    for (int i = optind; i < argc; ++i)
        settings.door_args.emplace_back(argv[i]);
    return ParseOutcome::run;
}
