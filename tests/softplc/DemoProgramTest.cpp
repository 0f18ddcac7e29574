// The demo project's generated controllers, compiled and run on the soft PLC.
#include "PlcFixture.h"
#include <iostream>

namespace velmora::softplc::testing {
namespace {

TEST(DemoProgram, EveryGeneratedControllerCompilesAndRuns) {
    for (const std::string plcName : {"PLC1", "PLC2"}) {
        SCOPED_TRACE(plcName);
        GeneratedProject project(VELMORA_SOURCE_DIR "/examples/demo", plcName);
        RunningPlc run;
        ASSERT_TRUE(run.load(project)) << run.diagnostics();
        for (auto& f : project.files()) std::cout << f << "\n";
        std::cout << run.diagnostics() << "max stack " << run.engine.program().maxStack << " calls " << run.engine.program().maxCalls << "\n";
        run.engine.start(Restart::Cold);
        run.engine.advance(5000);
        ASSERT_TRUE(run.engine.running()) << (run.engine.fault() ? run.engine.fault()->text + " at " + run.engine.fault()->position : "");
    }
}

}  // namespace
}  // namespace velmora::softplc::testing
