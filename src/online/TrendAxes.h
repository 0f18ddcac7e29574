#pragma once
// The value axes of the trend graph without a painter: which axes are drawn
// in which column beside the plot, and where a value lands on its axis.
#include <vector>

#include "online/TrendSettings.h"

namespace velmora::online {

// An axis drawn: the channel that owns it and its column, 0 farthest from the plot.
struct AxisPlace {
    int channel, column;
    friend bool operator==(const AxisPlace&, const AxisPlace&) = default;
};

// The owners of the visible channels, in drawing order, each in the first
// column where its band meets no other axis, so that stacked axes share one
// column instead of pushing the plot to the right.
std::vector<AxisPlace> AxesShown(const TrendSettings& settings);
// The columns the axes take; at least one, so an empty graph keeps its margin.
int AxisColumns(const std::vector<AxisPlace>& axes);

// Pixel row of a value on a channel's axis, for a plot whose lowest row of
// pixels ends at `bottom` and that is `height` rows high.
struct AxisMap {
    double min, span, bottom, height;
    AxisMap(const TrendChannel& axis, double bottom, double height);
    double y(double value) const { return bottom - (value - min) / span * height; }
    // The rows where the axis ends, top first.
    double top() const { return bottom - height; }
};

// Whether a layout operation would change any band or shared axis: a tool
// button whose operation would not is disabled.
bool ChangesLayout(const TrendSettings& settings, bool (*operation)(TrendSettings&));

}  // namespace velmora::online
