#include <gtest/gtest.h>

#include "base/Strings.h"

namespace velmora {
namespace {

TEST(Strings, TrimFoldAndCompareAreAsciiOnly) {
    EXPECT_EQ(Trim(" \t\x01name\r\n"), "name");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(UpperAscii("Regulátor r1"), "REGULáTOR R1");  // bytes above ASCII untouched
    EXPECT_EQ(LowerAscii("PLC1.RGLX"), "plc1.rglx");
    EXPECT_TRUE(EqualNoCase("Regulator R1", "REGULATOR r1"));
    EXPECT_FALSE(EqualNoCase("R1", "R10"));
    EXPECT_TRUE(StartsWithNoCase("File12", "file"));
    EXPECT_FALSE(StartsWithNoCase("Fi", "file"));
    EXPECT_TRUE(EndsWithNoCase("Boiler_def.st", "_DEF.ST"));
}

// Character classes of the C locale whatever the process's locale.
TEST(Strings, AsciiClassesAndHexDigits) {
    for (char c : std::string_view(" \t\n\v\f\r")) EXPECT_TRUE(IsSpaceAscii(c)) << int(c);
    for (char c : {'\0', '\x1f', 'a', '\xa0'}) EXPECT_FALSE(IsSpaceAscii(c)) << int(c);
    const std::pair<char, int> hex[] = {{'0', 0}, {'9', 9}, {'a', 10}, {'F', 15}, {'g', -1}, {'\xc1', -1}};
    for (const auto& [c, value] : hex) EXPECT_EQ(HexDigitValue(c), value) << c;
}

TEST(Strings, SplitKeepsEmptyPartsAndLinesDropTheirEnds) {
    EXPECT_EQ(Split("a,,b", ','), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Split("", ','), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitLines("a\r\nb\n\nc"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(SplitLines("a\n"), (std::vector<std::string>{"a"}));
    EXPECT_TRUE(SplitLines("").empty());
}

}  // namespace
}  // namespace velmora
