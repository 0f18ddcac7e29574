// The preview's figures against a direct simulation: the soft PLC's own block
// called every 10 ms around the continuous plant integrated in 1 ms steps;
// and the margins against a loop whose margins are known in closed form.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <deque>

#include "PlcBlocks.h"
#include "TuningFixture.h"
#include "base/Texts.h"
#include "tuning/LoopFigures.h"
#include "tuning/LoopPreview.h"
#include "tuning/NumberText.h"

namespace velmora::tuning::testing {
namespace {

constexpr double kScan = 0.01, kFine = 0.001;

// The continuous plant, integrated with Euler steps (state: two lags and the integrator).
class Continuous {
public:
    Continuous(const ProcessModel& m)
        : m_(m), delay_(static_cast<std::size_t>(std::lround(m.deadTime / kFine)), 0.0) {}
    double step(double du) {
        delay_.push_back(du);
        const double in = delay_.front();
        delay_.pop_front();
        const double t = m_.timeConstant;
        if (m_.lags == 1) {
            x1_ += kFine / t * (in - x1_);
        } else {
            const double a = (in - x1_ - 2 * m_.damping * t * x2_) / (t * t);
            x1_ += kFine * x2_, x2_ += kFine * a;
        }
        integral_ += kFine * x1_;
        return m_.gain * (m_.integrating ? integral_ : x1_);
    }

private:
    ProcessModel m_;
    std::deque<double> delay_;
    double x1_ = 0, x2_ = 0, integral_ = 0;
};

struct Direct {
    double overshoot = 0, settling = 0, iae = 0, loadIae = 0;
};

// The soft PLC's block and the plant, set-point step at 0 and load step at the horizon.
Direct Simulate(const ProcessModel& m, const LoopController& c, const PreviewOptions& o) {
    std::uint8_t pid[softplc::kPidBytes] = {}, pida[softplc::kPidaBytes] = {};
    Load(pid, c.pid);
    Load(pida, c.pida);
    const double step = o.setpointStep, w1 = o.y0 + step;
    const auto call = [&](double w, double y, bool automatic) {
        if (c.kind == ControllerKind::Pidma) {
            plc::PutReal(pida + PidaOffset("sp"), static_cast<float>(w));
            plc::PutReal(pida + PidaOffset("pv"), static_cast<float>(y));
            plc::PutReal(pida + PidaOffset("hv"), static_cast<float>(o.u0));
            pida[PidaOffset("MAN")] = !automatic;
            softplc::RunPidaBlock(pida, kScan * 1000);
            return static_cast<double>(plc::GetReal(pida + PidaOffset("mv")));
        }
        plc::PutInt16(pid + PidOffset("Input1"), static_cast<std::int16_t>(std::lround(y * 100)));
        plc::PutInt16(pid + PidOffset("gW"), static_cast<std::int16_t>(std::lround(w * 100)));
        plc::PutInt16(pid + PidOffset("Output"), static_cast<std::int16_t>(std::lround(o.u0 * 100)));
        plc::PutUInt16(pid + PidOffset("Control"), ControlWord(c.pid, automatic));
        softplc::RunPidBlock(pid, 0, 0, kScan * 1000);
        return plc::GetInt16(pid + PidOffset("CurOut")) / 100.0;
    };
    // A three-stage output drives an actuator a stroke a minute while UH or UC is on; the
    // block's model of it starts at 0, so it is driven to the operating point in manual first.
    const bool threeStage = c.kind == ControllerKind::Pid && c.pid.threeStage;
    double position = threeStage ? 0 : o.u0;
    const auto actuator = [&] {
        const std::uint8_t status = pid[PidOffset("Status")];
        position =
            std::clamp(position + ((status & 1) - ((status & 2) >> 1)) * 100.0 / 60 * kScan, 0.0, 100.0);
        return position;
    };
    const long perSample = std::lround(SamplePeriod(c, kScan) / kScan);
    for (long i = 0; i < (threeStage ? std::lround(o.u0 * 0.6 / kScan) + 2 * perSample : 1); ++i) {
        call(o.y0, o.y0, false);
        if (threeStage) actuator();
    }
    // In automatic at rest; the step then comes at a sample, as in the preview.
    for (long i = 0; i < 4 * perSample - 1; ++i) {
        call(o.y0, o.y0, true);
        if (threeStage) actuator();
    }
    const double reference = position;
    Continuous plant(m);
    Direct d;
    double y = o.y0, last = 0;
    const long calls = std::lround(o.horizon / kScan);
    for (long i = 0; i < 2 * calls; ++i) {
        double u = call(w1, y, true);
        if (threeStage) u = actuator();
        u += i >= calls ? o.loadStep : 0;
        for (int k = 0; k < 10; ++k) y = o.y0 + plant.step(u - reference);
        (i < calls ? d.iae : d.loadIae) += std::abs(w1 - y) * kScan;
        if (i < calls) {
            d.overshoot = std::max(d.overshoot, 100 * (y - w1) / step);
            if (std::abs(y - w1) > 0.02 * step) last = (i + 1) * kScan;
        }
    }
    d.settling = last;
    return d;
}

struct PreviewCase {
    const char* name;
    ProcessModel model;
    LoopController controller;
    double u0;
};

LoopController PidOf(int pBnd, int ti, int td, int outCycle, bool incremental, bool threeStage = false) {
    LoopController c;
    c.pid.pBnd = pBnd, c.pid.ti = ti, c.pid.td = td, c.pid.outCycle = outCycle;
    c.pid.incremental = incremental, c.pid.threeStage = threeStage, c.pid.minU = -10000;
    return c;
}

LoopController PidaOf(double k, double ti, double td, double b, double ts) {
    LoopController c;
    c.kind = ControllerKind::Pidma;
    c.pida.k = k, c.pida.ti = ti, c.pida.td = td, c.pida.b = b, c.pida.ts = ts, c.pida.lolim = -100;
    return c;
}

class PreviewMatchesDirectSimulation : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(PreviewMatchesDirectSimulation, OvershootSettlingAndIae) {
    const PreviewCase& c = GetParam();
    PreviewOptions o{.setpointStep = 10, .loadStep = -5, .scan = kScan, .y0 = 40, .u0 = c.u0};
    o.horizon = PreviewHorizon(c.model, SamplePeriod(c.controller, kScan), 0);
    const Preview p = PreviewLoop(c.model, c.controller, o);
    const Direct d = Simulate(c.model, c.controller, o);
    EXPECT_TRUE(p.settled);
    EXPECT_NEAR(p.setpoint.overshoot, d.overshoot, 0.5);
    EXPECT_NEAR(p.setpoint.settling, d.settling, 0.03 * d.settling + 0.05);
    EXPECT_NEAR(p.setpoint.iae, d.iae, 0.02 * d.iae);
    EXPECT_NEAR(p.load.iae, d.loadIae, 0.02 * d.loadIae);
    EXPECT_EQ(p.samplePeriod, SamplePeriod(c.controller, kScan));
}

INSTANTIATE_TEST_SUITE_P(
    Loops, PreviewMatchesDirectSimulation,
    ::testing::Values(
        PreviewCase{"pid_incremental_first_order", Model(1, false, 1.5, 8, 1, 2),
                    PidOf(1200, 90, 0, 50, true), 40 / 1.5},
        PreviewCase{"pid_positional_second_order", Model(2, false, 1, 3, 1.2, 1),
                    PidOf(700, 70, 15, 20, false), 40},
        PreviewCase{"pid_three_stage", Model(1, false, 1, 20, 1, 2), PidOf(500, 200, 0, 100, true, true), 40},
        PreviewCase{"pida_oscillating", Model(2, false, 1, 1.4, 0.5, 0.5), PidaOf(0.4, 2.5, 0.3, 0.6, 0.1),
                    40},
        PreviewCase{"pida_integrating", Model(1, true, 0.05, 5, 1, 2), PidaOf(2.5, 40, 2, 0.5, 0.3), 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PreviewLoop, StepsDownNearTheTopKeepsItsCurveShortAndSaysWhenTheLoopRunsAway) {
    const PreviewOptions o{.y0 = 95, .u0 = 95, .curvePoints = 300};
    const Preview p = PreviewLoop(Model(1, false, 1, 5, 1, 1), PidOf(500, 60, 0, 10, true), o);
    EXPECT_EQ(p.setpointStep, -10);
    EXPECT_TRUE(p.settled);
    EXPECT_LE(p.time.size(), 300u);
    EXPECT_NEAR(p.time.back(), 2 * p.horizon, 2 * p.horizon / 300);
    EXPECT_NEAR(p.y.back(), 85, 0.2);
    // Direct action on a falling process: y runs away.
    const Preview wrong = PreviewLoop(Model(1, false, -1, 5, 1, 1), PidOf(500, 60, 0, 10, false), {});
    EXPECT_FALSE(wrong.settled);
    EXPECT_TRUE(std::isinf(wrong.margins.ms));
}

// The load must be one the output can take back: one that needs more than the output's room
// shows a loop running away where the loop is fine, and one on the side without room a loop
// that cannot act.
TEST(PreviewLoop, TheLoadIsOneTheOutputCanTakeBack) {
    struct Case {
        const char* what;
        ProcessModel model;
        double u0, lo, hi, load;
    };
    for (const Case& c :
         {Case{"static, room both ways", Model(1, false, 1, 5, 1, 0), 30, 0, 100, -10},
          Case{"static near the top: turned", Model(1, false, 1, 5, 1, 0), 95, 0, 100, 10},
          Case{"a weak process: held to half the room", Model(1, false, 0.05, 5, 1, 0), 30, 0, 100, -35},
          Case{"an integrator with hardly a lag at its limit", Model(1, true, 0.0324, 0.05, 1, 0), 0, 0, 100,
               -50},
          Case{"no room at all: as it was", Model(1, false, 1, 5, 1, 0), 30, 50, 50, -10}})
        EXPECT_NEAR(DefaultLoadStep(c.model, 10, 1, c.lo, c.hi, c.u0), c.load, 1e-9) << c.what;
    // The integrator at its limit: the preview's loop takes the load back and settles.
    LoopController c = PidOf(150, 120, 5, 100, true);
    c.pid.minU = 0;
    const Preview p = PreviewLoop(Model(1, true, 0.0324, 0.05, 1, 0), c, {.y0 = 30, .u0 = 0});
    EXPECT_NEAR(p.loadStep, -50, 1e-9);
    EXPECT_TRUE(std::isfinite(p.load.settling));
    EXPECT_LT(p.load.peak, 20);
}

// A PID block with an error dead band as wide as the settling band: y rests inside the dead band,
// perhaps outside the settling band, and the preview says why the step never settles.
TEST(PreviewLoop, SaysWhenTheDeadBandKeepsTheStepFromSettling) {
    LoopController c = PidOf(170, 100, 0, 100, true);
    for (const int eGap : {0, 40}) {
        c.pid.eGap = eGap;
        const Preview p = PreviewLoop(Model(1, true, 0.05, 1, 1, 0), c, {.y0 = 30, .u0 = 0});
        const bool said =
            !p.notes.empty() && p.notes.back().find("dead band EGap (0.40 %)") != std::string::npos;
        EXPECT_EQ(said, eGap != 0) << (p.notes.empty() ? "" : p.notes.back());
        EXPECT_EQ(std::isfinite(p.setpoint.settling) && std::isfinite(p.load.settling), eGap == 0);
    }
}

// The ±2 % settling time jumps by a swing where a swing grazes the band: wherever a small change of
// the gain makes it jump, the preview has said that it hangs on such a swing.
TEST(PreviewLoop, SaysWhenTheSettlingTimeHangsOnASwingThatGrazesTheBand) {
    const ProcessModel model = Model(1, false, 1, 10, 1, 2);
    double previous = NAN;
    bool saidBefore = false;
    int jumps = 0, said = 0;
    for (double k = 1.5; k <= 4.5; k += 0.02) {
        const Preview p =
            PreviewLoop(model, PidaOf(k, 10, 0, 1, 0.1), {.y0 = 30, .u0 = 30, .withLoad = false});
        ASSERT_TRUE(std::isfinite(p.setpoint.settling)) << k;
        bool grazes = false;
        for (const std::string& n : p.notes)
            if (n.starts_with("The set-point step's settling time hangs")) {
                grazes = true;
                EXPECT_NE(OwnMessage(n, 4, ',').find("касается полосы ±2 %: в полосе ±1,7 %"),
                          std::string::npos)
                    << n;
            }
        if (std::isfinite(previous) && std::abs(p.setpoint.settling / previous - 1) > 0.15) {
            ++jumps;
            EXPECT_TRUE(grazes || saidBefore)
                << "k " << k << ": " << previous << " s, then " << p.setpoint.settling;
        }
        said += grazes, previous = p.setpoint.settling, saidBefore = grazes;
    }
    EXPECT_GE(jumps, 2);
    EXPECT_LT(said, 75) << "most gains settle clear of the band";
}

// The step once more on the models a recording fits about as well: the spread holds each model's
// figures, and only a spread a user would read past is said.
TEST(PreviewLoop, SpreadsTheStepOverTheModelsTheRecordingFitsAsWell) {
    const ProcessModel model = Model(1, false, 1, 5, 1, 1);
    const LoopController c = PidaOf(2, 6, 0, 1, 0.1);
    const PreviewOptions o{.y0 = 30, .u0 = 30};
    // The spread's notes (this loop's settling time also grazes its band, which is said apart).
    const auto spreadNotes = [](const Preview& p) {
        std::vector<std::string> said;
        for (const std::string& n : p.notes)
            if (n.starts_with("The recording fits other models")) said.push_back(n);
        return said;
    };
    ProcessModel longer = model, slower = model;
    // The longer dead time moves the overshoot by 10 points, the settling time by 5 % only.
    longer.deadTime = 1.6, slower.timeConstant = 5.2;
    Preview p = PreviewLoop(model, c, o);
    const double own = p.setpoint.overshoot;
    SpreadOver(p, {slower}, c, o);
    EXPECT_LE(p.spread.overshootLow, own);
    EXPECT_LT(p.spread.overshootHigh - p.spread.overshootLow, 3);
    EXPECT_TRUE(spreadNotes(p).empty()) << spreadNotes(p).front();

    p = PreviewLoop(model, c, o);
    SpreadOver(p, {longer}, c, o);
    const double longerOvershoot = PreviewLoop(longer, c, o).setpoint.overshoot;
    EXPECT_EQ(p.spread.overshootLow, std::min(own, p.spread.overshootLow));
    EXPECT_NEAR(p.spread.overshootHigh, std::max(own, longerOvershoot), 1e-9);
    EXPECT_GT(p.spread.overshootHigh, own + 3);
    EXPECT_LE(p.spread.settlingLow, p.setpoint.settling);
    EXPECT_GE(p.spread.settlingHigh, p.setpoint.settling);
    ASSERT_EQ(spreadNotes(p).size(), 1u);
    EXPECT_NE(spreadNotes(p)[0].find("overshoots by " + FixedText(p.spread.overshootLow, 1) + " .. " +
                                     FixedText(p.spread.overshootHigh, 1) + " %"),
              std::string::npos)
        << spreadNotes(p)[0];

    // A model on which the loop runs away: the step does not settle on every one.
    ProcessModel far = model;
    far.deadTime = 8;
    p = PreviewLoop(model, c, o);
    SpreadOver(p, {far}, c, o);
    EXPECT_TRUE(p.spread.unsettled);
    ASSERT_EQ(spreadNotes(p).size(), 1u);
    EXPECT_NE(spreadNotes(p)[0].find(", or not at all."), std::string::npos) << spreadNotes(p)[0];
}

// An integrator with dead time under P control: L = k·K·e^{−jωL}/(jω), so the gain
// crossover is at ω = kK with PM = 90° − kK·L, and the phase reaches −180° at
// ω = π/(2L) with GM = π/(2·L·k·K). The hold adds half a sample of delay.
TEST(LoopFigures, MarginsOfAnIntegratorWithDeadTimeUnderPControl) {
    const double K = 0.1, L = 2, k = 1.5, T = 0.01, delay = L + T / 2;
    LoopController c = PidaOf(k, 0, 0, 1, T);
    c.pida.irType = 4;
    const FrequencyFigures f = ModelLoopFigures(Model(1, true, K, 1e-4, 1, L), LawOf(c), T, false);
    const double pi = std::acos(-1.0);
    EXPECT_NEAR(f.phaseMargin, 90 - k * K * delay * 180 / pi, 0.3);
    EXPECT_NEAR(f.gainMargin, pi / (2 * delay * k * K), 0.02 * f.gainMargin);
    double least = INFINITY;
    for (double w = 1e-3; w < pi / T; w *= 1.0005)
        least = std::min(least, std::abs(1.0 + k * K * std::exp(std::complex<double>(0, -w * delay)) /
                                                   std::complex<double>(0, w)));
    EXPECT_NEAR(f.ms, 1 / least, 0.01);
}

}  // namespace
}  // namespace velmora::tuning::testing
