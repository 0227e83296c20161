// The local telnet bench end to end: callers over TCP to grimbo-telnetd,
// which hands each one's socket to the real game the way a socket-handing
// BBS does; and the mistakes a sysop can make starting it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/e2e/game_door.h"
#include "tests/e2e/telnet_bench.h"
#include "tests/support/session_runner.h"

using namespace telnet_e2e;
using game_e2e::GameDir;
using grimbo_test::TempDir;

namespace {

// A bench serving `game`, its node directories in `nodes`.
std::vector<std::string> bench_options(const GameDir& game, const TempDir& nodes,
                                       std::vector<std::string> more = {})
{
    std::vector<std::string> options = {"--game", game.path(), "--nodes-dir", nodes.path()};
    options.insert(options.end(), more.begin(), more.end());
    return options;
}

bool offered(const Caller& caller, std::uint8_t option)
{
    for (const auto& command : caller.commands())
        if (command[0] == kWill && command[1] == option)
            return true;
    return false;
}

TEST(TelnetBench, ACallerLogsInPlaysToTheLobbyAndQuitsWithStatusZero)
{
    GameDir game;
    TempDir nodes;
    Bench bench;
    ASSERT_TRUE(bench.start(bench_options(game, nodes))) << bench.complaints();

    Caller caller;
    ASSERT_TRUE(caller.connect(bench.port()));
    ASSERT_TRUE(caller.wait_for("Your name:")) << caller.screen.text();
    // The door negotiates nothing: the bench, as a BBS, takes over echo and
    // switches the client to character at a time.
    EXPECT_TRUE(offered(caller, kOptionEcho));
    EXPECT_TRUE(offered(caller, kOptionSga));
    EXPECT_TRUE(caller.screen.contains("node 1"));

    // The client's answers, a mistyped letter rubbed out, Enter as CR NUL.
    caller.send(kClientAgrees);
    caller.type("Jane Doex\x7f");
    EXPECT_TRUE(caller.screen.contains("Your name: Jane Doe"));
    EXPECT_FALSE(caller.screen.contains("Doex"));
    // Typed ahead with the Enter: the "n" is the door's, not the prompt's,
    // and answers the music question.
    caller.send(std::string(kEnter) + "n");
    ASSERT_TRUE(caller.wait_for("INTO YOUR HANDLE:")) << caller.screen.text();

    const auto lines = door32_lines(nodes.file("node1/DOOR32.SYS"));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "2");  // telnet
    EXPECT_GE(std::stoi(lines[1]), 3);  // the socket, clear of the standard streams
    EXPECT_EQ(lines[5], "Jane Doe");
    EXPECT_EQ(lines[6], "Jane Doe");
    EXPECT_EQ(lines[8], "60");
    EXPECT_EQ(lines[10], "1");  // node

    ASSERT_TRUE(new_survivor_to_lobby(caller)) << caller.screen.text();

    caller.send("q");
    ASSERT_TRUE(caller.wait_closed());
    EXPECT_NE(caller.received().find("the door ended with status 0"), std::string::npos);
    EXPECT_TRUE(bench.console_shows("node 1: Jane Doe: the door ended with status 0"))
        << bench.console();
    // A DOOR32.SYS caller is known by record number and name.
    EXPECT_EQ(game.profiles(), std::vector<std::string>{game_e2e::profile_for("1:Jane Doe")});
    EXPECT_EQ(bench.stop(), 0);
}

