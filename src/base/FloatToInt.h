#pragma once
// The one way a double becomes an integer: a cast of NaN, an infinity or a
// value beyond the integer type is undefined behaviour, and a double parsed
// from a file or a command line may be any of them.
#include <cmath>
#include <concepts>
#include <limits>
#include <optional>

namespace velmora {

// The value truncated toward zero; nullopt for NaN, an infinity or a result
// the type cannot hold.
template <std::integral Int>
std::optional<Int> TruncateChecked(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double whole = std::trunc(value);
    // Both limits are powers of two, so exact as doubles: [min, max + 1).
    constexpr double kLow = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double kHighEnd = 2.0 * static_cast<double>(std::numeric_limits<Int>::max() / 2 + 1);
    if (whole < kLow || whole >= kHighEnd) return std::nullopt;
    return static_cast<Int>(whole);
}

// The same with every value kept: beyond the type the nearest limit, NaN nan.
template <std::integral Int>
Int TruncateSaturated(double value, Int nan = 0) {
    if (std::isnan(value)) return nan;
    if (auto whole = TruncateChecked<Int>(value)) return *whole;
    return value < 0 ? std::numeric_limits<Int>::min() : std::numeric_limits<Int>::max();
}

}  // namespace velmora
