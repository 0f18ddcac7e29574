// Raw values of the input conversions at the ends of their input ranges,
// beyond them and in between. The expected numbers were worked out from the
// conversion table with an independent script and checked by hand for a
// sample of rows.
#include "simulation/InputConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace velmora {
namespace {

struct Case {
    int mode;
    double value;
    int plcType;
    int raw;
};

void ExpectAll(const std::vector<Case>& cases) {
    for (const Case& c : cases)
        EXPECT_EQ(ConvertInputToRaw(c.mode, c.value, c.plcType), c.raw)
            << "mode " << c.mode << " value " << c.value << " PLC type " << c.plcType;
}

// Modules that mark a valid reading with bit 13 (negative bipolar values
// unmarked, with the same magnitude) and report a fixed code below their low
// bound; then the plain rows; then modes 2001 to 2033, which convert
// differently on PLC type index 0 (and alike on every other).
TEST(InputConversion, RowsAtBoundsLowCodesAndPlcTypes) {
    ExpectAll(
        {{401, -5, 0, 8192},     {401, 5000, 0, 10192},  {401, 10001, 0, 12192}, {402, -12000, 0, 4000},
         {402, -0.5, 0, 0},      {402, 2500.7, 0, 9192}, {410, -100, 0, 8992},   {410, 5000, 0, 10592},
         {410, 10000, 0, 12192}, {420, 1000, 0, 9792},   {420, 3000, 0, 12287},  {421, -1000, 0, 9157},
         {421, -900, 0, 9222},   {421, 2000, 0, 11004},  {421, 5000, 0, 12286},  {430, 512, 0, 10239},
         {430, 1024, 0, 12287},  {431, -1000, 0, 9398},  {431, -999, 0, 9399},   {431, 1000, 0, 10963},
         {432, -500, 0, 9677},   {432, 500, 0, 10773},   {1201, 5000, 0, 10239}, {1202, -5000, 0, 2047},
         {1202, 5000, 0, 10239}, {1210, 0, 0, 9011},     {1210, 5000, 0, 10649}, {1220, 2500, 0, 10239},
         {1221, -1000, 0, 8686}, {1221, 2000, 0, 9631},  {1230, 1000, 0, 10239}, {1231, -1000, 0, 9427},
         {1231, 1000, 0, 11029}, {1232, -500, 0, 9712},  {1232, 1520, 7, 12287}, {1501, 0, 0, 8192},
         {1502, -1, 0, 0},       {1510, -1, 0, 9011},    {1520, 785, 0, 10239},  {1521, -1000, 0, 9765},
         {1521, 500, 0, 11309},  {1525, 1600, 0, 10239}, {1526, -1000, 0, 8964}, {1526, 2000, 0, 10442},
         {1530, 0, 0, 8192},     {1531, 0, 0, 10241},    {1532, 600, 0, 10960},  {401, 5000, 7, 10192},
         {501, 5000, 0, 2047},   {501, 10000, 0, 4094},  {510, -100, 0, 819},    {510, 5000, 0, 2457},
         {1101, 10000, 0, 4094}, {1102, -5000, 0, 1024}, {1102, 5000, 0, 3071},  {1102, 10000, 0, 4094},
         {1110, 5000, 0, 2457},  {1120, 2500, 0, 2047},  {1121, -1000, 0, 494},  {1121, 3000, 0, 1736},
         {1130, 1000, 0, 2047},  {1131, -1000, 0, 1235}, {1131, 1000, 0, 2837},  {1132, -500, 0, 1521},
         {1132, 500, 0, 2642},   {2025, 500, 0, 1078},   {2025, 2000, 5, 1906},  {2030, 1000, 0, 2408},
         {2030, 1000, 7, 2408},  {2031, -1000, 0, 1524}, {2031, 1000, 0, 3193},  {2031, 2237.5, 0, 4042},
         {2031, 2238, 0, 4092},  {4001, -1, 0, 0},       {4010, 10000, 0, 4095}, {2001, 0, 0, 241},
         {2001, 5000, 0, 1831},  {2001, 5000, 1, 2047},  {2001, 10000, 3, 4094}, {2010, 0, 0, 878},
         {2010, 5000, 0, 2150},  {2010, 5000, 1, 2457},  {2010, 0, 3, 819},      {2032, -700, 0, 1426},
         {2032, 1400, 0, 2965},  {2032, 500, 0, 2304},   {2032, -600, 2, 1845},  {2032, 1352, 2, 4089},
         {2032, 500, 2, 3005},   {2033, -600, 0, 1527},  {2033, 500, 0, 2233},   {2033, 500, 2, 2897},
         {2033, 1600, 2, 4078},  {2001, 5000, 7, 2047}});
}

TEST(InputConversion, ModesWithoutRowTruncateNaNIsZeroAndRawValuesStayInRange) {
    const std::vector<Case> truncated = {
        {-700, 55.5, 0, 55}, {0, 123.9, 0, 123}, {0, -123.9, 0, -123}, {0, 40000, 0, 32767}, {9999, 7, 0, 7}};
    ExpectAll(truncated);
    EXPECT_EQ((std::vector{HasInputConversion(0), HasInputConversion(-700), HasInputConversion(1532)}),
              (std::vector{false, false, true}));
    // The REAL modes are modes without a row too; NaN converts as 0.
    EXPECT_EQ((std::vector{IsRealInputMode(-711), IsRealInputMode(-710), IsRealInputMode(0)}),
              (std::vector{true, false, false}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(ConvertInputToRaw(1101, nan, 0), ConvertInputToRaw(1101, 0, 0));
    EXPECT_EQ(ConvertInputToRaw(0, nan, 0), 0);
    EXPECT_EQ(ConvertInputToRaw(0, std::numeric_limits<double>::infinity(), 0), 32767);
    // Monotonic modules: a larger value never gives a smaller raw value.
    for (int mode : {401, 410, 420, 421, 430, 431, 432, 501, 510, 1102, 1121, 1132, 1232, 1526, 2001, 2010,
                     2031, 2032, 2033}) {
        int previous = std::numeric_limits<int>::min();
        for (double v = -12000; v <= 12000; v += 7.3) {
            const int raw = ConvertInputToRaw(mode, v, 0) & ~kRawValidBit;
            EXPECT_GE(raw, 0) << mode << " at " << v;
            EXPECT_LE(raw, 4095) << mode << " at " << v;
            // Low codes of marked rows lie at the bottom bound, so the order holds.
            EXPECT_GE(raw, previous) << mode << " at " << v;
            previous = raw;
        }
    }
}

}  // namespace
}  // namespace velmora
