#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/expected_help.h"

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/session/cmdline.h"

namespace {

void ResetSession()
{
    od_control = {};
    bParsedCmdLine = 0;
    wPreSetInfo = 0;
    nForcedPort = -1;
    eODLifecycleState = OD_STATE_NOT_STARTED;
}

// An argument vector that owns its words; entry 0 is the program name.
class Args {
public:
    Args(std::initializer_list<const char*> words)
    {
        words_.emplace_back("door");
        for (const char* word : words)
            words_.emplace_back(word);
        for (std::string& word : words_)
            pointers_.push_back(word.data());
        pointers_.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(words_.size()); }
    char** argv() { return pointers_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
};

void Parse(std::initializer_list<const char*> words)
{
    Args args(words);
    od_parse_cmd_line(args.argc(), args.argv());
}

struct ChildOutcome {
    int status = -1;  // exit status, -1 when the child did not exit normally
    std::string out;  // everything written to standard output
};

// Parses in a forked child whose standard output is captured; a child that
// returns from parsing exits with 99.
ChildOutcome ParseInChild(std::initializer_list<const char*> words)
{
    Args args(words);
    ChildOutcome outcome;
    std::fflush(stdout);
    int fds[2];
    if (pipe(fds) != 0)
        return outcome;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        close(fds[1]);
        od_parse_cmd_line(args.argc(), args.argv());
        std::fflush(stdout);
        _exit(99);
    }
    close(fds[1]);
    char buffer[512];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0)
        outcome.out.append(buffer, static_cast<std::size_t>(got));
    close(fds[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        outcome.status = WEXITSTATUS(status);
    return outcome;
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override { ResetSession(); }
    void TearDown() override { ResetSession(); }
};

TEST(CommandLineWords, EveryOptionWordAndAliasIsRecognisedInAnyCaseWithEitherPrefix)
{
    struct Case {
        const char* name;
        int code;
    };
    const Case cases[] = {
        {"C", OD_OPT_CONFIG}, {"CONFIG", OD_OPT_CONFIG}, {"CONFIGFILE", OD_OPT_CONFIG},
        {"CFGFILE", OD_OPT_CONFIG}, {"CFG", OD_OPT_CONFIG}, {"L", OD_OPT_LOCAL},
        {"LOCAL", OD_OPT_LOCAL}, {"B", OD_OPT_BPS}, {"BPS", OD_OPT_BPS}, {"BAUD", OD_OPT_BPS},
        {"P", OD_OPT_PORT}, {"PORT", OD_OPT_PORT}, {"N", OD_OPT_NODE}, {"NODE", OD_OPT_NODE},
        {"?", OD_OPT_HELP}, {"H", OD_OPT_HELP}, {"HELP", OD_OPT_HELP},
        {"PERSONALITY", OD_OPT_PERSONALITY}, {"MAXTIME", OD_OPT_MAXTIME},
        {"ADDRESS", OD_OPT_ADDRESS}, {"IRQ", OD_OPT_IRQ}, {"NOFOSSIL", OD_OPT_NOFOSSIL},
        {"NOFIFO", OD_OPT_NOFIFO}, {"DROPFILE", OD_OPT_DROPFILE}, {"D", OD_OPT_DROPFILE},
        {"USERNAME", OD_OPT_USERNAME}, {"TIMELEFT", OD_OPT_TIMELEFT},
        {"SECURITY", OD_OPT_SECURITY}, {"LOCATION", OD_OPT_LOCATION},
        {"GRAPHICS", OD_OPT_GRAPHICS}, {"G", OD_OPT_GRAPHICS}, {"BBSNAME", OD_OPT_BBSNAME},
        {"HANDLE", OD_OPT_HANDLE}, {"SOCKET", OD_OPT_SOCKET}, {"SILENT", OD_OPT_SILENT},
        {"CP437UTF8", OD_OPT_CP437UTF8},
    };
    for (const Case& c : cases) {
        std::string upper = std::string("-") + c.name;
        std::string lower = "/";
        for (const char* p = c.name; *p != '\0'; ++p)
            lower += static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p - 'A' + 'a' : *p);
        EXPECT_EQ(ODGetCommandLineParameter(upper.c_str()), c.code) << upper;
        EXPECT_EQ(ODGetCommandLineParameter(lower.c_str()), c.code) << lower;
    }
}

TEST(CommandLineWords, WordsWithoutADashOrSlashAreNotOptionsAndOthersAreUnknown)
{
    for (const char* word : {"L", "COM1", "", "John", "x-L", "+5"})
        EXPECT_EQ(ODGetCommandLineParameter(word), OD_OPT_NOT_OPTION) << word;
    EXPECT_EQ(ODGetCommandLineParameter(nullptr), OD_OPT_NOT_OPTION);
    for (const char* word : {"-", "/", "-LOCALX", "-LOCA", "--chat-config", "-5", "/X"})
        EXPECT_EQ(ODGetCommandLineParameter(word), OD_OPT_UNKNOWN) << word;
}

TEST_F(CommandLine, NoArgumentsStillGiveAnsiAndSixtyMinutes)
{
    Parse({});
    EXPECT_EQ(bParsedCmdLine, 1);
    EXPECT_EQ(od_control.user_ansi, 1);
    EXPECT_EQ(od_control.user_time_left, 60);
    EXPECT_EQ(od_control.local_mode, 0);
}

TEST_F(CommandLine, NullArgumentVectorIsABadParameter)
{
    od_parse_cmd_line(3, nullptr);
    EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
}

TEST_F(CommandLine, NothingIsReadOnceTheSessionHasEnded)
{
    eODLifecycleState = OD_STATE_SHUT_DOWN;
    Parse({"-L", "-N", "4"});
    EXPECT_EQ(od_control.local_mode, 0);
    EXPECT_EQ(od_control.node_number, 0);
    EXPECT_EQ(od_control.user_time_left, 0);
    EXPECT_EQ(bParsedCmdLine, 0);
    EXPECT_EQ(od_control.error_code, OD_ERR_GENERALFAILURE);
}

TEST_F(CommandLine, PortTakesComNamesCountedFromOneOrNumbersCountedFromZero)
{
    struct Case {
        std::initializer_list<const char*> words;
        std::uint16_t port;
        std::int32_t forced;
    };
    const Case cases[] = {
        {{"-p", "com2"}, 1, 1},
        {{"/PORT", "1"}, 1, 1},
        {{"-P", "COM1"}, 0, 0},
        {{"-P", "Com3"}, 2, 2},
        {{"-P", "COM0"}, 65535, -1},  // no serial port
        {{"-P", "serial"}, 0, 0},
    };
    for (const Case& c : cases) {
        ResetSession();
        Parse(c.words);
        EXPECT_EQ(od_control.port, c.port) << *c.words.begin() << " " << *(c.words.begin() + 1);
        EXPECT_EQ(nForcedPort, c.forced);
        EXPECT_EQ(wPreSetInfo, PRESET_PORT);
    }
}

TEST_F(CommandLine, NumericOptionsReadLeadingDigitsAndTreatOtherWordsAsZero)
{
    struct Case {
        const char* option;
        const char* value;
        std::uint64_t expected;
        std::uint64_t (*field)();
    };
    auto baud = [] { return std::uint64_t{od_control.baud}; };
    auto node = [] { return std::uint64_t{od_control.node_number}; };
    auto maxtime = [] { return std::uint64_t{od_control.max_time}; };
    auto address = [] { return std::uint64_t{od_control.port_address}; };
    auto irq = [] { return std::uint64_t{od_control.port_irq}; };
    auto security = [] { return std::uint64_t{od_control.user_security}; };
    const Case cases[] = {
        {"-B", "38400", 38400, baud},
        {"-BAUD", "19200bps", 19200, baud},
        {"-BPS", "fast", 0, baud},
        {"-B", "99999999999999999999999999", 0xFFFFFFFFu, baud},  // saturates, no overflow
        {"-N", "3", 3, node},
        {"-NODE", " 12", 12, node},
        {"-MAXTIME", "90", 90, maxtime},
        {"-ADDRESS", "3F8", 0x3F8, address},
        {"-ADDRESS", "0x2f8", 0x2F8, address},
        {"-ADDRESS", "zz", 0, address},
        {"-IRQ", "4", 4, irq},
        {"-SECURITY", "100", 100, security},
        {"-SECURITY", "-x", 0, security},
    };
    for (const Case& c : cases) {
        ResetSession();
        Parse({c.option, c.value});
        EXPECT_EQ(c.field(), c.expected) << c.option << " " << c.value;
    }
}

TEST_F(CommandLine, SpeedIsRememberedAsGivenAndTimeLeftReplacesTheDefault)
{
    Parse({"-B", "2400", "-TIMELEFT", "-5"});
    EXPECT_EQ(od_control.baud, 2400u);
    EXPECT_EQ(wPreSetInfo, PRESET_BPS);
    EXPECT_EQ(od_control.user_time_left, -5);
}

TEST_F(CommandLine, SwitchOptionsSetTheirFlags)
{
    Parse({"-L", "/nofossil", "-NOFIFO", "-Silent", "-CP437UTF8", "-PERSONALITY", "stray"});
    EXPECT_EQ(od_control.local_mode, 1);
    EXPECT_EQ(od_control.no_fossil, 1);
    EXPECT_EQ(od_control.no_fifo, 1);
    EXPECT_EQ(od_control.silent_mode, 1);
    EXPECT_EQ(od_control.cp437_to_utf8, 1);
}

TEST_F(CommandLine, GraphicsIsOnUnlessTheNextWordReadsAsZero)
{
    struct Case {
        std::initializer_list<const char*> words;
        std::uint8_t ansi;
        std::uint8_t local;
    };
    const Case cases[] = {
        {{"-G"}, 1, 0},
        {{"-G", "0"}, 0, 0},
        {{"-G", "n"}, 0, 0},
        {{"-GRAPHICS", "1"}, 1, 0},
        {{"-G", "-L"}, 0, 0},        // -L is taken as the value
        {{"-G", "1", "-L"}, 1, 1},
        {{"-G", "0", "-G"}, 1, 0},
    };
    for (const Case& c : cases) {
        ResetSession();
        Parse(c.words);
        EXPECT_EQ(od_control.user_ansi, c.ansi) << c.words.size() << " words from " << *c.words.begin();
        EXPECT_EQ(od_control.local_mode, c.local);
    }
}

TEST_F(CommandLine, MultiWordValuesStopAtTheNextOption)
{
    Parse({"-USERNAME", "John", "Smith", "-L", "-LOCATION", "Salem,", "MA", "/BBSNAME", "The", "Hollow"});
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_STREQ(od_control.user_location, "Salem, MA");
    EXPECT_STREQ(od_control.system_name, "The Hollow");
    EXPECT_EQ(od_control.local_mode, 1);
}

TEST_F(CommandLine, AValueOptionFollowedByAnOptionLeavesTheFieldEmpty)
{
    ODCopyField(od_control.user_name, "Preset");
    Parse({"-USERNAME", "-L"});
    EXPECT_STREQ(od_control.user_name, "");
    EXPECT_EQ(od_control.local_mode, 1);
}

TEST_F(CommandLine, LongValuesAreCutToTheirFields)
{
    const std::string word(100, 'x');
    Parse({"-USERNAME", "Abcdefghij", "Klmnopqrstu", "Vwxyz01234", "56789ABCDEF", "-L",
           "-LOCATION", word.c_str(), "-BBSNAME", word.c_str(), word.c_str(),
           "-C", word.c_str(), "-D", word.c_str()});
    EXPECT_STREQ(od_control.user_name, "Abcdefghij Klmnopqrstu Vwxyz01234 5");
    EXPECT_EQ(std::string(od_control.user_location), word.substr(0, 25));
    EXPECT_EQ(std::string(od_control.system_name), word.substr(0, 39));
    ASSERT_NE(od_control.config_file_name, nullptr);
    EXPECT_EQ(std::string(od_control.config_file_name), word.substr(0, 79));
    EXPECT_EQ(std::string(od_control.drop_file_dir), word.substr(0, 59));
    EXPECT_EQ(od_control.local_mode, 1);
}

TEST_F(CommandLine, SingleWordValuesTakeTheNextWordWhateverItIs)
{
    Parse({"-C", "-L", "-DROPFILE", "/bbs/node1/DOOR32.SYS"});
    ASSERT_NE(od_control.config_file_name, nullptr);
    EXPECT_STREQ(od_control.config_file_name, "-L");
    EXPECT_EQ(od_control.local_mode, 0);
    EXPECT_STREQ(od_control.drop_file_dir, "/bbs/node1/DOOR32.SYS");
}

TEST_F(CommandLine, HandleAndSocketAcceptOnlyPlainUnsigned64BitNumbers)
{
    struct Case {
        const char* option;
        const char* value;
        bool accepted;
        std::uint64_t handle;
    };
    const Case cases[] = {
        {"-SOCKET", "+5", true, 5},
        {"-HANDLE", "5", true, 5},
        {"-SOCKET", "18446744073709551615", true, 18446744073709551615u},
        {"-SOCKET", "18446744073709551616", false, 0},
        {"-HANDLE", "99999999999999999999999", false, 0},
        {"-HANDLE", "x5", false, 0},
        {"-HANDLE", "5x", false, 0},
        {"-HANDLE", "", false, 0},
        {"-HANDLE", "+", false, 0},
        {"-HANDLE", "++5", false, 0},
        {"-HANDLE", "-5", false, 0},
        {"-HANDLE", " 5", false, 0},
    };
    for (const Case& c : cases) {
        ResetSession();
        od_control.open_handle = 7;
        Parse({c.option, c.value});
        bool socket = std::string(c.option) == "-SOCKET";
        if (c.accepted) {
            EXPECT_EQ(od_control.open_handle, c.handle) << c.option << " " << c.value;
            EXPECT_EQ(od_control.socket_mode, socket ? 1 : 0) << c.option << " " << c.value;
            EXPECT_EQ(od_control.error_code, OD_ERR_NONE) << c.option << " " << c.value;
        } else {
            EXPECT_EQ(od_control.open_handle, 7u) << c.option << " " << c.value;
            EXPECT_EQ(od_control.socket_mode, 0) << c.option << " " << c.value;
            EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER) << c.option << " " << c.value;
        }
    }
}

