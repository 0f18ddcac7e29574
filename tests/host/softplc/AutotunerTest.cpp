// The PIDA block and its autotuner on a structure in memory, in steps of 0.1 s.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string_view>

#include "simulation/PlantSimulation.h"
#include "softplc/Autotuner.h"
#include "softplc/BlockMemory.h"
#include "softplc/Blocks.h"

namespace velmora::softplc {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

consteval int At(std::string_view member) {
    return plc::PidaOffset(member);
}

PlantSettings First(double gain, double tau, int deadSteps = 0) {
    PlantSettings s;
    s.su = s.su2 = gain, s.tau1 = tau, s.delay = deadSteps > 0, s.dDelta = std::max(deadSteps, 1);
    return s;
}

struct Loop {
    std::uint8_t p[kPidaBytes] = {};
    PlantSimulation plant;
    std::function<double(double t)> extra;     // added to the measurement (noise, drift)
    std::function<double(double u)> ownPlant;  // replaces the simulation when set
    double t = 0;
    explicit Loop(const PlantSettings& settings = First(1, 10)) {
        set(At("Ts"), 0.2), set32(At("irType"), 7), set(At("sp"), 30), p[At("MAN")] = 1;
        set(At("k"), 1), set(At("ti"), 10), set(At("td"), 0), set(At("nd"), 10), set(At("b"), 1);
        set(At("tt"), 5), set(At("hilim"), 100), set(At("lolim"), 0);
        set32(At("itType"), 7), set32(At("iainf"), 1), set32(At("ispeed"), 2), set32(At("ipid"), 1);
        set(At("tn"), 2), set(At("tdg"), 10), set(At("amp"), 15), set(At("dy"), 5), hold(settings, 30);
    }
    // The plant at rest under the manual output u.
    void hold(PlantSettings s, double u) {
        s.simulation = true;
        if (!s.astat) s.y0 = std::clamp(s.ys + s.su * u, 0.0, 100.0);
        plant.load(s), plant.setPlantInput(u), set(At("hv"), u), set(At("mv"), u);
    }
    void set(int at, double v) { memory::SetF(p, at, v); }
    void set32(int at, std::int32_t v) { memory::Set32(p, at, v); }
    float get(int at) const { return memory::GetF(p, at); }
    std::int32_t get32(int at) const { return memory::Get32(p, at); }
    double output() const { return ownPlant ? ownY : plant.output(); }
    double ownY = 0;
    // The measurement is whatever the test puts into y.
    void measure(double& y) {
        ownPlant = [&y](double) { return y; }, ownY = y;
    }
    void step() {
        if (ownPlant) ownY = ownPlant(get(At("mv")));
        set(At("pv"), output() + (extra ? extra(t) : 0.0));
        RunPidaBlock(p, 100);
        if (!ownPlant) plant.setPlantInput(get(At("mv"))), plant.step();
        t += 0.1;
    }
    // Automatic from rest: the first call holds the manual output, then the block takes over
    // bumplessly with the parameters the test sets next.
    void automatic() { step(), p[At("MAN")] = 0, p[At("CHANGED")] = 1; }
    void run(double seconds) {
        for (double end = t + seconds; t < end - 1e-9;) step();
    }
    // Runs until the tuner is idle again; false if it was still busy after `limit` s.
    bool tune(double limit = 600) {
        p[At("TUNE")] = 1, step();
        for (double end = t + limit; t < end; step())
            if (!p[At("TBSY")] && !p[At("TUNE")]) return true;
        return false;
    }
};

// Every documented failure, provoked on its own.
struct FailureCase {
    const char* name;
    int code;
    std::function<void(Loop&)> arrange;
    double within = 600;  // s until the tuner must be idle again
};

TEST(PidaTuner, EachFailureIsReportedWithItsCode) {
    const FailureCase cases[] = {
        {"type not tunable", kTuneNotAvailable, [](Loop& l) { l.set32(At("itType"), 4); }},
        {"no room for the pulse", kTuneSaturated,
         [](Loop& l) { l.set(At("hilim"), 40), l.set(At("lolim"), 20); }},
        {"drift without compensation", kTuneNoSteadyState,
         [](Loop& l) { l.extra = [](double t) { return 0.5 * t; }; }},
        // Tuned 1 s after an output step, the plant (tau 10 s) still rises through the quiet phase,
        // by less than the drift a quiet phase of tn allows, but bent.
        {"still settling", kTuneNoSteadyState, [](Loop& l) { l.set(At("hv"), 33); }, 2.5},
        {"still settling, drift compensated", kTuneNoSteadyState,
         [](Loop& l) { l.p[At("DGC")] = 1, l.set(At("hv"), 33); }, 10.5},
        // Within heavy noise a short quiet phase misses the rise; the response then stops falling well
        // above its baseline.
        {"still settling under heavy noise", kTuneNoSteadyState,
         [](Loop& l) {
             l.set(At("hv"), 33);
             l.extra = [](double t) { return 0.5 * std::sin(t * 7.3); };
         },
         40},
        {"setpoint moved", kTuneNoSteadyState,
         [](Loop& l) { l.extra = [&l](double t) { return t > 6 ? l.set(At("sp"), 35), 0.0 : 0.0; }; }},
        {"plant does not respond", kTuneAmplitudeTooSmall,
         [](Loop& l) {
             PlantSettings s = First(0, 10);
             s.ys = 30, l.hold(s, 30);
         }},
        {"threshold within the noise", kTuneThresholdTooSmall,
         [](Loop& l) { l.extra = [](double t) { return 1.5 * std::sin(t * 7.3); }; }},
        {"pulse too strong for the plant", kTuneAmplitudeTooHuge, [](Loop& l) { l.hold(First(5, 0.2), 10); }},
        {"oscillating plant", kTuneNotMonotonic,
         [](Loop& l) {
             PlantSettings s = First(1, 10);
             s.plantType = kPlantSecondOrderOscillating, s.delta = 0.1, s.omega = 0.5;
             l.hold(s, 30), l.run(200);
         }},
        {"integrating plant declared static", kTunePeakNotFound,
         [](Loop& l) {
             PlantSettings s = First(1, 5);
             s.astat = true, s.tauA = 20, s.y0 = 30;
             l.set(At("lolim"), -100), l.hold(s, 0);
         }},
        {"response against the action", kTuneBadMoments, [](Loop& l) { l.p[At("RACT")] = 1; }},
        {"tail decays ever slower", kTuneExtrapolation,
         [](Loop& l) {
             // A fast lag in parallel with a slow one: the decay cannot be extrapolated as one exponential.
             l.ownPlant = [fast = 0.0, slow = 0.0](double u) mutable {
                 fast += (u - 30 - fast) * 0.1 / 1;
                 slow += (u - 30 - slow) * 0.1 / 40;
                 return 30 + 0.15 * fast + 0.85 * slow;
             };
             l.set(At("dy"), 3), l.ownY = 30;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Loop l;
        c.arrange(l), l.run(1);
        ASSERT_TRUE(l.tune(c.within));
        EXPECT_EQ(l.get32(At("ite")), c.code);
        EXPECT_EQ(l.p[At("TE")], 1);
    }
}

// A tune of a first-order plant with dead time, taken over, then a setpoint step.
struct TuneCase {
    int speed, type, form;
    double maxOvershoot;
};

TEST(PidaTuner, TunesAPlantWithDeadTimeToAQuietLoop) {
    for (const TuneCase c :
         {TuneCase{1, 7, 1, 0.05}, TuneCase{2, 7, 1, 0.2}, TuneCase{2, 6, 1, 0.2}, TuneCase{2, 7, 2, 0.2}}) {
        SCOPED_TRACE(testing::Message() << "speed " << c.speed << " type " << c.type << " form " << c.form);
        Loop l(First(1, 10, 20));
        l.set32(At("ispeed"), c.speed), l.set32(At("itType"), c.type), l.set32(At("ipid"), c.form);
        l.p[At("TAFF")] = 1, l.run(1);
        ASSERT_TRUE(l.tune(120));
        ASSERT_EQ(l.p[At("TE")], 0) << l.get32(At("ite"));
        EXPECT_EQ(l.get32(At("irType")), c.type);
        EXPECT_TRUE(l.get(At("pk")) > 0.5 && l.get(At("pk")) < 5) << l.get(At("pk"));
        EXPECT_TRUE(l.get(At("pti")) > 3 && l.get(At("pti")) < 20) << l.get(At("pti"));
        EXPECT_EQ(l.get(At("ptd")) > 0, c.type == 7);
        l.automatic(), l.run(80), l.set(At("sp"), 40);
        double peak = 0;
        for (int i = 0; i < 1200; ++i) l.step(), peak = std::max(peak, l.output());
        EXPECT_NEAR(l.output(), 40, 0.1);
        EXPECT_LE((peak - 40) / 10, c.maxOvershoot);
    }
}

// Integrating plants whose lags are short beside the pulse: the level is held as long as the lags took
// to reach it, so the experiment stays within ten times their time constants; the loop then settles.
TEST(PidaTuner, TunesIntegratingPlantsWithinTenTimesTheirLags) {
    // The sum of the time constants, s (the oscillating stage: 2 delta / (omega (1 + delta^2))).
    for (const auto& [type, lags] : {std::pair<int, double>{kPlantSecondOrderOscillating, 2}, {1, 10}}) {
        SCOPED_TRACE(type);
        PlantSettings s = First(1, 10);
        s.plantType = type, s.delta = 1, s.omega = 0.5;
        s.astat = true, s.tauA = 20, s.y0 = 30;
        Loop l;
        l.set(At("lolim"), -100), l.set32(At("iainf"), 2), l.hold(s, 0);
        l.p[At("TAFF")] = 1, l.run(60);  // the oscillating stage starts from 0
        const double start = l.t;
        ASSERT_TRUE(l.tune(300));
        ASSERT_EQ(l.p[At("TE")], 0) << l.get32(At("ite"));
        EXPECT_LE(l.t - start, 10 * lags);
        l.p[At("MAN")] = 0, l.run(20);
        l.set(At("sp"), 40), l.run(300);
        EXPECT_NEAR(l.output(), 40, 0.1);
    }
}

// With compensation a straight drift leaves the result as without drift, and noise on it does not
// make it look bent.
TEST(PidaTuner, CompensatedLinearDriftLeavesTheResult) {
    const auto tuned = [](double rate, double noise) {
        Loop l;
        l.p[At("DGC")] = 1;
        l.extra = [=](double t) { return rate * t + noise * std::sin(t * 7.3); };
        EXPECT_TRUE(l.tune());
        EXPECT_EQ(l.get32(At("ite")), kTuneOk) << "rate " << rate << " noise " << noise;
        return l.get(At("pk"));
    };
    const float still = tuned(0, 0);
    for (const double rate : {0.05, -0.1}) EXPECT_NEAR(tuned(rate, 0), still, 0.03 * still), tuned(rate, 0.3);
}

TEST(PidaTuner, BreakEndsTheExperimentWithoutABump) {
    Loop l;
    l.automatic(), l.run(30);
    const float k = l.get(At("k"));
    l.p[At("TUNE")] = 1, l.run(3.5);  // into the pulse
    ASSERT_EQ(l.p[At("TBSY")], 1);
    const float before = l.get(At("mv"));
    l.p[At("TBRK")] = 1, l.run(0.2);
    EXPECT_EQ(l.p[At("TBSY")], 0);
    EXPECT_EQ(l.p[At("TE")], 0);
    EXPECT_NEAR(l.get(At("mv")), before, 0.5);
    EXPECT_EQ(l.get(At("k")), k);
    l.run(200);
    EXPECT_NEAR(l.output(), 30, 0.1) << "the loop regulates again";
}

TEST(PidaTuner, ResultIsTakenOverOnlyWithTaff) {
    Loop l;
    l.run(1);
    ASSERT_TRUE(l.tune());
    ASSERT_EQ(l.p[At("TE")], 0);
    EXPECT_EQ(l.get(At("k")), 1) << "the result waits";
    EXPECT_NE(l.get(At("pk")), 1);
    l.p[At("TAFF")] = 1, l.run(0.4);
    EXPECT_EQ(l.get(At("k")), l.get(At("pk")));
    EXPECT_EQ(l.get(At("ti")), l.get(At("pti")));
    EXPECT_EQ(l.p[At("CHANGED")], 0) << "the block accepted them";
    l.set(At("k"), 1), l.run(0.4);
    EXPECT_EQ(l.get(At("k")), 1) << "one result is taken once";
}

// Whatever non-finite value comes in, the output holds a finite value within its limits.
TEST(PidaBlock, NonFiniteValuesNeverReachTheOutput) {
    const std::pair<const char*, std::function<void(Loop&)>> cases[] = {
        {"pv", [](Loop& l) { l.extra = [](double) { return kNaN; }; }},
        {"sp", [](Loop& l) { l.set(At("sp"), INFINITY); }},
        {"hv in manual", [](Loop& l) { l.p[At("MAN")] = 1, l.set(At("hv"), kNaN); }},
        {"gain", [](Loop& l) { l.set(At("k"), kNaN), l.p[At("CHANGED")] = 1; }},
        {"huge gain", [](Loop& l) { l.set(At("k"), 3e38), l.p[At("CHANGED")] = 1; }},
        {"limits",
         [](Loop& l) { l.set(At("hilim"), kNaN), l.set(At("lolim"), -INFINITY), l.p[At("CHANGED")] = 1; }},
        {"stored output", [](Loop& l) { l.set(At("mv"), kNaN); }},
        {"private area overwritten during a tune",
         [](Loop& l) {
             l.p[At("TUNE")] = 1, l.run(4);
             std::memset(l.p + plc::kPidaStructSize, 0xFF, kPidaBytes - plc::kPidaStructSize);
         }},
    };
    for (const auto& [name, spoil] : cases) {
        SCOPED_TRACE(name);
        Loop l;
        l.automatic(), l.run(5), spoil(l);
        for (int i = 0; i < 50; ++i) {
            l.step();
            const float mv = l.get(At("mv"));
            ASSERT_TRUE(std::isfinite(mv) && mv >= 0 && mv <= 100) << mv;
        }
    }
}

// The block alone, measurement set by the test: k 2, ti 10, td 1, nd 10, h 0.2 s,
// at rest at 30 % until pv steps to 31 %.
struct TypeCase {
    int type;
    double jump;   // change of mv at the first sample: P −2, D kick −2·10·(1/(1 + 10·0.2))
    double drift;  // change per sample afterwards, once the kick decayed: I −2·0.2/10
};

TEST(PidaBlock, AlgorithmTypesCombineTheirParts) {
    constexpr double kick = -20.0 / 3, p = -2, i = -0.04;
    for (const TypeCase c : {TypeCase{1, kick, 0}, TypeCase{2, 0, i}, TypeCase{3, kick, i}, TypeCase{4, p, 0},
                             TypeCase{5, p + kick, 0}, TypeCase{6, p, i}, TypeCase{7, p + kick, i}}) {
        SCOPED_TRACE(c.type);
        Loop l;
        l.automatic();
        l.set32(At("irType"), c.type), l.set(At("k"), 2), l.set(At("td"), 1);
        double y = 30;
        l.measure(y), l.run(2);
        ASSERT_NEAR(l.get(At("mv")), 30, 1e-4);
        y = 31, l.run(0.2);
        EXPECT_NEAR(l.get(At("mv")) - 30, c.jump, 1e-3);
        l.run(20);
        const double before = l.get(At("mv"));
        l.run(0.2);
        EXPECT_NEAR(l.get(At("mv")) - before, c.drift, 1e-4);
        EXPECT_NEAR(l.get(At("de")), -1, 1e-6);
    }
}

TEST(PidaBlock, DirectionLimitsAndHandOvers) {
    struct Case {
        const char* name;
        std::function<void(Loop&, double& y)> act;
        double mv;  // expected output afterwards
        int sat;
    };
    const Case cases[] = {
        {"reverse action",
         [](Loop& l, double& y) { l.p[At("RACT")] = 1, l.p[At("CHANGED")] = 1, l.run(0.2), y = 31; }, 31, 0},
        {"high limit", [](Loop& l, double& y) { l.set(At("hilim"), 31), l.p[At("CHANGED")] = 1, y = 20; }, 31,
         1},
        {"low limit", [](Loop& l, double& y) { l.set(At("lolim"), 29.5), l.p[At("CHANGED")] = 1, y = 40; },
         29.5, 1},
        {"manual value", [](Loop& l, double&) { l.p[At("MAN")] = 1, l.set(At("hv"), 55); }, 55, 0},
        {"back from manual without a bump",
         [](Loop& l, double&) { l.p[At("MAN")] = 1, l.set(At("hv"), 55), l.run(1), l.p[At("MAN")] = 0; }, 55,
         0},
        {"new gain without a bump",
         [](Loop& l, double& y) { y = 32, l.run(0.2), l.set(At("k"), 5), l.p[At("CHANGED")] = 1; }, 28, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Loop l;
        l.automatic();
        l.set32(At("irType"), 4);  // P only: the output shows where it stands
        double y = 30;
        l.measure(y), l.run(1), c.act(l, y), l.run(0.2);
        EXPECT_NEAR(l.get(At("mv")), c.mv, 1e-3);
        EXPECT_EQ(l.p[At("SAT")], c.sat);
    }
}

// After a long saturation the tracking time decides how soon the output leaves the limit.
TEST(PidaBlock, TrackingTimeUnwindsTheIntegral) {
    double leave[2] = {};
    for (int i = 0; i < 2; ++i) {
        Loop l;
        l.automatic();
        l.set32(At("irType"), 6), l.set(At("hilim"), 40), l.set(At("tt"), i == 0 ? 1 : 1e6);
        double y = 30;
        l.measure(y), l.set(At("sp"), 60), l.run(60);
        ASSERT_EQ(l.get(At("mv")), 40);
        y = 70;
        while (l.get(At("mv")) >= 40 && l.t < 1000) l.step();
        leave[i] = l.t;
    }
    EXPECT_LT(leave[0] - 60, 1.0) << "tracking keeps the integral at the limit";
    EXPECT_GT(leave[1] - 60, 20.0) << "without it the integral winds up";
}

}  // namespace
}  // namespace velmora::softplc
