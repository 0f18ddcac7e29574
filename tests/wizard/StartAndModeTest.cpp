#include "WizardTestSupport.h"
#include "wizard/ControllerMode.h"
#include "wizard/StartState.h"

namespace velmora::wizard {
namespace {

using testing::ControllerFileTest;
using ModeFile = ControllerFileTest;

TEST_F(ModeFile, CascadeSetsAstatAndIncrementalOutputUncheckingKeepsThem) {
    WriteControllerMode(*file, section(), {2, true});
    EXPECT_EQ(keys(), (std::vector<std::string>{"InputMode", "Cascade", "Astat", "UPosition"}));
    EXPECT_EQ(value("InputMode"), "2");
    EXPECT_EQ(value("Astat"), "1");
    EXPECT_EQ(value("UPosition"), "0");
    file->writeBool(section(), "UPosition", true);
    WriteControllerMode(*file, section(), {1, false});
    EXPECT_EQ(value("Cascade"), "0");
    EXPECT_EQ(value("Astat"), "1");
    EXPECT_EQ(value("UPosition"), "1");
}

TEST_F(ModeFile, NoChoiceWritesZeroAndDefaultsAreSingleInput) {
    WriteControllerMode(*file, section(), {0, false});
    EXPECT_EQ(value("InputMode"), "0");
    EXPECT_EQ(value("Astat"), "0");
    file->eraseSection(section());
    ControllerMode mode = ReadControllerMode(*file, section());
    EXPECT_EQ(mode.inputMode, 1);
    EXPECT_FALSE(mode.cascade);
}

TEST(StartLayout, RatioControlInManualModeShowsBothEdits) {
    StartLayout l = StartPageLayout(true, false);
    EXPECT_EQ(l.firstLabel, 3186u);
    EXPECT_STREQ(l.firstUnit, "%");
    EXPECT_FALSE(l.secondVisible);
    EXPECT_EQ(l.clientHeight, 134);
    l = StartPageLayout(true, true);
    EXPECT_EQ(l.firstLabel, 3188u);
    EXPECT_STREQ(l.firstUnit, "-");
    l = StartPageLayout(false, false);
    EXPECT_EQ(l.firstLabel, 3187u);
    EXPECT_FALSE(l.secondVisible);
    l = StartPageLayout(false, true);
    EXPECT_EQ(l.firstLabel, 3187u);
    EXPECT_TRUE(l.secondVisible);
    EXPECT_EQ(l.clientHeight, 158);
}

TEST(StartValues, AreLimitedToPlusMinusHundredPercent) {
    EXPECT_EQ(LimitStartValue("150", ','), "100,00");
    EXPECT_EQ(LimitStartValue("-250", ','), "-100,00");
    EXPECT_EQ(LimitStartValue("100", ','), "100,00");
    EXPECT_EQ(LimitStartValue("-100", ','), "-100,00");
    EXPECT_EQ(LimitStartValue("12.5", ','), "12,50");
    EXPECT_EQ(LimitStartValue("12.5", '.'), "12.50");
}

using StartFile = ControllerFileTest;

TEST_F(StartFile, PidWritesOnlyTheValueThatApplies) {
    StartKind pid{true, false};
    WriteStartState(*file, section(), pid, {true, "12,349", "0"}, ',');
    EXPECT_EQ(keys(), (std::vector<std::string>{"AM", "gW"}));
    EXPECT_EQ(value("gW"), "1234");  // truncated
    file->eraseSection(section());
    WriteStartState(*file, section(), pid, {false, "-50", "7"}, ',');
    EXPECT_EQ(keys(), (std::vector<std::string>{"AM", "Output"}));
    EXPECT_EQ(value("Output"), "-5000");
}

TEST_F(StartFile, ManualRatioControlWritesRatioAndAction) {
    StartKind ratio{true, true};
    WriteStartState(*file, section(), ratio, {false, "40", "1,5"}, ',');
    EXPECT_EQ(keys(), (std::vector<std::string>{"AM", "gW", "Output"}));
    EXPECT_EQ(value("gW"), "150");
    EXPECT_EQ(value("Output"), "4000");
    StartState back = ReadStartState(*file, section(), ratio, ',');
    EXPECT_FALSE(back.automatic);
    EXPECT_EQ(back.first, "40,00");
    EXPECT_EQ(back.second, "1,50");
}

TEST_F(StartFile, PidmaAutomaticClearsAStoredManualValue) {
    StartKind pidma{false, false};
    file->writeString(section(), "hv", "55");
    WriteStartState(*file, section(), pidma, {true, "12,5", ""}, ',');
    EXPECT_EQ(value("AM"), "1");
    EXPECT_EQ(value("sp"), "12,5");
    EXPECT_EQ(value("hv"), "0");
    WriteStartState(*file, section(), pidma, {false, "33", ""}, ',');
    EXPECT_EQ(value("hv"), "33");
    EXPECT_EQ(value("sp"), "0");
    StartState back = ReadStartState(*file, section(), pidma, ',');
    EXPECT_EQ(back.first, "33,00");
}

TEST_F(StartFile, KindComesFromTypeAndInputMode) {
    EXPECT_TRUE(ReadStartKind(*file, section()).pid);
    file->writeString(section(), "Type", "PIDA");
    file->writeInteger(section(), "InputMode", 3);
    StartKind k = ReadStartKind(*file, section());
    EXPECT_FALSE(k.pid);
    EXPECT_TRUE(k.ratio);
}

}  // namespace
}  // namespace velmora::wizard