TEST_F(CommandLine, ARejectedHandleStillUsesUpItsValueWord)
{
    Parse({"-HANDLE", "-L", "-N", "5"});
    EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
    EXPECT_EQ(od_control.local_mode, 0);
    EXPECT_EQ(od_control.node_number, 5);
}

TEST_F(CommandLine, AMissingValueEndsTheProgramNamingTheOptionAsTyped)
{
    for (const char* word : {"-C", "/cfg", "-B", "-P", "-N", "-MAXTIME", "-ADDRESS", "-IRQ", "-D",
                             "-TIMELEFT", "-SECURITY", "-HANDLE", "-SOCKET", "-username",
                             "-LOCATION", "-BBSNAME"}) {
        ChildOutcome outcome = ParseInChild({"-L", word});
        EXPECT_EQ(outcome.status, 1) << word;
        EXPECT_EQ(outcome.out, std::string("Missing parameter for option: ") + word + "\r\n");
    }
}

TEST_F(CommandLine, HelpPrintsTheBuiltInLinesAndEndsWithStatusOne)
{
    for (const char* word : {"-?", "/h", "-HELP"}) {
        ChildOutcome outcome = ParseInChild({"-L", word, "-N", "3"});
        EXPECT_EQ(outcome.status, 1) << word;
        EXPECT_EQ(outcome.out, grimbo_test::kBuiltInHelp) << word;
    }
}

