#include "chat/request.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "tests/chat/fake_curl.h"

namespace {

const char* const hub = "https://hub.invalid/v1/chat";

bool gone(const std::string& path) { return ::access(path.c_str(), F_OK) != 0; }

void expect_temp_files_removed(const FakeCurl& curl) {
    auto files = curl.temp_files();
    ASSERT_EQ(files.size(), 3u);
    const char* prefixes[] = {"/tmp/vexa-chat-in-", "/tmp/vexa-chat-out-", "/tmp/vexa-chat-error-"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(files[i].rfind(prefixes[i], 0), 0u) << files[i];
        EXPECT_EQ(files[i].size(), std::string(prefixes[i]).size() + 6) << files[i];
        EXPECT_TRUE(gone(files[i])) << files[i];
    }
}

TEST(Request, PostsTheBodyWithTheFixedArgumentsAndReturnsTheReply) {
    FakeCurl curl;
    curl.reply("{\"ok\":true}");
    char reply[64];
    ASSERT_EQ(vexa::request(hub, "{\"op\":\"poll\"}", "abc123", reply, sizeof reply), 1);
    EXPECT_STREQ(reply, "{\"ok\":true}");
    EXPECT_EQ(curl.body(), "{\"op\":\"poll\"}");

    auto files = curl.temp_files();
    ASSERT_EQ(files.size(), 3u);
    std::vector<std::string> expected = {
        "-q", "--fail", "--silent", "--max-time", "4", "--connect-timeout", "2",
        "--max-filesize", "32768", "--proto", "=https", "--output", files[1],
        "--header", "Content-Type: application/json", "--header", "X-Vexa-Signature: abc123",
        "--data-binary", "@" + files[0], hub,
    };
    EXPECT_EQ(curl.arguments(), expected);
    expect_temp_files_removed(curl);
}

TEST(Request, WithoutASignatureTheHeaderIsEmpty) {
    FakeCurl curl;
    curl.reply("{}");
    char reply[8];
    ASSERT_EQ(vexa::request(hub, "{}", nullptr, reply, sizeof reply), 1);
    auto arguments = curl.arguments();
    ASSERT_EQ(arguments.size(), 20u);
    EXPECT_EQ(arguments[16], "X-Vexa-Signature: ");
}

TEST(Request, ReplyMustFitTheBufferWhole) {
    struct Case {
        std::size_t reply_length;
        int result;
    } cases[] = {{0, 1}, {15, 1}, {16, 0}, {40, 0}};
    for (const Case& c : cases) {
        FakeCurl curl;
        std::string text(c.reply_length, 'r');
        curl.reply(text);
        char reply[16];
        EXPECT_EQ(vexa::request(hub, "{}", "s", reply, sizeof reply), c.result) << c.reply_length;
        if (c.result == 1) {
            EXPECT_EQ(std::string(reply), text);
        }
        expect_temp_files_removed(curl);
    }
}

TEST(Request, ANonZeroCurlStatusFailsAndCleansUp) {
    for (int status : {6, 7, 22, 28, 63}) {
        FakeCurl curl;
        curl.reply("{\"error\":1}");
        curl.exit_status(status);
        char reply[64];
        EXPECT_EQ(vexa::request(hub, "{}", "s", reply, sizeof reply), 0) << status;
        expect_temp_files_removed(curl);
    }
}

TEST(Request, NoCurlOnTheSearchPathFails) {
    FakeCurl curl;  // restores the search path afterwards
    ::setenv("PATH", "/nonexistent-vexa-dir", 1);
    char reply[64];
    EXPECT_EQ(vexa::request(hub, "{}", "s", reply, sizeof reply), 0);
}

TEST(Request, AUrlThatLooksLikeAnOptionIsNeverPassedToCurl) {
    FakeCurl curl;
    char reply[64];
    EXPECT_EQ(vexa::request("--config=/etc/passwd", "{}", "s", reply, sizeof reply), 0);
    EXPECT_TRUE(curl.arguments().empty());
}

TEST(Request, AHungCurlIsKilledAtTheTimeLimit) {
    FakeCurl curl;
    curl.hang();
    int saved = vexa::request_time_limit_ms;
    vexa::request_time_limit_ms = 300;
    auto began = std::chrono::steady_clock::now();
    char reply[64];
    EXPECT_EQ(vexa::request(hub, "{}", "s", reply, sizeof reply), 0);
    vexa::request_time_limit_ms = saved;
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
    expect_temp_files_removed(curl);
}

// The door blocks SIGHUP and ignores SIGPIPE; curl must start with neither.
TEST(Request, CurlStartsWithDefaultSignalsAndNothingBlocked) {
    sigset_t hup, saved_mask;
    sigemptyset(&hup);
    sigaddset(&hup, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &hup, &saved_mask);
    struct sigaction ignore = {}, saved_pipe = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &saved_pipe);

    FakeCurl curl;
    curl.reply("{}");
    char reply[8];
    int result = vexa::request(hub, "{}", "s", reply, sizeof reply);
    pthread_sigmask(SIG_SETMASK, &saved_mask, nullptr);
    sigaction(SIGPIPE, &saved_pipe, nullptr);

    ASSERT_EQ(result, 1);
    std::string state = curl.signal_state();
    auto mask = [&](const char* name) {
        auto at = state.find(name);
        return at == std::string::npos ? ~0ull : std::strtoull(state.c_str() + at + 7, nullptr, 16);
    };
    EXPECT_EQ(mask("SigBlk:"), 0ull) << state;
    EXPECT_EQ(mask("SigIgn:") & ((1ull << (SIGHUP - 1)) | (1ull << (SIGPIPE - 1))), 0ull) << state;
}

}  // namespace
