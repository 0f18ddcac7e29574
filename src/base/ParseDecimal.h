#pragma once
#include <string>
#include <string_view>

namespace velmora {

// Text to double: every "," becomes "." and the longest leading C-locale
// number is read; whatever follows it is ignored. A text without a number
// gives 0.
double ParseDecimal(std::string_view text);

// A number as the program writes it into the controller file or shows it:
// general format with up to 15 significant digits and the given separator.
std::string FormatDecimal(double value, char separator = '.');

}  // namespace velmora
