#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/session/cmdline.h"

namespace {

std::vector<std::string> Words(char** argv, int argc)
{
    std::vector<std::string> words;
    for (int i = 0; i < argc; ++i)
        words.emplace_back(argv[i]);
    return words;
}

class SplitCommandLine : public ::testing::Test {
protected:
    void SetUp() override { od_control = {}; }
    void TearDown() override
    {
        pfODSplitAlloc = std::malloc;
        od_control = {};
        bParsedCmdLine = 0;
    }
};

TEST_F(SplitCommandLine, BlanksSeparateWordsAndALeadingBlankGivesAnEmptyFirstWord)
{
    struct Case {
        const char* line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"  a  b", {"", "", "a", "b"}},
        {"a b", {"", "a", "b"}},
        {"-L -N 2  ", {"", "-L", "-N", "2"}},
        {"a\tb\nc\vd\fe\rf", {"", "a", "b", "c", "d", "e", "f"}},
        {"x\x01y \xC3\xA9", {"", "x\x01y", "\xC3\xA9"}},
        {"", {"", ""}},
    };
    for (const Case& c : cases) {
        int argc = -1;
        char** argv = od_split_cmd_line(c.line, &argc);
        ASSERT_NE(argv, nullptr) << c.line;
        EXPECT_EQ(argc, static_cast<int>(c.words.size())) << c.line;
        EXPECT_EQ(Words(argv, argc), c.words) << c.line;
        EXPECT_EQ(argv[argc], nullptr) << c.line;
        od_free_split_cmd_line(argv);
    }
}

TEST_F(SplitCommandLine, AtMost4096EntriesAreMade)
{
    for (int words : {4095, 5000}) {
        std::string line;
        for (int i = 1; i <= words; ++i)
            line += "w" + std::to_string(i) + " ";
        int argc = 0;
        char** argv = od_split_cmd_line(line.c_str(), &argc);
        ASSERT_NE(argv, nullptr);
        EXPECT_EQ(argc, 4096);
        EXPECT_STREQ(argv[1], "w1");
        EXPECT_STREQ(argv[4095], "w4095");
        EXPECT_EQ(argv[4096], nullptr);
        od_free_split_cmd_line(argv);
    }
}

TEST_F(SplitCommandLine, NullArgumentsAreBadParameters)
{
    int argc = 5;
    EXPECT_EQ(od_split_cmd_line(nullptr, &argc), nullptr);
    EXPECT_EQ(argc, 0);
    EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);

    od_control.error_code = 0;
    EXPECT_EQ(od_split_cmd_line("a b", nullptr), nullptr);
    EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);

    od_control.error_code = 0;
    od_free_split_cmd_line(nullptr);
    EXPECT_EQ(od_control.error_code, OD_ERR_PARAMETER);
}

int allocations_left;

void* FailingAlloc(std::size_t size)
{
    if (allocations_left-- <= 0)
        return nullptr;
    return std::malloc(size);
}

// Nothing allocated before the failure may leak; the sanitizer build checks.
TEST_F(SplitCommandLine, ExhaustedMemoryFailsCleanly)
{
    for (int succeed = 0; succeed < 3; ++succeed) {
        allocations_left = succeed;
        pfODSplitAlloc = FailingAlloc;
        od_control.error_code = 0;
        int argc = 5;
        EXPECT_EQ(od_split_cmd_line("a b c", &argc), nullptr) << succeed;
        EXPECT_EQ(argc, 0);
        EXPECT_EQ(od_control.error_code, OD_ERR_MEMORY);
    }
}

TEST_F(SplitCommandLine, ASplitLineCanBeParsedAsTheCommandLine)
{
    int argc = 0;
    char** argv = od_split_cmd_line("-L -USERNAME John Smith -N 3", &argc);
    ASSERT_NE(argv, nullptr);
    od_parse_cmd_line(argc, argv);
    EXPECT_EQ(od_control.local_mode, 1);
    EXPECT_STREQ(od_control.user_name, "John Smith");
    EXPECT_EQ(od_control.node_number, 3);
    od_free_split_cmd_line(argv);
}

}  // namespace
