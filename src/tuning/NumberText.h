#pragma once
// A number as the tuning messages and reports write it: fixed decimals, ".".
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace velmora::tuning {

inline std::string FixedText(double v, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

// With `digits` significant digits in fixed notation: 0.00512, 0.512, 51.2, 5120.
inline std::string SignificantText(double v, int digits) {
    if (!(v != 0) || !std::isfinite(v)) return FixedText(v, digits - 1);
    const int whole = static_cast<int>(std::floor(std::log10(std::abs(v)))) + 1;
    return FixedText(v, std::clamp(digits - whole, 0, 9));
}

}  // namespace velmora::tuning
