// CNV's input modes against the plant simulation's inverse conversions: a
// value sent through the module and back returns within one raw step.
#include <gtest/gtest.h>

#include <cmath>

#include "Blocks.h"
#include "simulation/InputConversion.h"

namespace velmora::softplc {
namespace {

struct Mode {
    int mode;
    double lo, hi;  // input range of the module
    int plcTypeIndex;
};

class InputModes : public ::testing::TestWithParam<Mode> {};

TEST_P(InputModes, ReadBackWhatTheSimulationSent) {
    const Mode m = GetParam();
    for (int percent = 0; percent <= 100; percent += 5) {
        const double v = std::round(m.lo + (m.hi - m.lo) * percent / 100.0);
        const int raw = ConvertInputToRaw(m.mode, v, m.plcTypeIndex);
        bool valid = false;
        const int back = ForwardInputConversion(m.mode, raw, m.plcTypeIndex, valid);
        ASSERT_TRUE(valid) << percent;
        // One raw step further must read higher (or be the top of the range).
        const int next = ConvertInputToRaw(m.mode, back, m.plcTypeIndex);
        EXPECT_EQ(next, raw) << "mode " << m.mode << " at " << percent << " %: " << back;
        // Steps of these modules are at most a few tenths of a percent of their range.
        EXPECT_NEAR(back, v, (m.hi - m.lo) * 0.003) << percent;
    }
    // 40 % of a 0..10000 module reads back as 40 %.
    if (m.lo == 0 && m.hi == 10000) {
        bool valid = false;
        EXPECT_EQ(ForwardInputConversion(m.mode, ConvertInputToRaw(m.mode, 4000, m.plcTypeIndex),
                                         m.plcTypeIndex, valid),
                  4000);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, InputModes,
    ::testing::Values(Mode{401, 0, 10000, 10}, Mode{410, 0, 10000, 10}, Mode{420, 0, 2560, 10},
                      Mode{421, -1000, 4260, 10}, Mode{431, -1000, 2680, 10}, Mode{501, 0, 10000, 12},
                      Mode{1102, -10000, 10000, 5}, Mode{1201, 0, 10000, 5}, Mode{1210, 0, 10000, 5},
                      Mode{1232, -500, 1520, 5}, Mode{1526, -1000, 6200, 5}, Mode{2001, 0, 10000, 2},
                      Mode{2010, 0, 10000, 0}, Mode{2030, 0, 1870, 2}, Mode{2033, -500, 1600, 2}));

TEST(InputModes, TheValidMarkDecidesMeasuringErrorsAndSign) {
    bool valid = true;
    // A module that marks valid readings: no mark, no reading.
    EXPECT_EQ(ForwardInputConversion(401, 1600, 0, valid), kInputOverflow);
    EXPECT_FALSE(valid);
    // The bipolar modules mark the positive half.
    EXPECT_EQ(ForwardInputConversion(402, ConvertInputToRaw(402, -5000, 0), 0, valid), -5000);
    EXPECT_TRUE(valid);
    EXPECT_EQ(ForwardInputConversion(402, ConvertInputToRaw(402, 5000, 0), 0, valid), 5000);
    // No conversion: the word itself.
    EXPECT_EQ(ForwardInputConversion(0, -123, 0, valid), -123);
}

TEST(Conversion, ScalesFiltersAndPassesErrorsOn) {
    std::uint8_t table[8] = {0, 0, 0x10, 0x27, 0, 0, 0x28, 0x23};  // 0..10000 -> 0..9000
    std::uint8_t filter[4] = {};
    ConversionArgs a;
    a.value = 5000;
    a.flags = 3;
    a.table = table;
    EXPECT_EQ(RunConversion(a), 4500);
    a.flags = 7;
    a.filter = filter;
    // Half way after one step as long as the time constant: one cycle, or 1000 ms on type index 14.
    for (const auto& [typeIndex, tau] : {std::pair{0, 1}, {14, 1000}}) {
        a.value = 5000, a.tau = 0;  // starts the filter at the input
        EXPECT_EQ(RunConversion(a), 4500);
        a.value = 10000, a.tau = tau, a.plcTypeIndex = typeIndex, a.dtMs = 1000;
        EXPECT_EQ(RunConversion(a), 6750) << typeIndex;
    }
    a.mode = 401;
    a.value = 1600;  // no valid mark
    EXPECT_EQ(RunConversion(a), kInputOverflow);
}

}  // namespace
}  // namespace velmora::softplc
