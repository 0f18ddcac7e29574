#include <gtest/gtest.h>

#include "base/OperandParser.h"

namespace velmora::plc {
namespace {

OperandAddress Parsed(std::string_view text) {
    auto a = ParseOperand(text);
    EXPECT_TRUE(a.has_value()) << text;
    return a.value_or(OperandAddress{});
}

OperandAddress Addr(int area, int offset, int bit, int size, char kind) {
    return {area, offset, bit, size, kind};
}

// PLC areas count in bytes, IEC areas in units of the operand; a type keyword
// overrides the size; an index applies with the letter's size before the
// keyword; an addend moves byte and bit; blanks and the percent are optional.
TEST(OperandParser, AddressesOfEveryForm) {
    const std::pair<const char*, OperandAddress> rows[] = {
        {"%R100", Addr(3, 100, -1, 1, 'B')},
        {"%RW100", Addr(3, 100, -1, 2, 'W')},
        {"%RL8", Addr(3, 8, -1, 4, 'L')},
        {"%RF8", Addr(3, 8, -1, 4, 'F')},
        {"%RD8", Addr(3, 8, -1, 8, 'D')},
        {"%X10.3", Addr(0, 10, 3, 1, 'b')},
        {"%Y2", Addr(1, 2, -1, 1, 'B')},
        {"%S1.0", Addr(2, 1, 0, 1, 'b')},
        {"%T4", Addr(4, 4, -1, 1, 'B')},
        {"%MW5", Addr(3, 10, -1, 2, 'W')},
        {"%MD2", Addr(3, 8, -1, 4, 'L')},   // D is a 32-bit double word
        {"%ML2", Addr(3, 16, -1, 8, 'D')},  // L is a 64-bit long word
        {"%MB7", Addr(3, 7, -1, 1, 'B')},
        {"%I12", Addr(0, 1, 4, 1, 'b')},  // bit 12 from byte 0
        {"%QX1.2", Addr(1, 1, 2, 1, 'b')},
        {"%IX9", Addr(0, 1, 1, 1, 'b')},
        {"INT %R100", Addr(3, 100, -1, 2, 'W')},
        {"(INT)%R100", Addr(3, 100, -1, 2, 'W')},
        {"LINT %R0", Addr(3, 0, -1, 8, 'Q')},
        {"LREAL %R0", Addr(3, 0, -1, 8, 'D')},
        {"REAL %R220", Addr(3, 220, -1, 4, 'F')},
        {"%R100[3]", Addr(3, 103, -1, 1, 'B')},
        {"WORD %R100[3]", Addr(3, 103, -1, 2, 'W')},
        {"%X10.3[6]", Addr(0, 11, 1, 1, 'b')},  // the index moves the bit, folded into bytes
        {"%X10.8", Addr(0, 11, 0, 1, 'b')},
        {"%R100+2", Addr(3, 102, -1, 1, 'B')},
        {"%R100+1.2", Addr(3, 101, 2, 1, 'b')},
        {"%X10.6+0.5", Addr(0, 11, 3, 1, 'b')},
        {"  %r100  ", Addr(3, 100, -1, 1, 'B')},
        {"R100", Addr(3, 100, -1, 1, 'B')},
    };
    for (const auto& [text, address] : rows) EXPECT_EQ(Parsed(text), address) << text;
    // Longer keywords are tested before the words they contain; any letter case.
    const std::pair<const char*, char> kinds[] = {{"DINT %R0", 'L'}, {"UDINT %R0", 'L'},  {"USINT %R0", 'B'},
                                                  {"UINT %R0", 'W'}, {"DOUBLE %R0", 'D'}, {"float %r4", 'F'}};
    for (const auto& [text, kind] : kinds) EXPECT_EQ(Parsed(text).kind, kind) << text;
    EXPECT_EQ(Parsed("%RW100[3]").offset, 106);
    EXPECT_EQ(Parsed("%R100+x").offset, 100);  // an addend that is no number adds nothing
}

TEST(OperandParser, SymbolicNamesAndBrokenAddressesFail) {
    for (const char* text :
         {"Temp1", "Level", "%Z5", "", "%", "R", "%RW", "%R", "%R12X", "%RE5", "%MWA", "Boiler_T", "%R-5"})
        EXPECT_FALSE(ParseOperand(text).has_value()) << text;
}

// Negative parts and sums past the 32-bit offset are no address (they once
// wrapped, or led the soft PLC before its memory).
TEST(OperandParser, NegativeAndOverflowingNumbersFail) {
    for (const char* text :
         {"%RW-5", "%R1.-5", "INT %RW-64", "%RW-100000000", "%R100+-1", "%R100+1.-3", "%MQ999999999",
          "%RW5[2000000000]", "%R2147483647+1", "%R99999999999", "%R0+0x7fffffff.9"})
        EXPECT_FALSE(ParseOperand(text).has_value()) << text;
    // Summed in 64 bits, folded, and inside the range: still an address.
    EXPECT_EQ(Parsed("%R1.7[2147483647]"), Addr(3, 268435457, 6, 1, 'b'));
}

}  // namespace
}  // namespace velmora::plc
