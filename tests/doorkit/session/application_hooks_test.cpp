// The two hooks through which the application keeps its own record of a
// session, since a BBS may discard standard error: a failed start (the
// message printed and where the drop file was looked for) and the end
// (exit status and why).
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/kernel/kernel.h"
#include "doorkit/kernel/steps.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/session_runner.h"

using grimbo_test::clear_door_environment;
using grimbo_test::run_in_child;
using grimbo_test::start_preset_session;

namespace {

void print_failure(const char* message, const char* drop_file)
{
    std::printf("[%s|%s]", message, drop_file);
}

void print_end(int errorlevel, int reason)
{
    std::printf("[%d|%d]", errorlevel, reason);
}

struct StartCase {
    const char* what;
    std::vector<std::string> args;  // after the program name
    std::string env;                // "NAME=value", or empty
    const char* drop_file;          // written into the directory as given, or null
    std::string message;
    std::string looked;             // "{dir}" stands for the start directory
};

TEST(ApplicationHooks, AFailedStartIsToldItsMessageAndWhereTheDropFileWasLookedFor)
{
    const StartCase cases[] = {
        {"no drop file anywhere", {}, "SBBSNODE=/nowhere/node1", nullptr,
         "Unable to read door information (drop) file.",
         "none named with -D; looked in {dir}, SBBSNODE=/nowhere/node1"},
        {"a -D path that is not there", {"-D", "node1/door32.sys"}, "", nullptr,
         "Unable to read door information (drop) file.", "{dir}/node1/door32.sys"},
        {"a drop file that ends early", {"-D", "DOOR32.SYS"}, "", "2\n",
         "Unable to read door information (drop) file.", "{dir}/DOOR32.SYS"},
        {"a BBSDEV.DRP that is not valid", {}, "BBSDEV_DRP=/nowhere/BBSDEV.DRP", nullptr,
         "Unable to read or validate BBSDEV.DRP.", "/nowhere/BBSDEV.DRP (BBSDEV_DRP)"},
        {"a handle that is no connection", {"-B", "38400", "-P", "0", "-SOCKET", "999"}, "",
         nullptr, "Unable to use provided serial port handle.", ""},
        {"an option without its value", {"-L", "-NODE"}, "", nullptr,
         "Missing parameter for option: -NODE", ""},
    };
    for (const StartCase& c : cases) {
        grimbo_test::TempDir dir;
        if (c.drop_file != nullptr) {
            ASSERT_TRUE(dir.write(c.args.back(), c.drop_file));
        }
        auto result = run_in_child([&dir, &c] {
            clear_door_environment();
            CHILD_CHECK(chdir(dir.path().c_str()) == 0);
            if (!c.env.empty())
                putenv(const_cast<char*>(c.env.c_str()));
            od_control.startup_failure_hook = print_failure;
            std::vector<char*> argv{const_cast<char*>("door")};
            for (const std::string& arg : c.args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            od_parse_cmd_line(static_cast<int>(argv.size()), argv.data());
            od_init();
            return 100;
        });
        std::string looked = c.looked;
        if (auto at = looked.find("{dir}"); at != std::string::npos)
            looked.replace(at, 5, dir.path());
        EXPECT_TRUE(result.exited && result.status == 1) << c.what << ": " << result.err;
        // Told once, after what the kit printed, before the process ended.
        const std::string told = "[" + c.message + "|" + looked + "]";
        ASSERT_GE(result.out.size(), told.size()) << c.what << ": " << result.out;
        EXPECT_EQ(result.out.substr(result.out.size() - told.size()), told) << c.what;
        EXPECT_EQ(result.out.find('['), result.out.size() - told.size()) << c.what;
    }
}

TEST(ApplicationHooks, TheSessionsEndIsToldItsExitStatusAndWhy)
{
    struct EndCase {
        const char* what;
        void (*end)();
        int status;
        int reason;
    };
    const EndCase cases[] = {
        {"the application's exit", [] { od_exit(3, false); }, 3, OD_END_BY_APPLICATION},
        {"carrier lost", [] { ODKrnlEndSession(OD_EXIT_REASON_CARRIER); }, 1,
         OD_END_CARRIER_LOST},
        {"time used up", [] { ODKrnlEndSession(OD_EXIT_REASON_TIME); }, 3, OD_END_TIME_UP},
        {"idle too long", [] { ODKrnlEndSession(OD_EXIT_REASON_INACTIVITY); }, 4,
         OD_END_INACTIVITY},
        {"stopped by the BBS",
         [] {
             raise(SIGTERM);
             od_kernel();
         },
         1, OD_END_STOP_SIGNAL},
        {"hang-up signal",
         [] {
             raise(SIGHUP);
             od_kernel();
         },
         1, OD_END_HANGUP_SIGNAL},
    };
    for (const EndCase& c : cases) {
        auto result = run_in_child([&c] {
            od_control.session_end_hook = print_end;
            start_preset_session();
            CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
            c.end();
            return 100;
        });
        EXPECT_TRUE(result.exited && result.status == c.status) << c.what << ": " << result.err;
        EXPECT_EQ(result.out, "[" + std::to_string(c.status) + "|" + std::to_string(c.reason) + "]")
            << c.what;
    }
}

}  // namespace
