// The value axes beside the trend plot: which column each axis takes, and
// where a value lands on its axis.
#include <gtest/gtest.h>

#include <algorithm>

#include "online/TrendAxes.h"

namespace velmora::online {
namespace {

TEST(TrendAxes, StackedAxesShareAColumnOverlappingOnesMoveOutward) {
    const struct {
        const char* what;
        bool split;                // every channel its own axis, all of the full height
        std::vector<int> visible;  // the rest hidden
        std::vector<AxisPlace> axes;
        int columns;
    } cases[] = {
        // w and e own the axes; their bands 0..50 and 50..100 do not meet.
        {"defaults", false, {0, 1, 2, 3, 4, 5}, {{0, 0}, {1, 0}}, 1},
        // Every axis of the full height: one column each, in drawing order.
        {"split", true, {0, 1, 2, 3, 4, 5}, {{0, 0}, {4, 1}, {5, 2}, {1, 3}, {2, 4}, {3, 5}}, 6},
        {"hidden channels draw no axis", true, {0, 3}, {{0, 0}, {3, 1}}, 2},
        {"nothing visible keeps the margin of one column", false, {}, {}, 1},
    };
    for (const auto& c : cases) {
        TrendSettings s = DefaultTrendSettings(ControllerKind::Pid);
        if (c.split) LayoutSplit(s), LayoutFullHeight(s);
        for (int i = 0; i < kTrendChannels; ++i)
            s.channels[static_cast<std::size_t>(i)].visible =
                std::count(c.visible.begin(), c.visible.end(), i) > 0;
        const auto axes = AxesShown(s);
        EXPECT_EQ(axes, c.axes) << c.what;
        EXPECT_EQ(AxisColumns(axes), c.columns) << c.what;
    }
}

TEST(TrendAxes, ValuesMapIntoTheirBand) {
    // A plot whose lowest row ends at 200, 100 rows high; a flat range sits on its band's foot.
    const struct {
        double min, max, bandFrom, bandTo, value, row;
    } cases[] = {{0, 100, 0, 50, 0, 200},   {0, 100, 0, 50, 100, 150},   {0, 100, 0, 50, 50, 175},
                 {0, 100, 50, 100, 0, 150}, {0, 100, 50, 100, 100, 100}, {-100, 100, 0, 100, 0, 150},
                 {5, 5, 0, 100, 5, 200},    {0, 100, 0, 50, 200, 100}};
    for (const auto& c : cases) {
        TrendChannel axis;
        axis.min = c.min, axis.max = c.max, axis.bandFrom = c.bandFrom, axis.bandTo = c.bandTo;
        EXPECT_DOUBLE_EQ(AxisMap(axis, 200, 100).y(c.value), c.row)
            << c.min << ".." << c.max << " at " << c.value;
    }
}

}  // namespace
}  // namespace velmora::online
