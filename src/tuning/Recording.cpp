#include "tuning/Recording.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tuning/NumberText.h"

namespace velmora::tuning {

namespace {

std::string Number(double v, int decimals = 2) {
    return FixedText(v, decimals);
}

bool Finite(const RecordedSample& s) {
    return std::isfinite(s.time) && std::isfinite(s.w) && std::isfinite(s.u) && std::isfinite(s.y);
}

std::string CheckMarks(std::span<const RecordedSample> recording, double from, double to) {
    if (!std::isfinite(from) || !std::isfinite(to)) return "The window's marks are not numbers.";
    if (from >= to)
        return "The window's start (" + Number(from) + " s) is not before its end (" + Number(to) + " s).";
    if (recording.empty()) return "The recording holds no samples.";
    const double first = recording.front().time, last = recording.back().time;
    // Marks beyond the recorded part only cut the window; one that misses it holds nothing.
    if (to <= first || from >= last)
        return "The window " + Number(from) + " .. " + Number(to) + " s lies outside the recording (" +
               Number(first) + " .. " + Number(last) + " s).";
    return {};
}

// The largest excursion of a signal from its first value, after a moving average
// of `width` samples that takes the noise out.
double SmoothedExcursion(std::span<const double> v, int width) {
    if (v.empty()) return 0;
    width = std::clamp(width, 1, static_cast<int>(v.size()));
    double sum = 0, first = 0, most = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        sum += v[i];
        if (i >= static_cast<std::size_t>(width)) sum -= v[i - width];
        if (i + 1 < static_cast<std::size_t>(width)) continue;
        const double mean = sum / width;
        if (i + 1 == static_cast<std::size_t>(width)) first = mean;
        most = std::max(most, std::abs(mean - first));
    }
    return most;
}

std::string CheckSaturation(const Window& w) {
    int count = 0;
    double at = 0, value = 0;
    for (const RecordedSample& s : w.samples) {
        if (s.y > kSaturationMargin && s.y < 100 - kSaturationMargin) continue;
        if (count++ == 0) at = s.time, value = s.y;
    }
    // A single touch may be a spike; a few samples there mean the response was cut off.
    if (count < 3) return {};
    return "y is saturated: it is at the end of its range (" + Number(value) + " %) in " +
           std::to_string(count) + " samples, the first at " + Number(at) +
           " s. A measurement held at its limit hides the response; "
           "choose a window in which y stays within its range.";
}

}  // namespace

WindowOutcome ExtractWindow(std::span<const RecordedSample> recording, double from, double to) {
    WindowOutcome out;
    out.error = CheckMarks(recording, from, to);
    if (!out.ok()) return out;
    from = std::max(from, recording.front().time), to = std::min(to, recording.back().time);
    out.window.from = from, out.window.to = to;
    double previous = -INFINITY;
    for (const RecordedSample& s : recording) {
        if (!Finite(s)) {
            out.error = "The recording holds a value that is not a number at " + Number(s.time) + " s.";
            return out;
        }
        if (s.time < previous) {
            out.error = "The recording's time goes backwards at " + Number(s.time) + " s.";
            return out;
        }
        previous = s.time;
        if (s.time >= from && s.time <= to) out.window.samples.push_back(s);
    }
    const int count = static_cast<int>(out.window.samples.size());
    if (count < kMinWindowSamples)
        out.error = "The window " + Number(from) + " .. " + Number(to) + " s holds " + std::to_string(count) +
                    " samples; at least " + std::to_string(kMinWindowSamples) + " are needed.";
    return out;
}

double NoiseLevel(std::span<const double> y) {
    if (y.size() < 3) return 0;
    std::vector<double> d(y.size() - 2);
    for (std::size_t i = 0; i + 2 < y.size(); ++i) d[i] = std::abs(y[i + 2] - 2 * y[i + 1] + y[i]);
    auto mid = d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2);
    std::nth_element(d.begin(), mid, d.end());
    // White noise of deviation σ gives second differences of deviation √6·σ,
    // whose median absolute value is 0.6745 of that.
    return *mid / (0.6745 * std::sqrt(6.0));
}

std::string CheckExcitation(const Window& w) {
    std::vector<double> u, y;
    for (const RecordedSample& s : w.samples) u.push_back(s.u), y.push_back(s.y);
    const auto [uLo, uHi] = std::minmax_element(u.begin(), u.end());
    const double du = u.empty() ? 0 : *uHi - *uLo;
    if (du < kMinInputChange)
        return "u changes by " + Number(du) + " % in the window; at least " + Number(kMinInputChange, 1) +
               " % is needed. Mark a window with a manual bump of the output, the tuner's pulse or a "
               "set-point "
               "step in automatic.";
    if (std::string saturated = CheckSaturation(w); !saturated.empty()) return saturated;
    const double noise = NoiseLevel(y);
    const int width = std::max(1, static_cast<int>(y.size() / 50));
    const double dy = SmoothedExcursion(y, width);
    if (dy < std::max(5 * noise, 0.1))
        return "y does not answer the change of u: it moves by " + Number(dy) + " % against a noise of " +
               Number(noise) + " %. Mark a longer window or a larger change of u.";
    return {};
}

}  // namespace velmora::tuning
