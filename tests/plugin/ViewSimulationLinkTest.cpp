// A view's plant simulation inside the frame: CommTimer1 follows SimT for
// every open view, and a simulating view's step marks its writes.
#include "plugin/ViewSimulationLink.h"

#include <gtest/gtest.h>

#include "online/OnlineExchange.h"
#include "support/Online.h"

namespace velmora {
namespace {

TEST(ViewSimulationLink, SampleTimeSetsCommTimerForEveryViewAndMarksTheWrites) {
    online::testing::SessionFixture f;
    testing::TempDir dir;
    testing::WriteBytes(dir / "PLC1.rglx",
                        "[Regulator A]\nName=A\nType=PID\nSimulation=1\nSimT=2\nTau1=10\n"
                        "[Regulator B]\nName=B\nType=PID\n");
    online::testing::RecordingView sinkA, sinkB;
    online::OnlineExchange a(*f.session, "A", &sinkA), b(*f.session, "B", &sinkB);
    ViewSimulationLink linkA(*f.session, a), linkB(*f.session, b);
    EXPECT_FALSE(linkB.reload(dir / "PLC1.rglx", "B", 0));
    EXPECT_EQ(f.commTimer().interval(), 125);
    EXPECT_TRUE(linkA.reload(dir / "PLC1.rglx", "A", 0));
    EXPECT_EQ(f.commTimer().interval(), 250);
    EXPECT_EQ(sinkB.sampleTimeChanges, 1) << "every open view hears of the new interval";
    linkA.step();
    EXPECT_TRUE(a.pending().simulatedInputs);
    linkB.step();
    EXPECT_FALSE(b.pending().simulatedInputs) << "simulation off: nothing to write";
}

}  // namespace
}  // namespace velmora
