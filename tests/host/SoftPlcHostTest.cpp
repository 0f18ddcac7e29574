// The stand-in's soft PLC behind the host interfaces and in runs of `velmora-host run`.
#include <gtest/gtest.h>

#include <sstream>

#include "HostTestSupport.h"
#include "base/IniFile.h"
#include "base/com/TaskString.h"
#include "codegen/Generator.h"
#include "host/Commands.h"
#include "host/HostIde.h"
#include "host/HostSoftPlc.h"

namespace velmora::testing {
namespace {

using host::HostIde;
using host::HostSoftPlc;

std::optional<std::string> Translate(HostIde& ide, const char* name) {
    com::TaskStringOut text;
    if (ide.TranslateSymbol(name, text.put()) != S_OK) return std::nullopt;
    return text.str();
}

std::int32_t State(HostIde& ide) {
    std::int32_t state = -1;
    EXPECT_EQ(ide.GetPlcState(&state), S_OK);
    return state;
}

// Generates a PLC's controllers as the plug-in does, registering each file with the host.
void Generate(HostIde& ide, const std::string& plc, int type, int series) {
    IniFile file(ide.projectFolder() / "Velmora" / (plc + ".rglx"));
    GeneratorContext ctx;
    ctx.projectDir = ide.projectFolder();
    ctx.plcName = plc;
    ctx.plcType = type;
    ctx.series = series;
    ctx.registerFile = [&](const std::string& name) {
        std::int32_t handle = 0;
        return ide.AddFile((ide.projectDirectory() + name).c_str(), 0, "", &handle) == S_OK;
    };
    ASSERT_EQ(GenerateAllControllers(file, ctx).warnings, std::vector<std::string>{});
}

struct Pass {
    PlcRequestFunction request = nullptr;
    std::uint32_t status = 0;
};
std::vector<Pass> g_passes;
void Record(PlcRequestFunction request, std::intptr_t, std::intptr_t, std::uint32_t status) {
    g_passes.push_back({request, status});
}

using SoftPlcHost = ScratchProject;

TEST_F(SoftPlcHost, LookUpFollowsTheOpenPlcAndItsCompiledDeclarations) {
    HostIde ide(project);
    HostSoftPlc soft(ide);
    ASSERT_TRUE(ide.openPlc("PLC1"));
    EXPECT_EQ(Translate(ide, "Boiler_T"), "INT %R200");
    EXPECT_EQ(Translate(ide, "Boiler_PBnd"), std::nullopt) << "nothing generated yet";
    Generate(ide, "PLC1", 14, 6);
    Generate(ide, "PLC2", 2, 4);
    EXPECT_EQ(Translate(ide, "Boiler_PBnd"), std::nullopt) << "reloaded only by a compilation";
    ASSERT_TRUE(ide.compile());
    EXPECT_EQ(soft.loadedFiles(),
              (std::vector<std::string>{"Velmora\\Boiler_def.ST", "Velmora\\Mixer_def.orv",
                                        "Velmora\\Dryer_def.ST", "Velmora\\Kiln_def.orv"}));
    EXPECT_EQ(Translate(ide, "Boiler_PBnd"), "INT %R1065");
    EXPECT_EQ(Translate(ide, "Boiler_struct"), "%R1032");
    EXPECT_EQ(Translate(ide, "Chiller_PBnd"), std::nullopt) << "PLC2's controller is not PLC1's";
    EXPECT_EQ(soft.plc().symbols().problems(), std::vector<std::string>{});
    ide.closePlc();
    ASSERT_TRUE(ide.openPlc("PLC2"));
    EXPECT_TRUE(Translate(ide, "Chiller_PBnd"));
    EXPECT_EQ(Translate(ide, "Boiler_PBnd"), std::nullopt);
    EXPECT_EQ(Translate(ide, "Chiller_Valve"), "INT %R102");
}

TEST_F(SoftPlcHost, StateQueryAndLoopPassesFollowTheSoftPlc) {
    HostIde ide(project);
    HostSoftPlc soft(ide);
    ASSERT_TRUE(ide.openPlc("PLC1"));
    for (const auto& [mode, state] :
         {std::pair{softplc::PlcMode::Halt, 0}, {softplc::PlcMode::Error, 3}, {softplc::PlcMode::Run, 1}}) {
        soft.plc().setMode(mode);
        EXPECT_EQ(State(ide), state);
    }
    g_passes.clear();
    ASSERT_EQ(ide.RegisterCallback(&Record), S_OK);
    ide.RegisterCallback(&Record);
    EXPECT_EQ(ide.callbackCount(), 1u) << "registered once";
    soft.pass();
    ASSERT_EQ(g_passes.size(), 1u);
    ASSERT_NE(g_passes[0].request, nullptr);
    EXPECT_EQ(g_passes[0].status & 0xB0080u, 0xB0080u) << "connected, running, data valid";
    // The request function reaches the soft PLC's memory.
    ASSERT_TRUE(soft.plc().writeInt16("Boiler_T", 1234));
    const std::uint8_t read[] = {3, 200, 0, 2};  // one item: area R, offset 200, 2 bytes
    std::uint8_t response[16] = {};
    std::int32_t length = sizeof response;
    ASSERT_EQ(g_passes[0].request(kPlcRead, sizeof read, read, &length, response, 100, 0), 0);
    EXPECT_EQ(std::make_pair(length, response[0] | (response[1] << 8)), std::make_pair(2, 1234));
    soft.loseConnection(true);
    EXPECT_EQ(State(ide), 2);
    soft.pass();
    ASSERT_EQ(g_passes.size(), 2u);
    EXPECT_TRUE(g_passes[1].request == nullptr && g_passes[1].status == 0u);
    soft.regainConnection();
    soft.pass();
    EXPECT_NE(g_passes[2].request, nullptr);
    ide.UnregisterCallback(&Record);
    soft.pass();
    EXPECT_EQ(g_passes.size(), 3u) << "unregistered: no more passes";
}

TEST_F(SoftPlcHost, RunClosesTheLoopOfAnOnlineControllerThroughItsPlant) {
    // Chiller: a cooling plant read through its input module (mode 2010), reverse action.
    const auto rows = RunRows(project,
                              "--plc PLC2 --seconds 1200 --sample-ms 1000 --online Chiller --trace "
                              "Chiller_input1 --trace Chiller_CurOut --at 600 set Chiller_gW=5000");
    ASSERT_EQ(rows.size(), 1202u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"time", "Chiller_input1", "Chiller_CurOut"}));
    const auto at = [&](int second, int column) { return std::stoi(rows[1 + second][column]); };
    EXPECT_NEAR(at(599, 1), 3500, 100) << "settled on the first set point";
    EXPECT_NEAR(at(1200, 1), 5000, 100) << "settled on the step";
    EXPECT_LT(at(620, 2), at(599, 2)) << "warmer water wanted: the valve closes";
}

TEST_F(SoftPlcHost, RunKeepsParametersSavedWithChnAcrossAWarmRestartOnly) {
    // The first restart after a download records the release number; then the
    // view's write of PBnd with CHN, and a restart; the trace shows the working PBnd.
    for (const auto& [kind, expected] :
         {std::pair<std::string, std::string>{"warm", "900"}, {"cold", "400"}}) {
        const auto rows = RunRows(project,
                                  "--plc PLC2 --seconds 4 --sample-ms 1000 --trace Chiller_PBnd --at 0.5 "
                                  "restart warm --at 1 set Chiller_PBnd=900 --at 1 set "
                                  "Chiller_Control.11=1 --at 2.5 restart " +
                                      kind);
        ASSERT_EQ(rows.size(), 6u) << kind;
        EXPECT_EQ(rows[2][1], "900") << kind;
        EXPECT_EQ(rows[5][1], expected) << kind;
    }
}

}  // namespace
}  // namespace velmora::testing
