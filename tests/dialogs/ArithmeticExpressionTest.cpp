// The input dialog's expression mode.
#include <gtest/gtest.h>

#include "base/Texts.h"
#include "controllers/ArithmeticExpression.h"
#include "controllers/InputValue.h"
#include "support/Support.h"

namespace velmora {
namespace {

TEST(ArithmeticExpression, ReadsNumbersOperatorsAndParenthesesAndRefusesEverythingElse) {
    const std::pair<const char*, double> cases[] = {
        {"42", 42},    {" 2 + 3*4 ", 14},        {"(2+3)*4", 20},         {"10/4", 2.5},
        {"8-3-2", 3},  {"16/4/2", 2},            {"-(3)", -3},            {"--2", 2},
        {"3,5*2", 7},  {"1.5e2", 150},           {"2 \xC3\x97 3", 6},     {"9 \xC3\xB7 3", 3},
        {"+.5", 0.5},  {"7 \xE2\x88\x92 2", 5}, {"((((1))))", 1},        {"2*-3", -6},
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

// In expression mode the dialog evaluates the text, checks the limits and names
// what it could not read; Cancel always may close.
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
