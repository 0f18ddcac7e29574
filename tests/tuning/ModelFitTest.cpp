// Identification of known plants from bumps, with and without noise, and the
// windows that cannot identify anything.
#include <gtest/gtest.h>

#include "TuningFixture.h"
#include "tuning/ModelFit.h"

namespace velmora::tuning::testing {
namespace {

struct FitCase {
    const char* name;
    KnownPlant plant;
    Bump bump;
    int lags;
    bool integrating;
    double gainTolerance, timeTolerance, deadTolerance;  // relative, relative, s
};

class FitsKnownPlants : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitsKnownPlants, FindsStructureGainLagsAndDeadTime) {
    const FitCase& c = GetParam();
    const auto recording = Record(c.plant, c.bump);
    const WindowOutcome w = ExtractWindow(recording, recording.front().time, recording.back().time);
    ASSERT_TRUE(w.ok()) << w.error;
    const FitOutcome f = FitModel(w.window);
    ASSERT_TRUE(f.ok()) << f.error;
    const ProcessModel& m = f.fit.model;
    EXPECT_EQ(m.lags, c.lags) << m.name();
    EXPECT_EQ(m.integrating, c.integrating) << m.name();
    EXPECT_NEAR(m.gain, c.plant.gain, c.gainTolerance * c.plant.gain);
    EXPECT_NEAR(m.deadTime, c.plant.dead, c.deadTolerance);
    if (c.plant.tn > 0) {
        EXPECT_NEAR(m.timeConstant, c.plant.tn, c.timeTolerance * c.plant.tn);
        EXPECT_NEAR(m.damping, c.plant.zeta, 0.1);
    } else {
        const auto lags = m.realLags();
        ASSERT_TRUE(lags);
        EXPECT_NEAR(lags->first, c.plant.t1, c.timeTolerance * c.plant.t1);
        EXPECT_NEAR(lags->second, c.plant.t2, c.timeTolerance * c.plant.t1);
    }
    // The fit explains the window down to the noise (uniform noise a has the deviation a/√3).
    const double excursion = std::abs(c.plant.gain * c.bump.du) * (c.integrating ? c.bump.pulse : 1);
    EXPECT_LT(f.fit.nrmse, (c.bump.noise / std::sqrt(3.0) + 0.02) / excursion + 0.002);
    EXPECT_NEAR(f.fit.y0, c.bump.y0, 0.05 + c.bump.noise / 5);
    EXPECT_NEAR(f.fit.balance, c.bump.u0, 0.1);
}

Bump Pulse(double length, double pulse) {
    Bump b;
    b.length = length, b.pulse = pulse;
    return b;
}
Bump Noisy(double noise, unsigned seed, double length = 100) {
    Bump b;
    b.noise = noise, b.seed = seed, b.length = length;
    return b;
}
Bump Jittered(double jitter) {
    Bump b;
    b.jitter = jitter;
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Bumps, FitsKnownPlants,
    ::testing::Values(
        FitCase{"first_order", {2, 8, 0, 1, 0, 3}, {}, 1, false, 0.01, 0.03, 0.15},
        FitCase{"first_order_no_dead_time", {0.5, 5, 0, 1, 0, 0}, {}, 1, false, 0.01, 0.03, 0.1},
        FitCase{"second_order", {1, 10, 4, 1, 0, 2}, {}, 2, false, 0.01, 0.08, 0.3},
        FitCase{"oscillating", {1.5, 0, 0, 0.4, 2, 1}, {}, 2, false, 0.02, 0.05, 0.2},
        FitCase{"integrating", {0.05, 5, 0, 1, 0, 2, true}, Pulse(100, 20), 1, true, 0.03, 0.08, 0.3},
        FitCase{"integrating_second_order", {0.05, 12, 10, 1, 0, 1, true}, Pulse(150, 40), 2, true, 0.04, 0.2, 0.6},
        FitCase{"first_order_noise_0_2", {2, 8, 0, 1, 0, 3}, Noisy(0.2, 5), 1, false, 0.02, 0.06, 0.3},
        FitCase{"first_order_noise_1", {2, 8, 0, 1, 0, 3}, Noisy(1, 6), 1, false, 0.04, 0.15, 0.8},
        FitCase{"second_order_noise_0_2", {1, 10, 4, 1, 0, 2}, Noisy(0.2, 7, 120), 2, false, 0.02, 0.2, 0.8},
        FitCase{"irregular_times", {2, 8, 0, 1, 0, 3}, Jittered(0.4), 1, false, 0.01, 0.04, 0.2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FitModel, ALongWindowIsAveragedIntoTheFitsPoints) {
    Bump b;
    b.h = 0.05, b.length = 1000, b.at = 50;  // 20,001 samples
    const auto recording = Record(KnownPlant{1, 20, 0, 1, 0, 5}, b);
    const FitOutcome f = FitModel(ExtractWindow(recording, 0, 1000).window);
    ASSERT_TRUE(f.ok()) << f.error;
    EXPECT_LE(f.fit.time.size(), static_cast<std::size_t>(kMaxFitPoints));
    EXPECT_EQ(f.fit.time.size(), f.fit.fitted.size());
    EXPECT_NEAR(f.fit.model.timeConstant, 20, 0.5);
    EXPECT_NEAR(f.fit.model.deadTime, 5, 0.4);
}

TEST(FitModel, ASetPointStepInAutomaticIdentifiesTheProcess) {
    // A PI loop (Euler-stepped first-order plant, gain 1.5, T 6 s, dead time 1 s) and a set-point step.
    const double h = 0.05, k = 0.8, ti = 6;
    std::vector<double> delayed(static_cast<std::size_t>(1 / h), 30 / 1.5);
    double y = 30, integral = 30 / 1.5, w = 30;
    std::vector<RecordedSample> r;
    std::mt19937 random(2);
    std::uniform_real_distribution<double> noise(-0.1, 0.1);
    for (long i = 0; i * h <= 60; ++i) {
        if (i * h >= 5) w = 40;
        const double e = w - (y + noise(random));
        integral += k * h / ti * e;
        const double u = k * e + integral;
        r.push_back({i * h, w, u, std::round(y * 100) / 100});
        delayed.push_back(u);
        y += h / 6 * (1.5 * delayed.front() - y);
        delayed.erase(delayed.begin());
    }
    const FitOutcome f = FitModel(ExtractWindow(r, 0, 60).window);
    ASSERT_TRUE(f.ok()) << f.error;
    EXPECT_NEAR(f.fit.model.gain, 1.5, 0.08);
    EXPECT_NEAR(f.fit.model.timeConstant + f.fit.model.deadTime, 7, 0.5);
    EXPECT_NEAR(f.fit.model.deadTime, 1, 0.3);
}

// ------------------------------------------------------------------ refused windows

struct BadWindow {
    const char* name;
    double from, to;
    std::vector<RecordedSample> (*recording)();
    const char* message;  // a part of the reason
};

std::vector<RecordedSample> Bumped() {
    return Record(KnownPlant{1, 5, 0, 1, 0, 1}, {});
}
std::vector<RecordedSample> Flat() {
    Bump b;
    b.du = 0.2;
    return Record(KnownPlant{1, 5, 0, 1, 0, 1}, b);
}
std::vector<RecordedSample> Deaf() {
    return Record(KnownPlant{0.001, 5, 0, 1, 0, 1}, Noisy(0.5, 3));
}
std::vector<RecordedSample> Saturated() {
    Bump b;
    b.du = 50;
    auto r = Record(KnownPlant{2, 5, 0, 1, 0, 1}, b);
    for (auto& s : r) s.y = std::min(s.y, 100.0);  // the measurement ends at its range
    return r;
}
std::vector<RecordedSample> WithNan() {
    auto r = Bumped();
    r[200].y = std::nan("");
    return r;
}
std::vector<RecordedSample> Backwards() {
    auto r = Bumped();
    r[300].time = r[299].time - 1;
    return r;
}
std::vector<RecordedSample> Empty() {
    return {};
}

class RefusesWindow : public ::testing::TestWithParam<BadWindow> {};

TEST_P(RefusesWindow, WithAReasonTheUserCanActOn) {
    const BadWindow& c = GetParam();
    const auto recording = c.recording();
    const WindowOutcome w = ExtractWindow(recording, c.from, c.to);
    const std::string error = w.ok() ? FitModel(w.window).error : w.error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Windows, RefusesWindow,
    ::testing::Values(BadWindow{"start_after_end", 50, 20, Bumped, "is not before its end"},
                      BadWindow{"start_at_end", 20, 20, Bumped, "is not before its end"},
                      BadWindow{"not_a_number", std::nan(""), 20, Bumped, "not numbers"},
                      BadWindow{"before_the_recording", -5, 20, Bumped, "outside the recording"},
                      BadWindow{"after_the_recording", 50, 150, Bumped, "outside the recording"},
                      BadWindow{"too_few_samples", 20, 21, Bumped, "at least 20 are needed"},
                      BadWindow{"no_change_of_u", 0, 100, Flat, "u changes by 0.20 %"},
                      BadWindow{"before_the_bump", 0, 9, Bumped, "u changes by 0.00 %"},
                      BadWindow{"no_answer_of_y", 0, 100, Deaf, "y does not answer"},
                      BadWindow{"saturated", 0, 100, Saturated, "y is saturated"},
                      BadWindow{"a_value_not_a_number", 0, 100, WithNan, "not a number at 20.00 s"},
                      BadWindow{"time_backwards", 0, 100, Backwards, "goes backwards"},
                      BadWindow{"empty", 0, 100, Empty, "holds no samples"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NoiseLevel, TellsTheNoiseFromTheResponse) {
    const auto quiet = Record(KnownPlant{1, 5, 0, 1, 0, 1}, {});
    const auto noisy = Record(KnownPlant{1, 5, 0, 1, 0, 1}, Noisy(1, 9));
    std::vector<double> a, b;
    for (const auto& s : quiet) a.push_back(s.y);
    for (const auto& s : noisy) b.push_back(s.y);
    EXPECT_LT(NoiseLevel(a), 0.01);
    EXPECT_NEAR(NoiseLevel(b), 1 / std::sqrt(3.0), 0.12);
}

}  // namespace
}  // namespace velmora::tuning::testing
