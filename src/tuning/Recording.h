#pragma once
// The part of a graph-page recording between two marks, and the checks that
// tell whether it can identify the process: enough samples, a change of u, an
// answer of y above its noise, y away from the ends of its range.
#include <span>
#include <string>
#include <vector>

namespace velmora::tuning {

// One sample of the recording in the controller's units: w and y in % of the
// measuring range, u in %; time in s.
struct RecordedSample {
    double time = 0, w = 0, u = 0, y = 0;
};

struct Window {
    std::vector<RecordedSample> samples;
    double from = 0, to = 0;
};

// A window, or the reason there is none.
struct WindowOutcome {
    Window window;
    std::string error;
    bool ok() const { return error.empty(); }
};

// The fewest samples a window must hold.
constexpr int kMinWindowSamples = 20;
// The smallest change of u that counts as an experiment, %.
constexpr double kMinInputChange = 0.5;
// How close to 0 % or 100 % a y counts as saturated, %.
constexpr double kSaturationMargin = 0.05;

// The samples with from ≤ time ≤ to. Refuses marks that are not numbers, a
// start not before the end, marks outside the recording, too few samples,
// values that are not finite and times that go backwards.
WindowOutcome ExtractWindow(std::span<const RecordedSample> recording, double from, double to);

// The noise of a measurement: the spread of its second differences, which a
// smooth response hardly has (a robust estimate, so a step does not count).
double NoiseLevel(std::span<const double> y);

// Empty when the window can identify the process; else why not, in words a
// user can act on (no change of u, no answer of y above its noise, y saturated).
std::string CheckExcitation(const Window& window);

}  // namespace velmora::tuning
