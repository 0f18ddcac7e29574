// The suggested parameters: within the block's units and limits, within each
// speed's robustness target, ordered by speed, close to the best a brute-force
// search finds on the same model, and the advice for loops that cannot work.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tuning/LoopDesign.h"
#include "tuning/LoopFigures.h"
#include "tuning/LoopPreview.h"

namespace velmora::tuning::testing {
namespace {

ProcessModel Model(int lags, bool integrating, double gain, double t, double zeta, double dead) {
    ProcessModel m;
    m.lags = lags, m.integrating = integrating, m.gain = gain, m.timeConstant = t, m.damping = zeta;
    m.deadTime = dead;
    return m;
}

LoopController Kind(ControllerKind kind) {
    LoopController c;
    c.kind = kind;
    c.pid.outCycle = 20, c.pid.minU = -10000;
    c.pida.lolim = -100;
    return c;
}

struct DesignCase {
    const char* name;
    ProcessModel model;
    ControllerKind kind;
};

class DesignsWithinTargets : public ::testing::TestWithParam<DesignCase> {};

TEST_P(DesignsWithinTargets, ForEachSpeed) {
    const DesignCase& c = GetParam();
    const LoopController current = Kind(c.kind);
    const Design d = DesignLoop(c.model, current);
    ASSERT_EQ(d.suggestions.size(), 3u);
    EXPECT_TRUE(d.notes.empty()) << d.notes.front();
    double previousGain = 0;
    for (const Suggestion& s : d.suggestions) {
        const LoopController& x = s.controller;
        const double target = TargetMs(s.speed);
        EXPECT_LE(ModelLoopFigures(c.model, LawOf(x), SamplePeriod(x, 0.01), false).ms, target + 0.02);
        EXPECT_GT(LawOf(x).k, previousGain) << SpeedName(s.speed) << " is not faster than the one before";
        previousGain = LawOf(x).k;
        PreviewOptions o;
        o.y0 = 30, o.u0 = c.model.integrating ? 0 : 30 / c.model.gain;
        const Preview p = PreviewLoop(c.model, x, o);
        EXPECT_TRUE(p.settled) << SpeedName(s.speed);
        if (s.speed == Speed::Slow) {
            EXPECT_LE(p.setpoint.overshoot, 3) << "slow";
        }
        if (c.kind == ControllerKind::Pid) {
            EXPECT_GE(x.pid.pBnd, kMinPBnd);
            EXPECT_LE(x.pid.pBnd, kMaxPBnd);
            EXPECT_GE(x.pid.ti, 1);
            EXPECT_EQ(x.pid.outCycle, current.pid.outCycle);  // the sampling stays the controller's
        } else {
            EXPECT_EQ(x.pida.nd, 10);
            EXPECT_EQ(x.pida.c, 0);
            EXPECT_GE(x.pida.b, 0);
            EXPECT_LE(x.pida.b, 1);
            EXPECT_EQ(x.pida.ts, current.pida.ts);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Models, DesignsWithinTargets,
    ::testing::Values(DesignCase{"pid_first_order", Model(1, false, 1, 10, 1, 2), ControllerKind::Pid},
                      DesignCase{"pid_second_order", Model(2, false, 2, 4, 1.5, 1), ControllerKind::Pid},
                      DesignCase{"pid_oscillating", Model(2, false, 1, 1.4, 0.6, 0.5), ControllerKind::Pid},
                      DesignCase{"pid_integrating", Model(1, true, 0.05, 10, 1, 3), ControllerKind::Pid},
                      DesignCase{"pidma_first_order", Model(1, false, 1, 10, 1, 2), ControllerKind::Pidma},
                      DesignCase{"pidma_integrating", Model(2, true, 0.05, 4, 1.2, 2), ControllerKind::Pidma}),
    [](const auto& info) { return std::string(info.param.name); });

// A grid over (k, ti, td) on the model's loop, the best IAE with Ms ≤ 1.4.
double GridBest(const ProcessModel& m, double T) {
    double best = INFINITY;
    for (int i = 0; i < 24; ++i)
        for (int j = 0; j < 20; ++j)
            for (int l = 0; l < 8; ++l) {
                ControlLaw law;
                law.k = 0.2 * std::pow(1.15, i), law.ti = 2 * std::pow(1.2, j), law.td = l * 0.5, law.nd = 4;
                if (ModelLoopFigures(m, law, T, false).ms > 1.4) continue;
                best = std::min(best, SimulateLaw(m, law, T, 0, true).iae);
            }
    return best;
}

TEST(DesignLoop, TheNormalSpeedIsAsGoodAsAGridSearchOnTheModel) {
    for (const ProcessModel& m : {Model(1, false, 1, 10, 1, 2), Model(2, false, 1, 3, 1, 1)}) {
        const Design d = DesignLoop(m, Kind(ControllerKind::Pid));
        ControlLaw normal = LawOf(d.suggestions[1].controller);
        EXPECT_LE(SimulateLaw(m, normal, 0.2, 0, true).iae, 1.03 * GridBest(m, 0.2)) << m.name();
    }
}

TEST(DesignLoop, KeepsPBndWithinItsRangeAndSaysSo) {
    // A process this weak wants more gain than a band of 0.1 % gives, one this strong less than 3000 %.
    const Design weak = DesignLoop(Model(1, false, 0.0005, 10, 1, 1), Kind(ControllerKind::Pid));
    const Design strong = DesignLoop(Model(1, false, 500, 10, 1, 1), Kind(ControllerKind::Pid));
    for (const Suggestion& s : weak.suggestions) {
        EXPECT_EQ(s.controller.pid.pBnd, kMinPBnd);
        ASSERT_FALSE(s.notes.empty());
    }
    for (const Suggestion& s : strong.suggestions) {
        EXPECT_EQ(s.controller.pid.pBnd, kMaxPBnd);
        ASSERT_FALSE(s.notes.empty());
        EXPECT_NE(s.notes.front().find("end of its range"), std::string::npos);
    }
}

TEST(DesignLoop, ANegativeGainNeedsReverseAction) {
    const ProcessModel falling = Model(1, false, -1.5, 10, 1, 2);
    LoopController direct = Kind(ControllerKind::Pid), reverse = direct;
    reverse.pid.reverse = true;
    const Design wrong = DesignLoop(falling, direct), right = DesignLoop(falling, reverse);
    ASSERT_EQ(wrong.notes.size(), 1u);
    EXPECT_NE(wrong.notes[0].find("set reverse action"), std::string::npos);
    EXPECT_TRUE(right.notes.empty());
    PreviewOptions o;
    o.y0 = 50, o.u0 = 30;
    EXPECT_TRUE(PreviewLoop(falling, right.suggestions[1].controller, o).settled);
}

TEST(DesignLoop, SerialPidmaParametersGiveTheDesignedLoop) {
    LoopController serial = Kind(ControllerKind::Pidma);
    serial.pida.serial = true;
    const ProcessModel m = Model(2, false, 1, 5, 1, 1);
    for (const Suggestion& s : DesignLoop(m, serial).suggestions) {
        EXPECT_LE(s.controller.pida.td, s.controller.pida.ti);
        EXPECT_LE(ModelLoopFigures(m, LawOf(s.controller), 0.2, false).ms, TargetMs(s.speed) + 0.02);
        // Read as the parallel form they would be a different loop.
        LoopController misread = s.controller;
        misread.pida.serial = false;
        EXPECT_NE(LawOf(misread).k, LawOf(s.controller).k);
    }
}

TEST(DesignLoop, AdvisesAShorterSamplingPeriodForAFastProcess) {
    LoopController slow = Kind(ControllerKind::Pid);
    slow.pid.outCycle = 500;  // 5 s against a process of 3 s
    const Design d = DesignLoop(Model(1, false, 1, 2, 1, 1), slow);
    ASSERT_EQ(d.notes.size(), 1u);
    EXPECT_NE(d.notes[0].find("sampling period (5.00 s)"), std::string::npos);
}

}  // namespace
}  // namespace velmora::tuning::testing
