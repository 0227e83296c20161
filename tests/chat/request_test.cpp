// Hub requests against a real HTTPS hub on 127.0.0.1 whose certificate the
// requests trust through CURL_CA_BUNDLE, as the curl tool would.
#include "chat/request.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <future>
#include <set>
#include <string>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/leftovers.h"
#include "tests/support/test_hub.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using grimbo_test::HubAnswer;
using grimbo_test::chat_temp_files;
using grimbo_test::children_of;
using grimbo_test::TestHub;
using vexa::request_kind;

class Request : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(hub.ready());
        setenv("CURL_CA_BUNDLE", hub.ca_file().c_str(), 1);
        chat = hub.url() + "/v1/chat";
    }
    void TearDown() override { unsetenv("CURL_CA_BUNDLE"); }
    int post(const char* signature, char* reply, std::size_t size, const char* body = "{}")
    {
        return vexa::request(chat.c_str(), body, signature, reply, size);
    }
    TestHub hub;
    std::string chat;
};

TEST_F(Request, PostsTheBodyAsItIsWithTheTwoHeadersAndReturnsTheReply)
{
    hub.answer("/v1/chat", {200, "{\"ok\":true}", true});
    const std::string body = "{\"op\":\"poll\",\"text\":\"a b\\\"c\"}";
    char reply[64];
    ASSERT_EQ(post("abc123", reply, sizeof reply, body.c_str()), 1);
    EXPECT_STREQ(reply, "{\"ok\":true}");

    auto got = hub.requests();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].method, "POST");
    EXPECT_EQ(got[0].path, "/v1/chat");
    EXPECT_EQ(got[0].body, body);
    EXPECT_EQ(got[0].headers["content-type"], "application/json");
    EXPECT_EQ(got[0].headers["x-vexa-signature"], "abc123");
    EXPECT_EQ(got[0].headers["content-length"], std::to_string(body.size()));
}

TEST_F(Request, WithoutASignatureTheHeaderIsSentWithAnEmptyValue)
{
    hub.answer("/v1/chat", {200, "{}", true});
    for (const char* signature : {static_cast<const char*>(nullptr), ""}) {
        char reply[8];
        ASSERT_EQ(post(signature, reply, sizeof reply), 1);
        const auto got = hub.requests().back();
        ASSERT_TRUE(got.has_header("x-vexa-signature"));
        EXPECT_EQ(got.headers.at("x-vexa-signature"), "");
    }
}

TEST_F(Request, TheReplyMustFitTheCallersBufferWhole)
{
    struct Case {
        std::size_t length;
        bool with_length;
        int result;
    } cases[] = {{0, true, 1}, {15, true, 1}, {16, true, 0}, {40, true, 0},
                 {15, false, 1}, {16, false, 0}};
    for (const Case& c : cases) {
        const std::string text(c.length, 'r');
        hub.answer("/v1/chat", {200, text, c.with_length});
        char reply[16];
        EXPECT_EQ(post("s", reply, sizeof reply), c.result) << c.length << " " << c.with_length;
        if (c.result == 1) {
            EXPECT_EQ(std::string(reply), text);
        }
    }
}

TEST_F(Request, RepliesOverThirtyTwoKilobytesAreRefusedWhateverTheBuffer)
{
    struct Case {
        std::size_t length;
        bool with_length;
        int result;
    } cases[] = {{32768, true, 1}, {32769, true, 0}, {32768, false, 1}, {32769, false, 0}};
    static char reply[100000];
    for (const Case& c : cases) {
        hub.answer("/v1/chat", {200, std::string(c.length, 'x'), c.with_length});
        EXPECT_EQ(post("s", reply, sizeof reply), c.result) << c.length << " " << c.with_length;
    }
}

TEST_F(Request, AnEndlessReplyIsCutOffWhileItArrives)
{
    const std::size_t huge = 64u << 20;
    hub.answer("/v1/chat", {200, std::string(huge, 'x'), false});
    static char reply[100000];
    EXPECT_EQ(post("s", reply, sizeof reply), 0);
    // Waits for the hub to notice the client has gone.
    const auto until = Clock::now() + 5s;
    while (hub.last_answer_bytes() == 0 && Clock::now() < until)
        std::this_thread::sleep_for(10ms);
    EXPECT_LT(hub.last_answer_bytes(), huge / 2);
}

