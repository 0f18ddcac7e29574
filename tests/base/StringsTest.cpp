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

TEST(Strings, SplitKeepsEmptyPartsAndLinesDropTheirEnds) {
    EXPECT_EQ(Split("a,,b", ','), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Split("", ','), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitLines("a\r\nb\n\nc"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(SplitLines("a\n"), (std::vector<std::string>{"a"}));
    EXPECT_TRUE(SplitLines("").empty());
}

}  // namespace
}  // namespace velmora
