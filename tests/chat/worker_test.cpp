// The chat worker against a fake hub (the exchange seam records every call
// and answers as the test says) and against the test HTTPS hub on
// 127.0.0.1. Each case runs in a forked child, the worker being
// process-wide.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "chat/chat.h"
#include "chat/protocol.h"
#include "chat/request.h"
#include "chat/room.h"
#include "chat/hub_urls.h"
#include "chat/worker.h"
#include "tests/chat/chat_state.h"
#include "tests/support/child_process.h"
#include "tests/support/session_runner.h"
#include "tests/support/test_hub.h"

namespace {

using namespace std::chrono_literals;
using grimbo_test::run_in_child;
using Clock = std::chrono::steady_clock;

struct hub_call {
    std::string op;
    int in_chat;
    std::string text;
};

std::mutex calls_guard;
std::vector<hub_call> calls;
std::atomic<int> hub_answers{1};
std::atomic<int> hub_hang_ms{0};

int fake_exchange(const char* op, int where, const vexa::outbound_message* message)
{
    if (int hang = hub_hang_ms.exchange(0); hang > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(hang));
    {
        std::lock_guard<std::mutex> lock(calls_guard);
        calls.push_back({op, where, message ? message->text : ""});
    }
    const int ok = hub_answers.load();
    if (!ok)
        vexa::note_request_failure("Could not connect to server");
    if (ok && std::strcmp(op, "leave") != 0) {
        std::lock_guard<std::mutex> lock(vexa::guard);
        vexa::online = 1;
        ++vexa::generation;
    }
    return ok;
}

// Waits up to `limit` for a call matching `op`/`where` at or after index
// `from`; its index or -1.
int wait_for_call(const char* op, int where, std::size_t from, std::chrono::milliseconds limit)
{
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        {
            std::lock_guard<std::mutex> lock(calls_guard);
            for (std::size_t i = from; i < calls.size(); ++i)
                if (calls[i].op == op && (where < 0 || calls[i].in_chat == where))
                    return static_cast<int>(i);
        }
        std::this_thread::sleep_for(10ms);
    }
    return -1;
}

std::size_t call_count()
{
    std::lock_guard<std::mutex> lock(calls_guard);
    return calls.size();
}

void set_in_chat(int value)
{
    std::lock_guard<std::mutex> lock(vexa::guard);
    vexa::in_chat = value;
}

int queued_now()
{
    std::lock_guard<std::mutex> lock(vexa::guard);
    return vexa::queued;
}

vexa::outbound_message message_of(const char* text)
{
    vexa::outbound_message message{};
    std::snprintf(message.text, sizeof message.text, "%s", text);
    std::snprintf(message.event, sizeof message.event, "%032d", 7);
    return message;
}

// Fails the child with a line on standard error.
#define CHILD_CHECK(condition)                                              \
    do {                                                                    \
        if (!(condition)) {                                                 \
            std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition); \
            return 1;                                                       \
        }                                                                   \
    } while (0)

