#include "base/FloatToInt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace velmora {
namespace {

// Casts that would be undefined: NaN, infinities, values past the type.
TEST(FloatToInt, CheckedAndSaturatedTruncation) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        std::optional<std::int16_t> checked;
        std::int16_t saturated;
    } rows[] = {{32767.9, 32767, 32767},         {-32768.9, -32768, -32768},
                {32768, std::nullopt, 32767},    {-32769, std::nullopt, -32768},
                {inf, std::nullopt, 32767},      {-inf, std::nullopt, -32768},
                {std::nan(""), std::nullopt, 0}, {-0.5, 0, 0}};
    for (const auto& r : rows) {
        EXPECT_EQ(TruncateChecked<std::int16_t>(r.value), r.checked) << r.value;
        EXPECT_EQ(TruncateSaturated<std::int16_t>(r.value), r.saturated) << r.value;
    }
    EXPECT_EQ(TruncateChecked<std::int64_t>(9.2233720368547758e18), std::nullopt);  // 2^63
    EXPECT_EQ(TruncateChecked<std::uint16_t>(-1.0), std::nullopt);
}

}  // namespace
}  // namespace velmora
