#include "controllers/PidParameterBlock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora {
namespace {

// Band and gain as the parameter page and the online panel both derive them.
// A gain of 0 gives no band to compute: the band of 100 % (gain 1), on both.
TEST(BandAndGain, OneRuleWithItsLimits) {
    const struct {
        const char* what;
        double (*rule)(double, double);
        double value, band, expected;
    } cases[] = {
        {"K+ of a band", [](double b, double) { return GainOfBand(b); }, 50, 0, 2},
        {"K+ of the lowest band", [](double b, double) { return GainOfBand(b); }, kBandLow, 0, 1000},
        {"K+ of no band", [](double b, double) { return GainOfBand(b); }, 0, 0, 1},
        {"band of a K+", [](double g, double) { return BandOfGain(g); }, 4, 0, 25},
        {"band of K+ 0", [](double g, double) { return BandOfGain(g); }, 0, 0, 100},
        {"band of a tiny K+", [](double g, double) { return BandOfGain(g); }, 0.01, 0, kBandHigh},
        {"band of a negative K+", [](double g, double) { return BandOfGain(g); }, -4, 0, kBandLow},
        {"band below the limit", [](double b, double) { return LimitBand(b); }, 0, 0, kBandLow},
        {"band at the limit", [](double b, double) { return LimitBand(b); }, kBandHigh, 0, kBandHigh},
        {"K- of RelCool", [](double r, double b) { return CoolingGain(r, b); }, 50, 20, 10},
        {"K- of RelCool 200 on 50", [](double r, double b) { return CoolingGain(r, b); }, 200, 50, 1},
        {"K- of no RelCool", [](double r, double b) { return CoolingGain(r, b); }, 0, 20, 1},
        {"RelCool of a K-", [](double g, double b) { return RelCoolOfGain(g, b); }, 10, 20, 50},
        {"RelCool of K- 0", [](double g, double b) { return RelCoolOfGain(g, b); }, 0, 20, 100},
        {"RelCool beyond the limit", [](double g, double b) { return RelCoolOfGain(g, b); }, 0.001, 20,
         kBandHigh},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(c.rule(c.value, c.band), c.expected) << c.what;
}

TEST(PidParameterBlock, ScaledRoundedOrTruncatedInsideAnIntAndLaidOutAsTPid) {
    const auto rounded = PidParameterBlock::FromShown(99.96, 0.1, 3000, 0, 12.345, 100, 0.004);
    EXPECT_EQ(rounded, (PidParameterBlock{1000, 1, 30000, 0, 1235, 10000, 0}));
    const auto truncated =
        PidParameterBlock::FromShown(99.96, 0.1, 3000, 0, 12.345, 100, 0.004, Rounding::Truncate);
    EXPECT_EQ(truncated.pBnd, 999);
    EXPECT_EQ(PidParameterBlock::FromShown(1e9, -1e9, NAN, 0, 0, 0, 0), (PidParameterBlock{32767, -32768}));
    const auto bytes = EncodePidParameters({500, 2000, 123, 5, 150, 225, -2});
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 14>{0xF4, 0x01, 0xD0, 0x07, 0x7B, 0, 5, 0, 0x96, 0, 0xE1, 0,
                                                   0xFE, 0xFF}));
    EXPECT_EQ(DecodePidParameters(bytes.data()), (PidParameterBlock{500, 2000, 123, 5, 150, 225, -2}));
}

}  // namespace
}  // namespace velmora
