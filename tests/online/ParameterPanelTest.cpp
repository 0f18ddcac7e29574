// The side panel's rules and what its buttons make the next exchange write.
#include <gtest/gtest.h>

#include "ExchangeFixture.h"
#include "base/IniFile.h"
#include "base/Texts.h"
#include "controllers/ControllerFile.h"
#include "online/ParameterPanel.h"

namespace velmora::online::testing {
namespace {

using P = PanelEdit;

struct Typed {
    P edit;
    const char* text;
};
struct RuleCase {
    const char* what;
    std::vector<Typed> typed;  // left one after the other
    std::vector<std::pair<P, const char*>> shown;
};

TEST(ParameterRules, PidEditsKeepBandGainsAndLimitsConsistentPidmaOnlyTheLowerLimit) {
    const RuleCase cases[] = {
        // The band and gain rule itself is PidParameterBlock's; here: its shown forms and what it moves.
        {"band gives K+ and K-", {{P::PBnd, "25"}}, {{P::PBnd, "25.0"}, {P::G1, "4.00"}, {P::G2, "4.00"}}},
        {"K+ gives the band", {{P::G1, "2"}}, {{P::PBnd, "50.0"}, {P::G1, "2.00"}}},
        {"band unreadable", {{P::PBnd, "x"}}, {{P::PBnd, "100.0"}, {P::G1, "1.00"}}},
        {"K- gives RelCool", {{P::PBnd, "50"}, {P::G2, "4"}}, {{P::RelCool, "50"}, {P::G2, "4.00"}}},
        {"RelCool unreadable", {{P::RelCool, "?"}}, {{P::RelCool, "100"}}},
        {"a new band keeps RelCool and moves K-", {{P::RelCool, "200"}, {P::PBnd, "25"}}, {{P::G2, "2.00"}}},
        {"Ti upper edge", {{P::Ti, "3000.5"}}, {{P::Ti, "3000"}}},
        {"Ti lower edge", {{P::Ti, "-1"}}, {{P::Ti, "0"}}},
        {"Ti unreadable", {{P::Ti, "abc"}}, {{P::Ti, "10"}}},
        {"Td unreadable", {{P::Td, ""}}, {{P::Td, "1"}}},
        {"EGap edge", {{P::EGap, "100.01"}}, {{P::EGap, "100"}}},
        {"IGap unreadable", {{P::IGap, "-"}}, {{P::IGap, "100"}}},
        {"DGap lower edge", {{P::DGap, "-0.5"}}, {{P::DGap, "0"}}},
        {"decimal comma", {{P::Ti, "12,5"}}, {{P::Ti, "12.5"}}},
    };
    for (const RuleCase& c : cases) {
        ParameterValues v(ControllerKind::Pid, '.');
        for (const Typed& t : c.typed) {
            v.type(t.edit, t.text);
            v.leave(t.edit);
        }
        for (const auto& [edit, text] : c.shown)
            EXPECT_EQ(v.text(edit), text) << c.what << ", " << PanelEditName(edit);
    }
    // A PIDMA controller keeps only the lower limits.
    const std::pair<Typed, const char*> pidma[] = {
        {{P::G1, "3000.5"}, "3000,50"}, {{P::G1, "-2"}, "0,00"},   {{P::RelCool, "0.75"}, "0,75"},
        {{P::Ti, "5000"}, "5000"},      {{P::EGap, "250"}, "250"}, {{P::IGap, "x"}, "100"},
    };
    for (const auto& [t, shown] : pidma) {
        ParameterValues v(ControllerKind::Pidma, ',');
        v.type(t.edit, t.text);
        v.leave(t.edit);
        EXPECT_EQ(v.text(t.edit), shown) << PanelEditName(t.edit) << " " << t.text;
    }
    EXPECT_FALSE(PanelEditUsed(P::PBnd, ControllerKind::Pidma));
    EXPECT_EQ(PanelEditByName("nd", ControllerKind::Pidma), P::IGap);
    EXPECT_EQ(PanelEditByName("K-", ControllerKind::Pid), P::G2);
    EXPECT_EQ(PanelEditByName("EditRegCool1", ControllerKind::Pidma), P::RelCool);
    EXPECT_FALSE(PanelEditByName("PBnd", ControllerKind::Pidma));
}

TEST(ParameterRules, TunerTextsAndTheSecondInputThroughTheLinearMeasurement) {
    EXPECT_EQ(TunerErrorQuestion(11), Text(3370) + "\r\n\r\n\r\n" + Text(3382)) << "no reason beyond 10";
    EXPECT_EQ(TunerErrorQuestion(3), Text(3370) + "\r\n" + Text(3374) + "\r\n\r\n" + Text(3382));
    std::array<std::uint8_t, plc::kPidaStructSize> image{};
    plc::PutReal(image.data() + plc::PidaOffset("k"), 1.5f);
    plc::PutReal(image.data() + plc::PidaOffset("pk"), 2.25f);
    EXPECT_EQ(TunerReportText(2, image).rfind(Text(3389) + "\r\n pk\t2.250\r\n pti\t0.000", 0), 0u);
    EXPECT_NE(TunerReportText(1, image).find("k\t1.500\tpk\t2.250"), std::string::npos);
    EXPECT_EQ(TunerReportText(3, image), Text(3388));
    EXPECT_DOUBLE_EQ(SecondInputRaw(50, true, 0, 1000, 0, 100), 500);
    EXPECT_DOUBLE_EQ(SecondInputRaw(20, true, 200, 1000, 20, 100), 200);
    EXPECT_DOUBLE_EQ(SecondInputRaw(20, false, 200, 1000, 20, 100), 20);
    EXPECT_DOUBLE_EQ(SecondInputRaw(7, true, 0, 1000, 5, 5), 7) << "a flat line has no inverse";
}

// A panel on an exchange with the soft PLC at the other end.
struct PanelFixture : ::testing::Test, ExchangeFixture, PanelHost {
    velmora::testing::TempDir dir;
    std::optional<double> answer;  // the input dialog's value
    std::vector<ValueRequest> asked;
    MessageBoxes* messages() override { return std::addressof(ExchangeFixture::messages); }
    std::filesystem::path controllerFile() override { return dir / "PLC.rglx"; }
    std::optional<double> askValue(const ValueRequest& r) override {
        asked.push_back(r);
        return answer;
    }
    bool openTunerPage() override { return false; }
    // A PID (R…) or PIDMA (T…) controller in the file, its symbols from register 300, its view online.
    static constexpr int kAt = 300;
    std::unique_ptr<OnlineExchange> open(const std::string& name, RecordingView& on) {
        const bool pid = name[0] == 'R';
        IniFile file(controllerFile());
        file.writeString(ControllerSection(name), "Name", name);
        file.writeString(ControllerSection(name), "Type", pid ? "PID" : "PIDA");
        pid ? void(addPid(Pid(name), kAt)) : addPidma(Pidma(name), kAt);
        return online(name, &on);
    }
};

TEST_F(PanelFixture, UseValsWritesTheBlockOnceAndSaveValsTheFileScaled) {
    r1 = open("R1", view);
    r1->setGraphShown(true);
    exchangeOnce(*r1);
    ParameterPanel panel(*r1, *this, '.');
    panel.enter(P::PBnd);
    panel.values().type(P::PBnd, "50");
    panel.enter(P::RelCool);  // leaving PBnd validates it
    panel.values().type(P::RelCool, "200");
    EXPECT_TRUE(panel.useEnabled());
    panel.UseSettingsBtn1Click();
    EXPECT_EQ(panel.values().text(P::G2), "1.00");
    panel.refreshPendingControls();
    EXPECT_FALSE(panel.useEnabled()) << "waiting for the write";
    EXPECT_EQ(requestsOf(*r1).size(), 2u) << "the read and the block";
    EXPECT_EQ(plc::GetInt16(plc.area(3).data() + kAt + plc::PidOffset("RelCool")), 2000);
    panel.refreshPendingControls();
    EXPECT_TRUE(panel.useEnabled());
    // Save writes the shown values to the file, scaled and rounded.
    const Typed typed[] = {{P::PBnd, "12.34"}, {P::Ti, "7.25"}, {P::EGap, "0.125"}};
    for (const Typed& t : typed) {
        panel.enter(t.edit);
        panel.values().type(t.edit, t.text);
    }
    ASSERT_TRUE(panel.SaveSettingsBtn1Click());
    EXPECT_FALSE(panel.saveEnabled());
    IniFile file(controllerFile());
    const std::pair<const char*, int> stored[] = {{"PBnd", 123}, {"Ti", 73}, {"EGap", 13}, {"RelCool", 2000}};
    for (const auto& [k, v] : stored) EXPECT_EQ(file.readInteger(ControllerSection("R1"), k, -1), v) << k;
}

TEST_F(PanelFixture, LampFollowsTheTunerAndAFinishedTuneIsReadAndReported) {
    auto t1 = open("T1", view);
    ParameterPanel panel(*t1, *this, '.');
    const auto step = [&](std::uint8_t busy, std::uint8_t error) {
        plc.area(3)[kAt + plc::PidaOffset("TBSY")] = busy;
        plc.area(3)[kAt + plc::PidaOffset("TE")] = error;
        exchangeOnce(*t1);
        for (int code : view.reports) panel.post(code);
        view.reports.clear();
        panel.commTicked();
    };
    struct Step {
        std::uint8_t busy, error;
        TunerLamp lamp;
        bool readPending;
    };
    ExchangeFixture::messages.question = MessageAnswer::No;
    const Step steps[] = {{0, 0, TunerLamp::Grey, false}, {1, 0, TunerLamp::Lime, false},
                          {1, 1, TunerLamp::Lime, false}, {0, 0, TunerLamp::Grey, true},
                          {0, 0, TunerLamp::Grey, false}, {0, 1, TunerLamp::Red, true}};
    for (const Step& s : steps) {
        step(s.busy, s.error);
        EXPECT_EQ(panel.lamp(), s.lamp) << int(s.busy) << int(s.error);
        EXPECT_EQ(t1->pending().tunedRead, s.readPending) << int(s.busy) << int(s.error);
    }
    EXPECT_EQ(panel.lampHint(), Text(3388));
    step(0, 1);  // the read of the red lamp's report
    ASSERT_GE(ExchangeFixture::messages.shown.size(), 2u);
    EXPECT_NE(ExchangeFixture::messages.shown[0].text.find(Text(3383)), std::string::npos)
        << "finished: old vs new";
    EXPECT_EQ(std::tuple(ExchangeFixture::messages.shown[1].text, ExchangeFixture::messages.shown[1].icon),
              std::tuple(Text(3388), MessageIcon::Stop));
    // ite is a DINT: 0x00010003 is no code of the table.
    putInt(kAt + plc::PidaOffset("ite"), 3);
    putInt(kAt + plc::PidaOffset("ite") + 2, 1);
    exchangeOnce(*t1);
    // The tuner's end and "Params" in the same period: one read, both reports.
    t1->markTunedRead(TunedReadReason::TunerFinished);
    panel.ParamsButton1Click();
    view.reports.clear();
    exchangeOnce(*t1);
    EXPECT_EQ(view.reports, (std::vector<int>{3, 2}));
    ExchangeFixture::messages.answers = {MessageAnswer::Yes};
    panel.ErrorButton1Click();
    EXPECT_EQ(ExchangeFixture::messages.shown.back().text, Text(3370) + "\r\n\r\n\r\n" + Text(3382));
    EXPECT_TRUE(t1->pending().clearTe);
}

TEST_F(PanelFixture, ValueBoxesAndYesToTheNewValuesWriteTheirMembersAndFailedWritesAreLogged) {
    auto t1 = open("T1", view);
    ParameterPanel panel(*t1, *this, '.');
    exchangeOnce(*t1);
    answer = 42.5;
    panel.W1Edit1MouseDown();
    EXPECT_EQ(std::tuple(panel.pendingText(SchemaValue::Setpoint), panel.boxEnabled(SchemaValue::Setpoint)),
              std::tuple(std::optional<std::string>("42.50%"), false));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].minimum, -10000);
    EXPECT_EQ(ValuePrompt(asked[0], '.'), "Enter set point (from -10000 to 10000):");
    exchangeOnce(*t1);
    EXPECT_FLOAT_EQ(plc::GetReal(plc.area(3).data() + kAt + plc::PidaOffset("sp")), 42.5f);
    panel.refreshPendingControls();
    EXPECT_FALSE(panel.pendingText(SchemaValue::Setpoint));
    // Yes to the tuner's new values restarts with them and enables Save.
    ExchangeFixture::messages.answers = {MessageAnswer::Yes};
    panel.post(1);
    panel.deliver();
    EXPECT_TRUE(panel.restartDown() && panel.saveEnabled() && t1->pending().taff);
    EXPECT_TRUE(panel.edited()) << "an activation of the view keeps the accepted values";
    exchangeOnce(*t1);
    EXPECT_EQ(plc.area(3)[kAt + plc::PidaOffset("TAFF")], 1);
    plc.beforeRequest = [](std::int32_t command, auto, auto, auto) -> Answer {
        return command == kPlcWrite ? Answer(-1) : std::nullopt;
    };
    const std::size_t shownBefore = ExchangeFixture::messages.shown.size();
    panel.AutoButton1Click(false);
    exchangeOnce(*t1);
    EXPECT_FALSE(t1->pending().man) << "not repeated";
    EXPECT_EQ(plc.area(3)[kAt + plc::PidaOffset("MAN")], 0);
    panel.deliver();
    EXPECT_EQ(ExchangeFixture::messages.shown.size(), shownBefore) << "no message box per tick";
    EXPECT_TRUE(logged("Write failed: "));
}

}  // namespace
}  // namespace velmora::online::testing
