// The wizard pages' reads and writes through a view's exchange.
#include <gtest/gtest.h>

#include "ExchangeFixture.h"

namespace velmora::online::testing {
namespace {

// The wizard pages reach the PLC through a view's exchange: they follow the
// PLC's connection, not whether the view itself is online.
TEST_F(GoingOnline, WizardPagesReachTheRunningPlcThroughAnOfflineViewAndNothingWithoutIt) {
    const int base = addPid(Pid("R1"), 300);
    OnlineExchange offline(*session, "R1", &view);
    ASSERT_FALSE(offline.online());
    const std::vector<std::string> members = {"R1_PBnd", "R1_Ti"};
    EXPECT_FALSE(offline.symbolsReachable(members)) << "no callback yet: the PLC is not online";
    EXPECT_FALSE(offline.readSymbol("R1_PBnd", 2));

    session->CommLoopCallback(request, kRunning);
    putInt(base + plc::PidOffset("PBnd"), 3465);
    EXPECT_TRUE(offline.symbolsReachable(members));
    EXPECT_FALSE(offline.symbolsReachable({"R1_PBnd", "R1_NoSuchMember"}));
    const auto read = offline.readSymbol("R1_PBnd", 2);
    ASSERT_TRUE(read);
    EXPECT_EQ(plc::GetInt16(read->data()), 3465) << "Upload from PLC shows the PLC's value";
    const std::vector<std::uint8_t> value = {0x2c, 0x01};  // 300
    EXPECT_TRUE(offline.writeSymbol("R1_Ti", value));
    EXPECT_EQ(plc::GetInt16(plc.area(3).data() + base + plc::PidOffset("Ti")), 300);

    session->SoftOff(0);
    EXPECT_FALSE(offline.symbolsReachable(members)) << "communication lost";
    EXPECT_FALSE(offline.writeSymbol("R1_Ti", value));
}

}  // namespace
}  // namespace velmora::online::testing
