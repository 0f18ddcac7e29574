// The input dialog's expression evaluator: whatever it accepts is a finite
// number, and a text it accepts keeps its value inside parentheses.
#include <cmath>

#include "FuzzSupport.h"
#include "controllers/ArithmeticExpression.h"

VELMORA_FUZZ_TARGET(ArithmeticExpression) {
    const std::string text(velmora::fuzz::Bytes(data, size));
    const auto v = velmora::EvaluateArithmetic(text);
    if (!v) return 0;
    velmora::fuzz::Expect(std::isfinite(*v), "a value that is not finite");
    const auto wrapped = velmora::EvaluateArithmetic("(" + text + ")");
    // Short texts cannot reach the nesting bound, so one more level is allowed.
    if (text.size() < 48)
        velmora::fuzz::Expect(wrapped && (*wrapped == *v || (std::isnan(*wrapped) && std::isnan(*v))),
                              "parentheses change the value");
    return 0;
}
