// Plant settings in the controller file, read and written.
#include "simulation/SimulationSettings.h"

#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "support/Support.h"

namespace velmora {
namespace {

class SimulationSettingsFile : public ::testing::Test {
protected:
    IniFile write(const std::string& text) {
        testing::WriteBytes(path, text);
        return IniFile(path);
    }
    testing::TempDir dir;
    std::filesystem::path path = dir / "PLC1.rglx";
};

// The floating-point controller has the same plant keys; missing keys give
// the online view's defaults (Tau2 and Tau3 here); the dead time is a step count within bounds.
TEST_F(SimulationSettingsFile, DecimalTextsAsTypedMissingKeysTheViewsDefaultsAndTheDeadTimeInSteps) {
    const IniFile file = write(
        "[Regulator R1]\nType=PIDA\nSu=2,5\nSu2=0.75\nTau1=12,25\nDelta=0,3\nOmega=1.2\nTauA=15\nMinSU=-10\n"
        "MaxSU=90,5\nSimT=2\ny0=12,5\nys=3\nAstat=1\nSimulation=1\nDelay=1\nDDelta=4\nTypSoustavy=5\n"
        "AddOut=2\nAddOutName=Dist_R\n[Regulator T2]\nType=PIDA\n");
    PlantSettings e;
    e.su = 2.5, e.su2 = 0.75, e.tau1 = 12.25, e.delta = 0.3, e.omega = 1.2, e.tauA = 15, e.minSU = -10;
    e.maxSU = 90.5, e.simT = 2, e.y0 = 12.5, e.ys = 3, e.astat = e.simulation = e.delay = true, e.dDelta = 4;
    e.plantType = kPlantThirdOrderOscillating, e.addOut = kDisturbanceReal, e.addOutName = "Dist_R";
    EXPECT_EQ(ReadPlantSettings(file, "regulator r1"), e);
    EXPECT_EQ(ReadPlantSettings(file, "Regulator T2"), PlantSettings{});
    for (const auto& [text, steps] :
         {std::pair{"7", 7}, {"2,9", 2}, {"-4", 0}, {"1e9", PlantSimulation::kMaxDeadTimeSteps}}) {
        const IniFile dead = write(std::string("[Regulator R1]\nDDelta=") + text + "\n");
        EXPECT_EQ(ReadPlantSettings(dead, "Regulator R1").dDelta, steps) << text;
    }
}

// Decimals are written with a point; the section's other keys and the other sections stay.
TEST_F(SimulationSettingsFile, WrittenSettingsReadBackKeepOtherKeysAndTheInputsAreRead) {
    PlantSettings p;
    p.su = 1.75, p.su2 = 0.5, p.tau1 = 7.125, p.tau2 = 3, p.tau3 = 1.5, p.delta = 0.35, p.omega = 0.8;
    p.tauA = 33, p.minSU = -20, p.maxSU = 80, p.simT = 0.5, p.dDelta = 12, p.y0 = 10, p.ys = 5;
    p.astat = true, p.simulation = true, p.delay = true, p.plantType = kPlantThirdOrder;
    p.addOut = kDisturbanceWord, p.addOutName = "Dist_W";
    {
        IniFile file = write("[Regulator R1]\r\nName=R1\r\nPBnd=250\r\n[Regulator R2]\r\nName=R2\r\n");
        WritePlantSettings(file, "Regulator R1", p);
    }
    const IniFile file(path);
    EXPECT_EQ(ReadPlantSettings(file, "Regulator R1"), p);
    for (const auto& [key, value] :
         {std::pair{"PBnd", "250"}, {"Tau1", "7.125"}, {"DDelta", "12"}, {"Simulation", "1"}})
        EXPECT_EQ(file.readString("Regulator R1", key, ""), value) << key;
    EXPECT_FALSE(file.valueExists("Regulator R2", "Tau1"));
    const IniFile inputs = write(
        "[Regulator R1]\nType=PID\nY1CNVMode=1231\nY3CNVMode=-720\nMinY=-1000\nMaxY=2600\n"
        "Y3x1=100\nY3x2=900\n[Regulator R2]\nType=PIDA\n");
    SimulatedInputs e;
    e.y1Mode = 1231, e.y3Mode = -720, e.minY = -1000, e.maxY = 2600, e.y3x1 = 100, e.y3x2 = 900,
    e.plcTypeIndex = 3;
    EXPECT_EQ(ReadSimulatedInputs(inputs, "Regulator R1", 3), e);
    EXPECT_FALSE(ReadSimulatedInputs(inputs, "Regulator R2", 0).pidController);
    EXPECT_EQ(ReadSimulatedInputs(inputs, "Regulator R3", 0), SimulatedInputs{});
}

}  // namespace
}  // namespace velmora
