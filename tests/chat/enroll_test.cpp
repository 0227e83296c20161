// The system operator's chat tool, run in a forked child inside a game
// directory of its own, its answers fed through a pipe and the score hub's
// enrollment service played by a test HTTPS hub the tool is pointed at.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "chat/chat.h"
#include "chat/hub_urls.h"
#include "tests/support/child_process.h"
#include "tests/support/session_runner.h"
#include "tests/support/test_hub.h"

namespace {

using grimbo_test::ChildResult;
using grimbo_test::TempDir;

const std::string kSecret(40, 'k');
const std::string kHub = vexa::chat_hub_url;
const char* const kEnrollPath = "/v1/enroll/auto";
const char* const kBoardName = "|09Grim|12 Hollow`\x01 BBS";
const char* const kTitle = "\nVexa shared lobby setup (independent of score sharing)\n";
const char* const kDisabled = "Shared live chat disabled; hidden from the menu.\n";
const char* const kEnabled = "Shared live chat enabled. Existing scores and profiles preserved.\n";
const char* const kCredentialPrompt =
    "Existing Hub credential file (or NONE for a new BBS) [hub/sync.json]: ";
const char* const kEnrollFailed =
    "Enrollment failed. If this BBS is already registered, reuse its original Hub credential "
    "file; no settings changed.\n";

std::string settings(const char* enabled, const std::string& bbs, const std::string& secret,
                     const std::string& url = kHub, const std::string& kept = "")
{
    return std::string("{\"enabled\":") + enabled + ",\"bbs\":\"" + bbs + "\",\"secret\":\"" +
           secret + "\",\"url\":\"" + url + "\"" + kept + "}\n";
}

class GameDirectory {
public:
    GameDirectory()
    {
        mkdir(dir_.file("hub").c_str(), 0755);
    }
    // The enrollment service answers with `text`; without it, 404.
    void enrollment_reply(const std::string& text) const
    {
        hub_.answer(kEnrollPath, {200, text, true});
    }
    // The requests the hub had.
    std::vector<grimbo_test::HubRequest> asked() const { return hub_.requests(); }
    std::string enrollment_body() const
    {
        auto got = hub_.requests();
        return got.empty() ? "" : got.back().body;
    }
    std::string hub_url() const { return hub_.url(); }
    void write(const std::string& name, const std::string& text) const
    {
        std::ofstream(dir_.file(name), std::ios::binary) << text;
    }
    std::string read(const std::string& name) const
    {
        std::ifstream in(dir_.file(name), std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    bool exists(const std::string& name) const
    {
        struct stat info;
        return lstat(dir_.file(name).c_str(), &info) == 0;
    }
    void make_directory(const std::string& name) const { mkdir(dir_.file(name).c_str(), 0755); }
    unsigned permissions(const std::string& name) const
    {
        struct stat info{};
        stat(dir_.file(name).c_str(), &info);
        return info.st_mode & 0777;
    }
    bool temporary_left() const
    {
        std::string command = "ls -a '" + dir_.path() + "' | grep -q 'chat.json.tmp'";
        return std::system(command.c_str()) == 0;
    }

    // The tool with `input` as its standard input; `file_limit` caps every
    // file it writes, the way a full disk would.
    ChildResult run(int mode, const std::string& input, const char* board = kBoardName,
                    long file_limit = -1, bool point_at_hub = true) const
    {
        hub_.settle();
        std::string dir = dir_.path();
        const std::string ca = hub_.ca_file();
        const std::string enroll = hub_.url() + kEnrollPath;
        return grimbo_test::run_in_child([&] {
            if (chdir(dir.c_str()) != 0)
                return 99;
            setenv("CURL_CA_BUNDLE", ca.c_str(), 1);
            if (point_at_hub)
                setenv(vexa::enroll_url_variable, enroll.c_str(), 1);
            else
                unsetenv(vexa::enroll_url_variable);
            int fds[2];
            if (pipe(fds) != 0 ||
                ::write(fds[1], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
                return 98;
            close(fds[1]);
            dup2(fds[0], 0);
            close(fds[0]);
            if (file_limit >= 0) {
                std::signal(SIGXFSZ, SIG_IGN);
                rlimit limit{static_cast<rlim_t>(file_limit), static_cast<rlim_t>(file_limit)};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            return vexa_chat_config(board, "grimbo", mode);
        });
    }

private:
    TempDir dir_;
    // The enrollment service; tests change its answers on a const directory.
    mutable grimbo_test::TestHub hub_;
};

TEST(ChatTool, DisablingANewBoardWritesAnOwnerOnlyFileWithTheDerivedNameAndNoBackup)
{
    for (bool empty_file : {false, true}) {
        GameDirectory game;
        if (empty_file)
            game.write("chat.json", "");
        ChildResult result = game.run(0, "");
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, kDisabled);
        EXPECT_EQ(game.read("chat.json"), settings("false", "Grim Hollow BBS", ""));
        EXPECT_EQ(game.permissions("chat.json"), 0600u);
        EXPECT_FALSE(game.exists("chat.json.previous.1"));
        EXPECT_FALSE(game.temporary_left());
        EXPECT_TRUE(game.asked().empty());
    }
}

TEST(ChatTool, EverySaveKeepsThePreviousFileAsTheNextFreeBackupAndOtherMembersByteForByte)
{
    GameDirectory game;
    const std::string kept = ",\"theme\" : {\"a\":[1, 2]},\"z\":\"q\\\"x\"";
    const std::string original = "{\"enabled\":true,\"theme\" : {\"a\":[1, 2]},\"bbs\":\"Crypt\","
                                 "\"secret\":\"" + kSecret + "\",\"url\":\"https://h.example\","
                                 "\"z\":\"q\\\"x\"}  \n";
    game.write("chat.json", original);
    game.write("chat.json.previous.1", "older");

    ChildResult off = game.run(0, "");
    EXPECT_EQ(off.status, 0);
    EXPECT_EQ(off.out, kDisabled);
    const std::string disabled = settings("false", "Crypt", kSecret, "https://h.example", kept);
    EXPECT_EQ(game.read("chat.json"), disabled);
    EXPECT_EQ(game.read("chat.json.previous.1"), "older");
    EXPECT_EQ(game.read("chat.json.previous.2"), original);

    ChildResult on = game.run(1, "");
    EXPECT_EQ(on.status, 0);
    EXPECT_EQ(on.out, kEnabled);
    EXPECT_EQ(game.read("chat.json"), settings("true", "Crypt", kSecret, "https://h.example", kept));
    EXPECT_EQ(game.read("chat.json.previous.3"), disabled);
    EXPECT_TRUE(game.asked().empty());
    EXPECT_FALSE(game.temporary_left());
}

TEST(ChatTool, DamagedSettingsFileStopsEveryModeAndStaysAsItWas)
{
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"an array", "[1,2]", "Invalid chat.json; preserved unchanged.\n"},
        {"trailing text", "{\"enabled\":true} x", "Invalid chat.json; preserved unchanged.\n"},
        {"blanks only", " \n", "Invalid chat.json; preserved unchanged.\n"},
        {"a NUL byte", std::string("{\"a\":1}\0 ", 9), "Invalid chat.json; preserved unchanged.\n"},
        {"too large", "{\"a\":\"" + std::string(16380, 'x') + "\"}",
         "Cannot read existing chat.json; preserved unchanged.\n"},
        {"a directory", "", "Cannot read existing chat.json; preserved unchanged.\n"},
    };
    for (const Case& c : cases) {
        for (int mode : {-1, 0, 1}) {
            GameDirectory game;
            if (c.what == std::string("a directory"))
                game.make_directory("chat.json");
            else
                game.write("chat.json", c.text);
            ChildResult result = game.run(mode, "y\n");
            EXPECT_EQ(result.status, 1) << c.what << " mode " << mode;
            EXPECT_EQ(result.out, c.message) << c.what << " mode " << mode;
            if (c.what != std::string("a directory")) {
                EXPECT_EQ(game.read("chat.json"), c.text) << c.what;
            }
            EXPECT_FALSE(game.exists("chat.json.previous.1")) << c.what;
        }
    }
}

TEST(ChatTool, TheQuestionTakesOnlyYOrNAndOffersTheCurrentSwitchAsDefault)
{
    struct Case {
        const char* enabled;  // the old file's "enabled", or null for no file
        std::string input;
        const char* offered;
        int status;
        const char* outcome;
    };
    const Case cases[] = {
        {nullptr, "yes\n", "N", 1, "Enter Y or N.\n"},
        {nullptr, "\n", "N", 0, kDisabled},
        {"true", "", "Y", 0, kEnabled},
        {"2", "\r\n", "Y", 0, kEnabled},
        {"\"true\"", "n\r\n", "Y", 0, kDisabled},
        {"\"yes\"", "Y\n", "N", 0, kEnabled},
        {"0", "y\n", "N", 0, kEnabled},
        // Too long for the answer: the default stands.
        {"true", std::string(16, 'n') + "\n", "Y", 0, kEnabled},
    };
    for (const Case& c : cases) {
        GameDirectory game;
        std::string before;
        if (c.enabled != nullptr) {
            before = std::string("{\"enabled\":") + c.enabled + ",\"secret\":\"" + kSecret + "\"}";
            game.write("chat.json", before);
        }
        ChildResult result = game.run(-1, c.input);
        std::string question = std::string("Enable shared live chat? Y/N [") + c.offered + "]: ";
        EXPECT_EQ(result.out, kTitle + question + c.outcome) << c.input;
        EXPECT_EQ(result.status, c.status) << c.input;
        if (c.status != 0) {
            EXPECT_FALSE(game.exists("chat.json")) << c.input;
        }
    }
}

TEST(ChatTool, EnablingRefusesAShortSecretOrAPlainHttpHubAndChangesNothing)
{
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"{\"secret\":\"" + std::string(31, 's') + "\"}",
         "Invalid Hub credential; no settings changed.\n"},
        {"{\"secret\":\"" + kSecret + "\",\"url\":\"http://chat.example\"}",
         "Chat requires HTTPS.\n"},
    };
    for (const Case& c : cases) {
        GameDirectory game;
        game.write("chat.json", c.text);
        ChildResult result = game.run(1, "");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, c.message);
        EXPECT_EQ(game.read("chat.json"), c.text);
        EXPECT_FALSE(game.exists("chat.json.previous.1"));
    }
}

