// The dialogs' rules: a new controller, an imported one, the rule that makes
// any text a legal controller name, and the input dialog with its limits and
// expression mode.
#include <gtest/gtest.h>

#include <cmath>

#include "Fakes.h"
#include "base/Texts.h"
#include "controllers/ArithmeticExpression.h"
#include "controllers/InputValue.h"
#include "controllers/LegalName.h"
#include "controllers/NewController.h"
#include "controllers/OpenAs.h"

namespace velmora {
namespace {

using testing::ShownMessage;

class NewControllerTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return dir.path() / "PLC1.rglx"; }
    std::string key(const std::string& name, const char* key) const {
        return IniFile(file()).readString("Regulator " + name, key, "");
    }
    testing::TempDir dir;
    testing::FakeNewControllerHost host{dir.path() / "PLC1.rglx"};
    testing::ScriptedMessages messages;
    NewController dialog{host, messages};
};

TEST_F(NewControllerTest, TheSeriesDecidesKindsDialectAndHeight) {
    for (int series : {6, 7, 12, 5, 0, -1}) {
        const NewControllerLayout l = LayoutForSeries(series);
        const bool iec = series >= 6;
        EXPECT_EQ(l.kinds, (iec ? std::vector<std::string>{"PID", "PIDA"} : std::vector<std::string>{"PID"}))
            << series;
        EXPECT_EQ(l.dialectVisible, iec) << series;
        EXPECT_EQ(l.height, iec ? 150 : 124) << series;
    }
    host.series.reset();
    dialog.create();
    EXPECT_EQ(dialog.series(), kUnknownSeries);
    EXPECT_EQ(dialog.layout().kinds, std::vector<std::string>{"PID"});
}

// Without a file, after two, in a gap, and with section names in any case;
// OK needs a name that is not blank and a kind.
TEST_F(NewControllerTest, ProposesTheFirstFreeNumberedNameAndOkNeedsANameAndAKind) {
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "PID_1"},
        {"[Regulator PID_1]\r\nName=PID_1\r\n[Regulator PID_2]\r\nName=PID_2\r\n", "PID_3"},
        {"[Regulator PID_2]\r\nName=PID_2\r\n[Desktop]\r\n", "PID_1"},
        {"[regulator pid_1]\r\nName=pid_1\r\n", "PID_2"},
    };
    for (const auto& [text, proposed] : cases) {
        if (text) testing::WriteBytes(file(), text);
        NewController other(host, messages);
        other.create();
        EXPECT_EQ(other.proposedName(), proposed) << (text ? text : "no file");
    }
    EXPECT_TRUE(NewControllerOkEnabled("PID_1", "PID"));
    EXPECT_TRUE(NewControllerOkEnabled("  x ", "PIDA"));
    for (const auto& [name, kind] : {std::pair{"   ", "PID"}, {"", "PID"}, {"PID_1", ""}})
        EXPECT_FALSE(NewControllerOkEnabled(name, kind)) << '"' << name << "\" " << kind;
}

TEST_F(NewControllerTest, AcceptingWritesNameTypeAndDialectInThatOrder) {
    dialog.create();
    dialog.okClick("Boiler");
    EXPECT_EQ(host.currentController, "Boiler");
    EXPECT_TRUE(host.wizardRunning);
    ASSERT_TRUE(dialog.closeQuery("PIDA", true));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(IniFile(file()).sectionValues("Regulator Boiler"),
              (std::vector<std::string>{"Name=Boiler", "Type=PIDA", "HeaderInST=1"}));
    dialog.okClick("Pump");
    ASSERT_TRUE(dialog.closeQuery("PID", false));
    EXPECT_EQ(key("Pump", "HeaderInST"), "0");
    EXPECT_TRUE(host.closedViews.empty());
    EXPECT_TRUE(host.project.removedAt.empty());
}

