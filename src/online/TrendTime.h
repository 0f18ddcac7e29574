#pragma once
// The time side of the trend graph: which part of the recording is shown
// (follow the newest value, scroll, zoom), the time under the pointer, the
// labels of the time axis, and the clock stamps samples are timed with.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Toolkit.h"
#include "online/TrendSettings.h"

namespace velmora::online {

// A local clock time in 100-ns units since 1970-01-01 (local), so that the
// time of day is the stamp modulo one day.
std::int64_t TrendStamp(const LocalTime& t);
constexpr std::int64_t kStampsPerSecond = 10'000'000;

struct TimeSpan {
    double start = 0;    // s from the first sample
    double width = 100;  // s
    double end() const { return start + width; }
};

// "Sledovat posledni hodnotu": the window ends at the newest sample.
double FollowStart(double newest, double width);
// The scroll bar's largest position: trunc(max(0, newest − width + 1)).
int ScrollMaximum(double newest, double width);
// The scroll bar moved: min(position, ScrollMaximum).
double ScrollStart(int position, double newest, double width);

// The time under the pointer: x is clamped to the plot [left, left + plotWidth].
double TimeAtPixel(const TimeSpan& shown, int x, int left, int plotWidth);
// The pixel column of a time (may lie outside the plot).
double PixelOfTime(const TimeSpan& shown, double t, int left, int plotWidth);

// "Lupa" released: the range between the two times, in either order. Two
// equal times (a click without dragging) zoom in by two around that time.
TimeSpan ZoomBetween(const TimeSpan& shown, double a, double b);
// The wheel in measuring mode: in halves the width, out doubles it; the time
// under the pointer stays where it is. The start never goes below 0.
TimeSpan ZoomAround(const TimeSpan& shown, double at, bool in);
// Narrowest window the zoom gives: one millisecond.
constexpr double kMinimumWidth = 1e-3;

// A time as the axis labels it: format 0 seconds, 1 "m:ss,hh", 2 "h:mm:ss,hh",
// 3 "h:mm:ss,hh" of the clock (the recording's start stamp added, modulo one day).
// Seconds use the given decimal separator.
std::string FormatTrendTime(double seconds, TimeFormat format, std::int64_t startStamp = 0,
                            char decimalSeparator = '.');

// The times of the grid lines and labels in a window: multiples of the step.
// A step too small for the window is widened so that no more than maxLines come out.
std::vector<double> GridTimes(const TimeSpan& shown, double step, int maxLines = 200);
// The same for a value axis between min and max.
std::vector<double> GridValues(double min, double max, double step, int maxLines = 200);

// Labels at a regular step: every stride-th grid line, the stride the smallest
// of 1, 2, 5, 10, 20, 50 … whose labels (labelPixels wide with their gap) do
// not touch when grid lines are stepPixels apart.
int TimeLabelStride(double stepPixels, double labelPixels);
// Whether the grid line at `time` (a multiple of `step`) carries a label.
bool LabelledGridTime(double time, double step, int stride);

}  // namespace velmora::online
