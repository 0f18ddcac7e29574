// Switching a view online: the checks before the look-up, the symbol names
// of each controller kind, missing symbols and the page of a missing
// input or output variable.
#include <gtest/gtest.h>

#include "ExchangeFixture.h"
#include "base/Texts.h"

namespace velmora::online::testing {
namespace {

class GoingOnline : public ExchangeFixture, public ::testing::Test {
protected:
    void SetUp() override { addVariables(); }
};

std::vector<std::string> Names(const ExchangeSettings& s) {
    std::vector<std::string> out;
    for (const auto& r : SymbolsToLookUp(s)) out.push_back(r.symbol);
    return out;
}

TEST(SymbolNames, PidAndPidmaMembersAndVariables) {
    ExchangeSettings s;
    s.name = "R1";
    s.y1Name = "A";
    s.upName = "U";
    EXPECT_EQ(Names(s), (std::vector<std::string>{"R1_Det", "R1_PBnd", "R1_RelCool", "R1_Ti", "R1_Td", "R1_EGap",
                                                  "R1_DGap", "R1_IGap", "R1_Tiw", "R1_Gw", "R1_Output", "R1_Control",
                                                  "A", "U"}));
    s.foundStruct = true;
    s.inputMode = 2;
    s.y2Name = "B";
    s.cascade = true;
    s.y3Name = "C";
    s.analogOutput = false;
    s.umName = "D";
    s.addOutName = "E";
    EXPECT_EQ(Names(s), (std::vector<std::string>{"R1_Input3", "R1_struct~PBnd", "R1_struct~RelCool", "R1_struct~Ti",
                                                  "R1_struct~Td", "R1_struct~EGap", "R1_struct~DGap", "R1_struct~IGap",
                                                  "R1_struct~Tiw", "R1_struct~Gw", "R1_struct~Output",
                                                  "R1_struct~Control", "A", "B", "C", "U", "D", "E"}));
    EXPECT_EQ(s.pidCase(), 3);
    EXPECT_EQ(s.pidBlockSize(), 54);
    s.inputMode = 1;
    EXPECT_EQ(Names(s)[0], "R1_Input3");
    EXPECT_EQ(s.pidCase(), 2);
    s.cascade = false;
    s.inputMode = 3;
    EXPECT_EQ(Names(s)[0], "R1_Input2");
    s.foundStruct = true;
    s.inputMode = 1;
    EXPECT_EQ(Names(s)[0], "R1_struct~Det");
    // A PIDMA controller: its members, then its variables; a cascade means nothing to it.
    ExchangeSettings t;
    t.name = "T1";
    t.kind = ControllerKind::Pidma;
    t.input = "In";
    t.output = "Out";
    t.cascade = true;
    EXPECT_EQ(Names(t), (std::vector<std::string>{"T1_dv", "T1_sp", "T1_hv", "T1_MAN", "T1_TUNE", "T1_TBRK",
                                                  "T1_TAFF", "T1_TE", "T1_k", "T1_pk", "T1_CHANGED", "In", "Out"}));
}

TEST_F(GoingOnline, AChangedProgramOrNoPlcIsSaidAndTheViewStaysOffline) {
    addPid(Pid("R1"), 100);
    FixedPlcControl noPlc;
    noPlc.state = 2;
    const std::function<void()> setups[] = {
        [&] { session->environment().programChanged = [] { return true; }; },
        [&] {
            session->environment().programChanged = nullptr;
            session->environment().plc = &noPlc;
        },
    };
    const int texts[] = {3034, 3035};
    for (int i = 0; i < 2; ++i) {
        setups[i]();
        messages.shown.clear();
        r1 = online("R1", &view);
        EXPECT_FALSE(r1->online()) << i;
        ASSERT_EQ(messages.shown.size(), 1u) << i;
        EXPECT_EQ(messages.shown[0], (velmora::testing::ShownMessage{Text(2038), Text(texts[i]),
                                                                     MessageIcon::Exclamation, MessageButtons::Ok}));
    }
}

TEST_F(GoingOnline, MissingStructureMemberIsCountedAndNamedOnce) {
    addPid(Pid("R1"), 100);
    symbols.erase("R1_Ti");
    symbols["R1_Td"] = "%RL2147483647";  // an address no request can carry counts as missing
    r1 = online("R1", &view);
    EXPECT_FALSE(r1->online());
    EXPECT_EQ(r1->missingSymbols(), 2);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], (velmora::testing::ShownMessage{"Velmora - R1", Text(3412) + " 'R1_Ti' " + Text(3460),
                                                                 MessageIcon::Stop, MessageButtons::Ok}));
    EXPECT_TRUE(view.pages.empty()) << "a structure member has no page";
}

