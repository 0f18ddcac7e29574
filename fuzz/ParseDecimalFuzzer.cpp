// ParseDecimal over any text, and the round trip of what FormatDecimal writes.
#include <cmath>

#include "FuzzSupport.h"
#include "base/ParseDecimal.h"

using namespace velmora;

VELMORA_FUZZ_TARGET(ParseDecimal) {
    const double value = ParseDecimal(fuzz::Bytes(data, size));
    if (std::isfinite(value)) {
        const double again = ParseDecimal(FormatDecimal(value, ','));
        fuzz::Expect(again == value || std::fabs(again - value) <= std::fabs(value) * 1e-14,
                     "a formatted number reads back as another");
    }
    return 0;
}
