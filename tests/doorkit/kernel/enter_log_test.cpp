// The raw Enter log keeps its one-line entries but never grows without
// bound: a full file becomes the previous one and a new one starts.
#include "doorkit/kernel/enter_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tests/doorkit/input/fixture.h"
#include "tests/support/session_runner.h"

namespace {

constexpr std::string_view kCR = "raw incoming key=13\\n";
constexpr std::string_view kLF = "raw incoming key=10\\n";

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

long long SizeOf(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
}

// The file holds nothing but whole entries.
bool WholeEntries(const std::string& text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::string_view rest = std::string_view(text).substr(at);
        if (rest.rfind(kCR, 0) == 0)
            at += kCR.size();
        else if (rest.rfind(kLF, 0) == 0)
            at += kLF.size();
        else
            return false;
    }
    return true;
}

TEST(EnterLog, AFullFileBecomesThePreviousOneAndANewOneStarts)
{
    grimbo_test::TempDir dir;
    const std::string log = dir.file("enter.log");
    const std::string previous = log + ".1";
    const std::size_t per_file = (kEnterLogLimit + kCR.size() - 1) / kCR.size();

    struct Stage {
        std::size_t appended;  // entries so far
        bool rotated;
    };
    std::size_t appended = 0;
    for (const Stage stage : {Stage{per_file, false}, Stage{per_file + 1, true},
                              Stage{3 * per_file + 7, true}}) {
        for (; appended < stage.appended; ++appended)
            ODEnterLogAppend(log.c_str(), appended % 2 == 0 ? 13 : 10);
        const std::string what = std::to_string(stage.appended) + " entries";
        EXPECT_EQ(access(previous.c_str(), F_OK) == 0, stage.rotated) << what;
        EXPECT_LE(SizeOf(log), static_cast<long long>(kEnterLogLimit + kCR.size())) << what;
        EXPECT_LE(SizeOf(previous), static_cast<long long>(kEnterLogLimit + kCR.size())) << what;
        EXPECT_TRUE(WholeEntries(Read(log))) << what;
        EXPECT_TRUE(WholeEntries(Read(previous))) << what;
    }
    // Nothing was lost between the two files but older ones.
    EXPECT_GE(SizeOf(log) + SizeOf(previous), static_cast<long long>(kEnterLogLimit));
}

TEST(EnterLog, AFloodOfEnterKeysStaysWithinTwoFiles)
{
    grimbo_test::TempDir dir;
    static constexpr int kKeys = 8000;
    input_test::InSession([&dir](int caller) {
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
        std::thread typist([caller] { input_test::SendAll(caller, std::string(kKeys, '\r')); });
        int received = 0;
        while (received < kKeys && od_get_key(true) == '\r')
            ++received;
        typist.join();
        EXPECT_EQ(received, kKeys);
    });
    const long long total =
        SizeOf(dir.file(kEnterLogName)) + SizeOf(dir.file(std::string(kEnterLogName) + ".1"));
    EXPECT_GT(total, 0);
    EXPECT_LE(total, 2 * static_cast<long long>(kEnterLogLimit) + 64);
    EXPECT_TRUE(WholeEntries(Read(dir.file(kEnterLogName))));
}

}  // namespace