// A missing variable opens the page where it is chosen: Y3's, the PIDMA page
// for the output, the simulation page for the additional output.
TEST_F(GoingOnline, AMissingVariableOpensItsPage) {
    auto y3 = Pid("R1");
    y3.cascade = true;
    y3.y3Name = "Nowhere";
    auto output = Pidma("T1"), additional = Pidma("T2");
    output.output = "";
    additional.addOutName = "Nowhere";
    const std::pair<ExchangeSettings, VariablePage> cases[] = {
        {y3, VariablePage::ControlledVariable3}, {output, VariablePage::Pidma}, {additional, VariablePage::Simulation}};
    for (const auto& [s, page] : cases) {
        if (s.kind == ControllerKind::Pid) addPid(s, 100); else addPidma(s, 1000);
        messages.shown.clear();
        RecordingView view;
        auto exchange = online(s.name, &view);
        EXPECT_FALSE(exchange->online()) << s.name;
        EXPECT_EQ(view.pages, std::vector<VariablePage>{page}) << s.name;
        if (!s.y3Name.empty()) {
            EXPECT_EQ(messages.shown.at(0).text, Text(3412) + " 'Nowhere' " + Text(3460));
        }
    }
}

TEST_F(GoingOnline, WithoutShowMessagesNothingIsShownAndTheViewStaysAsItWas) {
    addPid(Pid("R1"), 100);
    symbols.erase("Temp_In");
    RecordingView view;
    OnlineExchange r1(*session, "R1", &view);
    r1.KomunikaceButton1Click(false);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(view.pages.empty());
    EXPECT_FALSE(r1.online());
    symbols["Temp_In"] = "INT %R2000";
    r1.KomunikaceButton1Click(false);
    EXPECT_FALSE(r1.online()) << "only a view whose user asked for it goes online";
}

TEST_F(GoingOnline, ButtonTogglesAndTheFrameCallRelooksUp) {
    addPid(Pid("R1"), 100);
    r1 = online("R1", &view);
    ASSERT_TRUE(r1->online());
    EXPECT_EQ(r1->item(ItemRole::PidBlock).offset, 100);
    // After a compilation the structure moved; the frame presses the button.
    addPid(Pid("R1"), 500);
    r1->KomunikaceButton1Click(false);
    EXPECT_TRUE(r1->online());
    EXPECT_EQ(r1->item(ItemRole::PidBlock).offset, 500);
    r1->KomunikaceButton1_Click();
    EXPECT_FALSE(r1->online());
    EXPECT_EQ(view.onlineCalls, (std::vector<bool>{true, true, false}));
}

TEST_F(GoingOnline, DirectAddressesNeedNoTranslationBadOnesAreMissingAndAClosingBoxIsSurvived) {
    auto s = Pid("R1");
    s.y1Name = "%RW3000";
    s.upName = "%R65535";  // one byte fits, that is all
    addPid(s, 100);
    r1 = online("R1", &view);
    EXPECT_TRUE(r1->online());
    EXPECT_EQ(r1->item(ItemRole::Y1).offset, 3000);
    EXPECT_EQ(r1->item(ItemRole::Y1).count, 2);
    symbols["R1_Control"] = "INT %R65535";  // a word that would cross the area end
    r1->KomunikaceButton1Click(false);
    EXPECT_FALSE(r1->online());
    // A message box that closes the view is survived.
    messages.onShow = [&] { r1.reset(); };
    r1->KomunikaceButton1_Click();
    EXPECT_EQ(r1, nullptr);
    EXPECT_TRUE(session->views().empty());
}

}  // namespace
}  // namespace velmora::online::testing
