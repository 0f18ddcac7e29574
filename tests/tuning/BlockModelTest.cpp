// The preview's block models run call by call as the soft PLC's PID and PIDA
// blocks do: same output word (or REAL) and pulse bits at every call, through
// set-point steps, limits, manual and back, in each of the blocks' modes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "PlcBlocks.h"
#include "tuning/BlockModels.h"

namespace velmora::tuning::testing {
namespace {

using plc::PidaOffset;
using plc::PidOffset;

// A first-order plant (gain 1.2, T 4 s) with 0.5 s dead time, stepped with each 10 ms call.
struct Plant {
    double y = 30;
    std::vector<double> delay = std::vector<double>(50, 25);
    double step(double u) {
        delay.push_back(u);
        y += 0.01 / 4 * (1.2 * delay.front() - y);
        delay.erase(delay.begin());
        return y;
    }
};

struct PidCase {
    const char* name;
    PidBlockSettings s;
};

class PidBlockAgrees : public ::testing::TestWithParam<PidCase> {};

TEST_P(PidBlockAgrees, CallByCallWithTheSoftPlcs) {
    const PidBlockSettings& s = GetParam().s;
    std::uint8_t p[softplc::kPidBytes] = {};
    Load(p, s);
    PidBlockModel model(s);
    Plant plant;
    const double range = static_cast<double>(s.maxY) - s.minY;
    const auto raw = [&](double percent) {
        return static_cast<int>(std::lround(s.minY + percent * range / 100));
    };
    int w = raw(30), differences = 0;
    double position = 25;  // of the actuator a three-stage output drives, %
    for (int call = 0; call < 12000; ++call) {
        const bool automatic =
            call >= 20 && !(call >= 6000 && call < 6300);  // manual at the start and a while later
        if (call == 500) w = raw(45);
        if (call == 8000) w = raw(20);
        const int input1 = raw(plant.y);
        plc::PutInt16(p + PidOffset("Input1"), static_cast<std::int16_t>(input1));
        plc::PutInt16(p + PidOffset("gW"), static_cast<std::int16_t>(w));
        plc::PutUInt16(p + PidOffset("Control"), ControlWord(s, automatic));
        if (!automatic) {
            plc::PutInt16(p + PidOffset("Output"), 2500);
            model.setOutput(25);
        }
        softplc::RunPidBlock(p, 0, 0, 10);
        model.call(input1, w, 10, automatic);
        const double out = plc::GetInt16(p + PidOffset("CurOut")) / 100.0;
        const std::uint8_t status = p[PidOffset("Status")];
        if (out != model.output() || ((status & 1) != 0) != model.raising() ||
            ((status & 2) != 0) != model.lowering())
            if (++differences < 5)
                ADD_FAILURE() << "call " << call << ": PLC " << out << " model " << model.output();
        // A three-stage output drives an actuator (a stroke a minute): the plant sees its position.
        position += ((status & 1) - ((status & 2) >> 1)) * 100.0 / 60 * 0.01;
        plant.step(s.threeStage ? position : out);
    }
    EXPECT_EQ(differences, 0);
}

PidBlockSettings Pid(int pBnd, int ti, int td, int outCycle) {
    PidBlockSettings s;
    s.pBnd = pBnd, s.ti = ti, s.td = td, s.outCycle = outCycle;
    return s;
}
template <class S, class F>
S With(S s, F change) {
    change(s);
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PidBlockAgrees,
    ::testing::Values(
        PidCase{"incremental", Pid(500, 80, 10, 25)},
        PidCase{"positional", With(Pid(500, 80, 10, 25), [](auto& s) { s.incremental = false; })},
        PidCase{"positional_at_limits",
                With(Pid(100, 30, 0, 20), [](auto& s) { s.incremental = false, s.maxU = 6000; })},
        PidCase{"every_call", Pid(800, 50, 5, 0)},
        PidCase{"dead_band_and_cooling_band",
                With(Pid(400, 60, 0, 10), [](auto& s) { s.eGap = 150, s.relCool = 500; })},
        PidCase{"integral_and_derivative_gaps",
                With(Pid(400, 60, 20, 10), [](auto& s) { s.iGap = 500, s.dGap = 300; })},
        PidCase{"rate_limit", With(Pid(200, 60, 10, 10), [](auto& s) { s.dMaxU = 50; })},
        PidCase{"setpoint_filter", With(Pid(500, 80, 10, 20), [](auto& s) { s.tiW = 8; })},
        PidCase{"setpoint_ramp", With(Pid(500, 80, 10, 20), [](auto& s) { s.tiW = 30, s.ramp = true; })},
        PidCase{"reverse_raw_range",
                With(Pid(500, 80, 0, 20), [](auto& s) { s.reverse = true, s.minY = 1500, s.maxY = 2300; })},
        PidCase{"three_stage", With(Pid(500, 80, 0, 50), [](auto& s) { s.threeStage = true, s.fu = 3; })},
        PidCase{"three_stage_rate",
                With(Pid(300, 60, 0, 100), [](auto& s) { s.threeStage = true, s.dMaxU = 300; })}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------------ PIDA

struct PidaCase {
    const char* name;
    PidaBlockSettings s;
};

class PidaBlockAgrees : public ::testing::TestWithParam<PidaCase> {};

TEST_P(PidaBlockAgrees, CallByCallWithTheSoftPlcs) {
    const PidaBlockSettings& s = GetParam().s;
    std::uint8_t p[softplc::kPidaBytes] = {};
    Load(p, s);
    PidaBlockModel model(s);
    Plant plant;
    double sp = 30;
    int differences = 0;
    for (int call = 0; call < 12000; ++call) {
        const bool manual = call < 20 || (call >= 6000 && call < 6300);
        if (call == 500) sp = 45;
        if (call == 8000) sp = 20;
        plc::PutReal(p + PidaOffset("sp"), static_cast<float>(sp));
        plc::PutReal(p + PidaOffset("pv"), static_cast<float>(plant.y));
        plc::PutReal(p + PidaOffset("hv"), 25.0f);
        p[PidaOffset("MAN")] = manual;
        softplc::RunPidaBlock(p, 10);
        model.call(sp, plant.y, 10, manual, 25);
        const double out = plc::GetReal(p + PidaOffset("mv"));
        if (out != model.output() && ++differences < 5)
            ADD_FAILURE() << "call " << call << ": PLC " << out << " model " << model.output();
        plant.step(out);
    }
    EXPECT_EQ(differences, 0);
}

PidaBlockSettings Pida(int type, double k, double ti, double td) {
    PidaBlockSettings s;
    s.irType = type, s.k = k, s.ti = ti, s.td = td, s.ts = 0.25;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PidaBlockAgrees,
    ::testing::Values(
        PidaCase{"pid", Pida(7, 1.5, 6, 1)},
        PidaCase{"pi_weighted", With(Pida(6, 1.5, 6, 0), [](auto& s) { s.b = 0.4; })},
        PidaCase{"p_only", Pida(4, 2, 0, 0)},
        PidaCase{"derivative_on_weighted_error",
                 With(Pida(7, 1.2, 8, 2), [](auto& s) { s.c = 0.5, s.nd = 6; })},
        PidaCase{"serial", With(Pida(7, 1.2, 8, 1.5), [](auto& s) { s.serial = true; })},
        PidaCase{"tracking_at_the_limit", With(Pida(6, 5, 2, 0), [](auto& s) { s.hilim = 50, s.tt = 0.5; })},
        PidaCase{"reverse", With(Pida(6, 1, 6, 0), [](auto& s) { s.reverse = true, s.lolim = -100; })},
        PidaCase{"sampled_each_call", With(Pida(7, 1, 6, 0.5), [](auto& s) { s.ts = 0; })},
        PidaCase{"ts_between_calls", With(Pida(7, 1, 6, 0.5), [](auto& s) { s.ts = 0.125; })}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::tuning::testing
