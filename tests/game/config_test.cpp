// Reading "grimbo.json": a plain text search for the sharing switch and
// the board name, with the defaults kept for anything not found.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "game/interbbs.h"
#include "tests/support/child_process.h"
#include "tests/support/session_runner.h"

namespace {

struct ConfigCase {
    const char* what;
    std::string text;
    int enabled;
    const char* name;
};

void reset_config()
{
    interbbs_enabled = 0;
    std::strcpy(bbs_name, "VEXA ONLINE");
}

TEST(ConfigText, SharingSwitchAndBoardNameFromOddFiles)
{
    const ConfigCase cases[] = {
        {"typical", R"({"score_sharing":{"enabled":true},"bbs_name":"Dark Realms"})", 1,
         "Dark Realms"},
        {"enabled without score_sharing", R"({"enabled":true,"bbs_name":"X"})", 0, "X"},
        {"enabled before score_sharing", R"({"enabled":true,"score_sharing":{}})", 0,
         "VEXA ONLINE"},
        {"tab and newline before true", "{\"score_sharing\":{\"enabled\":\t\n true}}", 1,
         "VEXA ONLINE"},
        {"capitalised True", R"({"score_sharing":{"enabled":True}})", 0, "VEXA ONLINE"},
        {"false", R"({"score_sharing":{"enabled":false}})", 0, "VEXA ONLINE"},
        {"true cut short at the end", R"({"score_sharing":{"enabled":tru)", 0, "VEXA ONLINE"},
        {"no colon after enabled", R"({"score_sharing":{"enabled")", 0, "VEXA ONLINE"},
        {"empty name", R"({"bbs_name":""})", 0, "VEXA ONLINE"},
        {"63-character name", "{\"bbs_name\":\"" + std::string(63, 'n') + "\"}", 0,
         "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"},
        {"64-character name", "{\"bbs_name\":\"" + std::string(64, 'n') + "\"}", 0,
         "VEXA ONLINE"},
        {"escapes kept as written", R"({"bbs_name":"A\\B"})", 0, "A\\\\B"},
        {"control bytes shown as underscores", "{\"bbs_name\":\"A\x1b[2J\tB\x7f\x07\"}", 0,
         "A_[2J_B__"},
        {"eight-bit characters kept", "{\"bbs_name\":\"Caf\xe9\"}", 0, "Caf\xe9"},
        {"unterminated name", R"({"bbs_name":"Open)", 0, "VEXA ONLINE"},
        {"name without a colon", R"({"bbs_name" "X"})", 0, "VEXA ONLINE"},
        {"not JSON at all", "score_sharing enabled true", 0, "VEXA ONLINE"},
        {"empty file", "", 0, "VEXA ONLINE"},
    };
    for (const ConfigCase& c : cases) {
        reset_config();
        apply_config_text(c.text.c_str(), c.text.size());
        EXPECT_EQ(interbbs_enabled, c.enabled) << c.what;
        EXPECT_STREQ(bbs_name, c.name) << c.what;
    }
}

TEST(ConfigText, MissingKeysLeaveEarlierValues)
{
    reset_config();
    interbbs_enabled = 1;
    std::strcpy(bbs_name, "Earlier");
    const char text[] = R"({"other":1})";
    apply_config_text(text, sizeof text - 1);
    EXPECT_EQ(interbbs_enabled, 1);
    EXPECT_STREQ(bbs_name, "Earlier");
}

// Runs load_config in a child whose working directory holds `content` as
// "grimbo.json" (or no file); reports "enabled|name".
std::string load_from_file(const std::string* content)
{
    grimbo_test::TempDir dir;
    if (content != nullptr) {
        EXPECT_TRUE(dir.write("grimbo.json", *content));
    }
    grimbo_test::ChildResult result = grimbo_test::run_in_child([&dir]() {
        if (chdir(dir.path().c_str()) != 0)
            return 1;
        reset_config();
        load_config();
        std::printf("%d|%s", interbbs_enabled, bbs_name);
        return 0;
    });
    EXPECT_EQ(result.status, 0);
    return result.out;
}

TEST(ConfigFile, MissingFileKeepsDefaults)
{
    EXPECT_EQ(load_from_file(nullptr), "0|VEXA ONLINE");
}

TEST(ConfigFile, OnlyTheFirst4095BytesAreSearched)
{
    std::string inside = R"({"score_sharing":{"enabled":true},"bbs_name":"Near"})";
    EXPECT_EQ(load_from_file(&inside), "1|Near");
    std::string beyond = std::string(4090, ' ') + R"("bbs_name":"Far")";
    EXPECT_EQ(load_from_file(&beyond), "0|VEXA ONLINE");
}

TEST(ConfigFile, BinaryContentStopsTheSearchAtANulByte)
{
    std::string text = std::string("{\"bbs_name\":\"Before\"}") + '\0' +
                       R"({"score_sharing":{"enabled":true}})";
    EXPECT_EQ(load_from_file(&text), "0|Before");
}

}  // namespace
