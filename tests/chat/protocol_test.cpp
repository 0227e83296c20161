#include "chat/protocol.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

#include "chat/request.h"
#include "chat/sha256.h"
#include "tests/support/test_hub.h"

namespace {

const char* const secret_text = "0123456789abcdef0123456789abcdef-board";

class Exchange : public ::testing::Test {
protected:
    void SetUp() override {
        std::strcpy(vexa::bbs, "Dusk BBS");
        std::strcpy(vexa::secret, secret_text);
        ASSERT_TRUE(hub.ready());
        setenv("CURL_CA_BUNDLE", hub.ca_file().c_str(), 1);
        std::strcpy(vexa::url, hub.url().c_str());
        std::strcpy(vexa::session, "00112233445566778899aabbccddeeff");
        std::strcpy(vexa::game_id, "grimbo");
        std::strcpy(vexa::caller_hash, std::string(64, 'c').c_str());
        std::strcpy(vexa::handle, "Ann");
        vexa::display_width = 79;
        vexa::sequence = 0;
        vexa::cursor = 0;
        vexa::online = vexa::players = vexa::bbses = vexa::chatting = vexa::generation = 0;
        vexa::line_count = 0;
    }
    void TearDown() override { unsetenv("CURL_CA_BUNDLE"); }
    std::string line(int i) const { return vexa::lines[i]; }
    // The hub answers every exchange with `text`.
    void reply(const std::string& text, int status = 200) { hub.answer("/v1/chat", {status, text, true}); }
    grimbo_test::HubRequest last() const { return hub.requests().back(); }
    grimbo_test::TestHub hub;
};

TEST_F(Exchange, FirstPollSendsTheSignedBodyAndTakesTheReply) {
    reply("{\"players\":5,\"bbses\":2,\"chatting\":1,\"cursor\":77,\"motd\":\"x\","
               "\"lines\":[\"<Bo@Moor> hello\",\"tab\\there\"]}");
    ASSERT_EQ(vexa::exchange("poll", 0, nullptr), 1);

    std::string body = last().body;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(
        body, match,
        std::regex("\\{\"bbs\":\"Dusk BBS\",\"game\":\"grimbo\",\"session\":"
                   "\"00112233445566778899aabbccddeeff\",\"op\":\"poll\",\"seq\":1,"
                   "\"timestamp\":([0-9]+),\"player\":\"Ann\",\"caller\":\"c{64}\","
                   "\"location\":\"playing\",\"cursor\":0\\}")))
        << body;
    EXPECT_NEAR(std::stoll(match[1]), static_cast<long long>(std::time(nullptr)), 5);

    char signature[vexa::sha_hex_size];
    vexa::hmac_sha256_hex(secret_text, std::strlen(secret_text), body.data(), body.size(),
                          signature);
    EXPECT_EQ(last().headers["x-vexa-signature"], signature);
    EXPECT_EQ(last().path, "/v1/chat");

    EXPECT_EQ(vexa::online, 1);
    EXPECT_EQ(vexa::players, 5);
    EXPECT_EQ(vexa::bbses, 2);
    EXPECT_EQ(vexa::chatting, 1);
    EXPECT_EQ(vexa::cursor, 77);
    ASSERT_EQ(vexa::line_count, 2);
    EXPECT_EQ(line(0), "<Bo@Moor> hello");
    EXPECT_EQ(line(1), "tabhere");  // control bytes never reach the screen

    // The next request carries the cursor the hub gave and the next number.
    ASSERT_EQ(vexa::exchange("poll", 1, nullptr), 1);
    EXPECT_NE(last().body.find("\"seq\":2,"), std::string::npos);
    EXPECT_NE(last().body.find("\"location\":\"chat\",\"cursor\":77}"), std::string::npos);
}