TEST(ChatTool, EnablingTakesTheScoreNetworksCredentialOrOneTheOperatorNames)
{
    const std::string credential =
        "{\"bbs\":\"hub-7\",\"secret\":\"" + kSecret + "\",\"tool\":\"own\"}";
    {
        GameDirectory game;
        game.write("hub/sync.json", credential);
        ChildResult result = game.run(1, "");
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, kEnabled);
        EXPECT_EQ(game.read("chat.json"), settings("true", "hub-7", kSecret));
    }
    {
        GameDirectory game;
        game.write("elsewhere.json", credential);
        ChildResult result = game.run(1, "elsewhere.json\n");
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, std::string(kCredentialPrompt) + kEnabled);
        EXPECT_EQ(game.read("chat.json"), settings("true", "hub-7", kSecret));
        EXPECT_TRUE(game.asked().empty());
    }
}

TEST(ChatTool, ANewBoardEnrollsWithTheScoreHubUnderTheNameTheOperatorConfirms)
{
    GameDirectory game;
    game.enrollment_reply("{\"bbs\":\"ignored\",\"secret\":\"" + kSecret + "\"}");
    ChildResult result = game.run(1, "NONE\nGrim \"Hollow\"\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, std::string(kCredentialPrompt) +
                              "BBS enrollment name [Grim Hollow BBS]: " + kEnabled);
    ASSERT_EQ(game.asked().size(), 1u);
    EXPECT_EQ(game.asked()[0].path, kEnrollPath);
    EXPECT_EQ(game.asked()[0].headers["content-type"], "application/json");
    EXPECT_EQ(game.asked()[0].headers["x-vexa-signature"], "");
    EXPECT_EQ(game.enrollment_body(), "{\"bbs\":\"Grim \\\"Hollow\\\"\",\"game\":\"grimbo\"}");
    EXPECT_EQ(game.read("chat.json"), settings("true", "Grim \\\"Hollow\\\"", kSecret));
    // The tool keeps no credential file of its own.
    EXPECT_FALSE(game.exists("hub/sync.json"));
}

