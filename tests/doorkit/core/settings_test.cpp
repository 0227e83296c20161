#include <gtest/gtest.h>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "tests/doorkit/session/session_helpers.h"

using grimbo_test::run_in_child;
using grimbo_test::start_preset_session;

namespace {

TEST(SessionSettings, PortCanBeSetOnlyBeforeStartAndBelow256)
{
    auto result = run_in_child([] {
        CHILD_CHECK(od_set_port(3));
        CHILD_CHECK(od_control.port == 3);
        CHILD_CHECK(nForcedPort == 3);

        od_control.error_code = 0;
        CHILD_CHECK(!od_set_port(256));
        CHILD_CHECK(od_control.error_code == OD_ERR_PARAMETER);
        CHILD_CHECK(od_control.port == 3);

        CHILD_CHECK(od_set_port(255));
        start_preset_session();
        CHILD_CHECK(eODLifecycleState == OD_STATE_ACTIVE);
        od_control.error_code = 0;
        CHILD_CHECK(!od_set_port(1));
        CHILD_CHECK(od_control.error_code == OD_ERR_PARAMETER);
        CHILD_CHECK(od_control.port == 65535);
        return 0;
    });
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(SessionSettings, EightBitFlagIsStoredAsZeroOrOne)
{
    auto result = run_in_child([] {
        CHILD_CHECK(!od_get_user_8bit());
        CHILD_CHECK(od_set_user_8bit(true));
        CHILD_CHECK(bUserEightBit == 1);
        CHILD_CHECK(od_get_user_8bit());
        bUserEightBit = 0x40;  // any non-zero byte reads as set
        CHILD_CHECK(od_get_user_8bit());
        CHILD_CHECK(od_set_user_8bit(false));
        CHILD_CHECK(bUserEightBit == 0);
        CHILD_CHECK(!od_get_user_8bit());
        return 0;
    });
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0) << result.err;
}

TEST(SessionSettings, ControlRecordIsReachableBeforeStartWithoutStartingIt)
{
    auto result = run_in_child([] {
        CHILD_CHECK(od_control_get() == &od_control);
        CHILD_CHECK(eODLifecycleState == OD_STATE_NOT_STARTED);
        return 0;
    });
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.status, 0) << result.err;
}

}  // namespace
