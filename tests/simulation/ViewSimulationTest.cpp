// The view's plant simulation: the plant input and disturbance taken from the
// last reading, the values handed to the exchange, and the reset on reload.
#include "simulation/ViewSimulation.h"

#include <gtest/gtest.h>

#include <limits>

#include "base/IniFile.h"
#include "online/PlcItem.h"
#include "support/Support.h"

namespace velmora {
namespace {

TEST(ViewSimulation, InputDisturbanceAndWritesFollowTheReadingAndAReloadResetsThePlant) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Disturbances of 1234 as a word and 7.5 as a REAL.
    const ControllerReading word{true, 0, false, false, 0, std::array<std::uint8_t, 4>{0xD2, 0x04}},
        real{true, 0, false, false, 0, std::array<std::uint8_t, 4>{0, 0, 0xF0, 0x40}};
    const struct {
        const char* keys;  // lines of the section besides Name and Tau1
        ControllerReading reading;
        double u, disturbance;
        const char* writes;  // y1, y2, y3 and pv written or not
    } cases[] = {
        {"Type=PID\nSimulation=1\nUAnalog=1\n", {true, 2500}, 25, 0, "1000"},
        {"Type=PID\nSimulation=1\nUAnalog=0\n", {true, 2500, true, false}, 100, 0, "1000"},
        {"Type=PID\nSimulation=1\n", {false, 9000}, 0, 0, "1000"},  // no data: the input stays
        {"Type=PID\nSimulation=1\nInputMode=2\nCascade=1\n", {true, 100}, 1, 0, "1110"},
        {"Type=PID\nSimulation=1\nInputMode=3\n", {true, 100}, 1, 0, "1000"},  // ratio: not the plant's
        {"Type=PIDA\nSimulation=1\n", {true, 0, false, false, 42.5f}, 42.5, 0, "0001"},
        {"Type=PIDA\nSimulation=1\n", {true, 0, false, false, nan}, 0, 0, "0001"},
        {"Type=PID\nSimulation=1\nAddOut=1\nAddOutName=D\n", word, 0, 12.34, "1000"},
        {"Type=PID\nSimulation=1\nAddOut=2\nAddOutName=D\n", real, 0, 7.5, "1000"},
        {"Type=PID\nSimulation=0\nCascade=1\n", {true, 5000}, 50, 0, "0000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        testing::TempDir dir;
        testing::WriteBytes(dir / "PLC1.rglx", std::string("[Regulator R1]\nName=R1\nTau1=10\n") + c.keys);
        ViewSimulation sim;
        sim.load(IniFile(dir / "PLC1.rglx"), "R1", 0);
        const SimulationWrites w = sim.step(c.reading);
        EXPECT_DOUBLE_EQ(sim.model().plantInput(), c.u);
        EXPECT_NEAR(sim.model().disturbance(), c.disturbance, 1e-6);
        const bool written[] = {w.y1.has_value(), w.y2.has_value(), w.y3.has_value(), w.pv.has_value()};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(written[i], c.writes[i] == '1') << "write " << i;
        if (w.y2) {
            EXPECT_EQ(w.y2->value, w.y1->value) << "a second sensor of the same plant";
        }
        EXPECT_NEAR(w.pv.value_or(sim.model().simulatedOutput()), sim.model().simulatedOutput(), 1e-4);
    }
    // An activation with the same settings keeps the plant running; a reload, or
    // an activation with changed settings, resets it; no section, no simulation.
    testing::TempDir dir;
    const auto file = dir / "PLC1.rglx";
    testing::WriteBytes(file, "[Regulator R1]\nName=R1\nType=PIDA\nSimulation=1\ny0=20\nTau1=1\n");
    ViewSimulation sim;
    sim.load(IniFile(file), "R1", 0);
    for (int i = 0; i < 30; ++i) sim.step({true, 0, false, false, 80});
    EXPECT_GT(sim.model().output(), 70);
    sim.load(IniFile(file), "R1", 0, true);
    EXPECT_GT(sim.model().output(), 70);
    sim.load(IniFile(file), "R1", 0);
    EXPECT_EQ(sim.model().output(), 20);
    for (int i = 0; i < 30; ++i) sim.step({true, 0, false, false, 80});
    testing::WriteBytes(file, "[Regulator R1]\nName=R1\nType=PIDA\nSimulation=1\ny0=20\nTau1=2\n");
    sim.load(IniFile(file), "R1", 0, true);
    EXPECT_EQ(sim.model().output(), 20);
    sim.load(IniFile(file), "Gone", 0);
    EXPECT_FALSE(sim.active());
}

}  // namespace
}  // namespace velmora
