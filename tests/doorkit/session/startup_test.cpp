#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/session/terminal_speed.h"
#include "tests/doorkit/session/session_helpers.h"

using grimbo_test::ChildResult;
using grimbo_test::clear_door_environment;
using grimbo_test::run_in_child;
using grimbo_test::start_preset_session;

namespace {

void expect_status(const ChildResult& result, int status)
{
    ASSERT_FALSE(result.timed_out);
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.status, status) << result.err;
}

// A directory of its own, empty, removed again at the end of the test.
class EmptyDirectory {
public:
    EmptyDirectory()
    {
        char pattern[] = "/tmp/doorkit-startup-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made != nullptr)
            path_ = made;
    }
    ~EmptyDirectory()
    {
        if (!path_.empty())
            rmdir(path_.c_str());
    }
    EmptyDirectory(const EmptyDirectory&) = delete;
    EmptyDirectory& operator=(const EmptyDirectory&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

struct FailureCase {
    const char* name;
    std::uint8_t use_table;
    std::uint8_t failure_level;
    int expected_status;
};

class MissingDropFile : public ::testing::TestWithParam<FailureCase> {};

TEST_P(MissingDropFile, StartUpStopsWithTheMessageAndTheFailureStatus)
{
    const FailureCase c = GetParam();
    EmptyDirectory dir;
    ASSERT_FALSE(dir.path().empty());
    auto result = run_in_child([&dir, c] {
        clear_door_environment();
        CHILD_CHECK(chdir(dir.path().c_str()) == 0);
        od_control.errorlevels[OD_LEVEL_USE_TABLE] = c.use_table;
        od_control.errorlevels[OD_LEVEL_STARTUP_FAILURE] = c.failure_level;
        od_init();
        return 100;
    });
    expect_status(result, c.expected_status);
    EXPECT_EQ(result.err, "Unable to read door information (drop) file.");
}

// A door that did not start must never read as a success to the BBS.
INSTANTIATE_TEST_SUITE_P(Levels, MissingDropFile,
                         ::testing::Values(FailureCase{"no_table", 0, 0, 1},
                                           FailureCase{"table_off_ignores_entry", 0, 9, 1},
                                           FailureCase{"custom_table", 1, 9, 9}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Startup, SpeedAndPortFromTheCommandLineRunWithoutADropFile)
{
    EmptyDirectory dir;
    auto result = run_in_child([&dir] {
        clear_door_environment();
        CHILD_CHECK(chdir(dir.path().c_str()) == 0);
        od_control.baud = 38400;
        od_control.port = 0;
        wPreSetInfo = PRESET_BPS | PRESET_PORT;
        od_init();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        CHILD_CHECK(od_control.drop_file_kind == OD_DROP_NONE);
        CHILD_CHECK(od_control.baud == 38400);
        od_exit(0, false);
        return 3;
    });
    expect_status(result, 0);
}

TEST(Startup, NoDropFileHookMayTurnTheSessionLocal)
{
    EmptyDirectory dir;
    auto result = run_in_child([&dir] {
        clear_door_environment();
        CHILD_CHECK(chdir(dir.path().c_str()) == 0);
        od_control.no_drop_file_hook = [] { od_control.local_mode = 1; };
        od_init();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        CHILD_CHECK(od_control.drop_file_kind == OD_DROP_NONE);
        CHILD_CHECK(od_control.baud != 0);
        od_exit(0, false);
        return 3;
    });
    expect_status(result, 0);
}

TEST(Startup, UnreadableBbsdevFileStopsStartUp)
{
    auto result = run_in_child([] {
        clear_door_environment();
        setenv("BBSDEV_DRP", "relative/BBSDEV.DRP", 1);
        od_control.local_mode = 1;  // the named file wins over local mode
        od_init();
        return 100;
    });
    expect_status(result, 1);
    EXPECT_EQ(result.err, "Unable to read or validate BBSDEV.DRP.");
}

struct HandleCase {
    const char* name;
    std::uint8_t socket_mode;
    std::uint64_t handle;
};

class HandedOverHandle : public ::testing::TestWithParam<HandleCase> {};

TEST_P(HandedOverHandle, UnusableHandleStopsStartUp)
{
    const HandleCase c = GetParam();
    auto result = run_in_child([c] {
        clear_door_environment();
        od_control.drop_file_kind = OD_DROP_PRESET;
        od_control.port = 65535;
        od_control.socket_mode = c.socket_mode;
        od_control.open_handle = c.handle;
        od_init();
        return 100;
    });
    expect_status(result, 1);
    EXPECT_EQ(result.err, "Unable to use provided serial port handle.");
}

INSTANTIATE_TEST_SUITE_P(
    Handles, HandedOverHandle,
    ::testing::Values(HandleCase{"closed_descriptor", 1, 987},
                      HandleCase{"beyond_any_descriptor", 1, (1ULL << 32) + 1},
                      HandleCase{"no_method_takes_a_handle", 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct NodeCase {
    const char* name;
    const char* task;
    const char* sbbsnnum;
    std::uint16_t preset_node;      // as "-NODE" leaves it
    std::uint16_t remembered_node;  // wODNodeNumber
    std::uint16_t expected;
};

class NodeNumber : public ::testing::TestWithParam<NodeCase> {};

TEST_P(NodeNumber, ComesFromTheEnvironmentFirst)
{
    const NodeCase c = GetParam();
    auto result = run_in_child([c] {
        clear_door_environment();
        if (c.task != nullptr)
            setenv("TASK", c.task, 1);
        if (c.sbbsnnum != nullptr)
            setenv("SBBSNNUM", c.sbbsnnum, 1);
        od_control.node_number = c.preset_node;
        wODNodeNumber = c.remembered_node;
        od_control.drop_file_kind = OD_DROP_PRESET;
        od_control.port = 65535;
        od_init();
        std::fprintf(stderr, "%u", od_control.node_number);
        return 0;
    });
    expect_status(result, 0);
    EXPECT_EQ(result.err, std::to_string(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, NodeNumber,
    ::testing::Values(NodeCase{"task_overrides_node_option", "7", nullptr, 5, 65535, 7},
                      NodeCase{"task_before_sbbsnnum", "7", "9", 0, 65535, 7},
                      NodeCase{"sbbsnnum", nullptr, "9", 5, 65535, 9},
                      NodeCase{"remembered_node", nullptr, nullptr, 5, 3, 3},
                      NodeCase{"node_option_kept", nullptr, nullptr, 4, 65535, 4},
                      NodeCase{"zero_becomes_one", nullptr, nullptr, 0, 65535, 1},
                      NodeCase{"huge_task_saturates", "999999", nullptr, 0, 65535, 65535}),
    [](const auto& info) { return std::string(info.param.name); });

struct TimeCapCase {
    const char* name;
    std::uint16_t max_time;
    std::int16_t time_left;
    std::int16_t expected_left;
    std::uint16_t expected_withheld;
};

class TimeCap : public ::testing::TestWithParam<TimeCapCase> {};

TEST_P(TimeCap, MaxTimeWithholdsMinutesAndExitGivesThemBack)
{
    const TimeCapCase c = GetParam();
    auto result = run_in_child([c] {
        od_control.max_time = c.max_time;
        od_control.user_time_left = c.time_left;
        od_control.exit_without_terminating = 1;
        start_preset_session();
        CHILD_CHECK(od_control.user_time_left == c.expected_left);
        CHILD_CHECK(od_control.time_withheld == c.expected_withheld);
        od_exit(0, false);
        CHILD_CHECK(od_control.user_time_left == c.time_left);
        return 0;
    });
    expect_status(result, 0);
}

INSTANTIATE_TEST_SUITE_P(Limits, TimeCap,
                         ::testing::Values(TimeCapCase{"cap_applies", 30, 45, 30, 15},
                                           TimeCapCase{"zero_is_no_cap", 0, 45, 45, 0},
                                           TimeCapCase{"above_a_day_is_no_cap", 1441, 45, 45, 0},
                                           TimeCapCase{"a_whole_day", 1440, 1500, 1440, 60},
                                           TimeCapCase{"less_left_than_cap", 60, 45, 45, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ForcedSpeedCase {
    const char* name;
    std::uint32_t file_speed;
    std::uint16_t flags;
    std::uint32_t expected;
};

class ForcedSpeed : public ::testing::TestWithParam<ForcedSpeedCase> {};

TEST_P(ForcedSpeed, LocalDropFileSpeedIsKeptUnlessForcing)
{
    const ForcedSpeedCase c = GetParam();
    auto result = run_in_child([c] {
        clear_door_environment();
        dwForcedBPS = 38400;  // the line speed given on the command line
        od_control.drop_file_kind = OD_DROP_PRESET;
        od_control.port = 0;
        od_control.baud = c.file_speed;
        od_control.disable_flags = c.flags;
        od_control.exit_without_terminating = 1;
        od_init();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        CHILD_CHECK(od_control.baud == c.expected);
        od_exit(0, false);
        CHILD_CHECK(od_control.baud == c.file_speed);  // never written back forced
        return 0;
    });
    expect_status(result, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Speeds, ForcedSpeed,
    ::testing::Values(ForcedSpeedCase{"local_stays_local", 0, 0, 0},
                      ForcedSpeedCase{"forced_even_when_local", 0, OD_DISABLE_FORCE_BPS_LOCAL, 38400}),
    [](const auto& info) { return std::string(info.param.name); });

struct LocaleCase {
    const char* name;
    const char* lang;
    std::uint8_t expected;
};

class LocalLocale : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocalLocale, UtfEightLocaleTurnsOnTranslation)
{
    const LocaleCase c = GetParam();
    auto result = run_in_child([c] {
        clear_door_environment();
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
        setenv("LANG", c.lang, 1);
        od_control.local_mode = 1;
        od_init();
        CHILD_CHECK(od_control.cp437_to_utf8 == c.expected);
        // The process's own locale setting is left as it was.
        CHILD_CHECK(std::strcmp(std::setlocale(LC_CTYPE, nullptr), "C") == 0);
        return 0;
    });
    expect_status(result, 0);
}

INSTANTIATE_TEST_SUITE_P(Locales, LocalLocale,
                         ::testing::Values(LocaleCase{"c_utf8", "C.UTF-8", 1},
                                           LocaleCase{"uninstalled_utf8", "xx_YY.utf8", 1},
                                           LocaleCase{"plain_c", "C", 0},
                                           LocaleCase{"latin1", "xx_YY.ISO-8859-1", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Startup, LocalSessionTakesTheCallerFromTheAccount)
{
    auto result = run_in_child([] {
        clear_door_environment();
        od_control.local_mode = 1;
        od_init();
        const passwd* account = getpwuid(getuid());
        CHILD_CHECK(account != nullptr);
        CHILD_CHECK(std::strncmp(od_control.user_handle, account->pw_name, 35) == 0);
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        CHILD_CHECK(std::strncmp(od_control.system_name, host, 39) == 0);
        CHILD_CHECK(od_control.com_method == 6);
        CHILD_CHECK(od_control.baud == 19200);  // standard input is no terminal
        CHILD_CHECK(od_control.user_name[0] != '\0');
        return 0;
    });
    expect_status(result, 0);
}

TEST(Startup, LocalSessionCanKeepTheSysopAsTheCaller)
{
    auto result = run_in_child([] {
        clear_door_environment();
        od_control.local_mode = 1;
        od_control.disable_flags = OD_DISABLE_OS_ACCOUNT;
        ODCopyField(od_control.system_name, "Hollow BBS");
        od_init();
        CHILD_CHECK(std::strcmp(od_control.user_name, "Sysop") == 0);
        CHILD_CHECK(std::strcmp(od_control.user_location, "Hollow BBS") == 0);
        CHILD_CHECK(od_control.user_handle[0] == '\0');
        CHILD_CHECK(od_control.baud == 1);
        return 0;
    });
    expect_status(result, 0);
}

TEST(Startup, DefaultsAreFilledOnlyWhereEmpty)
{
    auto result = run_in_child([] {
        ODCopyField(od_control.colour_names[2], "JADE");
        od_control.popup_colour = 0x1F;
        ODCopyField(od_control.log_file_name, "HOLLOW.LOG");
        start_preset_session();
        CHILD_CHECK(std::strcmp(od_control.program_name, "Door Kit") == 0);
        CHILD_CHECK(std::strcmp(od_control.colour_names[2], "JADE") == 0);
        CHILD_CHECK(std::strcmp(od_control.colour_names[11], "FLASHING") == 0);
        CHILD_CHECK(od_control.popup_colour == 0x1F);
        CHILD_CHECK(od_control.chat_sysop_colour == 12);
        CHILD_CHECK(std::strcmp(od_control.log_file_name, "HOLLOW.LOG") == 0);
        CHILD_CHECK(std::strcmp(od_control.log_messages[5], "Exiting door with errorlevel %d") == 0);
        CHILD_CHECK(std::strcmp(od_control.prompt_texts.hangup_popup, "Ending call...") == 0);
        CHILD_CHECK(std::strlen(od_control.prompt_texts.status_line1) == 80);
        CHILD_CHECK(std::strlen(od_control.prompt_texts.status_line2) == 79);
        CHILD_CHECK(std::strlen(od_control.prompt_texts.kit_banner) == 80);
        CHILD_CHECK(od_control.colour_name_delimiter == '`');
        CHILD_CHECK(od_control.current_attribute == 0xFFFF);
        CHILD_CHECK(od_control.user_keyboard_on == 1);
        CHILD_CHECK(std::strcmp(od_control.sysop_name, "Sysop") == 0);
        return 0;
    });
    expect_status(result, 0);
}

struct SpeedCodeCase {
    speed_t code;
    std::uint32_t bps;
};

TEST(TerminalSpeed, CodesConvertToBitsPerSecond)
{
    const SpeedCodeCase cases[] = {
        {B0, 0},         {B50, 50},           {B134, 134},         {B9600, 9600},
        {B38400, 38400}, {B115200, 115200},   {B4000000, 4000000}, {static_cast<speed_t>(0x7777), 0},
    };
    for (const SpeedCodeCase& c : cases)
        EXPECT_EQ(ODInitTerminalSpeedToBaud(c.code), c.bps) << "code " << c.code;
}

}  // namespace