TEST(TelnetBench, TwoCallersAtOnceGetTheirOwnNodesAndStoppingTheBenchEndsBothDoors)
{
    GameDir game;
    TempDir nodes;
    Bench bench;
    ASSERT_TRUE(bench.start(bench_options(game, nodes))) << bench.complaints();

    Caller ann;
    Caller bob;
    ASSERT_TRUE(ann.connect(bench.port()));
    ASSERT_TRUE(ann.wait_for("Your name:"));
    ASSERT_TRUE(bob.connect(bench.port()));
    ASSERT_TRUE(bob.wait_for("Your name:"));
    EXPECT_TRUE(ann.screen.contains("node 1"));
    EXPECT_TRUE(bob.screen.contains("node 2"));
    ann.send("Ann");
    ann.send(kEnter);
    bob.send("Bob");
    bob.send(kEnter);
    ASSERT_TRUE(ann.wait_for("[Y] ENABLE SOUND")) << ann.screen.text();
    ASSERT_TRUE(bob.wait_for("[Y] ENABLE SOUND")) << bob.screen.text();

    const auto first = door32_lines(nodes.file("node1/DOOR32.SYS"));
    const auto second = door32_lines(nodes.file("node2/DOOR32.SYS"));
    ASSERT_EQ(first.size(), 11u);
    ASSERT_EQ(second.size(), 11u);
    EXPECT_EQ(first[5], "Ann");
    EXPECT_EQ(first[10], "1");
    EXPECT_EQ(second[5], "Bob");
    EXPECT_EQ(second[10], "2");

    // Each plays on its own connection.
    ann.type("n");
    EXPECT_TRUE(ann.wait_for("INTO YOUR HANDLE:"));
    bob.settle(200);
    EXPECT_FALSE(bob.screen.contains("INTO YOUR HANDLE:"));

    // Stopped as Ctrl-C stops it: each door gets its orderly end.
    EXPECT_EQ(bench.stop(), 0);
    EXPECT_TRUE(ann.wait_closed());
    EXPECT_TRUE(bob.wait_closed());
    EXPECT_NE(bench.console().find("node 1: Ann: the door ended with status 1"),
              std::string::npos)
        << bench.console();
    EXPECT_NE(bench.console().find("node 2: Bob: the door ended with status 1"),
              std::string::npos);
    EXPECT_NE(bench.console().find("grimbo-telnetd: stopped"), std::string::npos);
}

// One node, a short prompt: a caller who hangs up at the prompt, and one
// who types nothing, leave the node free for the next.
TEST(TelnetBench, ACallerWhoLeavesTheLoginPromptNeverHoldsTheNode)
{
    GameDir game;
    TempDir nodes;
    Bench bench;
    ASSERT_TRUE(bench.start(bench_options(game, nodes, {"--nodes", "1", "--login-timeout", "2"})));

    Caller first;
    ASSERT_TRUE(first.connect(bench.port()));
    ASSERT_TRUE(first.wait_for("Your name:"));
    Caller busy;
    ASSERT_TRUE(busy.connect(bench.port()));
    EXPECT_TRUE(busy.wait_closed());
    EXPECT_NE(busy.received().find("All 1 nodes are busy"), std::string::npos)
        << busy.received();
    EXPECT_TRUE(bench.console_shows("turned away"));

    first.type("Ja");
    first.hang_up();
    ASSERT_TRUE(bench.console_shows("node 1: the caller hung up at the login prompt"))
        << bench.console();

    // The node is free again once the bench has seen its caller go.
    auto next_on_node_one = [&]() -> std::unique_ptr<Caller> {
        for (int attempt = 0; attempt < 20; ++attempt) {
            auto caller = std::make_unique<Caller>();
            if (!caller->connect(bench.port()))
                return nullptr;
            if (caller->wait_for("Your name:", 2000))
                return caller->screen.contains("node 1") ? std::move(caller) : nullptr;
            caller->hang_up();
            usleep(100000);
        }
        return nullptr;
    };
    auto silent = next_on_node_one();
    ASSERT_TRUE(silent) << bench.console();
    EXPECT_TRUE(silent->wait_closed(6000));
    EXPECT_NE(silent->received().find("No name given in time."), std::string::npos);
    EXPECT_TRUE(bench.console_shows("node 1: no name typed within 2 s; hung up"));

    auto last = next_on_node_one();
    ASSERT_TRUE(last) << bench.console();
    EXPECT_EQ(bench.stop(), 0);
}

// --user names every caller; options after "--" go to the door. A caller
// on a UTF-8 terminal sees the pictures; hanging up ends the door with 1.
TEST(TelnetBench, NamedCallerOnAUtf8TerminalHangsUpAndTheDoorEndsWithStatusOne)
{
    GameDir game;
    TempDir nodes;
    Bench bench;
    ASSERT_TRUE(bench.start(
        bench_options(game, nodes, {"--user", "Sam Spade", "--time", "30", "--", "-CP437UTF8"})));

    Caller caller(false);
    ASSERT_TRUE(caller.connect(bench.port()));
    ASSERT_TRUE(caller.wait_for("[Y] ENABLE SOUND")) << caller.screen.text();
    EXPECT_FALSE(caller.screen.contains("Your name:"));
    // The header's shading, drawn in code page 437, arrives as UTF-8.
    EXPECT_TRUE(caller.screen.contains("\u2591\u2592\u2593\u2588")) << caller.screen.text();
    EXPECT_TRUE(bench.console_shows("-CP437UTF8"));

    const auto lines = door32_lines(nodes.file("node1/DOOR32.SYS"));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[5], "Sam Spade");
    EXPECT_EQ(lines[8], "30");

    caller.hang_up();
    EXPECT_TRUE(bench.console_shows("node 1: Sam Spade: the door ended with status 1"))
        << bench.console();
}

