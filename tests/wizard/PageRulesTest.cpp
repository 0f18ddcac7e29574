#include "wizard/PageRules.h"

#include "WizardTestSupport.h"

namespace velmora::wizard {
namespace {

using testing::ControllerFileTest;

TEST(DecimalEditRule, ClampsToLimitsAndShowsFixedDecimalsWithTheSystemSeparator) {
    EXPECT_EQ(LimitDecimalText("150", -100, 100, 2, ','), "100,00");
    EXPECT_EQ(LimitDecimalText("-250", -100, 100, 2, ','), "-100,00");
    EXPECT_EQ(LimitDecimalText("12.3456", 0, 100, 2, ','), "12,35");
    EXPECT_EQ(LimitDecimalText("12,3", 0, 100, 1, '.'), "12.3");
    // At the upper limit the limit itself, below the lower one the lower limit.
    EXPECT_EQ(LimitDecimalText("3000", 0.1, 3000, 1, ','), "3000,0");
    EXPECT_EQ(LimitDecimalText("0", 0.1, 3000, 1, ','), "0,1");
    EXPECT_EQ(LimitDecimalText("abc", 0.01, 30000, 2, ','), "0,01");
}

TEST(DecimalEditRule, RoundsToFiveSignificantDigitsBeforeTheDecimals) {
    // 1234.56 has six digits: rounding to five gives 1234.6 before two decimals are shown.
    EXPECT_EQ(FormatFixed(1234.56, 2, 5, ','), "1234,60");
    EXPECT_EQ(FormatFixed(1234.56, 2, 6, ','), "1234,56");
    EXPECT_EQ(FormatFixed(-0.001, 2, 5, ','), "0,00");
}

TEST(IntegerText, ReadsOnlyWholeDecimalIntegers) {
    EXPECT_EQ(ParseInteger(" -12 "), -12);
    EXPECT_EQ(ParseInteger("12a"), std::nullopt);
    EXPECT_EQ(ParseInteger("1.5"), std::nullopt);
    EXPECT_EQ(ParseInteger(""), std::nullopt);
    EXPECT_EQ(ParseInteger("99999999999"), std::nullopt);
    EXPECT_EQ(IntegerOr("x", 7), 7);
}

TEST(DecimalText, TellsANumberFromText) {
    EXPECT_DOUBLE_EQ(*TryParseDecimal("2,5"), 2.5);
    EXPECT_DOUBLE_EQ(*TryParseDecimal("-.5x"), -0.5);
    EXPECT_EQ(TryParseDecimal("abc"), std::nullopt);
    EXPECT_EQ(TryParseDecimal("inf"), std::nullopt);
    EXPECT_EQ(TryParseDecimal(""), std::nullopt);
}

TEST(AddressKinds, KeywordsWinOverTheAddressLetter) {
    EXPECT_EQ(KindOfAddress("INT %R200"), VariableKind::Word);
    EXPECT_EQ(KindOfAddress("(REAL)%R10"), VariableKind::Float);
    EXPECT_EQ(KindOfAddress("DINT %R0"), VariableKind::Long);  // DINT before INT
    EXPECT_EQ(KindOfAddress("SINT %R0"), VariableKind::Byte);
    EXPECT_EQ(KindOfAddress("LREAL %R0"), VariableKind::Double);
    EXPECT_EQ(KindOfAddress("%R100"), VariableKind::Byte);
    EXPECT_EQ(KindOfAddress("%RW100"), VariableKind::Word);
    EXPECT_EQ(KindOfAddress("%RF4"), VariableKind::Float);
    EXPECT_EQ(KindOfAddress("%X10.3"), VariableKind::Bit);
    EXPECT_EQ(KindOfAddress("%MW5"), VariableKind::Word);
    EXPECT_EQ(KindOfAddress("%MD2"), VariableKind::Long);
    EXPECT_EQ(KindOfAddress("%I12"), VariableKind::Bit);
    EXPECT_EQ(KindOfAddress("Temp1"), VariableKind::Unknown);
}

TEST(PlcImages, AreLittleEndian) {
    std::vector<std::uint8_t> bytes;
    PutInt16(bytes, -2);
    PutInt32(bytes, 0x01020304);
    PutFloat(bytes, 2.5f);
    EXPECT_EQ(bytes[0], 0xFE);
    EXPECT_EQ(bytes[1], 0xFF);
    EXPECT_EQ(bytes[2], 0x04);
    EXPECT_EQ(bytes[5], 0x01);
    EXPECT_EQ(GetInt16(bytes, 0), -2);
    EXPECT_EQ(GetInt32(bytes, 2), 0x01020304);
    EXPECT_FLOAT_EQ(GetFloat(bytes, 6), 2.5f);
}

using VariableQuestions = ControllerFileTest;

TEST_F(VariableQuestions, UnknownNameAsksWhetherToContinueWithTheExactText) {
    messages.answers = {MessageAnswer::No};
    EXPECT_FALSE(ConfirmVariable(context, "Boiler_T", VariableKind::Word, 3430));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, Text(2038));
    EXPECT_EQ(messages.shown[0].text, Text(3412) + " 'Boiler_T' " + Text(3413));
    EXPECT_EQ(messages.shown[0].text, "Variable 'Boiler_T' is not defined. Continue?");
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
}

TEST_F(VariableQuestions, KnownNameOfAnotherKindAsksTheKindQuestion) {
    variables["Flow"] = "REAL %R10";
    messages.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(ConfirmVariable(context, "Flow", VariableKind::Word, 3430));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Variable 'Flow' is not word. Continue?");
    messages.shown.clear();
    EXPECT_TRUE(ConfirmVariable(context, "Flow", VariableKind::Float, 3432));
    EXPECT_TRUE(ConfirmVariable(context, "Flow"));
    EXPECT_TRUE(messages.shown.empty());
}

using PageConventions = ControllerFileTest;

TEST_F(PageConventions, CancelDuringTheWizardErasesOnlyTheNewSection) {
    writeFile(
        "[Regulator PID_0]\r\nName=PID_0\r\nType=PID\r\n[Regulator "
        "PID_1]\r\nName=PID_1\r\n[Desktop]\r\nA=1\r\n");
    context.wizardRunning = true;
    AfterPageClosed(context, false);
    EXPECT_FALSE(context.wizardRunning);
    EXPECT_EQ(fileText(), "[Regulator PID_0]\r\nName=PID_0\r\nType=PID\r\n[Desktop]\r\nA=1\r\n");
}

TEST_F(PageConventions, AcceptedOrSinglePagesKeepTheSection) {
    writeFile("[Regulator PID_1]\r\nName=PID_1\r\n");
    context.wizardRunning = true;
    AfterPageClosed(context, true);
    EXPECT_TRUE(context.wizardRunning);
    context.wizardRunning = false;
    AfterPageClosed(context, false);
    EXPECT_TRUE(file->sectionExists(section()));
}

TEST_F(PageConventions, OnlyAPageOpenedAloneGenerates) {
    context.wizardRunning = true;
    AfterPageAccepted(context);
    EXPECT_TRUE(generated.empty());
    context.wizardRunning = false;
    AfterPageAccepted(context);
    EXPECT_EQ(generated, std::vector<std::string>{"PID_1"});
}

}  // namespace
}  // namespace velmora::wizard
