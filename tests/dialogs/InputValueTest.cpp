#include "controllers/InputValue.h"

#include <gtest/gtest.h>

#include <cmath>

#include "Fakes.h"
#include "base/Texts.h"

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
    EXPECT_DOUBLE_EQ(*ReadRealText("3,5"), 3.5);
    EXPECT_DOUBLE_EQ(*ReadRealText("3.5"), 3.5);
    EXPECT_DOUBLE_EQ(*ReadRealText("  -2.25e1 %"), -22.5);
    EXPECT_DOUBLE_EQ(*ReadRealText(".5"), 0.5);
    EXPECT_DOUBLE_EQ(*ReadRealText("+7."), 7.0);
    EXPECT_DOUBLE_EQ(*ReadRealText("0x10"), 16.0);
    EXPECT_DOUBLE_EQ(*ReadRealText("1e-400"), 0.0);
    EXPECT_TRUE(std::isinf(*ReadRealText("1e400")));
    for (const char* text : {"", "abc", "-", ",", "e5"}) EXPECT_FALSE(ReadRealText(text)) << text;
}

class InputValueTest : public ::testing::Test {
protected:
    InputValueTest() {
        input.minimum = -10.0f;
        input.maximum = 100.0f;
    }
    testing::ScriptedMessages messages;
    InputValue input{messages};
};

TEST_F(InputValueTest, AcceptsTheLimitsThemselves) {
    input.okClick("-10");
    EXPECT_TRUE(input.mayClose());
    EXPECT_DOUBLE_EQ(*input.value(), -10.0);
    InputValue upper(messages);
    upper.minimum = 0.1f;
    upper.maximum = 3000.0f;
    upper.okClick("0,1");
    EXPECT_TRUE(upper.mayClose()) << "0.1 typed meets the single-precision minimum 0.1";
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(InputValueTest, RefusesValuesOutsideTheLimits) {
    for (const char* text : {"100.01", "-10,5", "1e400", "nan"}) {
        messages.shown.clear();
        input.okClick(text);
        EXPECT_FALSE(input.closeQuery()) << text;
        ASSERT_EQ(messages.shown.size(), 1u) << text;
        EXPECT_EQ(messages.shown[0],
                  (testing::ShownMessage{Text(3019), Text(3435), MessageIcon::Stop, MessageButtons::Ok}));
    }
}

TEST_F(InputValueTest, NamesTheKindOfNumberItCouldNotRead) {
    input.okClick("abc");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, Text(3437));
    EXPECT_EQ(messages.shown[0].caption, Text(3019));
    input.integerMode = true;
    input.okClick("abc");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, Text(3436));
    EXPECT_FALSE(input.mayClose());
}

TEST_F(InputValueTest, IntegerModeReadsHexAndOctal) {
    input.integerMode = true;
    input.okClick("$1F");
    EXPECT_DOUBLE_EQ(*input.value(), 31.0);
    input.okClick("017");
    EXPECT_DOUBLE_EQ(*input.value(), 15.0);
    input.okClick("2.9");
    EXPECT_DOUBLE_EQ(*input.value(), 2.0) << "an integer reading stops at the point";
}

TEST_F(InputValueTest, UncheckedReadsARealNumberEvenInIntegerMode) {
    input.integerMode = true;
    input.unchecked = true;
    input.okClick("$1F");
    EXPECT_FALSE(input.mayClose()) << "a real reading does not know \"$\"";
    input.okClick("2,5");
    EXPECT_TRUE(input.mayClose());
    EXPECT_DOUBLE_EQ(*input.value(), 2.5);
}

TEST_F(InputValueTest, ExpressionModeAsksTheEvaluator) {
    input.expressionMode = true;
    std::string seen;
    input.evaluate = [&seen](const std::string& text) -> std::optional<double> {
        seen = text;
        if (text == "sp+5") return 55.0;
        if (text == "sp*9") return 450.0;
        return std::nullopt;
    };
    input.okClick("sp*9");
    EXPECT_FALSE(input.mayClose());
    EXPECT_EQ(messages.shown.back().text, Text(3435));
    input.okClick("bad(");
    EXPECT_EQ(messages.shown.back().text, Text(3437));
    input.okClick("sp+5");
    EXPECT_EQ(seen, "sp+5");
    EXPECT_TRUE(input.mayClose());
    EXPECT_DOUBLE_EQ(*input.value(), 55.0);
}

TEST_F(InputValueTest, CancelAlwaysMayClose) {
    EXPECT_FALSE(input.closeQuery());
    input.cancelClick();
    EXPECT_TRUE(input.closeQuery());
}

}  // namespace
}  // namespace velmora
