#include "WizardTestSupport.h"
#include "wizard/ControllerMode.h"
#include "wizard/StartState.h"

namespace velmora::wizard {
namespace {

using ModeAndStartFile = testing::ControllerFileTest;

TEST_F(ModeAndStartFile, CascadeSetsAstatAndIncrementalOutputNoChoiceWritesZero) {
    WriteControllerMode(*file, section(), {2, true});
    EXPECT_EQ(keys(), (std::vector<std::string>{"InputMode", "Cascade", "Astat", "UPosition"}));
    expectValues({{"InputMode", "2"}, {"Astat", "1"}, {"UPosition", "0"}});
    file->writeBool(section(), "UPosition", true);
    WriteControllerMode(*file, section(), {1, false});
    expectValues({{"Cascade", "0"}, {"Astat", "1"}, {"UPosition", "1"}});
    file->eraseSection(section());
    WriteControllerMode(*file, section(), {0, false});
    expectValues({{"InputMode", "0"}, {"Astat", "0"}});
    file->eraseSection(section());
    const ControllerMode mode = ReadControllerMode(*file, section());
    EXPECT_EQ(std::pair(mode.inputMode, mode.cascade), std::pair(1, false));
}

TEST(StartLayout, RatioControlInManualModeShowsBothEdits) {
    const struct {
        bool automatic, ratio;
        unsigned label;
        const char* unit;
        bool second;
        int height;
    } cases[] = {{true, false, 3186, "%", false, 134},
                 {true, true, 3188, "-", false, 134},
                 {false, false, 3187, "%", false, 134},
                 {false, true, 3187, "%", true, 158}};
    for (const auto& c : cases) {
        const StartLayout l = StartPageLayout(c.automatic, c.ratio);
        EXPECT_EQ(std::tuple(l.firstLabel, std::string(l.firstUnit), l.secondVisible, l.clientHeight),
                  std::tuple(c.label, c.unit, c.second, c.height))
            << c.automatic << c.ratio;
    }
    for (const auto& [text, separator, shown] : {std::tuple{"150", ',', "100,00"},
                                                 {"-250", ',', "-100,00"},
                                                 {"12.5", ',', "12,50"},
                                                 {"12.5", '.', "12.50"}})
        EXPECT_EQ(LimitStartValue(text, separator), shown) << text;
}

TEST_F(ModeAndStartFile, StartStateWritesWhatAppliesToItsKindAndTheKindFollowsTypeAndInputMode) {
    StartKind pid{true, false};
    WriteStartState(*file, section(), pid, {true, "12,349", "0"}, ',');
    EXPECT_EQ(keys(), (std::vector<std::string>{"AM", "gW"}));
    EXPECT_EQ(value("gW"), "1234");  // truncated
    file->eraseSection(section());
    WriteStartState(*file, section(), pid, {false, "-50", "7"}, ',');
    EXPECT_EQ(keys(), (std::vector<std::string>{"AM", "Output"}));
    EXPECT_EQ(value("Output"), "-5000");
    file->eraseSection(section());
    StartKind ratio{true, true};
    WriteStartState(*file, section(), ratio, {false, "40", "1,5"}, ',');
    EXPECT_EQ(keys(), (std::vector<std::string>{"AM", "gW", "Output"}));
    expectValues({{"gW", "150"}, {"Output", "4000"}});
    const StartState back = ReadStartState(*file, section(), ratio, ',');
    EXPECT_EQ(std::tuple(back.automatic, back.first, back.second), std::tuple(false, "40,00", "1,50"));
    StartKind pidma{false, false};
    file->writeString(section(), "hv", "55");
    WriteStartState(*file, section(), pidma, {true, "12,5", ""}, ',');
    expectValues({{"AM", "1"}, {"sp", "12,5"}, {"hv", "0"}});
    WriteStartState(*file, section(), pidma, {false, "33", ""}, ',');
    expectValues({{"hv", "33"}, {"sp", "0"}});
    EXPECT_EQ(ReadStartState(*file, section(), pidma, ',').first, "33,00");
    // The kind comes from the type and the input mode.
    file->eraseSection(section());
    EXPECT_TRUE(ReadStartKind(*file, section()).pid);
    writeFile("[Regulator PID_1]\r\nType=PIDA\r\nInputMode=3\r\n");
    const StartKind k = ReadStartKind(*file, section());
    EXPECT_EQ(std::pair(k.pid, k.ratio), std::pair(false, true));
}

}  // namespace
}  // namespace velmora::wizard