// The game directory lost its door after the bench started: the caller is
// told, the console says why, and the node is not held.
TEST(TelnetBench, ADoorThatCannotStartIsReportedToTheCallerAndTheConsole)
{
    GameDir game;
    TempDir nodes;
    Bench bench;
    ASSERT_TRUE(bench.start(bench_options(game, nodes, {"--user", "Sam"})));
    ASSERT_EQ(unlink(game.binary().c_str()), 0);

    Caller caller;
    ASSERT_TRUE(caller.connect(bench.port()));
    ASSERT_TRUE(caller.wait_closed());
    EXPECT_NE(caller.received().find("the door ended with status 127: the door program could "
                                     "not be started"),
              std::string::npos)
        << caller.received();
    EXPECT_TRUE(bench.console_shows("node 1: door says: cannot start " + game.binary() +
                                    ": No such file or directory"))
        << bench.console();
    EXPECT_TRUE(bench.console_shows("node 1: Sam: the door ended with status 127"));
}

struct Refusal {
    const char* name;
    std::vector<std::string> (*options)(const GameDir& game, int busy_port);
    int status;
    std::string (*says)(const GameDir& game, int busy_port);
};

void PrintTo(const Refusal& r, std::ostream* os)
{
    *os << r.name;
}

const Refusal kRefusals[] = {
    {"PortInUse",
     [](const GameDir& game, int busy) {
         return std::vector<std::string>{"--game", game.path(), "--port", std::to_string(busy)};
     },
     1,
     [](const GameDir&, int busy) {
         return "cannot listen on 127.0.0.1 port " + std::to_string(busy) +
                ": Address already in use";
     }},
    {"MissingGameDirectory",
     [](const GameDir& game, int) {
         return std::vector<std::string>{"--game", game.file("nowhere")};
     },
     1,
     [](const GameDir& game, int) {
         return "game directory " + game.file("nowhere") + ": No such file or directory";
     }},
    {"GameDirectoryWithoutTheDoor",
     [](const GameDir& game, int) {
         return std::vector<std::string>{"--game", game.file("data")};
     },
     1,
     [](const GameDir& game, int) {
         return "no door program at " + game.file("data") + "/grimbo";
     }},
    {"NotANumericAddress",
     [](const GameDir& game, int) {
         return std::vector<std::string>{"--game", game.path(), "--address", "localhost"};
     },
     1, [](const GameDir&, int) { return std::string("\"localhost\" is not a numeric address"); }},
    {"PortOutOfRange",
     [](const GameDir& game, int) {
         return std::vector<std::string>{"--game", game.path(), "--port", "70000"};
     },
     2,
     [](const GameDir&, int) {
         return std::string("--port wants a whole number from 0 to 65535, not \"70000\"");
     }},
    {"DoorOptionWithoutTheSeparator",
     [](const GameDir& game, int) {
         return std::vector<std::string>{"--game", game.path(), "-CP437UTF8"};
     },
     2, [](const GameDir&, int) { return std::string("unknown option -C"); }},
};

class BenchRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(BenchRefusal, EndsAtOnceWithAClearMessage)
{
    const Refusal& r = GetParam();
    GameDir game;
    ASSERT_TRUE(game.write("data/keep", ""));
    // A port another program already listens on.
    int holder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(holder, 1), 0);
    ASSERT_EQ(getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const int busy = ntohs(address.sin_port);

    Bench bench;
    EXPECT_EQ(bench.run_to_end(r.options(game, busy)), r.status);
    EXPECT_NE(bench.complaints().find(r.says(game, busy)), std::string::npos)
        << bench.complaints();
    EXPECT_EQ(bench.console().find("listening"), std::string::npos);
    close(holder);
}

INSTANTIATE_TEST_SUITE_P(Mistakes, BenchRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
