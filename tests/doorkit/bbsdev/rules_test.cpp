// Which BBSDEV.DRP images the reader takes and which it refuses, one row
// per rule, and that a refused image changes nothing in the session.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "doorkit/doorkit.h"
#include "doorkit/bbsdev/bbsdev.h"
#include "doorkit/bbsdev/parse.h"
#include "doorkit/core/control.h"
#include "tests/doorkit/bbsdev/image.h"
#include "tests/doorkit/session/session_helpers.h"
#include "tests/support/session_runner.h"

using grimbo_test::drp;
using grimbo_test::run_in_child;
using grimbo_test::TempDir;

namespace {

struct ImageCase {
    const char* name;
    std::string image;
};

bool accepts(const std::string& image, ODBBSDevFields* fields = nullptr)
{
    std::vector<char> buffer(image.begin(), image.end());
    buffer.push_back('\0');
    ODBBSDevFields ignored;
    return ODBBSDevParse(buffer.data(), image.size(), fields != nullptr ? fields : &ignored);
}

// A valid file grown to exactly `size` bytes through the unused line 14.
std::string sized(std::size_t size)
{
    const std::string base = drp({{14, ""}});
    return drp({{14, std::string(size - base.size(), 'p')}});
}

std::string name_line(const std::string& text)
{
    return drp({{4, text}});
}

const std::vector<ImageCase>& refused_images()
{
    static const std::vector<ImageCase> rows = {
        // The file as a whole.
        {"empty_file", ""},
        {"one_byte_past_the_size_limit", sized(4096)},
        {"no_final_line_feed", drp().substr(0, drp().size() - 1)},
        {"nul_byte", name_line(std::string("Jane\0Doe", 8))},
        {"byte_order_mark", "\xEF\xBB\xBF" + drp()},
        {"lone_carriage_return_inside_a_line", name_line("Jane\rDoe")},
        {"carriage_return_before_crlf", drp({{4, "Jane Doe\r"}}, "\r\n")},
        {"carriage_return_as_line_end", drp({}, "\r").substr(0, drp({}, "\r").size() - 1) + "\n"},
        {"eighteen_lines", drp().substr(0, drp().rfind("Y\n"))},
        {"version_1_0_with_twenty_lines", drp({{20, "extra"}})},
        // Line 1.
        {"version_empty", drp({{1, ""}})},
        {"version_without_minor", drp({{1, "1."}})},
        {"version_leading_zero", drp({{1, "1.01"}})},
        {"version_two", drp({{1, "2.0"}})},
        {"version_padded_major", drp({{1, "01.0"}})},
        // Text rules, on a name line and on an unused line.
        {"overlong_slash", name_line("a\xC0\xAF")},
        {"overlong_three_bytes", name_line("a\xE0\x80\xAF")},
        {"surrogate", name_line("a\xED\xA0\x80")},
        {"above_u10ffff", name_line("a\xF4\x90\x80\x80")},
        {"stray_continuation", name_line("a\x80")},
        {"cut_sequence", name_line("a\xE2\x82")},
        {"tab", name_line("Jane\tDoe")},
        {"delete", name_line("Jane\x7F")},
        {"c1_control", name_line("Jane\xC2\x85")},
        {"leading_space", name_line(" Jane")},
        {"trailing_space", name_line("Jane ")},
        {"leading_ideographic_space", name_line("\xE3\x80\x80Jane")},
        {"trailing_no_break_space", name_line("Jane\xC2\xA0")},
        {"unused_line_with_trailing_space", drp({{14, "x "}})},
        {"unused_line_with_bad_utf8", drp({{14, "\xFF"}})},
        // Lines that must not be empty.
        {"empty_name", drp({{4, ""}})},
        {"empty_identifier", drp({{5, ""}})},
        {"empty_unused_line", drp({{14, ""}})},
        {"empty_bbs_name", drp({{15, ""}})},
        {"empty_sysop_name", drp({{16, ""}})},
        // Screen size.
        {"zero_columns", drp({{6, "0"}})},
        {"columns_above_65535", drp({{6, "65536"}})},
        {"columns_leading_zero", drp({{6, "080"}})},
        {"zero_rows", drp({{7, "0"}})},
        {"rows_above_65535", drp({{7, "65536"}})},
        // Yes/no lines.
        {"ansi_lower_case", drp({{8, "y"}})},
        {"rip_empty", drp({{9, ""}})},
        {"local_display_lower_case", drp({{19, "n"}})},
        // Dotted number.
        {"dotted_leading_point", drp({{10, ".1"}})},
        {"dotted_trailing_point", drp({{10, "1."}})},
        {"dotted_empty_group", drp({{10, "1..2"}})},
        {"dotted_leading_zero", drp({{10, "1.02"}})},
        // Deadline.
        {"deadline_february_30", drp({{11, "2024-02-30T10:00:00Z"}})},
        {"deadline_february_29_common_year", drp({{11, "2023-02-29T10:00:00Z"}})},
        {"deadline_february_29_century", drp({{11, "2100-02-29T10:00:00Z"}})},
        {"deadline_month_13", drp({{11, "2024-13-01T10:00:00Z"}})},
        {"deadline_hour_24", drp({{11, "2024-01-01T24:00:00Z"}})},
        {"deadline_leap_second", drp({{11, "2024-12-31T23:59:60Z"}})},
        {"deadline_without_zone", drp({{11, "2024-01-01T10:00:00"}})},
        {"deadline_lower_case_t", drp({{11, "2024-01-01t10:00:00Z"}})},
        {"deadline_short_month", drp({{11, "2024-1-01T10:00:00ZZ"}})},
        {"deadline_fraction", drp({{11, "2024-01-01T10:00:00.5Z"}})},
        // Character set.
        {"charset_without_hyphen", drp({{12, "UTF8"}})},
        {"charset_other", drp({{12, "ISO-8859-1"}})},
        // Language.
        {"language_underscore", drp({{13, "en_US"}})},
        {"language_repeated_variant", drp({{13, "de-1996-1996"}})},
        // Access.
        {"access_capitalised", drp({{17, "Sysop"}})},
        {"access_negative", drp({{17, "-1"}})},
        {"access_above_64_bits", drp({{17, "18446744073709551616"}})},
        {"access_leading_zero", drp({{17, "007"}})},
        // Node.
        {"node_above_64_bits", drp({{18, "99999999999999999999"}})},
        {"node_leading_zero", drp({{18, "01"}})},
        // Connection.
        {"connection_winserial", drp({{2, "winserial"}, {3, "1"}})},
        {"connection_capitalised", drp({{2, "Socket"}, {3, "5"}})},
        {"connection_unknown", drp({{2, "tcp"}, {3, "5"}})},
        {"stdio_with_descriptor", drp({{2, "stdio"}, {3, "0"}})},
        {"local_with_descriptor", drp({{2, "local"}, {3, "4"}})},
        {"socket_without_descriptor", drp({{2, "socket"}, {3, ""}})},
        {"socket_descriptor_leading_zero", drp({{2, "socket"}, {3, "07"}})},
        {"socket_descriptor_above_int", drp({{2, "socket"}, {3, "2147483648"}})},
    };
    return rows;
}

class RefusedImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(RefusedImage, IsRefused)
{
    EXPECT_FALSE(accepts(GetParam().image));
}

INSTANTIATE_TEST_SUITE_P(Rules, RefusedImage, ::testing::ValuesIn(refused_images()),
                         [](const auto& info) { return std::string(info.param.name); });

class AcceptedImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(AcceptedImage, IsAccepted)
{
    EXPECT_TRUE(accepts(GetParam().image));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, AcceptedImage,
    ::testing::Values(
        ImageCase{"default", drp()},
        ImageCase{"largest_size", sized(4095)},
        ImageCase{"crlf_line_ends", drp({}, "\r\n")},
        ImageCase{"crlf_and_lf_mixed", "1.0\r\n" + drp().substr(4)},
        ImageCase{"later_version_with_extra_lines_unchecked",
                  drp({{1, "1.2"}, {20, " \t\xFF"}, {25, "anything"}})},
        ImageCase{"inner_spaces_and_accents", name_line("Ren\xC3\xA9\xE3\x80\x80" "Doe Sr")},
        ImageCase{"four_byte_character", name_line("\xF0\x9F\x8E\x83")},
        ImageCase{"largest_code_point", name_line("a\xF4\x8F\xBF\xBF")},
        ImageCase{"socket_descriptor_zero", drp({{2, "socket"}, {3, "0"}})},
        ImageCase{"socket_descriptor_largest", drp({{2, "socket"}, {3, "2147483647"}})},
        ImageCase{"serial", drp({{2, "serial"}, {3, "9"}})},
        ImageCase{"local", drp({{2, "local"}})},
        ImageCase{"dotted_zero_groups", drp({{10, "0.10.0"}})},
        ImageCase{"deadline_leap_day", drp({{11, "2024-02-29T10:00:00Z"}})},
        ImageCase{"deadline_leap_century", drp({{11, "2000-02-29T23:59:59Z"}})},
        ImageCase{"deadline_before_1970", drp({{11, "1969-12-31T23:59:59Z"}})},
        ImageCase{"charset_lower_case", drp({{12, "utf-8"}})},
        ImageCase{"language_grandfathered_any_case", drp({{13, "I-KLINGON"}})},
        ImageCase{"language_private_use", drp({{13, "x-grimbo"}})},
        ImageCase{"access_sysop", drp({{17, "sysop"}})},
        ImageCase{"access_cosysop", drp({{17, "cosysop"}})},
        ImageCase{"access_largest", drp({{17, "18446744073709551615"}})},
        ImageCase{"node_largest", drp({{18, "18446744073709551615"}})}),
    [](const auto& info) { return std::string(info.param.name); });

// Every refused image, read from memory and from a file, leaves od_control
// byte for byte as it was and no BBSDEV session behind, even after a valid
// file had been read before.
TEST(BbsdevReader, RefusedFileAppliesNothing)
{
    TempDir dir;
    auto result = run_in_child([&dir] {
        od_control.user_security = 42;
        ODCopyField(od_control.user_name, "Preset");
        for (const ImageCase& row : refused_images()) {
            for (int from_file = 0; from_file < 2; ++from_file) {
                CHILD_CHECK(ODBBSDevReadBuffer(drp().data(), drp().size()));
                od_control_record before;
                std::memcpy(&before, &od_control, sizeof before);
                const std::uint8_t sysop = bIsSysop;
                const std::uint8_t eight_bit = bUserEightBit;
                bool read = false;
                if (from_file) {
                    CHILD_CHECK(dir.write("BBSDEV.DRP", row.image));
                    read = ODInitReadBBSDevDropFile(dir.file("BBSDEV.DRP").c_str());
                } else {
                    read = ODBBSDevReadBuffer(row.image.data(), row.image.size());
                }
                if (read || std::memcmp(&before, &od_control, sizeof before) != 0 ||
                    bIsSysop != sysop || bUserEightBit != eight_bit || ODBBSDevActive() ||
                    ODBBSDevUserID() != nullptr || pszBBSDevStorage != nullptr ||
                    ODBBSDevComMethod() != 0 || ODBBSDevHasOpenHandle()) {
                    std::fprintf(stderr, "%s (%s) ", row.name, from_file ? "file" : "memory");
                }
            }
        }
        return 0;
    });
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
}

// The kept fuzz corpus starts from named files: "valid-" ones must be
// taken and "miss-" ones refused, or the corpus no longer tests the edges it
// was made for.
TEST(BbsdevReader, NamedCorpusFilesKeepTheirVerdict)
{
    namespace fs = std::filesystem;
    int named = 0;
    for (const auto& entry : fs::directory_iterator(GRIMBO_SOURCE_DIR "/fuzz/corpus/bbsdev")) {
        const std::string name = entry.path().filename().string();
        const bool valid = name.rfind("valid-", 0) == 0;
        if (!valid && name.rfind("miss-", 0) != 0)
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(accepts(image), valid) << name;
        ++named;
    }
    EXPECT_GE(named, 10);
}

}  // namespace