// The mark is cleared even when the answer is No.
TEST_F(NewControllerTest, ACorrectedNameIsConfirmedBeforeItIsUsed) {
    dialog.create();
    dialog.okClick("  1 heat loop ");
    EXPECT_EQ(dialog.name(), "_1_heat_loop");
    EXPECT_TRUE(dialog.marked());
    EXPECT_EQ(host.currentController, "_1_heat_loop");
    messages.answers = {MessageAnswer::No};
    EXPECT_FALSE(dialog.closeQuery("PID", false));
    EXPECT_EQ(messages.shown, (std::vector<ShownMessage>{{Text(2038), Text(3451) + "_1_heat_loop'?",
                                                          MessageIcon::Question, MessageButtons::YesNo}}));
    EXPECT_FALSE(dialog.marked());
    EXPECT_FALSE(IniFile(file()).sectionExists("Regulator _1_heat_loop"));
    dialog.okClick("1 heat loop");
    messages.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(dialog.closeQuery("PID", false));
    EXPECT_EQ(key("_1_heat_loop", "Name"), "_1_heat_loop");
}

// No keeps the old controller; Yes replaces its keys, closes its view and
// takes its generated files of the old dialect out of the project.
TEST_F(NewControllerTest, OverwritingAnExistingControllerAsksAndReplacesItsSection) {
    testing::WriteBytes(file(),
                        "[Regulator Tank]\r\nName=Tank\r\nType=PID\r\nHeaderInST=1\r\nPBnd=250\r\n"
                        "[Regulator Other]\r\nName=Other\r\n");
    host.project.entries = {"main.orv", "VELMORA\\tank_def.st", "Velmora\\Other.orv", "Velmora\\Tank.orv",
                            "Velmora\\Tank_def.orv"};
    dialog.create();
    dialog.okClick("Tank");
    messages.answers = {MessageAnswer::No};
    EXPECT_FALSE(dialog.closeQuery("PIDA", false));
    EXPECT_EQ(messages.shown, (std::vector<ShownMessage>{{Text(2038), Text(3040), MessageIcon::Exclamation,
                                                          MessageButtons::YesNo}}));
    EXPECT_EQ(key("Tank", "PBnd"), "250");
    EXPECT_TRUE(host.closedViews.empty());
    dialog.okClick("Tank");
    messages.answers = {MessageAnswer::Yes};
    ASSERT_TRUE(dialog.closeQuery("PIDA", false));
    EXPECT_EQ(IniFile(file()).sectionValues("Regulator Tank"),
              (std::vector<std::string>{"Name=Tank", "Type=PIDA", "HeaderInST=0"}));
    EXPECT_EQ(key("Other", "Name"), "Other");
    EXPECT_EQ(host.closedViews, std::vector<std::string>{"Tank"});
    EXPECT_EQ(host.project.entries,
              (std::vector<std::string>{"main.orv", "Velmora\\Other.orv", "Velmora\\Tank_def.orv"}));
}

// The list is read again after each removal; only whole names of the dialect count.
TEST(RemoveGeneratedFiles, ReadsTheListAgainAfterEachRemovalAndMatchesWholeNamesOfTheDialect) {
    testing::FakeProjectFiles project;
    project.entries = {"a.orv", "Velmora\\X_def.orv", "b.orv", "Velmora\\X.orv"};
    EXPECT_EQ(RemoveGeneratedFiles(project, "X", false), 2);
    EXPECT_EQ(project.removedAt, (std::vector<int>{1, 2})) << "positions of the second read";
    EXPECT_EQ(project.reads, 2);
    EXPECT_EQ(project.entries, (std::vector<std::string>{"a.orv", "b.orv"}));
    project.entries = {"Velmora\\X_def.orv", "Velmora\\XY.orv", "Velmora\\X.orv.bak"};
    EXPECT_EQ(RemoveGeneratedFiles(project, "X", true), 0);
    EXPECT_EQ(project.entries.size(), 3u);
}