void expect_child_ok(const grimbo_test::ChildResult& result)
{
    ASSERT_TRUE(result.exited) << "child did not finish: " << result.err;
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(ChatQueue, EightMessagesWaitAndTheNinthIsRefusedWithANotice)
{
    expect_child_ok(run_in_child([] {
        fresh_chat_state();
        vexa::display_width = 79;
        for (int i = 0; i < vexa::queue_slots; ++i)
            CHILD_CHECK(vexa::queue_text("hello") == 1);
        CHILD_CHECK(vexa::queue_text("one too many") == 0);
        std::lock_guard<std::mutex> lock(vexa::guard);
        CHILD_CHECK(vexa::queued == vexa::queue_slots);
        CHILD_CHECK(std::strlen(vexa::queue[0].event) == 32);
        CHILD_CHECK(std::strcmp(vexa::queue[0].event, vexa::queue[1].event) != 0);
        CHILD_CHECK(vexa::line_count == 1);
        CHILD_CHECK(std::strcmp(vexa::lines[0], vexa::queue_full_notice) == 0);
        return 0;
    }));
}

TEST(ChatWorker, PollsAtOnceAndAgainWhenTheCallerEntersTheRoom)
{
    expect_child_ok(run_in_child([] {
        fresh_chat_state();
        vexa::worker_exchange = fake_exchange;
        CHILD_CHECK(vexa::worker_start() == 1);
        CHILD_CHECK(vexa_chat_enabled() == 1);
        CHILD_CHECK(wait_for_call("poll", 0, 0, 500ms) == 0);
        const std::size_t before = call_count();
        set_in_chat(1);
        CHILD_CHECK(wait_for_call("poll", 1, before, 500ms) >= 0);
        set_in_chat(0);
        CHILD_CHECK(wait_for_call("poll", 0, before, 500ms) >= 0);
        // While playing, the next poll is about ten seconds away.
        const std::size_t settled = call_count();
        std::this_thread::sleep_for(1s);
        CHILD_CHECK(call_count() == settled);
        vexa_chat_stop();
        CHILD_CHECK(vexa_chat_enabled() == 0);
        CHILD_CHECK(wait_for_call("leave", 0, settled, 500ms) >= 0);
        return 0;
    }));
}

TEST(ChatWorker, DeliversQueuedMessagesInOrderAndRetriesAFailedOne)
{
    expect_child_ok(run_in_child([] {
        fresh_chat_state();
        vexa::worker_exchange = fake_exchange;
        set_in_chat(1);
        hub_answers = 0;  // the hub is down
        vexa::enqueue_message(message_of("first"));
        vexa::enqueue_message(message_of("second"));
        CHILD_CHECK(vexa::worker_start() == 1);
        const int failed = wait_for_call("message", 1, 0, 500ms);
        CHILD_CHECK(failed == 0);
        {
            std::lock_guard<std::mutex> lock(vexa::guard);
            CHILD_CHECK(vexa::online == 0);
            CHILD_CHECK(vexa::queued == 2);
        }
        hub_answers = 1;
        // Retried about two seconds later, then the second two more on.
        const int retried = wait_for_call("message", 1, 1, 2600ms);
        CHILD_CHECK(retried == 1);
        const int next = wait_for_call("message", 1, 2, 2600ms);
        CHILD_CHECK(next == 2);
        {
            std::lock_guard<std::mutex> lock(calls_guard);
            CHILD_CHECK(calls[0].text == "first" && calls[1].text == "first");
            CHILD_CHECK(calls[2].text == "second");
        }
        const auto until = Clock::now() + 500ms;
        while (queued_now() != 0 && Clock::now() < until)
            std::this_thread::sleep_for(10ms);
        CHILD_CHECK(queued_now() == 0);
        std::lock_guard<std::mutex> lock(vexa::guard);
        CHILD_CHECK(vexa::online == 1);
        return 0;
    }));
}

std::mutex log_guard;
std::vector<std::string> log_lines;

void record_log_line(const char* text)
{
    std::lock_guard<std::mutex> lock(log_guard);
    log_lines.push_back(text);
}

// The game's log hears of the hub's first failure and of its recovery, not
// of every poll that fails in between.
TEST(ChatWorker, TheLogHearsTheFirstFailureAndTheRecoveryOnly)
{
    expect_child_ok(run_in_child([] {
        fresh_chat_state();
        vexa::worker_exchange = fake_exchange;
        vexa_chat_log_to(record_log_line);
        std::snprintf(vexa::url, sizeof vexa::url, "%s", "https://chat.example");
        hub_answers = 0;
        CHILD_CHECK(vexa::worker_start() == 1);
        // Each move in or out of the room polls at once.
        std::size_t seen = 0;
        for (int move = 1; move <= 4; ++move) {
            const int at = wait_for_call("poll", -1, seen, 1000ms);
            CHILD_CHECK(at >= 0);
            seen = static_cast<std::size_t>(at) + 1;
            if (move == 4)
                hub_answers = 1;
            set_in_chat(move % 2);
        }
        const int answered = wait_for_call("poll", -1, seen, 1000ms);
        CHILD_CHECK(answered >= 0);
        hub_answers = 0;
        set_in_chat(1);
        CHILD_CHECK(wait_for_call("poll", 1, static_cast<std::size_t>(answered) + 1, 1000ms) >= 0);
        vexa_chat_stop();
        std::lock_guard<std::mutex> lock(log_guard);
        for (const std::string& line : log_lines)
            std::fprintf(stderr, "%s\n", line.c_str());
        CHILD_CHECK(log_lines.size() == 3);
        CHILD_CHECK(log_lines[0] ==
                    "chat hub https://chat.example not answering: Could not connect to server");
        CHILD_CHECK(log_lines[1] == "chat hub answering again after 4 failed exchanges");
        CHILD_CHECK(log_lines[2] == log_lines[0]);
        return 0;
    }));
}

TEST(ChatWorker, StopWaitsForTheGoodbyeBeforeItReturns)
{
    expect_child_ok(run_in_child([] {
        fresh_chat_state();
        vexa::worker_exchange = fake_exchange;
        CHILD_CHECK(vexa::worker_start() == 1);
        CHILD_CHECK(wait_for_call("poll", 0, 0, 500ms) == 0);
        hub_hang_ms = 300;  // the goodbye takes a while
        const auto asked = Clock::now();
        vexa_chat_stop();
        CHILD_CHECK(Clock::now() - asked >= 300ms);
        CHILD_CHECK(call_count() == 2);
        {
            std::lock_guard<std::mutex> lock(calls_guard);
            CHILD_CHECK(calls[1].op == "leave");
        }
        CHILD_CHECK(vexa_chat_enabled() == 0);
        CHILD_CHECK(vexa::chat_link == nullptr);  // joined, its connection freed
        return 0;
    }));
}

TEST(ChatWorker, AWorkerThatCannotBeCutShortHoldsTheStopNoLongerThanItsLimit)
{
    expect_child_ok(run_in_child([] {
        fresh_chat_state();
        vexa::worker_exchange = fake_exchange;
        hub_hang_ms = 3000;
        CHILD_CHECK(vexa::worker_start() == 1);
        std::this_thread::sleep_for(100ms);  // the first poll is now hanging
        const auto asked = Clock::now();
        vexa_chat_stop();
        const auto held = Clock::now() - asked;
        CHILD_CHECK(held >= vexa::stop_wait_limit - 50ms);
        CHILD_CHECK(held < vexa::stop_wait_limit + 300ms);
        CHILD_CHECK(vexa_chat_enabled() == 0);
        CHILD_CHECK(vexa::worker_start() == 0);  // no restart
        CHILD_CHECK(vexa::chat_link != nullptr);  // still the worker's, never freed
        // Left to itself, the worker still ends with its goodbye.
        CHILD_CHECK(wait_for_call("poll", -1, 0, 3500ms) == 0);
        CHILD_CHECK(wait_for_call("leave", 0, 1, 500ms) == 1);
        return 0;
    }));
}

// In a child the hub's records are out of sight (they live in the parent):
// a successful exchange shows as a new generation.
bool wait_for_generation(int at_least, std::chrono::milliseconds limit = 5s)
{
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        {
            std::lock_guard<std::mutex> lock(vexa::guard);
            if (vexa::generation >= at_least)
                return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

// The client as the game starts it, against the test hub, from a game
// directory whose "chat.json" names `file_url`.
class RealHub : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(hub.ready());
        hub.require_secret(kSecret);
    }
    void write_settings(const std::string& file_url) const
    {
        ASSERT_TRUE(dir.write("chat.json", "{\"enabled\":true,\"bbs\":\"grim\",\"secret\":\"" +
                                               kSecret + "\",\"url\":\"" + file_url + "\"}\n"));
    }
    // Runs `body` in a child once the hub is quiet (see TestHub::settle).
    void in_child(const std::function<int()>& body)
    {
        hub.settle();
        expect_child_ok(run_in_child(body));
    }
    // In the child: the client started from the game directory.
    int start_client(const char* hub_override) const
    {
        if (chdir(dir.path().c_str()) != 0)
            return 0;
        setenv("CURL_CA_BUNDLE", hub.ca_file().c_str(), 1);
        if (hub_override != nullptr)
            setenv(vexa::chat_hub_variable, hub_override, 1);
        else
            unsetenv(vexa::chat_hub_variable);
        fresh_chat_state();
        vexa::worker_exchange = vexa::exchange;
        vexa_chat_start("|04Ann", "caller-7", "grimbo");
        return vexa_chat_enabled();
    }
    const std::string kSecret = std::string(40, 'k');
    grimbo_test::TestHub hub;
    grimbo_test::TempDir dir;
};

TEST_F(RealHub, PollsShareOneConnectionAndStopSaysGoodbyeOnIt)
{
    write_settings(hub.url());
    in_child([&] {
        CHILD_CHECK(start_client(nullptr) == 1);
        CHILD_CHECK(wait_for_generation(1));
        set_in_chat(1);
        CHILD_CHECK(wait_for_generation(2));
        set_in_chat(0);
        CHILD_CHECK(wait_for_generation(3));
        const auto asked = Clock::now();
        vexa_chat_stop();
        CHILD_CHECK(Clock::now() - asked < vexa::stop_wait_limit);
        CHILD_CHECK(vexa::chat_link == nullptr);
        std::lock_guard<std::mutex> lock(vexa::guard);
        CHILD_CHECK(vexa::online == 1);
        CHILD_CHECK(vexa::players == 1);
        return 0;
    });
    const auto leaves = hub.chat_ops("leave");
    ASSERT_EQ(leaves.size(), 1u);
    EXPECT_EQ(leaves[0].field("player"), "Ann");
    EXPECT_EQ(leaves[0].field("location"), "playing");
    EXPECT_EQ(leaves[0].field("seq"), "4");
    EXPECT_EQ(hub.chat_ops("poll").size(), 3u);
    EXPECT_EQ(hub.connections(), 1);
    EXPECT_EQ(hub.handshakes(), 1);
    for (const auto& got : hub.requests())
        EXPECT_EQ(got.connection, 1);
}

TEST_F(RealHub, AStalledHubHoldsTheStopNoLongerThanItsLimitAndTheGoodbyeIsStillSent)
{
    write_settings(hub.url());
    hub.stall();
    in_child([&] {
        CHILD_CHECK(start_client(nullptr) == 1);
        std::this_thread::sleep_for(300ms);  // the first poll is in flight, never answered
        const auto asked = Clock::now();
        vexa_chat_stop();
        CHILD_CHECK(Clock::now() - asked < vexa::stop_wait_limit + 100ms);
        CHILD_CHECK(vexa::chat_link == nullptr);  // the worker had ended
        return 0;
    });
    EXPECT_EQ(hub.chat_ops("leave").size(), 1u);
}

TEST_F(RealHub, TheHubAddressFromTheEnvironmentBeatsChatJson)
{
    struct Case {
        const char* what;
        std::string file_url;
        std::string override_url;  // empty: none
        int enabled;
    } cases[] = {
        {"environment over file", "https://chat.invalid", hub.url(), 1},
        {"file alone", hub.url(), "", 1},
        {"plain http in the environment", hub.url(), "http://127.0.0.1:9", 0},
    };
    for (const Case& c : cases) {
        write_settings(c.file_url);
        const std::size_t before = hub.chat_ops("poll").size();
        in_child([&] {
            CHILD_CHECK(start_client(c.override_url.empty() ? nullptr : c.override_url.c_str()) ==
                        c.enabled);
            if (c.enabled)
                CHILD_CHECK(wait_for_generation(1));
            vexa_chat_stop();
            return 0;
        });
        EXPECT_EQ(hub.chat_ops("poll").size(), before + (c.enabled ? 1u : 0u)) << c.what;
    }
}

}  // namespace