TEST_F(Request, AnErrorOrRedirectStatusFailsAndIsNamedAsTheReason)
{
    for (int status : {301, 302, 401, 404, 500, 503}) {
        hub.answer("/v1/chat", {status, "{\"players\":1}", true});
        char reply[64];
        EXPECT_EQ(post("s", reply, sizeof reply), 0) << status;
        EXPECT_EQ(std::string(vexa::last_request_failure()), "HTTP " + std::to_string(status));
    }
}

// The reason the game's log gives when the hub is away.
TEST_F(Request, AFailedRequestLeavesItsReasonForTheLog)
{
    hub.answer("/v1/chat", {200, "{}", true});
    char reply[64];
    ASSERT_EQ(post("s", reply, sizeof reply), 1);
    TestHub stranger;
    ASSERT_TRUE(stranger.ready());
    const std::string untrusted = stranger.url() + "/v1/chat";
    EXPECT_EQ(vexa::request(untrusted.c_str(), "{}", "s", reply, sizeof reply), 0);
    const std::string certificate = vexa::last_request_failure();
    EXPECT_NE(certificate.find("certificate"), std::string::npos) << certificate;

    // Nothing listens on a port the hub just gave up.
    std::string closed;
    {
        TestHub gone;
        closed = gone.url() + "/v1/chat";
    }
    EXPECT_EQ(vexa::request(closed.c_str(), "{}", "s", reply, sizeof reply), 0);
    const std::string refused = vexa::last_request_failure();
    EXPECT_NE(refused.find("connect"), std::string::npos) << refused;
}

TEST_F(Request, OnlyHttpsAddressesAreEverContacted)
{
    const std::string port = hub.url().substr(hub.url().rfind(':') + 1);
    const std::string refused[] = {
        "http://127.0.0.1:" + port + "/v1/chat",
        "ftp://127.0.0.1:" + port + "/v1/chat",
        "telnet://127.0.0.1:" + port,
        "file:///etc/passwd",
        "--config=/etc/passwd",
        "",
    };
    for (const std::string& url : refused) {
        char reply[64];
        EXPECT_EQ(vexa::request(url.c_str(), "{}", "s", reply, sizeof reply), 0) << url;
    }
    EXPECT_EQ(hub.connections(), 0);
}

TEST_F(Request, AHubWhoseCertificateIsNotTrustedIsRefused)
{
    TestHub stranger;
    ASSERT_TRUE(stranger.ready());
    stranger.answer("/v1/chat", {200, "{}", true});
    char reply[64];
    const std::string url = stranger.url() + "/v1/chat";
    EXPECT_EQ(vexa::request(url.c_str(), "{}", "s", reply, sizeof reply), 0);
    EXPECT_TRUE(stranger.requests().empty());
    setenv("CURL_CA_BUNDLE", stranger.ca_file().c_str(), 1);
    EXPECT_EQ(vexa::request(url.c_str(), "{}", "s", reply, sizeof reply), 1);
}

TEST_F(Request, ALinkKeepsOneConnectionAcrossRequests)
{
    hub.answer("/v1/chat", {200, "{}", true});
    vexa::hub_link link;
    ASSERT_TRUE(link.ready());
    char reply[64];
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(link.post(request_kind::ordinary, chat.c_str(), "{}", "s", reply, sizeof reply), 1);
    ASSERT_EQ(link.post(request_kind::goodbye, chat.c_str(), "{}", "s", reply, sizeof reply), 1);
    EXPECT_EQ(hub.connections(), 1);
    EXPECT_EQ(hub.handshakes(), 1);
    for (const auto& got : hub.requests())
        EXPECT_EQ(got.connection, 1);

    // A request of its own opens and closes a connection each time.
    ASSERT_EQ(post("s", reply, sizeof reply), 1);
    ASSERT_EQ(post("s", reply, sizeof reply), 1);
    EXPECT_EQ(hub.connections(), 3);
}

