#include "wizard/PageRules.h"

#include "WizardTestSupport.h"

namespace velmora::wizard {
namespace {

// Clamped to the limits (the limit itself at the edge), fixed decimals with the given separator.
TEST(DecimalEditRule, ClampsShowsFixedDecimalsReadsNumbersAndKindsOfAddresses) {
    const struct {
        const char* text;
        double lo, hi;
        int decimals;
        char separator;
        const char* shown;
    } cases[] = {
        {"150", -100, 100, 2, ',', "100,00"},  {"-250", -100, 100, 2, ',', "-100,00"},
        {"12.3456", 0, 100, 2, ',', "12,35"},  {"12,3", 0, 100, 1, '.', "12.3"},
        {"3000", 0.1, 3000, 1, ',', "3000,0"}, {"0", 0.1, 3000, 1, ',', "0,1"},
        {"abc", 0.01, 30000, 2, ',', "0,01"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LimitDecimalText(c.text, c.lo, c.hi, c.decimals, c.separator), c.shown) << c.text;
    // 1234.56 has six digits: rounding to five gives 1234.6 before two decimals are shown.
    EXPECT_EQ(FormatFixed(1234.56, 2, 5, ','), "1234,60");
    EXPECT_EQ(FormatFixed(1234.56, 2, 6, ','), "1234,56");
    EXPECT_EQ(FormatFixed(-0.001, 2, 5, ','), "0,00");
    EXPECT_EQ(ParseInteger(" -12 "), -12);
    for (const char* text : {"12a", "1.5", "", "99999999999"})
        EXPECT_EQ(ParseInteger(text), std::nullopt) << text;
    EXPECT_EQ(IntegerOr("x", 7), 7);
    EXPECT_DOUBLE_EQ(*TryParseDecimal("2,5"), 2.5);
    EXPECT_DOUBLE_EQ(*TryParseDecimal("-.5x"), -0.5);
    for (const char* text : {"abc", "inf", ""}) EXPECT_EQ(TryParseDecimal(text), std::nullopt) << text;
    const std::pair<const char*, VariableKind> kinds[] = {
        {"INT %R200", VariableKind::Word},   {"(REAL)%R10", VariableKind::Float},
        {"DINT %R0", VariableKind::Long},    {"SINT %R0", VariableKind::Byte},
        {"LREAL %R0", VariableKind::Double}, {"%R100", VariableKind::Byte},
        {"%RW100", VariableKind::Word},      {"%RF4", VariableKind::Float},
        {"%X10.3", VariableKind::Bit},       {"%MW5", VariableKind::Word},
        {"%MD2", VariableKind::Long},        {"%I12", VariableKind::Bit},
        {"Temp1", VariableKind::Unknown},
    };
    for (const auto& [address, kind] : kinds) EXPECT_EQ(KindOfAddress(address), kind) << address;
}

using PageRulesFile = testing::ControllerFileTest;

TEST_F(PageRulesFile, UnknownNameOrAnotherKindAsksWhetherToContinue) {
    EXPECT_EQ(refused([&] { return ConfirmVariable(context, "Boiler_T", VariableKind::Word, 3430); }),
              "Variable 'Boiler_T' is not defined. Continue?");
    EXPECT_EQ(messages.shown.at(0),
              (velmora::testing::ShownMessage{Text(2038), Text(3412) + " 'Boiler_T' " + Text(3413),
                                              MessageIcon::Exclamation, MessageButtons::YesNo}));
    messages.shown.clear();
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

TEST_F(PageRulesFile, CancelInTheWizardErasesTheNewSectionOthersKeepItAndOnlySinglePagesGenerate) {
    writeFile(
        "[Regulator PID_0]\r\nName=PID_0\r\nType=PID\r\n[Regulator "
        "PID_1]\r\nName=PID_1\r\n[Desktop]\r\nA=1\r\n");
    context.wizardRunning = true;
    AfterPageClosed(context, false);
    EXPECT_FALSE(context.wizardRunning);
    EXPECT_EQ(fileText(), "[Regulator PID_0]\r\nName=PID_0\r\nType=PID\r\n[Desktop]\r\nA=1\r\n");
    writeFile("[Regulator PID_1]\r\nName=PID_1\r\n");
    context.wizardRunning = true;
    AfterPageClosed(context, true);
    EXPECT_TRUE(context.wizardRunning);
    AfterPageAccepted(context);
    EXPECT_TRUE(generated.empty());
    context.wizardRunning = false;
    AfterPageClosed(context, false);
    EXPECT_TRUE(file->sectionExists(section()));
    AfterPageAccepted(context);
    EXPECT_EQ(generated, std::vector<std::string>{"PID_1"});
}

}  // namespace
}  // namespace velmora::wizard