TEST_F(Exchange, AMessageAddsItsEventAndEscapedText) {
    reply("{}");
    vexa::outbound_message message = {};
    std::strcpy(message.text, "say \"hi\" \\o/");
    std::strcpy(message.event, std::string(32, 'e').c_str());
    std::strcpy(vexa::handle, "A\"nn");
    ASSERT_EQ(vexa::exchange("message", 1, &message), 1);
    std::string body = last().body;
    EXPECT_NE(body.find("\"player\":\"A\\\"nn\""), std::string::npos) << body;
    std::string tail = ",\"event\":\"" + std::string(32, 'e') +
                       "\",\"text\":\"say \\\"hi\\\" \\\\o/\"}";
    ASSERT_GE(body.size(), tail.size());
    EXPECT_EQ(body.substr(body.size() - tail.size()), tail);
}

TEST_F(Exchange, TextsBreakingTheStringRuleFailBeforeAnythingIsSent) {
    struct Case {
        const char* field;
        std::string value;
    } cases[] = {
        {"handle", "Ann`"},
        {"handle", "Ann\x7f"},
        {"handle", "Ann\xc3\xa9"},
        {"handle", std::string(20, '"')},  // 40 escaped characters fit in 79
        {"bbs", "Dusk\tBBS"},
        {"text", "line\nbreak"},
        {"text", std::string(160, '\\')},  // 320 escaped: fits in 329
        {"text", "back`quote"},
    };
    bool sent[] = {false, false, false, true, false, false, true, false};
    int i = 0;
    for (const Case& c : cases) {
        SetUp();
        reply("{}");
        const std::size_t before = hub.requests().size();
        vexa::outbound_message message = {};
        std::strcpy(message.event, "e");
        if (std::strcmp(c.field, "handle") == 0) std::strcpy(vexa::handle, c.value.c_str());
        if (std::strcmp(c.field, "bbs") == 0) std::strcpy(vexa::bbs, c.value.c_str());
        if (std::strcmp(c.field, "text") == 0) std::strcpy(message.text, c.value.c_str());
        EXPECT_EQ(vexa::exchange("message", 0, &message), sent[i] ? 1 : 0) << i;
        EXPECT_EQ(hub.requests().size() - before, sent[i] ? 1u : 0u) << i;
        EXPECT_EQ(vexa::sequence, 1u);
        ++i;
    }
}

TEST_F(Exchange, TheHubChecksTheSignatureAgainstTheBoardsSecret) {
    struct Case {
        std::string hub_secret;
        int result;
    } cases[] = {{secret_text, 1}, {std::string(secret_text) + "x", 0}};
    for (const Case& c : cases) {
        hub.require_secret(c.hub_secret);
        EXPECT_EQ(vexa::exchange("poll", 0, nullptr), c.result) << c.hub_secret;
        EXPECT_EQ(vexa::online, c.result) << c.hub_secret;
        SetUp();
    }
}

TEST_F(Exchange, TheWorkersLinkCarriesEveryExchangeOverOneConnection) {
    reply("{\"players\":2}");
    vexa::hub_link link;
    vexa::chat_link = &link;
    for (const char* op : {"poll", "poll", "message", "leave"}) {
        vexa::outbound_message message = {};
        std::strcpy(message.text, "hi");
        std::strcpy(message.event, std::string(32, 'e').c_str());
        EXPECT_EQ(vexa::exchange(op, 0, std::strcmp(op, "message") == 0 ? &message : nullptr), 1)
            << op;
    }
    vexa::chat_link = nullptr;
    EXPECT_EQ(hub.connections(), 1);
    EXPECT_EQ(hub.requests().size(), 4u);
}

TEST(JsonEscape, LimitsCountEscapedCharacters) {
    char out[16];
    EXPECT_EQ(vexa::json_escape("a\"b", 4, out, sizeof out), 1);
    EXPECT_STREQ(out, "a\\\"b");
    EXPECT_EQ(vexa::json_escape("a\"b", 3, out, sizeof out), 0);
    EXPECT_EQ(vexa::json_escape("", 0, out, sizeof out), 1);
    EXPECT_EQ(vexa::json_escape("0123456789abcdef", 40, out, sizeof out), 0);  // buffer
}

