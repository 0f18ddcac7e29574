// The discretised model against the closed-form responses, dead times that
// fall between steps included, and its frequency response.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <functional>

#include "TuningFixture.h"
#include "tuning/ProcessModel.h"

namespace velmora::tuning::testing {
namespace {

struct StepCase {
    const char* name;
    KnownPlant plant;
    double h;
};

ProcessModel ModelOf(const KnownPlant& p) {
    ProcessModel m;
    m.gain = p.gain, m.deadTime = p.dead, m.integrating = p.integrating;
    if (p.tn > 0) {
        m.lags = 2, m.timeConstant = p.tn, m.damping = p.zeta;
    } else if (p.t3 > 0) {  // the first lag in front of a pair of the other two
        m.lags = 3, m.lag = p.t1, m.timeConstant = std::sqrt(p.t2 * p.t3);
        m.damping = (p.t2 + p.t3) / (2 * m.timeConstant);
    } else if (p.t2 > 0) {
        m.lags = 2, m.timeConstant = std::sqrt(p.t1 * p.t2), m.damping = (p.t1 + p.t2) / (2 * m.timeConstant);
    } else {
        m.lags = 1, m.timeConstant = p.t1;
    }
    return m;
}

class DiscreteStep : public ::testing::TestWithParam<StepCase> {};

TEST_P(DiscreteStep, FollowsTheClosedForm) {
    const StepCase& c = GetParam();
    const ProcessModel m = ModelOf(c.plant);
    const std::vector<double> y = StepResponse(m, c.h, 400);
    double worst = 0;
    for (int i = 0; i < 400; ++i)
        worst = std::max(worst, std::abs(y[i] - UnitStep(c.plant, i * c.h - c.plant.dead)));
    EXPECT_LT(worst, 1e-9 * (1 + std::abs(y.back())));
    EXPECT_EQ(m.oscillating(), c.plant.tn > 0);
    if (c.plant.tn == 0) {
        std::array<double, 3> plant{c.plant.t1, c.plant.t2, c.plant.t3};
        std::sort(plant.begin(), plant.end(), std::greater<>());
        const auto lags = m.lagTimes();
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(lags[i], plant[i], 1e-9) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Structures, DiscreteStep,
    ::testing::Values(StepCase{"first_order", {2, 5, 0, 1, 0, 1}, 0.1},
                      StepCase{"dead_time_between_steps", {2, 5, 0, 1, 0, 1.23}, 0.1},
                      StepCase{"dead_time_below_a_step", {1, 3, 0, 1, 0, 0.04}, 0.1},
                      StepCase{"second_order", {1, 8, 3, 1, 0, 0.75}, 0.25},
                      StepCase{"oscillating", {1.5, 0, 0, 0.3, 2, 0.5}, 0.05},
                      StepCase{"integrating", {0.05, 4, 0, 1, 0, 2.5}, 0.1},
                      StepCase{"integrating_second_order", {0.05, 6, 2, 1, 0, 1.05}, 0.2},
                      StepCase{"long_steps", {1, 2, 0, 1, 0, 3.3}, 1.0},
                      StepCase{"third_order", {1, 8, 3, 1, 0, 0.75, false, 1.2}, 0.25},
                      StepCase{"integrating_third_order", {0.05, 2, 6, 1, 0, 1.05, true, 0.7}, 0.2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FrequencyResponse, GainPhaseAndDeadTime) {
    ProcessModel m = Model(1, false, 2, 4, 1, 0.5);
    const auto g = FrequencyResponse(m, 0.25);  // ωT = 1: |G| = K/√2, −45° and −ωL
    EXPECT_NEAR(std::abs(g), 2 / std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(std::arg(g), -std::atan(1.0) - 0.125, 1e-12);
    m = Model(2, true, 2, 4, 0.5, 0);  // at ωT = 1 the pair gives 1/(2ζ), the integrator −90°
    EXPECT_NEAR(std::abs(FrequencyResponse(m, 0.25)), 2 / 0.25, 1e-12);
    EXPECT_NEAR(std::arg(FrequencyResponse(m, 1e-6)), -std::acos(0.0), 1e-5);
    m = Model(3, false, 2, 4, 0.5, 0);  // the lag in front: a further 1/(1 + jωT₀)
    m.lag = 2;
    const auto ratio = FrequencyResponse(m, 0.5) / FrequencyResponse(Model(2, false, 2, 4, 0.5, 0), 0.5);
    EXPECT_NEAR(std::abs(ratio - std::complex<double>(0.5, -0.5)), 0, 1e-12);
}

}  // namespace
}  // namespace velmora::tuning::testing
