#include <gtest/gtest.h>

#include "base/OperandParser.h"

namespace velmora::codegen {
namespace {

OperandAddress Parsed(std::string_view text) {
    auto a = ParseOperand(text);
    EXPECT_TRUE(a.has_value()) << text;
    return a.value_or(OperandAddress{});
}

OperandAddress Addr(int area, int offset, int bit, int size, char kind) {
    return {area, offset, bit, size, kind};
}

TEST(OperandParser, PlcAreasCountInBytes) {
    EXPECT_EQ(Parsed("%R100"), Addr(3, 100, -1, 1, 'B'));
    EXPECT_EQ(Parsed("%RW100"), Addr(3, 100, -1, 2, 'W'));
    EXPECT_EQ(Parsed("%RL8"), Addr(3, 8, -1, 4, 'L'));
    EXPECT_EQ(Parsed("%RF8"), Addr(3, 8, -1, 4, 'F'));
    EXPECT_EQ(Parsed("%RD8"), Addr(3, 8, -1, 8, 'D'));
    EXPECT_EQ(Parsed("%X10.3"), Addr(0, 10, 3, 1, 'b'));
    EXPECT_EQ(Parsed("%Y2"), Addr(1, 2, -1, 1, 'B'));
    EXPECT_EQ(Parsed("%S1.0"), Addr(2, 1, 0, 1, 'b'));
    EXPECT_EQ(Parsed("%T4"), Addr(4, 4, -1, 1, 'B'));
}

TEST(OperandParser, IecAreasCountInUnitsOfTheOperand) {
    EXPECT_EQ(Parsed("%MW5"), Addr(3, 10, -1, 2, 'W'));
    EXPECT_EQ(Parsed("%MD2"), Addr(3, 8, -1, 4, 'L'));   // D is a 32-bit double word
    EXPECT_EQ(Parsed("%ML2"), Addr(3, 16, -1, 8, 'D'));  // L is a 64-bit long word
    EXPECT_EQ(Parsed("%MB7"), Addr(3, 7, -1, 1, 'B'));
    EXPECT_EQ(Parsed("%I12"), Addr(0, 1, 4, 1, 'b'));  // bit 12 from byte 0
    EXPECT_EQ(Parsed("%QX1.2"), Addr(1, 1, 2, 1, 'b'));
    EXPECT_EQ(Parsed("%IX9"), Addr(0, 1, 1, 1, 'b'));
}

TEST(OperandParser, TypeKeywordOverridesTheSize) {
    EXPECT_EQ(Parsed("INT %R100"), Addr(3, 100, -1, 2, 'W'));
    EXPECT_EQ(Parsed("(INT)%R100"), Addr(3, 100, -1, 2, 'W'));
    EXPECT_EQ(Parsed("LINT %R0"), Addr(3, 0, -1, 8, 'Q'));
    EXPECT_EQ(Parsed("LREAL %R0"), Addr(3, 0, -1, 8, 'D'));
    EXPECT_EQ(Parsed("REAL %R220"), Addr(3, 220, -1, 4, 'F'));
    // Longer keywords are tested before the words they contain.
    EXPECT_EQ(Parsed("DINT %R0").kind, 'L');
    EXPECT_EQ(Parsed("UDINT %R0").kind, 'L');
    EXPECT_EQ(Parsed("USINT %R0").kind, 'B');
    EXPECT_EQ(Parsed("UINT %R0").kind, 'W');
    EXPECT_EQ(Parsed("DOUBLE %R0").kind, 'D');
    EXPECT_EQ(Parsed("float %r4").kind, 'F');  // any letter case
}

TEST(OperandParser, IndexAppliesWithTheLetterSizeBeforeTheKeyword) {
    EXPECT_EQ(Parsed("%R100[3]"), Addr(3, 103, -1, 1, 'B'));
    EXPECT_EQ(Parsed("WORD %R100[3]"), Addr(3, 103, -1, 2, 'W'));
    EXPECT_EQ(Parsed("%RW100[3]").offset, 106);
    EXPECT_EQ(Parsed("%X10.3[6]"), Addr(0, 11, 1, 1, 'b'));  // the index moves the bit, folded into bytes
}

TEST(OperandParser, AddendMovesByteAndBit) {
    EXPECT_EQ(Parsed("%R100+2"), Addr(3, 102, -1, 1, 'B'));
    EXPECT_EQ(Parsed("%R100+1.2"), Addr(3, 101, 2, 1, 'b'));
    EXPECT_EQ(Parsed("%X10.6+0.5"), Addr(0, 11, 3, 1, 'b'));
    EXPECT_EQ(Parsed("%R100+x").offset, 100);  // an addend that is no number adds nothing
}

TEST(OperandParser, BlanksAndPercentAreOptional) {
    EXPECT_EQ(Parsed("  %r100  "), Addr(3, 100, -1, 1, 'B'));
    EXPECT_EQ(Parsed("R100"), Addr(3, 100, -1, 1, 'B'));
}

TEST(OperandParser, SymbolicNamesAndBrokenAddressesFail) {
    for (const char* text :
         {"Temp1", "Level", "%Z5", "", "%", "R", "%RW", "%R", "%R12X", "%RE5", "%MWA", "Boiler_T", "%R-5"})
        EXPECT_FALSE(ParseOperand(text).has_value()) << text;
}

// Negative parts and sums past the 32-bit offset are no address (they once
// wrapped, or led the soft PLC before its memory).
TEST(OperandParser, NegativeAndOverflowingNumbersFail) {
    for (const char* text : {"%RW-5", "%R1.-5", "INT %RW-64", "%RW-100000000", "%R100+-1", "%R100+1.-3",
                             "%MQ999999999", "%RW5[2000000000]", "%R2147483647+1", "%R99999999999", "%R0+0x7fffffff.9"})
        EXPECT_FALSE(ParseOperand(text).has_value()) << text;
    // Summed in 64 bits, folded, and inside the range: still an address.
    EXPECT_EQ(Parsed("%R1.7[2147483647]"), Addr(3, 268435457, 6, 1, 'b'));
}

TEST(OperandParser, KindSizes) {
    EXPECT_EQ(OperandKindSize('B'), 1);
    EXPECT_EQ(OperandKindSize('b'), 1);
    EXPECT_EQ(OperandKindSize('W'), 2);
    EXPECT_EQ(OperandKindSize('L'), 4);
    EXPECT_EQ(OperandKindSize('F'), 4);
    EXPECT_EQ(OperandKindSize('D'), 8);
    EXPECT_EQ(OperandKindSize('Q'), 8);
    EXPECT_EQ(OperandKindSize('X'), 0);
}

}  // namespace
}  // namespace velmora::codegen
