// Numbers and PLC addresses read from text, and the checked casts of what was read.
#include "base/FloatToInt.h"
#include "base/OperandParser.h"
#include "base/ParseDecimal.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>

#include "support/Support.h"

namespace velmora {
namespace {

// Comma and point both separate decimals; the longest leading number is read;
// exponents beyond every double saturate; text without a number gives zero.
TEST(ParseDecimal, ReadsTheLongestLeadingNumberWithEitherSeparator) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<std::string_view, double> rows[] = {
        {"12,5", 12.5}, {"12.5", 12.5},  {"-0,25", -0.25}, {",5", 0.5},      {"  3.5 %", 3.5},
        {"1,5,6", 1.5}, {"+2e3x", 2000}, {"1e", 1},        {"7,5E-1", 0.75}, {"-1e400", -inf},
        {"", 0},        {"abc", 0},      {"-", 0},         {",", 0},
    };
    // Exact: within a few ULPs the largest double would pass for infinity.
    for (const auto& [text, value] : rows) EXPECT_EQ(ParseDecimal(text), value) << text;
    EXPECT_EQ(ParseDecimal(std::string_view("4.5\0009", 5)), 4.5);  // a NUL ends the number
    EXPECT_EQ(ParseDecimal("090e09223372036854775807"), inf);
    EXPECT_EQ(ParseDecimal("0.01e-9223372036854775807"), 0);
}

// The whole text or nothing; what is read may still be no finite number.
TEST(ParseNumber, TheWholeTextAsOneNumber) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<std::string_view, std::optional<double>> rows[] = {
        {" 12,5 ", 12.5},      {"+3", 3},          {"-1e400", -inf},
        {"1e-400", 0},         {"250", 250},       {"12,5,6", std::nullopt},
        {"3 %", std::nullopt}, {"", std::nullopt}, {"+-1", std::nullopt},
        {"0x10", std::nullopt}};
    for (const auto& [text, value] : rows) EXPECT_EQ(ParseNumber(text), value) << text;
    EXPECT_TRUE(std::isnan(ParseNumber("nan").value_or(0)));
    for (std::string_view text : {"1", "-32768", " +7 "}) EXPECT_TRUE(IsIntegerLiteral(text)) << text;
    for (std::string_view text : {"1.0", "1e3", "", "-", "0x1F"})
        EXPECT_FALSE(IsIntegerLiteral(text)) << text;
}

TEST(FormatDecimal, GeneralFormatWithFifteenSignificantDigits) {
    EXPECT_EQ(FormatDecimal(100), "100");
    EXPECT_EQ(FormatDecimal(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatDecimal(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FormatDecimal(-12.5, ','), "-12,5");
    EXPECT_EQ(FormatDecimal(1e20), "1e+20");
    EXPECT_EQ(FormatDecimal(0.0001), "0.0001");
    EXPECT_EQ(FormatDecimal(0.00001), "1e-05");
    EXPECT_EQ(FormatDecimal(123456789012345678.0), "1.23456789012346e+17");
}

// A process whose locale writes decimal commas (the Czech and Russian
// desktops do) still reads and writes the file's points.
TEST(ParseDecimal, IgnoresTheProcessLocale) {
    testing::TempDir dir;
    testing::WriteBytes(
        dir / "comma.def",
        "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\ngrouping 3;3\nEND LC_NUMERIC\n");
    const std::string command = "localedef -c -i '" + (dir / "comma.def").string() + "' -f UTF-8 '" +
                                (dir / "comma").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1 || !std::filesystem::exists(dir / "comma" / "LC_NUMERIC"))
        GTEST_SKIP() << "localedef cannot build a test locale here";
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    const bool switched = std::setlocale(LC_ALL, "comma") != nullptr;
    const double plain = std::strtod("12.5", nullptr);
    const double parsed = ParseDecimal("12.5");
    const double parsedComma = ParseDecimal("12,5");
    const std::string formatted = FormatDecimal(12.5);
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    ASSERT_TRUE(switched);
    ASSERT_EQ(plain, 12.0) << "the test locale does not use a decimal comma";
    EXPECT_DOUBLE_EQ(parsed, 12.5);
    EXPECT_DOUBLE_EQ(parsedComma, 12.5);
    EXPECT_EQ(formatted, "12.5");
}

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

using plc::OperandAddress, plc::ParseOperand;

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
}  // namespace velmora
