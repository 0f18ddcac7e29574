// The engine on the demo's generated programs, and Chiller's retained-copy protocol.
#include "PlcFixture.h"

namespace velmora::softplc::testing {
namespace {

TEST(DemoProgram, EveryGeneratedControllerCompilesAndRuns) {
    for (const std::string plcName : {"PLC1", "PLC2"}) {
        SCOPED_TRACE(plcName);
        GeneratedProject project(VELMORA_SOURCE_DIR "/examples/demo", plcName);
        RunningPlc run;
        ASSERT_TRUE(run.load(project)) << run.diagnostics();
        run.engine.start(Restart::Cold), run.engine.advance(5000);
        ASSERT_TRUE(run.engine.running())
            << run.engine.fault()->text << " at " << run.engine.fault()->position;
        EXPECT_GT(run.engine.machine().executed(), 0u);
        EXPECT_LE(run.engine.program().maxStack, kStackCells);
    }
}

struct Scenario {
    const char* what;
    // Between the stop and the last start; `kind` is that start's.
    void (*between)(GeneratedProject& project, RunningPlc& run, Restart& kind);
    int pBnd;  // after the last start
};

class RetainedProtocol : public ::testing::TestWithParam<Scenario> {};

TEST_P(RetainedProtocol, DecidesWhichParametersTheRestartFinds) {
    GeneratedProject project(VELMORA_SOURCE_DIR "/examples/demo", "PLC2");
    RunningPlc run;
    ASSERT_TRUE(run.load(project)) << run.diagnostics();
    const auto file = project.path() / "PLC2.retained";
    run.engine.setRetainedFile(file);
    run.engine.start(Restart::Warm);  // no file yet: the defaults
    run.engine.advance(100);
    EXPECT_EQ(run.word("Chiller_PBnd"), 400);
    // The first restart after a download records the release number.
    ASSERT_EQ(run.engine.stop(), "");
    run.engine.start(Restart::Warm);
    // The online view writes a band with CHN: the code saves it and clears CHN.
    ASSERT_TRUE(run.plc.writeValue("Chiller_PBnd", 900));
    ASSERT_TRUE(run.plc.writeValue("Chiller_Control.11", 1));
    run.engine.advance(100);
    EXPECT_EQ(run.plc.readValue("Chiller_Control.11"), 0.0);
    ASSERT_EQ(run.engine.stop(), "");
    Restart kind = Restart::Warm;
    GetParam().between(project, run, kind);
    run.engine.start(kind), run.engine.advance(100);
    EXPECT_EQ(run.word("Chiller_PBnd"), GetParam().pBnd);
    EXPECT_EQ(run.word("Chiller_gW"), 3500) << "the set point always starts from the generated value";
    EXPECT_TRUE(run.engine.running());
}

// The retained copy's file beside the project, with one digit of the saved band changed.
void DamageTheFile(GeneratedProject& project, RunningPlc&, Restart&) {
    std::string text = ReadBytes(project.path() / "PLC2.retained");
    const auto at = text.find("Chiller_PBnd_rem=");
    ASSERT_NE(at, std::string::npos) << text;
    text[at + 17] = text[at + 17] == '0' ? '1' : '0';
    WriteBytes(project.path() / "PLC2.retained", text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RetainedProtocol,
    ::testing::Values(Scenario{"warm restart keeps it", [](GeneratedProject&, RunningPlc&, Restart&) {}, 900},
                      Scenario{"cold restart",
                               [](GeneratedProject&, RunningPlc&, Restart& kind) { kind = Restart::Cold; },
                               400},
                      Scenario{"new release",
                               [](GeneratedProject& project, RunningPlc& run, Restart&) {
                                   project.generate();
                                   ASSERT_TRUE(run.load(project)) << run.diagnostics();
                               },
                               400},
                      Scenario{"CRC catches damage", DamageTheFile, 400},
                      Scenario{"file gone",
                               [](GeneratedProject& project, RunningPlc&, Restart&) {
                                   std::filesystem::remove(project.path() / "PLC2.retained");
                               },
                               400}),
    RowName<Scenario>);

}  // namespace
}  // namespace velmora::softplc::testing
