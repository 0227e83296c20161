#include "chat/hub_urls.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

constexpr const char* kVariable = "GRIMBO_TEST_HUB_ADDRESS";

TEST(HubAddress, TheEnvironmentBeatsTheFileWhichBeatsTheBuiltInAddress)
{
    struct Case {
        const char* environment;  // null: unset
        const char* file;
        const char* built_in;
        int result;
        const char* chosen;
    } cases[] = {
        {"https://env.example", "https://file.example", "https://built.example", 1,
         "https://env.example"},
        {nullptr, "https://file.example", "https://built.example", 1, "https://file.example"},
        {"", "https://file.example", "https://built.example", 1, "https://file.example"},
        {nullptr, nullptr, "https://built.example", 1, "https://built.example"},
        {"https://env.example", nullptr, nullptr, 1, "https://env.example"},
        {nullptr, nullptr, nullptr, 0, ""},
        // An address that does not fit is refused, never cut.
        {"https://a-much-longer-address.example", "https://f.example", nullptr, 0, ""},
    };
    for (const Case& c : cases) {
        if (c.environment != nullptr)
            setenv(kVariable, c.environment, 1);
        else
            unsetenv(kVariable);
        char out[24] = "stale";
        EXPECT_EQ(vexa::hub_address(kVariable, c.file, c.built_in, out, sizeof out), c.result)
            << (c.environment ? c.environment : "-");
        EXPECT_STREQ(out, c.chosen);
    }
    unsetenv(kVariable);
}

TEST(HubAddress, TheFileValueMayBeTheOutputItself)
{
    unsetenv(kVariable);
    char url[32] = "https://same.example";
    EXPECT_EQ(vexa::hub_address(kVariable, url, nullptr, url, sizeof url), 1);
    EXPECT_STREQ(url, "https://same.example");
    setenv(kVariable, "https://env.example", 1);
    EXPECT_EQ(vexa::hub_address(kVariable, url, nullptr, url, sizeof url), 1);
    EXPECT_STREQ(url, "https://env.example");
    unsetenv(kVariable);
}

}  // namespace
