// Score sharing: the sibling tool starts once when the caller enters and
// once when the caller leaves, detached, and never holds the caller.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/game_door.h"

using namespace game_e2e;

namespace {

// Records each start (its arguments and session) in sync.log and its
// process id in sync.pids, then lingers for LINGER seconds.
const char* const kTool =
    "#!/bin/sh\n"
    "echo $$ >> sync.pids\n"
    "echo \"$* sid=$(cut -d' ' -f6 /proc/$$/stat)\" >> sync.log\n"
    "exec sleep %s\n";

void install_sharing(const GameDir& dir, bool credential, const std::string& linger)
{
    char tool[256];
    std::snprintf(tool, sizeof tool, kTool, linger.c_str());
    ASSERT_TRUE(dir.write("grimbo.json",
                          "{\n  \"score_sharing\": { \"enabled\": true },\n"
                          "  \"bbs_name\": \"Test Board\"\n}\n"));
    ASSERT_TRUE(dir.write("GRIMBO-CONFIG", tool));
    ASSERT_EQ(chmod(dir.file("GRIMBO-CONFIG").c_str(), 0755), 0);
    if (credential) {
        ASSERT_TRUE(dir.write("hub/sync.json", "{\"bbs\":\"b\",\"secret\":\"s\"}"));
    }
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

bool wait_for_lines(const GameDir& dir, const char* name, std::size_t count, int timeout_ms)
{
    for (int waited = 0; waited < timeout_ms; waited += 20) {
        if (lines(dir.read(name)).size() >= count)
            return true;
        usleep(20000);
    }
    return false;
}

// Ends the lingering tools this test started.
void stop_tools(const GameDir& dir)
{
    for (const std::string& pid : lines(dir.read("sync.pids")))
        if (!pid.empty())
            kill(static_cast<pid_t>(std::stol(pid)), SIGTERM);
}

TEST(GameSharing, ToolStartsOnceOnEntryAndOnceOnLeavingDetached)
{
    GameDir dir;
    install_sharing(dir, true, "0");
    auto call = call_game(dir, caller_options("Jack"), "2026-03-15 12:00:00");
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    ASSERT_TRUE(wait_for_lines(dir, "sync.log", 1, 3000));
    EXPECT_EQ(lines(dir.read("sync.log")).size(), 1u);
    // The board name from the same settings file is in the title band.
    EXPECT_NE(call->screen.row_text(2).find("Test Board"), std::string::npos);
    call->door.send("q");
    ASSERT_EQ(call->door.wait_exit(), 0);
    ASSERT_TRUE(wait_for_lines(dir, "sync.log", 2, 3000));
    usleep(200000);
    auto started = lines(dir.read("sync.log"));
    ASSERT_EQ(started.size(), 2u);
    for (const std::string& line : started) {
        EXPECT_EQ(line.rfind("--sync sid=", 0), 0u) << line;
        // In a session of its own, not the door's.
        EXPECT_NE(line, "--sync sid=" + std::to_string(getsid(0)));
    }
}

TEST(GameSharing, LingeringToolDelaysNobodyAndReleasesTheConnection)
{
    GameDir dir;
    install_sharing(dir, true, "300");
    auto t0 = std::chrono::steady_clock::now();
    // The caller's connection is a socket on a descriptor of its own, as a
    // BBS hands it over.
    auto call = call_game(dir, caller_options("Jack", true), "2026-03-15 12:00:00",
                          grimbo_test::Link::TcpSocket);
    ASSERT_TRUE(call);
    ASSERT_TRUE(call->wait_for("[N] SILENT", 3000));
    auto waited = std::chrono::steady_clock::now() - t0;
    EXPECT_LT(waited, std::chrono::seconds(3));
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    call->door.send("q");
    EXPECT_EQ(call->door.wait_exit(3000), 0);
    ASSERT_TRUE(wait_for_lines(dir, "sync.pids", 2, 3000));

    // Both tools still run, yet the caller's end sees the connection close.
    for (const std::string& pid : lines(dir.read("sync.pids")))
        EXPECT_EQ(kill(static_cast<pid_t>(std::stol(pid)), 0), 0) << pid;
    pollfd end{call->door.caller_fd(), POLLIN, 0};
    bool closed = false;
    for (int i = 0; i < 20 && !closed; ++i) {
        char buffer[4096];
        if (poll(&end, 1, 100) > 0)
            closed = read(call->door.caller_fd(), buffer, sizeof buffer) <= 0;
    }
    EXPECT_TRUE(closed) << "the connection is still held open";
    stop_tools(dir);
}

TEST(GameSharing, DroppedConnectionStillHandsTheScoresOver)
{
    GameDir dir;
    install_sharing(dir, true, "0");
    auto call = call_game(dir, caller_options("Jack"), "2026-03-15 12:00:00");
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    call->door.close_caller();
    ASSERT_TRUE(call->door.wait_exit(5000).has_value());
    EXPECT_TRUE(wait_for_lines(dir, "sync.log", 2, 3000));
    usleep(200000);
    EXPECT_EQ(lines(dir.read("sync.log")).size(), 2u);
}

TEST(GameSharing, NoCredentialFileMeansNoTool)
{
    GameDir dir;
    install_sharing(dir, false, "0");
    auto call = call_game(dir, caller_options("Jack"), "2026-03-15 12:00:00");
    ASSERT_TRUE(call);
    ASSERT_TRUE(reach_lobby_as_new_caller(*call));
    call->door.send("q");
    ASSERT_EQ(call->door.wait_exit(), 0);
    usleep(300000);
    EXPECT_FALSE(dir.exists("sync.log"));
}

}  // namespace