TEST(ChatTool, TheEnrollmentServiceFromTheEnvironmentBeatsTheOneInChatJson)
{
    const std::string secret_reply = "{\"secret\":\"" + kSecret + "\"}";
    grimbo_test::TestHub elsewhere;
    ASSERT_TRUE(elsewhere.ready());
    for (bool from_environment : {true, false}) {
        GameDirectory game;
        game.enrollment_reply(secret_reply);
        const std::string named =
            from_environment ? elsewhere.url() + kEnrollPath : game.hub_url() + kEnrollPath;
        const std::string kept = ",\"enroll_url\":\"" + named + "\"";
        game.write("chat.json", "{\"enabled\":false" + kept + "}");
        ChildResult result = game.run(1, "NONE\nCrypt\n", kBoardName, -1, from_environment);
        EXPECT_EQ(result.status, 0) << result.out;
        ASSERT_EQ(game.asked().size(), 1u) << from_environment;
        EXPECT_EQ(game.asked()[0].path, kEnrollPath);
        // The member is the board's own: every save keeps it.
        EXPECT_EQ(game.read("chat.json"), settings("true", "Crypt", kSecret, kHub, kept));
    }
    EXPECT_EQ(elsewhere.connections(), 0);
}

TEST(ChatTool, AnOverlongAnswerKeepsTheDefaultAndItsRestIsNotTheNextAnswer)
{
    GameDirectory game;
    game.enrollment_reply("{\"secret\":\"" + kSecret + "\"}");
    ChildResult result = game.run(1, std::string(1500, 'p') + "\nCrypt\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(game.enrollment_body(), "{\"bbs\":\"Crypt\",\"game\":\"grimbo\"}");
}

TEST(ChatTool, RefusedNamesAndFailedEnrollmentsLeaveNoSettings)
{
    struct Case {
        const char* what;
        std::string input;
        const char* reply;  // null: the hub fails
        const char* board;
        const char* message;
        bool asked_hub;
    };
    const Case cases[] = {
        {"backquote", "none\nGrim`BBS\n", nullptr, kBoardName, "Invalid BBS name.\n", false},
        {"control byte", "none\nGrim\x7f" "BBS\n", nullptr, kBoardName, "Invalid BBS name.\n", false},
        {"high byte", "none\nGr\xc3\xa9m\n", nullptr, kBoardName, "Invalid BBS name.\n", false},
        {"no name at all", "none\n\n", nullptr, "|07\x01", "Invalid BBS name.\n", false},
        {"hub fails", "none\nGrim\n", nullptr, kBoardName, kEnrollFailed, true},
        {"short secret", "none\nGrim\n", "{\"secret\":\"0123456789012345678901234567890\"}",
         kBoardName, kEnrollFailed, true},
        {"reply not an object", "none\nGrim\n", "[\"0123456789012345678901234567890123\"]",
         kBoardName, kEnrollFailed, true},
        {"reply without secret", "none\nGrim\n", "{\"token\":\"0123456789012345678901234567890123\"}",
         kBoardName, kEnrollFailed, true},
    };
    for (const Case& c : cases) {
        GameDirectory game;
        if (c.reply != nullptr)
            game.enrollment_reply(c.reply);
        ChildResult result = game.run(1, c.input, c.board);
        EXPECT_EQ(result.status, 1) << c.what;
        EXPECT_TRUE(result.out.size() >= std::string(c.message).size() &&
                    result.out.ends_with(c.message))
            << c.what << ": " << result.out;
        EXPECT_FALSE(game.exists("chat.json")) << c.what;
        EXPECT_EQ(!game.asked().empty(), c.asked_hub) << c.what;
    }
}

TEST(ChatTool, AFullDiskLeavesTheOldFileWholeAndNoTemporary)
{
    GameDirectory game;
    const std::string original = "{\"enabled\":true,\"secret\":\"" + kSecret + "\"}";
    game.write("chat.json", original);
    ChildResult result = game.run(0, "", kBoardName, 16);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Cannot safely save chat settings.\n");
    EXPECT_EQ(game.read("chat.json"), original);
    EXPECT_FALSE(game.temporary_left());
}

}  // namespace
