// What a valid BBSDEV.DRP puts into the session.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/bbsdev/bbsdev.h"
#include "doorkit/core/control.h"
#include "doorkit/transport/transport.h"
#include "tests/doorkit/bbsdev/image.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/session_runner.h"

using grimbo_test::drp;
using grimbo_test::run_in_child;
using grimbo_test::TempDir;

namespace {

void expect_child_passed(const grimbo_test::ChildResult& result)
{
    ASSERT_FALSE(result.timed_out);
    ASSERT_TRUE(result.exited) << "signal " << result.signal << "\n" << result.err;
    EXPECT_EQ(result.status, 0) << result.err;
}

struct ConnectionCase {
    const char* name;
    const char* type;
    const char* value;
    std::uint32_t method;
    bool adopts;
    std::uint64_t handle;
    std::uint8_t local_mode;
    std::uint8_t socket_mode;
    bool keeps_line_speed;
};

class ConnectionType : public ::testing::TestWithParam<ConnectionCase> {};

TEST_P(ConnectionType, ValidFileFillsTheSession)
{
    const ConnectionCase c = GetParam();
    TempDir dir;
    ASSERT_TRUE(dir.write("BBSDEV.DRP",
                          drp({{2, c.type}, {3, c.value}, {12, "UTF-8"}, {11, "2030-01-01T00:00:00Z"}},
                              "\r\n")));
    auto result = run_in_child([&dir, c] {
        // A pre-set descriptor and modes give way to what the file says.
        od_control.open_handle = 77;
        od_control.local_mode = 1;
        od_control.socket_mode = 1;
        CHILD_CHECK(ODInitReadBBSDevDropFile(dir.file("BBSDEV.DRP").c_str()));
        CHILD_CHECK(ODBBSDevActive());
        CHILD_CHECK(ODBBSDevComMethod() == c.method);
        CHILD_CHECK(ODBBSDevHasOpenHandle() == c.adopts);
        CHILD_CHECK(od_control.open_handle == c.handle);
        CHILD_CHECK(od_control.local_mode == c.local_mode);
        CHILD_CHECK(od_control.socket_mode == c.socket_mode);
        CHILD_CHECK(((od_control.disable_flags & OD_DISABLE_SET_BPS) != 0) == c.keeps_line_speed);
        CHILD_CHECK(std::strcmp(od_control.user_name, "Jane Doe") == 0);
        CHILD_CHECK(std::strcmp(od_control.user_handle, "Jane Doe") == 0);
        CHILD_CHECK(std::strcmp(ODBBSDevUserID(), "caller-7f3a") == 0);
        CHILD_CHECK(std::strcmp(od_control.system_name, "Hollow BBS") == 0);
        CHILD_CHECK(std::strcmp(od_control.sysop_name, "Sam Sysop") == 0);
        CHILD_CHECK(od_control.user_screen_width == 80);
        CHILD_CHECK(od_control.user_screen_length == 24);
        CHILD_CHECK(od_control.user_ansi == 1);
        CHILD_CHECK(od_control.user_rip == 0);
        CHILD_CHECK(od_control.user_time_left == 32767);
        CHILD_CHECK(bBBSDevDeadlineSet == 1);
        CHILD_CHECK(nBBSDevDeadline == 1893456000);
        CHILD_CHECK(od_control.silent_mode == 0);
        CHILD_CHECK(od_control.user_security == 100);
        CHILD_CHECK(bIsSysop == 0 && bIsCoSysop == 0);
        CHILD_CHECK(od_control.node_number == 3);
        CHILD_CHECK(od_control.cp437_to_utf8 == 1);
        CHILD_CHECK(bUserEightBit == 1);
        CHILD_CHECK(od_control.baud == 1);
        CHILD_CHECK(od_control.drop_file_kind == OD_DROP_BBSDEV);
        ODBBSDevFree();
        CHILD_CHECK(pszBBSDevStorage == nullptr && ODBBSDevUserID() == nullptr);
        return 0;
    });
    expect_child_passed(result);
}

INSTANTIATE_TEST_SUITE_P(
    Types, ConnectionType,
    ::testing::Values(
        ConnectionCase{"local", "local", "", kComMethodStdIO, false, 0, 1, 0, false},
        ConnectionCase{"stdio", "stdio", "", kComMethodStdIO, false, 0, 0, 0, false},
        ConnectionCase{"socket", "socket", "12", kComMethodSocket, true, 12, 0, 1, false},
        ConnectionCase{"socket_descriptor_zero", "socket", "0", kComMethodSocket, true, 0, 0, 1,
                       false},
        ConnectionCase{"serial", "serial", "2147483647", kComMethodStdIO, true, 2147483647, 0, 0,
                       true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BbsdevReader, LargeValuesAreCappedToTheirFields)
{
    auto result = run_in_child([] {
        const std::string image = drp({{6, "300"},
                                       {7, "65535"},
                                       {17, "70000"},
                                       {18, "18446744073709551615"},
                                       {8, "N"},
                                       {9, "Y"},
                                       {19, "N"},
                                       {12, "ibm437"}});
        od_control.cp437_to_utf8 = 1;
        od_control.user_ansi = 1;
        CHILD_CHECK(ODBBSDevReadBuffer(image.data(), image.size()));
        CHILD_CHECK(od_control.user_screen_width == 255);
        CHILD_CHECK(od_control.user_screen_length == 65535);
        CHILD_CHECK(od_control.user_security == 65535);
        CHILD_CHECK(od_control.node_number == 65535);
        CHILD_CHECK(od_control.user_ansi == 0);
        CHILD_CHECK(od_control.user_rip == 1);
        CHILD_CHECK(od_control.silent_mode == 1);
        CHILD_CHECK(od_control.cp437_to_utf8 == 0);
        CHILD_CHECK(od_control.user_time_left == 0);
        CHILD_CHECK(bBBSDevDeadlineSet == 0);
        return 0;
    });
    expect_child_passed(result);
}

struct AccessCase {
    const char* name;
    const char* line;
    std::uint8_t sysop;
    std::uint8_t cosysop;
    std::uint16_t security;
};

class AccessLine : public ::testing::TestWithParam<AccessCase> {};

TEST_P(AccessLine, SetsTheFlagOrTheSecurityLevel)
{
    const AccessCase c = GetParam();
    auto result = run_in_child([c] {
        od_control.user_security = 42;
        const std::string image = drp({{17, c.line}});
        CHILD_CHECK(ODBBSDevReadBuffer(image.data(), image.size()));
        CHILD_CHECK(bIsSysop == c.sysop);
        CHILD_CHECK(bIsCoSysop == c.cosysop);
        CHILD_CHECK(od_control.user_security == c.security);
        return 0;
    });
    expect_child_passed(result);
}

INSTANTIATE_TEST_SUITE_P(Values, AccessLine,
                         ::testing::Values(AccessCase{"sysop", "sysop", 1, 0, 42},
                                           AccessCase{"cosysop", "cosysop", 0, 1, 42},
                                           AccessCase{"level", "250", 0, 0, 250}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BbsdevReader, LongNamesAreCutWithoutSplittingACharacter)
{
    auto result = run_in_child([] {
        // 34 letters and a two-byte character: 36 bytes for a 35-byte field.
        const std::string name = std::string(34, 'a') + "\xC3\xA9";
        const std::string bbs = std::string(38, 'b') + "\xE2\x82\xAC";  // 41 bytes, 39 fit
        const std::string image = drp({{4, name}, {15, bbs}, {16, std::string(60, 's')}});
        CHILD_CHECK(ODBBSDevReadBuffer(image.data(), image.size()));
        CHILD_CHECK(std::string(od_control.user_name) == std::string(34, 'a'));
        CHILD_CHECK(std::string(od_control.user_handle) == std::string(34, 'a'));
        CHILD_CHECK(std::string(od_control.system_name) == std::string(38, 'b'));
        CHILD_CHECK(std::string(od_control.sysop_name) == std::string(39, 's'));
        return 0;
    });
    expect_child_passed(result);
}

struct CopyCase {
    const char* name;
    const char* source;
    std::size_t size;
    const char* expected;
};

class CopyText : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyText, KeepsWholeCharactersOnly)
{
    const CopyCase c = GetParam();
    char dest[16];
    std::memset(dest, 'X', sizeof dest);
    ODBBSDevCopyText(dest, c.size, c.source);
    EXPECT_STREQ(dest, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, CopyText,
    ::testing::Values(CopyCase{"plain_cut", "abcdef", 4, "abc"},
                      CopyCase{"cut_after_whole_character", "ab\xC3\xA9z", 5, "ab\xC3\xA9"},
                      CopyCase{"cut_inside_two_bytes", "abc\xC3\xA9", 5, "abc"},
                      CopyCase{"cut_inside_three_bytes", "a\xE2\x82\xAC", 4, "a"},
                      CopyCase{"only_a_partial_character", "\xF0\x9F\x8E\x83", 3, ""},
                      CopyCase{"null_source", nullptr, 8, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BbsdevReader, PathMustNameAReadableRegularSizedFile)
{
    TempDir dir;
    ASSERT_TRUE(dir.write("ok.drp", drp()));
    ASSERT_TRUE(dir.write("big.drp", drp({{14, std::string(5000, 'x')}})));
    auto result = run_in_child([&dir] {
        CHILD_CHECK(ODInitReadBBSDevDropFile(dir.file("ok.drp").c_str()));
        CHILD_CHECK(!ODInitReadBBSDevDropFile(nullptr));
        CHILD_CHECK(!ODBBSDevActive());
        CHILD_CHECK(chdir(dir.path().c_str()) == 0);
        CHILD_CHECK(!ODInitReadBBSDevDropFile("ok.drp"));
        CHILD_CHECK(!ODInitReadBBSDevDropFile(dir.file("missing.drp").c_str()));
        CHILD_CHECK(!ODInitReadBBSDevDropFile(dir.path().c_str()));
        CHILD_CHECK(!ODInitReadBBSDevDropFile(dir.file("big.drp").c_str()));
        CHILD_CHECK(!ODInitReadBBSDevDropFile("/dev/zero"));
        CHILD_CHECK(!ODBBSDevActive() && pszBBSDevStorage == nullptr);
        // Reading twice replaces the first file's storage.
        CHILD_CHECK(ODInitReadBBSDevDropFile(dir.file("ok.drp").c_str()));
        CHILD_CHECK(ODInitReadBBSDevDropFile(dir.file("ok.drp").c_str()));
        ODBBSDevClearSession();
        return 0;
    });
    expect_child_passed(result);
}

}  // namespace
