// Switching a view online: the checks before the look-up, the symbol names
// of each controller kind, missing symbols, the page of a missing input or
// output variable; and the wizard pages' reads and writes through a view.
#include <gtest/gtest.h>

#include <tuple>

#include "ExchangeFixture.h"
#include "base/Texts.h"

namespace velmora::online::testing {
namespace {

struct GoingOnline : ExchangeFixture, ::testing::Test {};

std::vector<std::string> Names(const ExchangeSettings& s) {
    std::vector<std::string> out;
    for (const auto& r : SymbolsToLookUp(s)) out.push_back(r.symbol);
    return out;
}

TEST(SymbolNames, PidAndPidmaMembersAndVariables) {
    ExchangeSettings s{.name = "R1", .y1Name = "A", .upName = "U"};
    EXPECT_EQ(Names(s), (std::vector<std::string>{"R1_Det", "R1_PBnd", "R1_RelCool", "R1_Ti", "R1_Td",
                                                  "R1_EGap", "R1_DGap", "R1_IGap", "R1_Tiw", "R1_Gw",
                                                  "R1_Output", "R1_Control", "A", "U"}));
    s.foundStruct = s.cascade = true;
    s.inputMode = 2;
    s.analogOutput = false;
    std::tie(s.y2Name, s.y3Name, s.umName, s.addOutName) = std::tuple("B", "C", "D", "E");
    EXPECT_EQ(Names(s),
              (std::vector<std::string>{"R1_Input3", "R1_struct~PBnd", "R1_struct~RelCool", "R1_struct~Ti",
                                        "R1_struct~Td", "R1_struct~EGap", "R1_struct~DGap", "R1_struct~IGap",
                                        "R1_struct~Tiw", "R1_struct~Gw", "R1_struct~Output",
                                        "R1_struct~Control", "A", "B", "C", "U", "D", "E"}));
    // Without Input3 and Input2 the structure's Det comes first.
    s.cascade = false;
    s.inputMode = 1;
    EXPECT_EQ(Names(s)[0], "R1_struct~Det");
    // A PIDMA controller: its members, then its variables; a cascade means nothing to it.
    const ExchangeSettings t{
        .name = "T1", .kind = ControllerKind::Pidma, .cascade = true, .input = "In", .output = "Out"};
    EXPECT_EQ(Names(t),
              (std::vector<std::string>{"T1_dv", "T1_sp", "T1_hv", "T1_MAN", "T1_TUNE", "T1_TBRK", "T1_TAFF",
                                        "T1_TE", "T1_k", "T1_pk", "T1_CHANGED", "In", "Out"}));
}

TEST_F(GoingOnline, AChangedProgramOrNoPlcIsSaidAndTheViewStaysOffline) {
    addPid(Pid("R1"), 100);
    const auto said = [&](int text) {
        messages.shown.clear();
        r1 = online("R1", &view);
        EXPECT_FALSE(r1->online()) << text;
        EXPECT_EQ(messages.shown,
                  (std::vector<velmora::testing::ShownMessage>{
                      {Text(2038), Text(text), MessageIcon::Exclamation, MessageButtons::Ok}}));
    };
    session->environment().programChanged = [] { return true; };
    said(3034);
    FixedPlcControl noPlc;
    noPlc.state = 2;
    session->environment().programChanged = nullptr;
    session->environment().plc = &noPlc;
    said(3035);
}

// A missing structure member opens no page.
TEST_F(GoingOnline, AMissingSymbolIsNamedOnceAndAMissingVariableOpensItsPage) {
    const auto y3 = Pid("R2", {.cascade = true, .y3Name = "Nowhere"});
    auto output = Pidma("T1"), additional = Pidma("T2");
    output.output = "";
    additional.addOutName = "Nowhere";
    const struct {
        ExchangeSettings s;
        int missing;
        const char* named;  // "": no name to say
        std::vector<VariablePage> pages;
    } cases[] = {{Pid("R1"), 2, "R1_Ti", {}},
                 {y3, 1, "Nowhere", {VariablePage::ControlledVariable3}},
                 {output, 1, "", {VariablePage::Pidma}},
                 {additional, 1, "Nowhere", {VariablePage::Simulation}}};
    for (const auto& c : cases) {
        c.s.kind == ControllerKind::Pid ? void(addPid(c.s, 100)) : addPidma(c.s, 1000);
        // R1: member Ti missing, Td at an address no request can carry (counts as missing).
        symbols.erase("R1_Ti");
        symbols["R1_Td"] = "%RL2147483647";
        messages.shown.clear();
        RecordingView view;
        auto exchange = online(c.s.name, &view);
        EXPECT_EQ(std::tuple(exchange->online(), exchange->missingSymbols(), view.pages),
                  std::tuple(false, c.missing, c.pages))
            << c.s.name;
        if (!*c.named) continue;
        const std::string said = Text(3412) + " '" + c.named + "' " + Text(3460);
        EXPECT_EQ(messages.shown,
                  (std::vector<velmora::testing::ShownMessage>{
                      {"Velmora - " + c.s.name, said, MessageIcon::Stop, MessageButtons::Ok}}));
    }
}

TEST_F(GoingOnline, ButtonTogglesAndTheFrameCallRelooksUpSilentlyAndOnlyForTheUsersViews) {
    addPid(Pid("R1"), 100);
    // A view whose user did not ask: nothing is said, not even a missing variable, and it stays offline.
    symbols.erase("Temp_In");
    RecordingView idle;
    OnlineExchange offline(*session, "R1", &idle);
    offline.KomunikaceButton1Click(false);
    EXPECT_TRUE(messages.shown.empty() && idle.pages.empty());
    symbols["Temp_In"] = "INT %R2000";
    offline.KomunikaceButton1Click(false);
    EXPECT_FALSE(offline.online());
    r1 = online("R1", &view);
    ASSERT_TRUE(r1->online());
    EXPECT_EQ(r1->item(ItemRole::PidBlock).offset, 100);
    // After a compilation the structure moved; the frame presses the button.
    addPid(Pid("R1"), 500);
    r1->KomunikaceButton1Click(false);
    EXPECT_EQ(std::tuple(r1->online(), r1->item(ItemRole::PidBlock).offset), std::tuple(true, 500));
    r1->KomunikaceButton1_Click();
    EXPECT_FALSE(r1->online());
    EXPECT_EQ(view.onlineCalls, (std::vector<bool>{true, true, false}));
}

TEST_F(GoingOnline, DirectAddressesNeedNoTranslationBadOnesAreMissingAndAClosingBoxIsSurvived) {
    addPid(Pid("R1", {.y1Name = "%RW3000", .upName = "%R65535"}), 100);  // one byte fits at 65535
    r1 = online("R1", &view);
    EXPECT_EQ(std::tuple(r1->online(), r1->item(ItemRole::Y1).offset, r1->item(ItemRole::Y1).count),
              std::tuple(true, 3000, 2));
    symbols["R1_Control"] = "INT %R65535";  // a word that would cross the area end
    r1->KomunikaceButton1Click(false);
    EXPECT_FALSE(r1->online());
    // A message box that closes the view is survived.
    messages.onShow = [&] { r1.reset(); };
    r1->KomunikaceButton1_Click();
    EXPECT_EQ(r1, nullptr);
    EXPECT_TRUE(session->views().empty());
}

// The wizard pages reach the PLC through a view's exchange: they follow the
// PLC's connection, not whether the view itself is online.
TEST_F(GoingOnline, WizardPagesReachTheRunningPlcThroughAnOfflineViewAndNothingWithoutIt) {
    const int base = addPid(Pid("R1"), 300);
    OnlineExchange offline(*session, "R1", &view);
    ASSERT_FALSE(offline.online());
    const std::vector<std::string> members = {"R1_PBnd", "R1_Ti"};
    EXPECT_FALSE(offline.symbolsReachable(members)) << "no callback yet: the PLC is not online";
    EXPECT_FALSE(offline.readSymbol("R1_PBnd", 2));
    session->CommLoopCallback(request, kRunning);
    putInt(base + plc::PidOffset("PBnd"), 3465);
    EXPECT_TRUE(offline.symbolsReachable(members));
    EXPECT_FALSE(offline.symbolsReachable({"R1_PBnd", "R1_NoSuchMember"}));
    const auto read = offline.readSymbol("R1_PBnd", 2);
    ASSERT_TRUE(read);
    EXPECT_EQ(plc::GetInt16(read->data()), 3465) << "Upload from PLC shows the PLC's value";
    const std::vector<std::uint8_t> value = {0x2c, 0x01};  // 300
    EXPECT_TRUE(offline.writeSymbol("R1_Ti", value));
    EXPECT_EQ(plc::GetInt16(plc.area(3).data() + base + plc::PidOffset("Ti")), 300);
    session->SoftOff(0);
    EXPECT_FALSE(offline.symbolsReachable(members)) << "communication lost";
    EXPECT_FALSE(offline.writeSymbol("R1_Ti", value));
}

}  // namespace
}  // namespace velmora::online::testing
