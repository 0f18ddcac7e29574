// The input dialog's rules: reading integers and reals, the limits, and its
// expression mode.
#include "controllers/InputValue.h"

#include <gtest/gtest.h>

#include <cmath>

#include "Fakes.h"
#include "controllers/ArithmeticExpression.h"

namespace velmora {
namespace {

// Like scanf's %i after upper-casing, with "$" for hex; reading stops at the first
// character that does not belong.
TEST(ReadIntegerText, HexOctalAndDecimal) {
    const std::pair<const char*, std::optional<long long>> cases[] = {
        {"$1F", 31},   {"$1f", 31},   {"0x1F", 31},  {"0X1f", 31}, {"017", 15}, {"0", 0},   {"-120", -120},
        {"  +42", 42}, {"$-10", -16}, {"12abc", 12}, {"09", 0},    {"0xg", 0},  {"3.7", 3}, {"", {}},
        {"  ", {}},    {"abc", {}},   {"$", {}},     {"$G1", {}},  {"-", {}},   {"+x", {}}, {"x12", {}}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ReadIntegerText(text), expected) << '"' << text << '"';
}

TEST(ReadRealText, AcceptsCommaOrPointAndTrailingText) {
    const std::pair<const char*, double> rows[] = {
        {"3,5", 3.5}, {"3.5", 3.5},   {"  -2.25e1 %", -22.5}, {".5", 0.5},
        {"+7.", 7.0}, {"0x10", 16.0}, {"1e-400", 0.0},
    };
    for (const auto& [text, value] : rows) EXPECT_DOUBLE_EQ(*ReadRealText(text), value) << text;
    EXPECT_TRUE(std::isinf(*ReadRealText("1e400")));
    for (const char* text : {"", "abc", "-", ",", "e5"}) EXPECT_FALSE(ReadRealText(text)) << text;
}

// What OK does with a typed text: the value it closes with, or the message it shows.
TEST(InputValueOk, ReadsChecksTheLimitsAndNamesWhatItCouldNotRead) {
    struct Case {
        const char* text;
        bool integerMode, unchecked;
        float minimum, maximum;
        std::optional<double> value;  // closes with it
        int message;                  // or shows this text
    } const cases[] = {
        {"-10", false, false, -10, 100, -10.0, 0},
        {"0,1", false, false, 0.1f, 3000, 0.1, 0},  // 0.1 typed meets the single-precision minimum
        {"100.01", false, false, -10, 100, {}, 3435},
        {"-10,5", false, false, -10, 100, {}, 3435},
        {"1e400", false, false, -10, 100, {}, 3435},
        {"nan", false, false, -10, 100, {}, 3435},
        {"abc", false, false, -10, 100, {}, 3437},
        {"abc", true, false, -10, 100, {}, 3436},
        {"$1F", true, false, -10, 100, 31.0, 0},
        {"017", true, false, -10, 100, 15.0, 0},
        {"2.9", true, false, -10, 100, 2.0, 0},   // an integer reading stops at the point
        {"$1F", true, true, -10, 100, {}, 3436},  // a real reading does not know "$"
        {"2,5", true, true, -10, 100, 2.5, 0},
    };
    for (const auto& c : cases) {
        testing::ScriptedMessages messages;
        InputValue input(messages);
        input.integerMode = c.integerMode;
        input.unchecked = c.unchecked;
        input.minimum = c.minimum;
        input.maximum = c.maximum;
        input.okClick(c.text);
        EXPECT_EQ(input.mayClose(), c.value.has_value()) << c.text;
        if (c.value) {
            EXPECT_NEAR(*input.value(), *c.value, 1e-6) << c.text;
        }
        std::vector<testing::ShownMessage> shown;
        if (c.message) shown.push_back({Text(3019), Text(c.message), MessageIcon::Stop, MessageButtons::Ok});
        EXPECT_EQ(messages.shown, shown) << c.text;
    }
}

TEST(ArithmeticExpression, ReadsNumbersOperatorsAndParenthesesAndRefusesEverythingElse) {
    const std::pair<const char*, double> cases[] = {
        {"42", 42},   {" 2 + 3*4 ", 14},       {"(2+3)*4", 20},     {"10/4", 2.5},
        {"8-3-2", 3}, {"16/4/2", 2},           {"-(3)", -3},        {"--2", 2},
        {"3,5*2", 7}, {"1.5e2", 150},          {"2 \xC3\x97 3", 6}, {"9 \xC3\xB7 3", 3},
        {"+.5", 0.5}, {"7 \xE2\x88\x92 2", 5}, {"((((1))))", 1},    {"2*-3", -6},
    };
    for (const auto& [text, value] : cases) {
        const auto v = EvaluateArithmetic(text);
        ASSERT_TRUE(v) << text;
        EXPECT_DOUBLE_EQ(*v, value) << text;
    }
    const char* refused[] = {"",    "sp+5", "2+",   "(1",     "1)",   "1/0", "1/(2-2)", "2^3", "1e999",
                             "3 4", ".",    "1..2", "abs(1)", "0x10", "1e",  "5%",      "1;2", "*2"};
    for (const char* text : refused) EXPECT_FALSE(EvaluateArithmetic(text)) << text;
    // Nesting is bounded before it reaches the stack: 100,000 levels of parentheses or signs,
    // and 2,000 within the length the dialog takes.
    for (const int n : {100000, 2000}) {
        EXPECT_FALSE(EvaluateArithmetic(std::string(n, '(') + "1" + std::string(n, ')'))) << n;
        EXPECT_FALSE(EvaluateArithmetic(std::string(n, '-') + "1")) << n;
    }
}

TEST(ArithmeticExpression, TheDialogUsesItInExpressionMode) {
    testing::ScriptedMessages messages;
    InputValue input(messages);
    input.expressionMode = true;
    input.minimum = 0;
    input.maximum = 100;
    EXPECT_FALSE(input.closeQuery());
    input.okClick("50*9");
    EXPECT_FALSE(input.mayClose());
    EXPECT_EQ(messages.shown.back().text, Text(3435));
    input.okClick("sqrt(4)");
    EXPECT_FALSE(input.mayClose());
    EXPECT_EQ(messages.shown.back().text, Text(3437));
    input.okClick("(20+30)/2");
    ASSERT_TRUE(input.mayClose());
    EXPECT_DOUBLE_EQ(*input.value(), 25);
    InputValue other(messages);
    other.cancelClick();
    EXPECT_TRUE(other.closeQuery());
}

}  // namespace
}  // namespace velmora
