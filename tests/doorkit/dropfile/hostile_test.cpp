// Broken and hostile drop files found at start-up: refused with the
// start-up message where they are unusable, otherwise read within the
// length cuts; never a crash or a hang.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <ostream>
#include <utility>
#include <vector>

#include "doorkit/doorkit.h"
#include "tests/doorkit/dropfile/exitinfo_record.h"
#include "tests/doorkit/dropfile/samples.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/session_runner.h"

using grimbo_test::first_lines;
using grimbo_test::run_in_child;
using grimbo_test::TempDir;
using grimbo_test::with_line;

namespace {

// Reproducible bytes of every value, line ends only when `with_lines`.
std::string garbage(std::size_t size, bool with_lines)
{
    std::string bytes;
    std::uint32_t state = 2463534242u;
    while (bytes.size() < size) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const char ch = static_cast<char>(state & 0xff);
        if (ch == '\n' && !with_lines)
            continue;
        bytes += ch;
    }
    return bytes;
}

const std::string kHuge(10000, 'x');

// Garbage is made when the case runs, not when the program starts: every
// test of this program is a process of its own.
struct Garbage {
    std::size_t size = 0;
    bool with_lines = false;
};

struct HostileFile {
    std::string name;
    std::string content;
    Garbage then{};  // appended to the content
};

struct HostileCase {
    const char* name;
    std::vector<HostileFile> files;
    std::string identity;  // empty: refused at start-up
};

const HostileCase kCases[] = {
    {"BinaryGarbageWithoutLineEnds", {{"dorinfo1.def", "", {8192, false}}}, ""},
    // Its one "line" reads as comm type 0 (local); a file that ends there is
    // no drop file, not a local session as the system account.
    {"Door32GarbageDoesNotStartALocalSession", {{"door32.sys", "", {8192, false}}}, ""},
    {"Door32CutAfterItsCommType", {{"door32.sys", "0\n"}}, ""},
    {"TruncatedMidLine", {{"door.sys", first_lines(grimbo_test::kDoorSysSample, 20) + "4"}},
     ""},
    {"ExitinfoWithoutItsDorinfo", {{"exitinfo.bbs", grimbo_test::ExitRecord(452).bytes()}},
     ""},
    {"ExitinfoWithItsDorinfo",
     {{"exitinfo.bbs", grimbo_test::ExitRecord(452).bytes()},
      {"dorinfo1.def", grimbo_test::kDorinfoSample}},
     "0:John Smith"},
    {"TenThousandByteNameLineIsCut",
     {{"door.sys", with_line(grimbo_test::kDoorSysSample, 10, kHuge)}},
     "17:X" + std::string(34, 'x')},  // cut to 35
    {"TenThousandByteLinesEverywhere",
     {{"dorinfo1.def", grimbo_test::lines({kHuge, kHuge, kHuge, "COM0", kHuge, kHuge, kHuge,
                                           kHuge, kHuge, kHuge, kHuge, kHuge})}},
     ":X" + std::string(15, 'x')},  // the whole name cut to 16
    {"OversizedFileReadsOnlyItsLines",
     {{"door.sys", grimbo_test::kDoorSysSample, {1 << 20, true}}}, "17:John Smith"},
};

void PrintTo(const HostileCase& c, std::ostream* os)
{
    *os << c.name;
}

class HostileDropFile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileDropFile, IsRefusedWithTheMessageOrReadWithinTheCuts)
{
    const HostileCase& c = GetParam();
    TempDir dir;
    for (const HostileFile& file : c.files)
        ASSERT_TRUE(dir.write(file.name, file.content + garbage(file.then.size, file.then.with_lines)));
    auto result = run_in_child([&] {
        grimbo_test::clear_door_environment();
        CHILD_CHECK(chdir(dir.path().c_str()) == 0);
        od_init();
        std::fprintf(stderr, "%s", od_get_user_id());
        return 0;
    });
    ASSERT_FALSE(result.timed_out);
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    if (c.identity.empty()) {
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "Unable to read door information (drop) file.");
    } else {
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, c.identity);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, HostileDropFile, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