TEST_F(Request, AStalledHubFailsTheRequestWithinItsTimeLimit)
{
    hub.stall();
    const auto began = Clock::now();
    char reply[64];
    EXPECT_EQ(post("s", reply, sizeof reply), 0);
    EXPECT_LT(Clock::now() - began, 6s);
    EXPECT_EQ(hub.requests().size(), 1u);
    EXPECT_NE(std::string(vexa::last_request_failure()).find("imeout"), std::string::npos)
        << vexa::last_request_failure();
}

TEST_F(Request, WindingDownCutsTheRequestInFlightAndLetsOnlyTheGoodbyeOutUntilTheDeadline)
{
    hub.stall();
    vexa::hub_link link;
    ASSERT_TRUE(link.ready());
    auto in_flight = std::async(std::launch::async, [&] {
        char reply[64];
        return link.post(request_kind::ordinary, chat.c_str(), "{\"op\":\"poll\"}", "s", reply,
                         sizeof reply);
    });
    ASSERT_TRUE(hub.wait_for_op("poll"));
    const auto asked = Clock::now();
    link.wind_down(asked + 700ms);
    ASSERT_EQ(in_flight.wait_for(1s), std::future_status::ready);
    EXPECT_EQ(in_flight.get(), 0);

    char reply[64];
    const int connections = hub.connections();
    EXPECT_EQ(link.post(request_kind::ordinary, chat.c_str(), "{}", "s", reply, sizeof reply), 0);
    EXPECT_EQ(hub.connections(), connections);  // refused without being sent

    EXPECT_EQ(link.post(request_kind::goodbye, chat.c_str(), "{\"op\":\"leave\"}", "s", reply,
                        sizeof reply),
              0);
    EXPECT_TRUE(hub.wait_for_op("leave", 1, 100));  // it went out, unanswered
    EXPECT_LT(Clock::now() - asked, 1500ms);
    // Past the deadline not even a goodbye is tried.
    std::this_thread::sleep_until(asked + 800ms);
    EXPECT_EQ(link.post(request_kind::goodbye, chat.c_str(), "{}", "s", reply, sizeof reply), 0);
    EXPECT_EQ(hub.chat_ops("leave").size(), 1u);
}

TEST_F(Request, AGoodbyeWhileWindingDownReachesAWorkingHub)
{
    hub.answer("/v1/chat", {200, "{\"bye\":1}", true});
    vexa::hub_link link;
    link.wind_down(Clock::now() + 1400ms);
    char reply[64];
    EXPECT_EQ(link.post(request_kind::goodbye, chat.c_str(), "{}", "s", reply, sizeof reply), 1);
    EXPECT_STREQ(reply, "{\"bye\":1}");
}

TEST_F(Request, AHubThatHangsUpMidRequestIsAFailedRequestNotABrokenPipe)
{
    hub.hang_up_on_requests();
    const std::string body = "{\"text\":\"" + std::string(8u << 20, 'x') + "\"}";
    const std::string url = chat;
    hub.settle();
    auto result = grimbo_test::run_in_child([&] {
        std::signal(SIGPIPE, SIG_DFL);  // as a door whose caller came by socket has it
        char reply[64];
        return vexa::request(url.c_str(), body.c_str(), "s", reply, sizeof reply) == 0 ? 0 : 1;
    });
    EXPECT_EQ(result.signal, 0);
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0);
}

TEST_F(Request, NoChildProcessAndNoTemporaryFileIsEverMade)
{
    const auto before = chat_temp_files();
    hub.stall();
    auto in_flight = std::async(std::launch::async, [&] {
        char reply[64];
        return post("s", reply, sizeof reply);
    });
    const auto until = Clock::now() + 3s;
    while (hub.requests().empty() && Clock::now() < until)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(hub.requests().size(), 1u);  // the request is in flight now
    EXPECT_EQ(children_of(getpid()), "");
    EXPECT_EQ(chat_temp_files(), before);
    EXPECT_EQ(in_flight.get(), 0);
    EXPECT_EQ(chat_temp_files(), before);
}

}  // namespace
