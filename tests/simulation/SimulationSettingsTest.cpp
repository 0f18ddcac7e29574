// Plant settings in the controller file: defaults of the online view, decimal
// texts as typed, the dead-time step count, and a write that reads back.
#include "base/IniFile.h"
#include "simulation/SimulationSettings.h"

#include <gtest/gtest.h>

#include "support/Support.h"

namespace velmora {
namespace {

class SimulationSettingsFile : public ::testing::Test {
protected:
    void Write(const std::string& text) { testing::WriteBytes(path_, text); }

    testing::TempDir dir_;
    std::filesystem::path path_ = dir_ / "PLC1.rglx";
};

TEST_F(SimulationSettingsFile, DecimalTextsAsTyped) {
    Write(
        "[Regulator R1]\nSu=2,5\nSu2=0.75\nTau1=12,25\nDelta=0,3\nOmega=1.2\nTauA=15\nMinSU=-10\nMaxSU=90,5\n"
        "SimT=2\ny0=12,5\nys=3\nAstat=1\nSimulation=1\nDelay=1\nDDelta=4\nTypSoustavy=5\nAddOut=2\n"
        "AddOutName=Dist_R\n");
    IniFile file(path_);
    PlantSettings e;  // Tau2 and Tau3 absent: their defaults
    e.su = 2.5, e.su2 = 0.75, e.tau1 = 12.25, e.delta = 0.3, e.omega = 1.2, e.tauA = 15, e.minSU = -10;
    e.maxSU = 90.5, e.simT = 2, e.y0 = 12.5, e.ys = 3, e.astat = e.simulation = e.delay = true, e.dDelta = 4;
    e.plantType = kPlantThirdOrderOscillating, e.addOut = kDisturbanceReal, e.addOutName = "Dist_R";
    EXPECT_EQ(ReadPlantSettings(file, "regulator r1"), e);
}

// The floating-point controller has the same plant keys; missing keys give the online view's defaults.
TEST_F(SimulationSettingsFile, FloatingPointControllerReadsTheSameKeysAndMissingOnesTheDefaults) {
    Write("[Regulator T1]\nName=T1\nType=PIDA\nAstat=1\nOmega=0,75\nDDelta=3\n[Regulator T2]\nType=PIDA\n");
    IniFile file(path_);
    const PlantSettings p = ReadPlantSettings(file, "Regulator T1");
    EXPECT_TRUE(p.astat);
    EXPECT_EQ(p.omega, 0.75);
    EXPECT_EQ(p.dDelta, 3);
    const PlantSettings defaults = ReadPlantSettings(file, "Regulator T2");
    EXPECT_EQ(defaults, PlantSettings{});
    EXPECT_EQ(defaults.omega, 0.5);
    EXPECT_EQ(defaults.dDelta, 1);
    EXPECT_EQ(defaults.plantType, kPlantFirstOrder);
    EXPECT_FALSE(defaults.simulation);
}

TEST_F(SimulationSettingsFile, DeadTimeIsAStepCountWithinBounds) {
    const auto steps = [&](const std::string& text) {
        Write("[Regulator R1]\nDDelta=" + text + "\n");
        IniFile file(path_);
        return ReadPlantSettings(file, "Regulator R1").dDelta;
    };
    EXPECT_EQ(steps("7"), 7);
    EXPECT_EQ(steps("2,9"), 2);
    EXPECT_EQ(steps("-4"), 0);
    EXPECT_EQ(steps("1e9"), PlantSimulation::kMaxDeadTimeSteps);
}

TEST_F(SimulationSettingsFile, WrittenSettingsReadBackAndKeepOtherKeys) {
    Write("[Regulator R1]\r\nName=R1\r\nPBnd=250\r\n[Regulator R2]\r\nName=R2\r\n");
    PlantSettings p;
    p.su = 1.75, p.su2 = 0.5, p.tau1 = 7.125, p.tau2 = 3, p.tau3 = 1.5, p.delta = 0.35, p.omega = 0.8;
    p.tauA = 33, p.minSU = -20, p.maxSU = 80, p.simT = 0.5, p.dDelta = 12, p.y0 = 10, p.ys = 5;
    p.astat = true, p.simulation = true, p.delay = true, p.plantType = kPlantThirdOrder;
    p.addOut = kDisturbanceWord, p.addOutName = "Dist_W";
    {
        IniFile file(path_);
        WritePlantSettings(file, "Regulator R1", p);
    }
    IniFile file(path_);
    EXPECT_EQ(ReadPlantSettings(file, "Regulator R1"), p);
    EXPECT_EQ(file.readString("Regulator R1", "PBnd", ""), "250");
    EXPECT_EQ(file.readString("Regulator R1", "Tau1", ""), "7.125");
    EXPECT_EQ(file.readString("Regulator R1", "DDelta", ""), "12");
    EXPECT_EQ(file.readString("Regulator R1", "Simulation", ""), "1");
    EXPECT_FALSE(file.valueExists("Regulator R2", "Tau1"));
}

TEST_F(SimulationSettingsFile, InputsOfTheController) {
    Write(
        "[Regulator "
        "R1]\nType=PID\nY1CNVMode=1231\nY3CNVMode=-720\nMinY=-1000\nMaxY=2600\nY3x1=100\nY3x2=900\n"
        "[Regulator R2]\nType=PIDA\n");
    IniFile file(path_);
    SimulatedInputs e;
    e.y1Mode = 1231, e.y3Mode = -720, e.minY = -1000, e.maxY = 2600, e.y3x1 = 100, e.y3x2 = 900, e.plcTypeIndex = 3;
    EXPECT_EQ(ReadSimulatedInputs(file, "Regulator R1", 3), e);
    EXPECT_FALSE(ReadSimulatedInputs(file, "Regulator R2", 0).pidController);
    const SimulatedInputs defaults = ReadSimulatedInputs(file, "Regulator R3", 0);
    EXPECT_EQ(defaults, SimulatedInputs{});
}

}  // namespace
}  // namespace velmora
