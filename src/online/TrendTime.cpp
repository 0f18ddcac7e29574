#include "online/TrendTime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/Dates.h"
#include "base/ParseDecimal.h"

namespace velmora::online {

namespace {

constexpr std::int64_t kStampsPerDay = 86400 * kStampsPerSecond;

}  // namespace

std::int64_t TrendStamp(const LocalTime& t) {
    return LocalMilliseconds(t) * 10'000;
}

double FollowStart(double newest, double width) {
    return std::max(0.0, newest - width);
}

int ScrollMaximum(double newest, double width) {
    const double m = std::trunc(std::max(0.0, newest - width + 1));
    return m >= 2147483647.0 ? 2147483647 : static_cast<int>(m);
}

double ScrollStart(int position, double newest, double width) {
    return std::min<double>(position, ScrollMaximum(newest, width));
}

double TimeAtPixel(const TimeSpan& shown, int x, int left, int plotWidth) {
    if (plotWidth <= 0) return shown.start;
    x = std::clamp(x, left, left + plotWidth);
    return shown.start + static_cast<double>(x - left) * shown.width / plotWidth;
}

double PixelOfTime(const TimeSpan& shown, double t, int left, int plotWidth) {
    return left + (t - shown.start) * plotWidth / shown.width;
}

TimeSpan ZoomBetween(const TimeSpan& shown, double a, double b) {
    if (a > b) std::swap(a, b);
    if (b - a < kMinimumWidth) return ZoomAround(shown, a, true);
    return {std::max(0.0, a), b - std::max(0.0, a)};
}

TimeSpan ZoomAround(const TimeSpan& shown, double at, bool in) {
    const double width = std::max(kMinimumWidth, in ? shown.width / 2 : shown.width * 2);
    const double fraction = shown.width > 0 ? (at - shown.start) / shown.width : 0.5;
    return {std::max(0.0, at - fraction * width), width};
}

std::string FormatTrendTime(double seconds, TimeFormat format, std::int64_t startStamp,
                            char decimalSeparator) {
    char text[64];
    if (format == TimeFormat::Seconds) {
        // Labels of a zoomed window need more than whole seconds, not more than milliseconds.
        return FormatDecimal(std::round(seconds * 1000) / 1000, decimalSeparator);
    }
    long long hundredths = std::llround(seconds * 100);
    if (format == TimeFormat::Absolute) {
        const long long ofDay = (startStamp % kStampsPerDay + kStampsPerDay) % kStampsPerDay;
        hundredths = (hundredths + ofDay / 100'000) % (86400LL * 100);
    }
    const bool negative = hundredths < 0;
    if (negative) hundredths = -hundredths;
    const long long hs = hundredths % 100, s = hundredths / 100 % 60;
    if (format == TimeFormat::MinutesSeconds) {
        std::snprintf(text, sizeof text, "%s%lli:%.2lli,%.2lli", negative ? "-" : "", hundredths / 6000, s,
                      hs);
    } else {
        std::snprintf(text, sizeof text, "%s%lli:%.2lli:%.2lli,%.2lli", negative ? "-" : "",
                      hundredths / 360000, hundredths / 6000 % 60, s, hs);
    }
    return text;
}

namespace {

std::vector<double> Multiples(double from, double to, double step, int maxLines) {
    std::vector<double> out;
    if (!(step > 0) || !(to > from) || !std::isfinite(from) || !std::isfinite(to)) return out;
    while ((to - from) / step > maxLines) step *= 2;
    for (double k = std::ceil(from / step - 1e-9); k * step <= to + step * 1e-9; k += 1)
        out.push_back(k == 0 ? 0.0 : k * step);  // no "-0" label
    return out;
}

}  // namespace

std::vector<double> GridTimes(const TimeSpan& shown, double step, int maxLines) {
    return Multiples(shown.start, shown.end(), step, maxLines);
}

int TimeLabelStride(double stepPixels, double labelPixels) {
    if (!(stepPixels > 0) || !std::isfinite(labelPixels)) return 1;
    for (int decade = 1; decade <= 100'000'000; decade *= 10)
        for (const int m : {1, 2, 5})
            if (m * decade * stepPixels >= labelPixels) return m * decade;
    return 1'000'000'000;
}

bool LabelledGridTime(double time, double step, int stride) {
    if (!(step > 0) || stride <= 1) return true;
    const double k = std::round(time / step);
    return std::isfinite(k) && std::fmod(k, stride) == 0;
}

std::vector<double> GridValues(double min, double max, double step, int maxLines) {
    if (min > max) std::swap(min, max);
    return Multiples(min, max, step, maxLines);
}

}  // namespace velmora::online