TEST_F(Exchange, RepliesThatAreNotOneObjectFail) {
    for (const char* text : {"[1,2]", "{} {}", "{\"a\":1} x", "", "{\"players\":3"}) {
        this->reply(text);
        vexa::cursor = 9;
        EXPECT_EQ(vexa::exchange("poll", 0, nullptr), 0) << text;
        EXPECT_EQ(vexa::online, 0);
        EXPECT_EQ(vexa::cursor, 9);
        EXPECT_EQ(vexa::generation, 0);
    }
}

TEST_F(Exchange, AnEmptyObjectResetsCountersAndCursor) {
    vexa::players = 4;
    vexa::cursor = 12;
    reply(" {} \n");
    ASSERT_EQ(vexa::exchange("poll", 0, nullptr), 1);
    EXPECT_EQ(vexa::players, 0);
    EXPECT_EQ(vexa::cursor, 0);
    EXPECT_EQ(vexa::online, 1);
    EXPECT_EQ(vexa::generation, 1);
}

TEST_F(Exchange, UndecodableLinesAreDroppedOneByOne) {
    reply("{\"cursor\":3,\"lines\":[\"first\",\"" + std::string(500, 'x') +
               "\",\"bad \\u00e9\",\"" + std::string(383, 'y') + "\",\"last\"]}");
    ASSERT_EQ(vexa::exchange("poll", 0, nullptr), 1);
    ASSERT_EQ(vexa::line_count, 2 + 5);  // 383 characters make five pieces
    EXPECT_EQ(line(0), "first");
    EXPECT_EQ(line(1), std::string(79, 'y'));
    EXPECT_EQ(line(5), std::string(383 - 4 * 79, 'y'));
    EXPECT_EQ(line(6), "last");
}

TEST_F(Exchange, LeaveSucceedsWithoutTouchingTheLobbyState) {
    reply("{\"players\":9,\"lines\":[\"x\"]}");
    ASSERT_EQ(vexa::exchange("leave", 0, nullptr), 1);
    EXPECT_NE(last().body.find("\"op\":\"leave\""), std::string::npos);
    EXPECT_EQ(vexa::players, 0);
    EXPECT_EQ(vexa::line_count, 0);
    EXPECT_EQ(vexa::generation, 0);
}

TEST_F(Exchange, AFailedRequestFailsTheExchange) {
    reply("{}", 500);
    EXPECT_EQ(vexa::exchange("poll", 0, nullptr), 0);
    EXPECT_EQ(vexa::sequence, 1u);
    EXPECT_EQ(vexa::online, 0);
}

TEST_F(Exchange, LongLinesAreCutAtTheDisplayWidthAndTheRingKeepsSixteen) {
    for (int i = 0; i < 16; ++i) vexa::add_line(("old " + std::to_string(i)).c_str());
    int generation = vexa::generation;
    vexa::add_line((std::string(100, 'a') + std::string(100, 'b')).c_str());
    EXPECT_EQ(vexa::generation, generation + 1);
    ASSERT_EQ(vexa::line_count, 16);
    EXPECT_EQ(line(0), "old 3");
    EXPECT_EQ(line(13), std::string(79, 'a'));
    EXPECT_EQ(line(14), std::string(21, 'a') + std::string(58, 'b'));
    EXPECT_EQ(line(15), std::string(42, 'b'));

    SetUp();
    vexa::add_line("\x1b[2J`\x7f");
    ASSERT_EQ(vexa::line_count, 1);
    EXPECT_EQ(line(0), "[2J");
    vexa::add_line("");
    ASSERT_EQ(vexa::line_count, 2);
    EXPECT_EQ(line(1), "");
}

}  // namespace
