#include <gtest/gtest.h>

#include "doorkit/doorkit.h"
#include "doorkit/core/control.h"
#include "doorkit/transport/transport.h"
#include "tests/doorkit/transport/fixture.h"

namespace {

using namespace transport_test;

// A running session whose line is `port`, as od_init leaves it.
void PretendSessionRuns(tPortHandle port, std::uint32_t baud)
{
    od_control.baud = baud;
    hSerialPort = port;
    bODInitialized = 1;
    eODLifecycleState = OD_STATE_ACTIVE;
}

TEST(RemoteLine, LoweringDtrOnASocketHangsUpAndRaisingItIsRefused)
{
    RunInChild([] {
        TcpPair pair;
        tPortHandle port = AdoptPort(pair.TakeDoor(), kComMethodSocket);
        ASSERT_NE(port, nullptr);
        PretendSessionRuns(port, 38400);
        EXPECT_TRUE(od_carrier());

        od_control.error_code = 0;
        EXPECT_FALSE(od_set_dtr(true));
        EXPECT_EQ(od_control.error_code, OD_ERR_GENERALFAILURE);

        EXPECT_TRUE(od_set_dtr(false));
        ASSERT_TRUE(WaitReadable(pair.caller));
        std::uint8_t c = 0;
        EXPECT_EQ(read(pair.caller, &c, 1), 0);
        od_control.error_code = 0;
        EXPECT_FALSE(od_carrier());
        EXPECT_EQ(od_control.error_code, 0);
    });
}

TEST(RemoteLine, CarrierLossIsReportedWithoutEndingTheSession)
{
    RunInChild([] {
        TcpPair pair;
        tPortHandle port = AdoptPort(pair.TakeDoor(), kComMethodTelnet);
        ASSERT_NE(port, nullptr);
        PretendSessionRuns(port, 1);
        pair.CloseCaller();
        ASSERT_TRUE(WaitReadable(port->descriptor));
        EXPECT_FALSE(od_carrier());
        EXPECT_EQ(eODLifecycleState, OD_STATE_ACTIVE);
    });
}

TEST(RemoteLine, WithoutARemoteSideCarrierAndDtrNeedOne)
{
    RunInChild([] {
        TcpPair pair;
        tPortHandle port = AdoptPort(pair.TakeDoor(), kComMethodSocket);
        ASSERT_NE(port, nullptr);
        PretendSessionRuns(port, 0);
        od_control.error_code = 0;
        EXPECT_FALSE(od_carrier());
        EXPECT_EQ(od_control.error_code, OD_ERR_NOREMOTE);
        od_control.error_code = 0;
        EXPECT_FALSE(od_set_dtr(false));
        EXPECT_EQ(od_control.error_code, OD_ERR_NOREMOTE);
        // The connection was left alone.
        od_control.baud = 1;
        EXPECT_TRUE(od_carrier());
    });
}

TEST(RemoteLine, DtrCannotChangeOnStdio)
{
    RunInChild([] {
        TcpPair pair;
        tPortHandle port = AdoptPort(pair.TakeDoor(), kComMethodStdIO);
        ASSERT_NE(port, nullptr);
        PretendSessionRuns(port, 1);
        for (bool high : {false, true}) {
            od_control.error_code = 0;
            EXPECT_FALSE(od_set_dtr(high));
            EXPECT_EQ(od_control.error_code, OD_ERR_GENERALFAILURE);
        }
        EXPECT_TRUE(od_carrier());
    });
}

TEST(RemoteLine, CoreSendsGoThroughTheSessionPort)
{
    RunInChild([] {
        TcpPair pair;
        tPortHandle port = AdoptPort(pair.TakeDoor(), kComMethodTelnet);
        ASSERT_NE(port, nullptr);
        EXPECT_EQ(ODCoreSendRemoteByte('a'), kODRCGeneralFailure);  // no port yet
        PretendSessionRuns(port, 1);
        EXPECT_EQ(ODCoreSendRemoteBuffer(B("hi\r").data(), 3), kODRCSuccess);
        EXPECT_EQ(ODCoreSendRemoteByte(255), kODRCSuccess);
        ODWaitDrain(10000);
        EXPECT_EQ(ReadQuiet(pair.caller), B({'h', 'i', 13, 0, 255, 255}));
    });
}

}  // namespace