TEST_F(NewControllerTest, FailuresAreReportedAndCancelLeavesNoController) {
    host.withProject = false;
    dialog.create();
    dialog.okClick("Mixer");
    EXPECT_TRUE(dialog.closeQuery("PID", false));
    EXPECT_EQ(messages.shown,
              (std::vector<ShownMessage>{{Text(3019), Text(3021), MessageIcon::Stop, MessageButtons::Ok}}));
    EXPECT_EQ(key("Mixer", "Name"), "Mixer");
    std::filesystem::remove(file());
    std::filesystem::create_directories(file());  // a folder where the file should be: every write fails
    dialog.okClick("Boiler");
    EXPECT_FALSE(dialog.closeQuery("PID", false));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].caption, Text(3019));
    EXPECT_EQ(messages.shown[1].icon, MessageIcon::Stop);
    EXPECT_FALSE(messages.shown[1].text.empty());
    dialog.cancelClick();
    EXPECT_EQ(host.currentController, "");
    EXPECT_FALSE(host.wizardRunning);
}

TEST(OpenAs, ProposesTheImportFileNameNeedsANonBlankNameAndConfirmsACorrectedOneOnce) {
    EXPECT_EQ(ProposedImportName("/home/u/project/Velmora/Boiler.rgl"), "Boiler");
    EXPECT_EQ(ProposedImportName("C:\\Projects\\Hall B\\Velmora\\Pump 2.rgl"), "Pump 2");
    EXPECT_EQ(ProposedImportName("exports/loop.v2.rgl"), "loop.v2");
    EXPECT_EQ(ProposedImportName("NoExtension"), "NoExtension");
    EXPECT_TRUE(OpenAsOkEnabled("a"));
    EXPECT_FALSE(OpenAsOkEnabled(" \t "));
    // An illegal name is corrected and confirmed once; Yes accepts it.
    testing::ScriptedMessages messages;
    OpenAs dialog(messages);
    auto corrected = dialog.okClick("Pump 2-a");
    ASSERT_TRUE(corrected);
    EXPECT_EQ(*corrected, "Pump_2_a");
    EXPECT_TRUE(dialog.marked());
    messages.answers = {MessageAnswer::No};
    EXPECT_FALSE(dialog.closeQuery(*corrected));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], (testing::ShownMessage{Text(2038), Text(3451) + "Pump_2_a'?",
                                                        MessageIcon::Question, MessageButtons::YesNo}));
    // The corrected name now stands in the edit: a second OK is legal and closes.
    EXPECT_FALSE(dialog.okClick(*corrected));
    EXPECT_TRUE(dialog.closeQuery(*corrected));
    EXPECT_EQ(messages.shown.size(), 1u);
    OpenAs other(messages);
    ASSERT_TRUE(other.okClick("9lives"));
    messages.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(other.closeQuery("_9lives"));
}

// Trimming alone is no correction; any other character, a multi-byte one or
// each malformed byte, becomes one underscore.
TEST(LegalName, LeadingDigitBlanksAndEveryOtherCharacterAreCorrected) {
    const std::tuple<const char*, const char*, bool> rows[] = {{"1 heat loop", "_1_heat_loop", true},
                                                               {"9", "_9", true},
                                                               {"a\tb", "a_b", true},
                                                               {"  Boiler_1 \t", "Boiler_1", false},
                                                               {"PID_3", "PID_3", false},
                                                               {"   ", "", false},
                                                               {"", "", false},
                                                               {"Kotel \xC4\x8D.2", "Kotel___2", true},
                                                               {"a-b+c", "a_b_c", true},
                                                               {"\xE2\x82\xAC\x78", "_x", true},
                                                               {"\xF0\x9F\x98\x80", "_", true},
                                                               {"a\xFF\xC4", "a__", true},
                                                               {"\xC4x", "_x", true},
                                                               {"Kotel_\xC4\x8D", "Kotel__", true}};
    for (const auto& [text, name, corrected] : rows) {
        EXPECT_EQ(LegalControllerName(text).name, name) << text;
        EXPECT_EQ(LegalControllerName(text).corrected, corrected) << text;
    }
}

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
