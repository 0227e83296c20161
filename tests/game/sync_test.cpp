// The background run of the sharing tool: started only when both switches
// are on, detached, and holding nothing of the door process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "game/game_log.h"
#include "game/interbbs.h"
#include "tests/support/child_process.h"
#include "tests/support/session_runner.h"

namespace {

// A tool that records how it was started, then lingers.
const char* const kRecordingTool =
    "#!/bin/sh\n"
    "{\n"
    "  echo \"args $*\"\n"
    "  echo \"fds $(ls /proc/$$/fd | sort -n | tr '\\n' ' ')\"\n"
    "  grep -E '^(SigBlk|SigIgn):' /proc/self/status\n"
    "  echo \"sid $(cut -d' ' -f6 /proc/$$/stat)\"\n"
    "  echo \"stdin $(readlink /proc/$$/fd/0)\"\n"
    "} > started.txt.part\n"
    "echo $$ > tool.pid\n"
    "mv started.txt.part started.txt\n"
    "exec sleep ${LINGER:-0}\n";

std::string read_file(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// A signal set of the tool's status lines ("SigBlk:\t<hex>").
unsigned long long signal_set(const std::string& record, const std::string& name)
{
    auto at = record.find(name + ":\t");
    if (at == std::string::npos)
        return ~0ULL;
    return std::stoull(record.substr(at + name.size() + 2, 16), nullptr, 16);
}

bool wait_for_file(const std::string& path, int timeout_ms)
{
    for (int waited = 0; waited < timeout_ms; waited += 20) {
        if (access(path.c_str(), F_OK) == 0)
            return true;
        usleep(20000);
    }
    return false;
}

struct SyncDir {
    grimbo_test::TempDir dir;

    explicit SyncDir(bool credential)
    {
        EXPECT_TRUE(dir.write("GRIMBO-CONFIG", kRecordingTool));
        chmod(dir.file("GRIMBO-CONFIG").c_str(), 0755);
        if (credential) {
            mkdir(dir.file("hub").c_str(), 0755);
            EXPECT_TRUE(dir.write("hub/sync.json", "{}"));
        }
    }
};

// Calls interbbs_sync_background in a child placed in the directory, held
// as a door process may be: SIGHUP blocked (a BBS may start it so), SIGPIPE
// ignored, and the caller's connection on descriptor 7. Reports how long the call took (ms).
std::string start_sync(const SyncDir& sync, int enabled, const char* linger = "0")
{
    grimbo_test::ChildResult result = grimbo_test::run_in_child([&]() {
        if (chdir(sync.dir.path().c_str()) != 0)
            return 1;
        game_log_open(sync.dir.path().c_str());
        setenv("LINGER", linger, 1);
        sigset_t hup;
        sigemptyset(&hup);
        sigaddset(&hup, SIGHUP);
        sigprocmask(SIG_BLOCK, &hup, nullptr);
        signal(SIGPIPE, SIG_IGN);
        int connection[2];
        if (pipe(connection) != 0 || dup2(connection[0], 7) != 7)
            return 1;
        interbbs_enabled = enabled;
        timespec start{}, end{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        interbbs_sync_background();
        clock_gettime(CLOCK_MONOTONIC, &end);
        long ms = (end.tv_sec - start.tv_sec) * 1000 + (end.tv_nsec - start.tv_nsec) / 1000000;
        std::printf("%ld", ms);
        return 0;
    });
    EXPECT_EQ(result.status, 0) << result.err;
    return result.out;
}

TEST(SharingRun, StartsDetachedWithCleanDescriptorsAndSignals)
{
    SyncDir sync(true);
    std::string outcome = start_sync(sync, 1);
    ASSERT_TRUE(wait_for_file(sync.dir.file("started.txt"), 5000)) << outcome;
    std::string record = read_file(sync.dir.file("started.txt"));
    EXPECT_NE(record.find("args --sync\n"), std::string::npos) << record;
    // The caller's connection (descriptor 7 in the door) is not inherited.
    std::string fds = record.substr(record.find("fds "));
    fds = " " + fds.substr(4, fds.find('\n') - 4);
    EXPECT_EQ(fds.find(" 7 "), std::string::npos) << fds;
    // Signals 32 and 33 belong to the C library's threads; a program can
    // neither block nor ignore them on its own behalf, whatever it inherits.
    constexpr unsigned long long kLibrarySignals = 0x180000000ULL;
    EXPECT_EQ(signal_set(record, "SigBlk") & ~kLibrarySignals, 0u) << record;
    EXPECT_EQ(signal_set(record, "SigIgn") & ~kLibrarySignals, 0u) << record;
    EXPECT_NE(record.find("stdin /dev/null"), std::string::npos) << record;
    std::string sid = record.substr(record.find("sid ") + 4);
    EXPECT_NE(std::stoi(sid), getsid(0)) << record;
}

TEST(SharingRun, DoorDoesNotWaitForALingeringTool)
{
    SyncDir sync(true);
    std::string outcome = start_sync(sync, 1, "30");
    long ms = std::stol(outcome);
    EXPECT_LT(ms, 1000) << outcome;
    ASSERT_TRUE(wait_for_file(sync.dir.file("started.txt"), 5000));
    // The tool still runs; end it here.
    pid_t tool = static_cast<pid_t>(std::stol(read_file(sync.dir.file("tool.pid"))));
    EXPECT_EQ(kill(tool, SIGTERM), 0);
}

// With sharing on, a tool that cannot run is the sysop's to mend: the
// game's log says so, and nothing when it started.
TEST(SharingRun, AToolThatCannotStartIsNotedInTheLog)
{
    struct Case {
        const char* what;
        const char* tool;  // nullptr: none there
        mode_t mode;
        const char* line;  // nullptr: no line
    };
    const Case cases[] = {
        {"started", kRecordingTool, 0755, nullptr},
        {"missing", nullptr, 0, "sharing tool did not start: ./GRIMBO-CONFIG: No such file or directory"},
        {"not executable", kRecordingTool, 0644,
         "sharing tool did not start: ./GRIMBO-CONFIG: permission denied"},
        {"not a program", "\x7f" "ELF broken", 0755,
         "sharing tool did not start: ./GRIMBO-CONFIG: Exec format error"},
    };
    for (const Case& c : cases) {
        SyncDir sync(true);
        unlink(sync.dir.file("GRIMBO-CONFIG").c_str());
        if (c.tool != nullptr) {
            ASSERT_TRUE(sync.dir.write("GRIMBO-CONFIG", c.tool));
            chmod(sync.dir.file("GRIMBO-CONFIG").c_str(), c.mode);
        }
        start_sync(sync, 1);
        std::string log = read_file(sync.dir.file(GAME_LOG_NAME));
        if (c.line == nullptr) {
            EXPECT_EQ(log, "") << c.what;
            continue;
        }
        const std::string tail = std::string(" ") + c.line + "\n";
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << c.what << ": " << log;
        EXPECT_GE(log.size(), tail.size()) << c.what;
        if (log.size() >= tail.size()) {
            EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << c.what;
        }
    }
}

TEST(SharingRun, NothingStartsWithoutBothSwitches)
{
    SyncDir no_credential(false);
    start_sync(no_credential, 1);
    SyncDir switched_off(true);
    start_sync(switched_off, 0);
    usleep(300000);
    EXPECT_NE(access(no_credential.dir.file("started.txt").c_str(), F_OK), 0);
    EXPECT_NE(access(switched_off.dir.file("started.txt").c_str(), F_OK), 0);
}

}  // namespace
