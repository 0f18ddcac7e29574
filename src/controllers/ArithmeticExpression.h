#pragma once
// The input dialog's expression mode: numbers ("." or "," as decimal
// separator, optional exponent), + − × ÷ (also * and /), unary signs and
// parentheses. Anything else, a division by zero or a result that is not a
// finite number gives nothing.
#include <optional>
#include <string_view>

namespace velmora {

std::optional<double> EvaluateArithmetic(std::string_view text);

}  // namespace velmora
