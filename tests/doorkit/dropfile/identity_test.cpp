#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "tests/doorkit/session/session_helpers.h"

using grimbo_test::run_in_child;
using grimbo_test::start_preset_session;

namespace {

struct IdentityCase {
    const char* name;
    std::uint8_t kind;
    std::uint16_t record;
    const char* user_name;
    const char* user_handle;
    const char* expected;
};

class CallerIdentity : public ::testing::TestWithParam<IdentityCase> {};

// The identity is the caller's key in the game's files: its form must not
// drift for any drop-file kind.
TEST_P(CallerIdentity, FollowsTheDropFileKind)
{
    const IdentityCase c = GetParam();
    auto result = run_in_child([c] {
        start_preset_session();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        od_control.drop_file_kind = c.kind;
        od_control.user_record_number = c.record;
        ODCopyField(od_control.user_name, c.user_name);
        ODCopyField(od_control.user_handle, c.user_handle);
        std::fputs(od_get_user_id(), stderr);
        return 0;
    });
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CallerIdentity,
    ::testing::Values(
        IdentityCase{"doorsys", OD_DROP_DOORSYS, 17, "Jane Doe", "", "17:Jane Doe"},
        IdentityCase{"doorsys_short", OD_DROP_DOORSYS_SHORT, 17, "Jane Doe", "", "17:Jane Doe"},
        IdentityCase{"door32sys", OD_DROP_DOOR32SYS, 42, "John Smith", "", "42:John Smith"},
        IdentityCase{"exitinfo_record_zero", OD_DROP_EXITINFO_RA2, 0, "Jane Doe", "", "0:Jane Doe"},
        IdentityCase{"chaintxt_handle_only", OD_DROP_CHAINTXT, 5, "", "Spooky", "5:Spooky"},
        IdentityCase{"tribbs_no_names", OD_DROP_TRIBBSSYS, 8, "", "", "8:"},
        IdentityCase{"name_before_handle", OD_DROP_SFDOORS, 1, "Jane Doe", "Spooky", "1:Jane Doe"},
        IdentityCase{"dorinfo", OD_DROP_DORINFO, 17, "Jane Doe", "", ":Jane Doe"},
        IdentityCase{"dorinfo_no_names", OD_DROP_DORINFO, 17, "", "", ""},
        IdentityCase{"callinfo_handle", OD_DROP_CALLINFO, 3, "", "Spooky", ":Spooky"},
        IdentityCase{"doorsys_without_com", OD_DROP_DOORSYS_NOCOM, 9, "Jane Doe", "", ":Jane Doe"},
        IdentityCase{"no_drop_file", OD_DROP_NONE, 9, "Jane Doe", "", ":Jane Doe"},
        IdentityCase{"preset_with_record", OD_DROP_PRESET, 12, "Jane Doe", "", "12:Jane Doe"},
        IdentityCase{"preset_record_zero", OD_DROP_PRESET, 0, "Jane Doe", "", ":Jane Doe"},
        IdentityCase{"preset_record_no_names", OD_DROP_PRESET, 12, "", "", "12:"},
        IdentityCase{"preset_nothing", OD_DROP_PRESET, 0, "", "", ""},
        IdentityCase{"largest_record", OD_DROP_DOORSYS, 65535,
                     "Abcdefghijklmnopqrstuvwxyzabcdefghi", "",
                     "65535:Abcdefghijklmnopqrstuvwxyzabcdefghi"},
        IdentityCase{"bbsdev_without_identifier", OD_DROP_BBSDEV, 4, "Jane Doe", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
