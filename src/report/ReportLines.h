#pragma once
// The line forms of the controller report. Widths count characters (UTF-8
// code points), so Czech and Russian labels line up like English ones.
#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::report {

inline constexpr std::size_t kLabelWidth = 45;
inline constexpr int kScaledPrecision = 5;  // significant digits of a scaled value
inline constexpr std::size_t kScaledWidth = 8;
inline constexpr std::string_view kUnknownChoice = "? ? ?";

std::size_t CharacterCount(std::string_view utf8);

// Label, blanks up to 45 characters (at least one), ": ", value.
std::string ValueLine(std::string_view label, std::string_view value);

// A number in fixed-point notation with `decimals` decimals and at most
// `precision` significant digits (rounded half away from zero, padded with
// zeros); a number whose integer part has more digits than that is written
// in scientific notation, d.ddddE+ddd.
std::string FixedPoint(double value, int decimals, int precision = kScaledPrecision);

// stored × scale in FixedPoint, right-aligned in 8 characters with at least
// one blank in front, a blank, the unit, a tab and "(stored)".
std::string ScaledValue(long long stored, double scale, int decimals, std::string_view unit);

// Line `index` (0-based) of a multi-line text, or "? ? ?" outside it.
std::string ChoiceLine(std::string_view lines, long long index);

// Tabs expanded to stops every `tabSize` characters.
std::string ExpandTabs(std::string_view line, std::size_t tabSize = 8);

}  // namespace velmora::report
