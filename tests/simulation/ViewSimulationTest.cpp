// The view's plant simulation: the plant input and disturbance taken from the
// last reading, the values handed to the exchange, the reset on reload, and
// CommTimer1 following SimT through the view's link.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/IniFile.h"
#include "online/OnlineExchange.h"
#include "online/PlcItem.h"
#include "plugin/ViewSimulationLink.h"
#include "simulation/ViewSimulation.h"
#include "support/Online.h"
#include "support/Support.h"

namespace velmora {
namespace {

using velmora::testing::TempDir;
using velmora::testing::WriteBytes;

struct StepCase {
    const char* name;
    const char* keys;  // extra lines of the section
    ControllerReading reading;
    double u, disturbance;
    bool y1, y2, y3, pv;
};

class ViewSimulationRules : public ::testing::TestWithParam<StepCase> {};

TEST_P(ViewSimulationRules, InputDisturbanceAndWrites) {
    const StepCase& c = GetParam();
    TempDir dir;
    WriteBytes(dir / "PLC1.rglx", std::string("[Regulator R1]\nName=R1\nTau1=10\n") + c.keys);
    ViewSimulation sim;
    sim.load(IniFile(dir / "PLC1.rglx"), "R1", 0);
    const SimulationWrites w = sim.step(c.reading);
    EXPECT_DOUBLE_EQ(sim.model().plantInput(), c.u);
    EXPECT_NEAR(sim.model().disturbance(), c.disturbance, 1e-6);
    EXPECT_EQ(w.y1.has_value(), c.y1);
    EXPECT_EQ(w.y2.has_value(), c.y2);
    EXPECT_EQ(w.y3.has_value(), c.y3);
    EXPECT_EQ(w.pv.has_value(), c.pv);
    if (w.y2) {
        EXPECT_EQ(w.y2->value, w.y1->value) << "a second sensor of the same plant";
    }
    if (w.pv) {
        EXPECT_NEAR(*w.pv, sim.model().simulatedOutput(), 1e-4);
    }
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
INSTANTIATE_TEST_SUITE_P(
    Table, ViewSimulationRules,
    ::testing::Values(StepCase{"AnalogOutputTakesCurOut",
                               "Type=PID\nSimulation=1\nUAnalog=1\n",
                               {true, 2500},
                               25,
                               0,
                               true,
                               false,
                               false,
                               false},
                      StepCase{"ThreeStageUp",
                               "Type=PID\nSimulation=1\nUAnalog=0\n",
                               {true, 2500, true, false},
                               100,
                               0,
                               true,
                               false,
                               false,
                               false},
                      StepCase{"NoDataKeepsTheInput",
                               "Type=PID\nSimulation=1\n",
                               {false, 9000},
                               0,
                               0,
                               true,
                               false,
                               false,
                               false},
                      StepCase{"RedundantSecondInput",
                               "Type=PID\nSimulation=1\nInputMode=2\nCascade=1\n",
                               {true, 100},
                               1,
                               0,
                               true,
                               true,
                               true,
                               false},
                      StepCase{"RatioInputIsNotThePlants",
                               "Type=PID\nSimulation=1\nInputMode=3\n",
                               {true, 100},
                               1,
                               0,
                               true,
                               false,
                               false,
                               false},
                      StepCase{"PidmaWritesPv",
                               "Type=PIDA\nSimulation=1\n",
                               {true, 0, false, false, 42.5f},
                               42.5,
                               0,
                               false,
                               false,
                               false,
                               true},
                      StepCase{"PidmaNaNOutputIsZero",
                               "Type=PIDA\nSimulation=1\n",
                               {true, 0, false, false, kNaN},
                               0,
                               0,
                               false,
                               false,
                               false,
                               true},
                      StepCase{"WordDisturbance",
                               "Type=PID\nSimulation=1\nAddOut=1\nAddOutName=D\n",
                               {true, 0, false, false, 0, std::array<std::uint8_t, 4>{0xD2, 0x04}},
                               0,
                               12.34,
                               true,
                               false,
                               false,
                               false},
                      StepCase{"RealDisturbance",
                               "Type=PID\nSimulation=1\nAddOut=2\nAddOutName=D\n",
                               {true, 0, false, false, 0, std::array<std::uint8_t, 4>{0, 0, 0xF0, 0x40}},
                               0,
                               7.5,
                               true,
                               false,
                               false,
                               false},
                      StepCase{"OffWritesNothing",
                               "Type=PID\nSimulation=0\nCascade=1\n",
                               {true, 5000},
                               50,
                               0,
                               false,
                               false,
                               false,
                               false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ViewSimulation, ReloadResetsThePlantToItsInitialState) {
    TempDir dir;
    WriteBytes(dir / "PLC1.rglx", "[Regulator R1]\nName=R1\nType=PIDA\nSimulation=1\ny0=20\nTau1=1\n");
    ViewSimulation sim;
    sim.load(IniFile(dir / "PLC1.rglx"), "R1", 0);
    for (int i = 0; i < 30; ++i) sim.step({true, 0, false, false, 80});
    EXPECT_GT(sim.model().output(), 70);
    sim.load(IniFile(dir / "PLC1.rglx"), "R1", 0, true);
    EXPECT_GT(sim.model().output(), 70) << "an activation with the same settings keeps the plant running";
    sim.load(IniFile(dir / "PLC1.rglx"), "R1", 0);
    EXPECT_EQ(sim.model().output(), 20);
    for (int i = 0; i < 30; ++i) sim.step({true, 0, false, false, 80});
    WriteBytes(dir / "PLC1.rglx", "[Regulator R1]\nName=R1\nType=PIDA\nSimulation=1\ny0=20\nTau1=2\n");
    sim.load(IniFile(dir / "PLC1.rglx"), "R1", 0, true);
    EXPECT_EQ(sim.model().output(), 20) << "changed settings reset the plant even on an activation";
    sim.load(IniFile(dir / "PLC1.rglx"), "Gone", 0);
    EXPECT_FALSE(sim.active()) << "no section, no simulation";
}

TEST(ViewSimulationLink, SampleTimeSetsCommTimerForEveryViewAndMarksTheWrites) {
    online::testing::SessionFixture f;
    TempDir dir;
    WriteBytes(dir / "PLC1.rglx",
               "[Regulator A]\nName=A\nType=PID\nSimulation=1\nSimT=2\nTau1=10\n[Regulator B]\nName=B\nType=PID\n");
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
