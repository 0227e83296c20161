#include "tests/support/fast_clock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "tests/support/child_process.h"

namespace grimbo_test {

namespace {

constexpr const char* kInsideVariable = "GRIMBO_TEST_FAST_CLOCK";
constexpr int kRunLimitMs = 120000;

}  // namespace

bool rerun_under_fast_clock(int rate)
{
    if (std::getenv(kInsideVariable) != nullptr)
        return false;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (test == nullptr || length <= 0) {
        ADD_FAILURE() << "the test cannot be run again";
        return true;
    }
    self[length] = '\0';
    const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." +
                               test->name();
    const std::string clock = "+0 x" + std::to_string(rate);
    ChildResult run = run_in_child(
        [&]() {
            setenv(kInsideVariable, "1", 1);
            // The clock library is preloaded directly (see use_fake_clock),
            // ahead of a sanitizer runtime.
            setenv("LD_PRELOAD", FAKETIME_LIBRARY, 1);
            setenv("FAKETIME", clock.c_str(), 1);
            const char* asan = std::getenv("ASAN_OPTIONS");
            const std::string options =
                std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0";
            setenv("ASAN_OPTIONS", options.c_str(), 1);
            execl(self, self, filter.c_str(), static_cast<char*>(nullptr));
            return 127;
        },
        kRunLimitMs);
    EXPECT_TRUE(run.exited && run.status == 0)
        << "under a clock " << rate << " times as fast:\n"
        << run.out << run.err;
    return true;
}

}  // namespace grimbo_test
