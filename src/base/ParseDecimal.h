#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Text to double: every "," becomes "." and the longest leading C-locale
// number is read; whatever follows it is ignored. A text without a number
// gives 0.
double ParseDecimal(std::string_view text);

// The whole text as a number, blanks around it and a decimal comma allowed:
// "nan" and "inf" give those values, a number beyond the double range an
// infinity of its sign. nullopt when the text is not one number.
std::optional<double> ParseNumber(std::string_view text);

// Whether the text (blanks around it allowed) is an integer literal: an
// optional sign and decimal digits only.
bool IsIntegerLiteral(std::string_view text);

// A number as the program writes it into the controller file or shows it:
// general format with up to 15 significant digits and the given separator.
std::string FormatDecimal(double value, char separator = '.');

}  // namespace velmora
