// The line forms of the report: padding of labels, scaled values, choices and
// tab expansion.
#include "report/ReportLines.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora::report {
namespace {

TEST(ValueLine, PadsLabelToFortyFiveCharacters) {
    EXPECT_EQ(ValueLine("Input", "Y1"), "Input" + std::string(40, ' ') + ": Y1");
    const std::string label44(44, 'x');
    EXPECT_EQ(ValueLine(label44, "v"), label44 + " : v");
    const std::string label45(45, 'x');
    EXPECT_EQ(ValueLine(label45, "v"), label45 + " : v");
    const std::string label60(60, 'x');
    EXPECT_EQ(ValueLine(label60, "v"), label60 + " : v");
    EXPECT_EQ(ValueLine("", ""), std::string(45, ' ') + ": ");
}

TEST(ValueLine, CountsCharactersNotBytes) {
    // "Вход" is four characters in eight bytes.
    const std::string label = "\xD0\x92\xD1\x85\xD0\xBE\xD0\xB4";
    EXPECT_EQ(CharacterCount(label), 4u);
    EXPECT_EQ(ValueLine(label, "Y1"), label + std::string(41, ' ') + ": Y1");
}

TEST(ScaledValue, RightAlignedInEightWithUnitAndStoredValue) {
    EXPECT_EQ(ScaledValue(1000, 0.1, 1, "%"), "   100.0 %\t(1000)");
    EXPECT_EQ(ScaledValue(100, 0.01, 2, "s"), "    1.00 s\t(100)");
    EXPECT_EQ(ScaledValue(0, 0.01, 2, "%"), "    0.00 %\t(0)");
    EXPECT_EQ(ScaledValue(-1250, 0.01, 2, "%"), "  -12.50 %\t(-1250)");
    EXPECT_EQ(ScaledValue(7, 0.32, 2, "%"), "    2.24 %\t(7)");
    EXPECT_EQ(ScaledValue(32767, 0.1, 1, "s"), "  3276.7 s\t(32767)");
}

TEST(ScaledValue, KeepsOneBlankWhenTheNumberFillsTheField) {
    EXPECT_EQ(ScaledValue(-3276700, 0.01, 2, "%"), " -32767.00 %\t(-3276700)");
    EXPECT_EQ(ScaledValue(-99999, 0.1, 1, "%"), " -9999.9 %\t(-99999)");
    EXPECT_EQ(ScaledValue(-999999, 0.01, 2, "%"), " -10000.00 %\t(-999999)");
    EXPECT_EQ(ScaledValue(12345678, 0.01, 2, "s"), " 1.2346E+005 s\t(12345678)");
}

TEST(FixedPoint, RoundsToFiveSignificantDigits) {
    EXPECT_EQ(FixedPoint(1234.56, 2), "1234.60");
    EXPECT_EQ(FixedPoint(12345.6, 1), "12346.0");
    EXPECT_EQ(FixedPoint(99999.5, 1), "1.0000E+005");
    EXPECT_EQ(FixedPoint(123.456, 2), "123.46");
    EXPECT_EQ(FixedPoint(0.125, 2), "0.13");
    EXPECT_EQ(FixedPoint(-0.004, 2), "0.00");
    EXPECT_EQ(FixedPoint(5, 0), "5");
}

TEST(FixedPoint, ScientificBeyondFiveIntegerDigits) {
    EXPECT_EQ(FixedPoint(123456.0, 1), "1.2346E+005");
    EXPECT_EQ(FixedPoint(-2000000.0, 2), "-2.0000E+006");
}

TEST(ChoiceLine, PicksLineOrQuestionMarks) {
    EXPECT_EQ(ChoiceLine("Slow\nNormal\nFast", 0), "Slow");
    EXPECT_EQ(ChoiceLine("Slow\nNormal\nFast", 2), "Fast");
    EXPECT_EQ(ChoiceLine("Slow\nNormal\nFast", 3), "? ? ?");
    EXPECT_EQ(ChoiceLine("Slow\nNormal\nFast", -1), "? ? ?");
    EXPECT_EQ(ChoiceLine("Slow\r\nNormal\r\n", 0), "Slow");
    EXPECT_EQ(ChoiceLine("Slow\r\nNormal\r\n", 1), "Normal");
    EXPECT_EQ(ChoiceLine("Slow\r\nNormal\r\n", 2), "? ? ?");
    EXPECT_EQ(ChoiceLine("", 0), "? ? ?");
}

TEST(ExpandTabs, StopsEveryEightCharacters) {
    EXPECT_EQ(ExpandTabs("\tx"), "        x");
    EXPECT_EQ(ExpandTabs("abc\tx"), "abc     x");
    EXPECT_EQ(ExpandTabs("abcdefgh\tx"), "abcdefgh        x");
    EXPECT_EQ(ExpandTabs("a\t\tb"), "a               b");
    EXPECT_EQ(ExpandTabs("   100.0 %\t(1000)"), "   100.0 %      (1000)");
    // Multi-byte characters take one column.
    EXPECT_EQ(ExpandTabs("\xC3\xA9t\xC3\xA9\tx"), "\xC3\xA9t\xC3\xA9     x");
    EXPECT_EQ(ExpandTabs("ab\tc", 4), "ab  c");
}

}  // namespace
}  // namespace velmora::report
