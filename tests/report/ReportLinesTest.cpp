// The line forms of the report: padding of labels, scaled values, choices and
// tab expansion, one row per case (what the function made, what it must make);
// the common cases are the reviewed report blocks' (ControllerReportTest).
#include "report/ReportLines.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora::report {
namespace {

TEST(ReportLines, EachFormMakesItsText) {
    const std::string x44(44, 'x'), x45(45, 'x');
    const std::string russian = "\xD0\x92\xD1\x85\xD0\xBE\xD0\xB4";  // four characters in eight bytes
    const char* speeds = "Slow\nNormal\nFast";
    const std::pair<std::string, std::string> rows[] = {
        // Labels are padded to 45 characters, not bytes; longer ones keep one blank.
        {ValueLine(x44, "v"), x44 + " : v"},
        {ValueLine(x45, "v"), x45 + " : v"},
        {ValueLine("", ""), std::string(45, ' ') + ": "},
        {std::to_string(CharacterCount(russian)), "4"},
        {ValueLine(russian, "Y1"), russian + std::string(41, ' ') + ": Y1"},
        // Scaled values: right-aligned in eight with unit and stored value, one blank when full.
        {ScaledValue(-1250, 0.01, 2, "%"), "  -12.50 %\t(-1250)"},
        {ScaledValue(32767, 0.1, 1, "s"), "  3276.7 s\t(32767)"},
        {ScaledValue(-3276700, 0.01, 2, "%"), " -32767.00 %\t(-3276700)"},
        {ScaledValue(-99999, 0.1, 1, "%"), " -9999.9 %\t(-99999)"},
        {ScaledValue(-999999, 0.01, 2, "%"), " -10000.00 %\t(-999999)"},
        {ScaledValue(12345678, 0.01, 2, "s"), " 1.2346E+005 s\t(12345678)"},
        // Five significant digits, scientific beyond five integer digits.
        {FixedPoint(1234.56, 2), "1234.60"},
        {FixedPoint(12345.6, 1), "12346.0"},
        {FixedPoint(99999.5, 1), "1.0000E+005"},
        {FixedPoint(0.125, 2), "0.13"},
        {FixedPoint(-0.004, 2), "0.00"},
        {FixedPoint(5, 0), "5"},
        {FixedPoint(-2000000.0, 2), "-2.0000E+006"},
        // A choice picks its line, or question marks outside the list.
        {ChoiceLine(speeds, 2), "Fast"},
        {ChoiceLine(speeds, 3), "? ? ?"},
        {ChoiceLine("Slow\r\nNormal\r\n", 1), "Normal"},
        {ChoiceLine("Slow\r\nNormal\r\n", 2), "? ? ?"},
        {ChoiceLine("", 0), "? ? ?"},
        // Tabs stop every eight columns; a multi-byte character takes one.
        {ExpandTabs("\tx"), "        x"},
        {ExpandTabs("abc\tx"), "abc     x"},
        {ExpandTabs("abcdefgh\tx"), "abcdefgh        x"},
        {ExpandTabs("\xC3\xA9t\xC3\xA9\tx"), "\xC3\xA9t\xC3\xA9     x"},
        {ExpandTabs("ab\tc", 4), "ab  c"},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(rows[i].first, rows[i].second) << "row " << i;
}

}  // namespace
}  // namespace velmora::report
