// The demo project's generated controllers, compiled and run on the soft PLC.
#include "PlcFixture.h"

namespace velmora::softplc::testing {
namespace {

TEST(DemoProgram, EveryGeneratedControllerCompilesAndRuns) {
    for (const std::string plcName : {"PLC1", "PLC2"}) {
        SCOPED_TRACE(plcName);
        GeneratedProject project(VELMORA_SOURCE_DIR "/examples/demo", plcName);
        RunningPlc run;
        ASSERT_TRUE(run.load(project)) << run.diagnostics();
        run.engine.start(Restart::Cold);
        run.engine.advance(5000);
        ASSERT_TRUE(run.engine.running())
            << run.engine.fault()->text << " at " << run.engine.fault()->position;
        EXPECT_GT(run.engine.machine().executed(), 0u);
        EXPECT_LE(run.engine.program().maxStack, kStackCells);
    }
}

}  // namespace
}  // namespace velmora::softplc::testing
