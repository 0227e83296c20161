// When "chat.json" lets the chat start, and how the caller's name becomes
// the chat handle.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "chat/client.h"
#include "chat/protocol.h"
#include "chat/settings.h"
#include "tests/support/session_runner.h"

namespace {

using grimbo_test::TempDir;

const std::string kSecret32(32, 's');

std::string settings_text(const std::string& enabled, const std::string& secret,
                          const std::string& url)
{
    return "{\"enabled\":" + enabled + ",\"bbs\":\"grim\",\"secret\":\"" + secret +
           "\",\"url\":\"" + url + "\",\"extra\":[1,2]}\n";
}

TEST(ChatSettings, OnlyAnEnabledBoardWithAFullSecretAndAnHttpsHubStartsTheChat)
{
    struct Case {
        const char* what;
        std::string text;
        int usable;
    };
    const Case cases[] = {
        {"json true", settings_text("true", kSecret32, "https://hub"), 1},
        {"string 1", settings_text("\"1\"", kSecret32, "https://hub"), 1},
        {"number 1", settings_text("1", kSecret32, "https://hub"), 1},
        {"false", settings_text("false", kSecret32, "https://hub"), 0},
        {"yes", settings_text("\"yes\"", kSecret32, "https://hub"), 0},
        {"31-char secret", settings_text("true", std::string(31, 's'), "https://hub"), 0},
        {"257-char secret", settings_text("true", std::string(257, 's'), "https://hub"), 0},
        {"plain http", settings_text("true", kSecret32, "http://hub"), 0},
        {"no url", "{\"enabled\":true,\"bbs\":\"grim\",\"secret\":\"" + kSecret32 + "\"}", 0},
        {"65-char bbs",
         "{\"enabled\":true,\"bbs\":\"" + std::string(65, 'b') + "\",\"secret\":\"" + kSecret32 +
             "\",\"url\":\"https://hub\"}",
         0},
        {"array", "[" + settings_text("true", kSecret32, "https://hub") + "]", 0},
        {"trailing junk", settings_text("true", kSecret32, "https://hub") + "x", 0},
        {"too large", settings_text("true", kSecret32, "https://hub") + std::string(16383, ' '), 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
        ASSERT_TRUE(dir.write("chat.json", c.text));
        vexa::chat_settings settings;
        const int usable = vexa::chat_settings_read(dir.file("chat.json").c_str(), settings) ==
                               vexa::chat_settings_ok &&
                           vexa::chat_settings_usable(settings);
        EXPECT_EQ(usable, c.usable) << c.what;
    }
    vexa::chat_settings settings;
    EXPECT_EQ(vexa::chat_settings_read(dir.file("none.json").c_str(), settings),
              vexa::chat_settings_missing);
}

TEST(ChatHandle, ColourCodesAndUnsafeBytesAreLeftOutAndNothingLeftIsPlayer)
{
    struct Case {
        const char* name;
        const char* handle;
    };
    const Case cases[] = {
        {"|04Sti|01ng", "Sting"},
        {"|04|12", "Player"},
        {"", "Player"},
        {nullptr, "Player"},
        {"Dr `Q`\x01\xe9", "Dr Q"},
        {"|4x|", "|4x|"},
        {"\"quoted\"", "\"quoted\""},
        {"abcdefghijklmnopqrstuvwxyz0123456789", "abcdefghijklmnopqrstuvwxyz012345"},
    };
    for (const Case& c : cases) {
        char handle[vexa::chat_handle_size];
        vexa::chat_handle_from(c.name, handle, sizeof handle);
        EXPECT_STREQ(handle, c.handle) << (c.name ? c.name : "(none)");
    }
}

}  // namespace
