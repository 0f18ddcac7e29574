// The function blocks: CNV against the simulation's inverse conversions, PID in closed loops.
#include <cmath>
#include <memory>

#include "PlcFixture.h"
#include "simulation/InputConversion.h"
#include "simulation/ViewSimulation.h"
#include "softplc/Blocks.h"

namespace velmora::softplc::testing {
namespace {

struct Mode {
    int mode;
    double lo, hi;  // input range of the module
    int plcTypeIndex;
};

class InputModes : public ::testing::TestWithParam<Mode> {};

TEST_P(InputModes, ReadBackWhatTheSimulationSent) {
    const Mode m = GetParam();
    for (int percent = 0; percent <= 100; percent += 5) {
        const double v = std::round(m.lo + (m.hi - m.lo) * percent / 100.0);
        const int raw = ConvertInputToRaw(m.mode, v, m.plcTypeIndex);
        bool valid = false;
        const int back = ForwardInputConversion(m.mode, raw, m.plcTypeIndex, valid);
        ASSERT_TRUE(valid) << percent;
        // One raw step further must read higher (or be the top of the range).
        const int next = ConvertInputToRaw(m.mode, back, m.plcTypeIndex);
        EXPECT_EQ(next, raw) << "mode " << m.mode << " at " << percent << " %: " << back;
        // Steps of these modules are at most a few tenths of a percent of their range.
        EXPECT_NEAR(back, v, (m.hi - m.lo) * 0.003) << percent;
    }
    // 40 % of a 0..10000 module reads back as 40 %.
    if (m.lo == 0 && m.hi == 10000) {
        bool valid = false;
        EXPECT_EQ(ForwardInputConversion(m.mode, ConvertInputToRaw(m.mode, 4000, m.plcTypeIndex),
                                         m.plcTypeIndex, valid),
                  4000);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, InputModes,
    ::testing::Values(Mode{401, 0, 10000, 10}, Mode{410, 0, 10000, 10}, Mode{420, 0, 2560, 10},
                      Mode{421, -1000, 4260, 10}, Mode{431, -1000, 2680, 10}, Mode{501, 0, 10000, 12},
                      Mode{1102, -10000, 10000, 5}, Mode{1201, 0, 10000, 5}, Mode{1210, 0, 10000, 5},
                      Mode{1232, -500, 1520, 5}, Mode{1526, -1000, 6200, 5}, Mode{2001, 0, 10000, 2},
                      Mode{2010, 0, 10000, 0}, Mode{2030, 0, 1870, 2}, Mode{2033, -500, 1600, 2}));

TEST(InputModes, TheValidMarkDecidesMeasuringErrorsAndSign) {
    bool valid = true;
    // A module that marks valid readings: no mark, no reading.
    EXPECT_EQ(ForwardInputConversion(401, 1600, 0, valid), kInputOverflow);
    EXPECT_FALSE(valid);
    // The bipolar modules mark the positive half.
    EXPECT_EQ(ForwardInputConversion(402, ConvertInputToRaw(402, -5000, 0), 0, valid), -5000);
    EXPECT_TRUE(valid);
    EXPECT_EQ(ForwardInputConversion(402, ConvertInputToRaw(402, 5000, 0), 0, valid), 5000);
    // No conversion: the word itself.
    EXPECT_EQ(ForwardInputConversion(0, -123, 0, valid), -123);
}

TEST(Conversion, ScalesFiltersAndPassesErrorsOn) {
    std::uint8_t table[8] = {0, 0, 0x10, 0x27, 0, 0, 0x28, 0x23};  // 0..10000 -> 0..9000
    std::uint8_t filter[4] = {};
    ConversionArgs a;
    a.value = 5000, a.flags = 3, a.table = table;
    EXPECT_EQ(RunConversion(a), 4500);
    a.flags = 7, a.filter = filter;
    // Half way after one step as long as the time constant: one cycle, or 1000 ms on type index 14.
    for (const auto& [typeIndex, tau] : {std::pair{0, 1}, {14, 1000}}) {
        a.value = 5000, a.tau = 0;  // starts the filter at the input
        EXPECT_EQ(RunConversion(a), 4500);
        a.value = 10000, a.tau = tau, a.plcTypeIndex = typeIndex, a.dtMs = 1000;
        EXPECT_EQ(RunConversion(a), 6750) << typeIndex;
    }
    a.mode = 401, a.value = 1600;  // no valid mark
    EXPECT_EQ(RunConversion(a), kInputOverflow);
}

class Loops : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(run.load(project)) << run.diagnostics();
        run.engine.start(Restart::Cold);
    }
    // Closes a controller's loop through the view's plant simulation, stepped every 0.1 s; every SimT the
    // test carries CurOut and the simulated input between it and PLC memory, as the view's exchange does.
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
            l->simulation.sampleTime() * 1000,
            [this, l] {
                if (l->writes.y1) {
                    ASSERT_TRUE(run.plc.writeValue(l->input, l->writes.y1->value));
                }
                l->reading.valid = true;
                l->reading.curOut = run.word(l->curOut);
            },
            0.0);
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
    closeLoop("Prop");
    for (const auto& [eGap, y] : {std::pair{0, 4000}, {500, 3667}}) {
        ASSERT_TRUE(run.plc.writeValue("Prop_EGap", eGap));
        run.engine.advance(120000);
        ASSERT_TRUE(run.engine.running());
        EXPECT_NEAR(run.word("Prop_Input1"), y, 10) << "EGap " << eGap;
        EXPECT_NEAR(run.word("Prop_Dev"), 6000 - y, 10) << "EGap " << eGap;
    }
}

TEST_F(Loops, TheThreeStageOutputPulsesUntilTheActuatorReachesTheDemand) {
    // Manual: the demand is Output; the actuator runs dMaxU = 10 % per 1 s period.
    int up = 0, down = 0;
    ASSERT_TRUE(run.plc.writeValue("Stepper_Output", 1000));
    run.engine.advance(3000);
    run.engine.afterCycle = [&] {
        up += run.plc.readValue("Up2") == 1.0;
        down += run.plc.readValue("Down2") == 1.0;
    };
    ASSERT_TRUE(run.plc.writeValue("Stepper_Output", 3000));
    run.engine.advance(6000);
    EXPECT_EQ(std::make_pair(up, down), std::make_pair(200, 0)) << "two whole periods";
    EXPECT_EQ(run.word("Stepper_CurOut"), 3000);
    ASSERT_TRUE(run.plc.writeValue("Stepper_Output", 2500));
    up = 0;
    run.engine.advance(3000);
    EXPECT_EQ(std::make_pair(up, down), std::make_pair(0, 50)) << "half a period";
    EXPECT_TRUE(run.plc.readValue("Stepper_Status.UM") == 1.0) << "manual mode is shown";
    // At 100 % the model has arrived after 7.5 periods, but the pulses go on into the end stop.
    ASSERT_TRUE(run.plc.writeValue("Stepper_Output", 10000));
    run.engine.advance(10000), up = 0, run.engine.advance(5000);
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
