// Sessions started from BBSDEV.DRP through od_init.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/transport/transport.h"
#include "tests/doorkit/bbsdev/image.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/session_runner.h"

using grimbo_test::ChildResult;
using grimbo_test::clear_door_environment;
using grimbo_test::drp;
using grimbo_test::run_in_child;
using grimbo_test::TempDir;

namespace {

void expect_status(const ChildResult& result, int status)
{
    ASSERT_FALSE(result.timed_out);
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.status, status) << result.err;
}

// The deadline line for `seconds` from now.
std::string deadline_in(long seconds)
{
    const std::time_t when = std::time(nullptr) + seconds;
    std::tm parts{};
    gmtime_r(&when, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

struct RefusedStart {
    const char* name;
    std::string image;  // empty: the variable names a missing file
    std::uint8_t use_table;
    int expected_status;
};

class BbsdevStartUp : public ::testing::TestWithParam<RefusedStart> {};

TEST_P(BbsdevStartUp, InvalidFileStopsWithTheMessage)
{
    const RefusedStart c = GetParam();
    TempDir dir;
    if (!c.image.empty()) {
        ASSERT_TRUE(dir.write("BBSDEV.DRP", c.image));
    }
    auto result = run_in_child([&dir, c] {
        clear_door_environment();
        setenv("BBSDEV_DRP", dir.file("BBSDEV.DRP").c_str(), 1);
        od_control.errorlevels[OD_LEVEL_USE_TABLE] = c.use_table;
        od_control.errorlevels[OD_LEVEL_STARTUP_FAILURE] = 5;
        od_control.local_mode = 1;  // the named file wins over local mode
        od_init();
        return 100;
    });
    expect_status(result, c.expected_status);
    EXPECT_EQ(result.err, "Unable to read or validate BBSDEV.DRP.");
}

INSTANTIATE_TEST_SUITE_P(
    Files, BbsdevStartUp,
    ::testing::Values(RefusedStart{"missing_file", "", 0, 1},
                      RefusedStart{"bad_deadline", drp({{11, "2024-02-30T10:00:00Z"}}), 0, 1},
                      RefusedStart{"winserial", drp({{2, "winserial"}, {3, "1"}}), 0, 1},
                      RefusedStart{"binary_garbage",
                                   std::string(300, '\0') + "\xff\xfe\x1b[2J", 0, 1},
                      RefusedStart{"line_of_ten_thousand_bytes",
                                   drp({{14, std::string(10000, 'x')}}), 0, 1},
                      RefusedStart{"truncated", drp().substr(0, 40), 0, 1},
                      RefusedStart{"custom_failure_level", drp({{1, "1.01"}}), 1, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BbsdevStartUp, SocketSessionAdoptsTheDescriptorAndKeepsTheDeadline)
{
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    TempDir dir;
    const std::string id = "urn:caller:" + std::string(100, 'q');
    ASSERT_TRUE(dir.write("BBSDEV.DRP", drp({{2, "socket"},
                                             {3, std::to_string(pair[0])},
                                             {5, id},
                                             {11, deadline_in(90)}})));
    auto result = run_in_child([&dir, &pair, &id] {
        clear_door_environment();
        setenv("BBSDEV_DRP", dir.file("BBSDEV.DRP").c_str(), 1);
        od_control.disable_flags = OD_DISABLE_TIMELIMIT;
        od_init();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        CHILD_CHECK(od_control.drop_file_kind == OD_DROP_BBSDEV);
        CHILD_CHECK(od_control.com_method == kComMethodSocket);
        CHILD_CHECK(hSerialPort != nullptr && hSerialPort->descriptor == pair[0]);
        // Ninety seconds to the deadline are two minutes, the last of which
        // ends at the deadline.
        CHILD_CHECK(od_control.user_time_left == 2);
        CHILD_CHECK((od_control.disable_flags & OD_DISABLE_TIMELIMIT) == 0);
        CHILD_CHECK(nNextTimeDeductTime >= std::time(nullptr) + 25);
        CHILD_CHECK(nNextTimeDeductTime <= std::time(nullptr) + 30);
        // The whole identifier is the caller's key, whatever its length.
        CHILD_CHECK(id == od_get_user_id());
        od_exit(0, false);
        return 3;
    });
    close(pair[0]);
    close(pair[1]);
    expect_status(result, 0);
}

TEST(BbsdevStartUp, SerialSessionAdoptsTheLineWithoutSettingItsSpeed)
{
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    TempDir dir;
    ASSERT_TRUE(dir.write("BBSDEV.DRP", drp({{2, "serial"}, {3, std::to_string(slave)}})));
    auto result = run_in_child([&dir, slave] {
        clear_door_environment();
        setenv("BBSDEV_DRP", dir.file("BBSDEV.DRP").c_str(), 1);
        od_init();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        CHILD_CHECK(od_control.com_method == kComMethodStdIO);
        CHILD_CHECK(hSerialPort != nullptr && hSerialPort->descriptor == slave);
        CHILD_CHECK((od_control.disable_flags & OD_DISABLE_SET_BPS) != 0);
        od_exit(0, false);
        return 3;
    });
    close(master);
    close(slave);
    expect_status(result, 0);
}

TEST(BbsdevStartUp, StdioSessionWithoutDeadlineHasNoTimeLimit)
{
    TempDir dir;
    ASSERT_TRUE(dir.write("BBSDEV.DRP", drp()));
    auto result = run_in_child([&dir] {
        clear_door_environment();
        setenv("BBSDEV_DRP", dir.file("BBSDEV.DRP").c_str(), 1);
        od_init();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        CHILD_CHECK(od_control.com_method == kComMethodStdIO);
        CHILD_CHECK((od_control.disable_flags & OD_DISABLE_TIMELIMIT) != 0);
        CHILD_CHECK(std::strcmp(od_get_user_id(), "caller-7f3a") == 0);
        CHILD_CHECK(std::strcmp(od_control.user_name, "Jane Doe") == 0);
        CHILD_CHECK(od_control.node_number == 3);
        od_exit(0, false);
        return 3;
    });
    expect_status(result, 0);
}

}  // namespace