TEST_F(CommandLine, ApplicationHelpTextReplacesTheBuiltInHelp)
{
    od_control.help_text = "usage: grimbo [-L]\n\tno CR here\x01";
    ChildOutcome outcome = ParseInChild({"-H"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "usage: grimbo [-L]\n\tno CR here\x01");
}

void PrintOwnHelp()
{
    // Left unflushed: the kit must flush before the process ends.
    std::fputs("own help", stdout);
}

TEST_F(CommandLine, ApplicationHelpHookRunsAndEndsWithStatusZero)
{
    od_control.help_text = "not this";
    od_control.cmdline_help_hook = PrintOwnHelp;
    ChildOutcome outcome = ParseInChild({"-?"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "own help");
}

struct HookLog {
    std::vector<std::string> checked;
    std::vector<std::string> handled;
};
HookLog hook_log;

bool AcceptNothing(const char* option)
{
    hook_log.checked.emplace_back(option);
    return false;
}

bool AcceptEverything(const char* option)
{
    hook_log.checked.emplace_back(option);
    return true;
}

void RecordOption(const char* option, const char* value)
{
    hook_log.handled.push_back(std::string(option) + "=" + value);
}

TEST_F(CommandLine, UnknownOptionsAreSkippedWithoutAHandler)
{
    od_control.cmdline_option_check = AcceptNothing;
    hook_log = {};
    Parse({"-FOO", "bar", "-L", "/X"});
    EXPECT_EQ(od_control.local_mode, 1);
    EXPECT_EQ(hook_log.checked, (std::vector<std::string>{"-FOO", "/X"}));
    EXPECT_EQ(od_control.error_code, OD_ERR_NONE);
}

TEST_F(CommandLine, UnknownOptionsGoToTheHandlerWithTheirWords)
{
    od_control.cmdline_option_handler = RecordOption;
    hook_log = {};
    Parse({"-FOO", "bar", "baz", "-L", "--chat-mode", "-N", "2"});
    EXPECT_EQ(hook_log.handled, (std::vector<std::string>{"-FOO=bar baz", "--chat-mode="}));
    EXPECT_EQ(od_control.local_mode, 1);
    EXPECT_EQ(od_control.node_number, 2);
}

TEST_F(CommandLine, AnOptionTheCheckAcceptsIsNotPassedToTheHandler)
{
    od_control.cmdline_option_handler = RecordOption;
    od_control.cmdline_option_check = AcceptEverything;
    hook_log = {};
    Parse({"-FOO", "bar", "-L"});
    EXPECT_TRUE(hook_log.handled.empty());
    EXPECT_EQ(hook_log.checked, (std::vector<std::string>{"-FOO"}));
    EXPECT_EQ(od_control.local_mode, 1);

    od_control.cmdline_option_check = AcceptNothing;
    hook_log = {};
    const std::string long_value(100, 'v');
    Parse({"-FOO", long_value.c_str()});
    EXPECT_EQ(hook_log.handled, (std::vector<std::string>{"-FOO=" + long_value.substr(0, 79)}));
}

TEST_F(CommandLine, AHandledUnknownOptionAtTheEndIsMissingItsValue)
{
    od_control.cmdline_option_handler = RecordOption;
    ChildOutcome outcome = ParseInChild({"-L", "-Extra"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "Missing parameter for option: -Extra\r\n");
}

}  // namespace
