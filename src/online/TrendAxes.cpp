#include "online/TrendAxes.h"

#include <algorithm>
#include <cmath>

namespace velmora::online {

std::vector<AxisPlace> AxesShown(const TrendSettings& s) {
    std::vector<AxisPlace> axes;
    const auto band = [&s](int channel) {
        const TrendChannel& c = s.channels[static_cast<std::size_t>(channel)];
        return std::minmax(c.bandFrom, c.bandTo);
    };
    const auto placed = [&axes](int channel) {
        return std::any_of(axes.begin(), axes.end(),
                           [channel](const AxisPlace& a) { return a.channel == channel; });
    };
    for (const int i : s.drawingOrder()) {
        if (!s.channels[static_cast<std::size_t>(i)].visible) continue;
        const int owner = s.axisOwner(i);
        if (placed(owner)) continue;
        // Plain locals, not a structured binding: clang 14 cannot capture those.
        const auto ownerBand = band(owner);
        const auto lo = ownerBand.first;
        const auto hi = ownerBand.second;
        const auto taken = [&](int column) {
            return std::any_of(axes.begin(), axes.end(), [&](const AxisPlace& a) {
                const auto [alo, ahi] = band(a.channel);
                return a.column == column && lo < ahi && alo < hi;
            });
        };
        int column = 0;
        while (taken(column)) ++column;
        axes.push_back({owner, column});
    }
    return axes;
}

int AxisColumns(const std::vector<AxisPlace>& axes) {
    int columns = 1;
    for (const AxisPlace& a : axes) columns = std::max(columns, a.column + 1);
    return columns;
}

AxisMap::AxisMap(const TrendChannel& axis, double plotBottom, double plotHeight) {
    min = axis.min;
    span = axis.max - axis.min;
    if (!(std::abs(span) > 1e-12)) span = 1;  // a flat range draws its value at the band's foot
    bottom = plotBottom - plotHeight * axis.bandFrom / 100.0;
    height = plotHeight * (axis.bandTo - axis.bandFrom) / 100.0;
}

bool ChangesLayout(const TrendSettings& s, bool (*operation)(TrendSettings&)) {
    TrendSettings t = s;
    operation(t);
    for (std::size_t i = 0; i < s.channels.size(); ++i) {
        const TrendChannel &a = s.channels[i], &b = t.channels[i];
        if (a.bandFrom != b.bandFrom || a.bandTo != b.bandTo || a.sameAs != b.sameAs) return true;
    }
    return false;
}

}  // namespace velmora::online
