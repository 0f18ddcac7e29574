// The PID block run by generated code, in closed loops with the online view's
// plant simulation and on its three-stage output.
#include <memory>

#include "PlcFixture.h"
#include "simulation/ViewSimulation.h"

namespace velmora::softplc::testing {
namespace {

class Loops : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(run.load(project)) << run.diagnostics();
        run.engine.start(Restart::Cold);
    }
    // Closes a controller's loop through the view's plant simulation, stepped every 0.1 s; every
    // SimT the test carries CurOut and the simulated input between it and PLC memory, as the
    // view's exchange does.
    void closeLoop(const std::string& controller) {
        IniFile file(project.controllerFile());
        auto loop = std::make_unique<Closed>();
        loop->simulation.load(file, controller, project.plc().type);
        ASSERT_TRUE(loop->simulation.active());
        loop->input = file.readString("Regulator " + controller, "Y1Name", "");
        loop->curOut = controller + "_CurOut";
        Closed* l = loop.get();
        plants.push_back(std::move(loop));
        run.engine.every(
            l->simulation.sampleTime() * 1000, [this, l] {
                if (l->writes.y1) {
                    ASSERT_TRUE(run.plc.writeValue(l->input, l->writes.y1->value));
                }
                l->reading.valid = true;
                l->reading.curOut = run.word(l->curOut);
            }, 0.0);
        run.engine.every(100, [l] { l->writes = l->simulation.step(l->reading); });
    }

    struct Closed {
        ViewSimulation simulation;
        ControllerReading reading;
        SimulationWrites writes;
        std::string input, curOut;
    };
    GeneratedProject project{VELMORA_TEST_DATA "/loops", "PLC1"};
    RunningPlc run;
    std::vector<std::unique_ptr<Closed>> plants;
};

TEST_F(Loops, AProportionalLoopSettlesAtTheTextbookOffset) {
    // Kp = 100 % / 50 % = 2 on a plant of gain 1, w = 60 %: y = Kp (w - y - gap), the
    // dead band EGap in 0.01 % as the controller file keeps it.
    struct Row {
        int eGap;
        int y;
    };
    closeLoop("Prop");
    for (const Row& r : {Row{0, 4000}, Row{500, 3667}}) {
        ASSERT_TRUE(run.plc.writeValue("Prop_EGap", r.eGap));
        run.engine.advance(120000);
        ASSERT_TRUE(run.engine.running());
        EXPECT_NEAR(run.word("Prop_Input1"), r.y, 10) << "EGap " << r.eGap;
        EXPECT_NEAR(run.word("Prop_Dev"), 6000 - r.y, 10) << "EGap " << r.eGap;
    }
}

TEST_F(Loops, TheThreeStageOutputPulsesUntilTheActuatorReachesTheDemand) {
    // Manual: the demand is Output; the actuator runs dMaxU = 10 % per 1 s period.
    ASSERT_TRUE(run.plc.writeValue("Stepper_Output", 1000));
    run.engine.advance(3000);
    int up = 0, down = 0;
    run.engine.afterCycle = [&] {
        up += run.plc.readValue("Up2") == 1.0;
        down += run.plc.readValue("Down2") == 1.0;
    };
    ASSERT_TRUE(run.plc.writeValue("Stepper_Output", 3000));
    run.engine.advance(6000);
    EXPECT_EQ(up, 200) << "two whole periods";
    EXPECT_EQ(down, 0);
    EXPECT_EQ(run.word("Stepper_CurOut"), 3000);
    up = 0;
    ASSERT_TRUE(run.plc.writeValue("Stepper_Output", 2500));
    run.engine.advance(3000);
    EXPECT_EQ(down, 50) << "half a period";
    EXPECT_EQ(up, 0);
    EXPECT_TRUE(run.plc.readValue("Stepper_Status.UM") == 1.0) << "manual mode is shown";
    // At 100 % the model has arrived after 7.5 periods, but the pulses go on into the end stop.
    ASSERT_TRUE(run.plc.writeValue("Stepper_Output", 10000));
    run.engine.advance(10000);
    up = 0;
    run.engine.advance(5000);
    EXPECT_EQ(up, 500);
}

TEST_F(Loops, SwitchingFromManualToAutomaticIsBumpless) {
    closeLoop("Bumpless");
    // Manual at 40 %: the plant settles at 40 %; the user sets the set point to 50 %
    // (a manual start leaves it at MinY).
    ASSERT_TRUE(run.plc.writeValue("Bumpless_gW", 5000));
    run.engine.advance(60000);
    ASSERT_EQ(run.word("Bumpless_CurOut"), 4000);
    ASSERT_NEAR(run.word("Bumpless_Input1"), 4000, 10);
    ASSERT_TRUE(run.plc.writeValue("Bumpless_Control.AM", 1));
    run.engine.advance(100);  // one sample in automatic
    EXPECT_NEAR(run.word("Bumpless_CurOut"), 4000, 80) << "no jump by the proportional part (2 x 10 %)";
    run.engine.advance(400000);
    EXPECT_NEAR(run.word("Bumpless_Input1"), 5000, 15) << "the integral removes the offset";
    // Back to manual: the output holds where automatic left it.
    const int automatic = run.word("Bumpless_CurOut");
    ASSERT_TRUE(run.plc.writeValue("Bumpless_Control.AM", 0));
    run.engine.advance(1000);
    EXPECT_NEAR(run.word("Bumpless_CurOut"), automatic, 5);
}

TEST_F(Loops, TheIntegralDoesNotWindUpWhileTheOutputIsLimited) {
    closeLoop("Bumpless");
    ASSERT_TRUE(run.plc.writeValue("Bumpless_gW", 5000));
    ASSERT_TRUE(run.plc.writeValue("Bumpless_MaxU", 3000));  // the plant cannot reach 50 %
    ASSERT_TRUE(run.plc.writeValue("Bumpless_Control.AM", 1));
    run.engine.advance(300000);
    EXPECT_EQ(run.word("Bumpless_CurOut"), 3000);
    EXPECT_TRUE(run.plc.readValue("Bumpless_Det.UMX") == 1.0);
    // With the limit lifted the output leaves it at once instead of unwinding for minutes.
    ASSERT_TRUE(run.plc.writeValue("Bumpless_MaxU", 10000));
    ASSERT_TRUE(run.plc.writeValue("Bumpless_gW", 2000));
    run.engine.advance(2000);
    EXPECT_LT(run.word("Bumpless_CurOut"), 2500);
}

}  // namespace
}  // namespace velmora::softplc::testing
