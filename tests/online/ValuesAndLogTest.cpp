// Raw values shown as percentages, the comm log's request lines, the
// settings read from the controller file, the data state of the tick, the
// communication label's texts, colours, parts and hint; the side panel's rules
// and what its buttons make the next exchange write.
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "ExchangeFixture.h"
#include "base/IniFile.h"
#include "base/Texts.h"
#include "controllers/ControllerFile.h"
#include "online/CommLabel.h"
#include "online/ParameterPanel.h"
#include "online/RequestLog.h"
#include "online/StructureTable.h"

namespace velmora::online::testing {
namespace {

TEST(ShownValues, InputsOutputsAndErrorsAsShownAndParametersRoundToTheStoredUnits) {
    EXPECT_DOUBLE_EQ(*InputPercent(2500, 0, 10000), 25.0);
    EXPECT_DOUBLE_EQ(*InputPercent(-1000, -2000, 2000), 25.0);
    EXPECT_DOUBLE_EQ(*InputPercent(0, 100, -100), 50.0) << "an inverted range works too";
    EXPECT_FALSE(InputPercent(5, 7, 7).has_value());
    const auto shown = PidInputValue(1, 1234, 0, 10000, 0, "R1", ',');
    EXPECT_FALSE(shown.error);
    EXPECT_EQ(shown.text, "12,34%");
    EXPECT_EQ(shown.hint, "((R1_Input1 - R1_MinY) / (R1_MaxY - R1_MinY)) * 100%");
    EXPECT_EQ(PidInputValue(3, 0, 0, 1, 0, "R1", '.').hint,
              "((R1_Input3 - R1_MinY) / (R1_MaxY - R1_MinY)) * 100%");
    const auto equal = PidInputValue(1, 10, 500, 500, 0, "R1", '.');
    EXPECT_TRUE(equal.error);
    EXPECT_EQ(equal.text, Text(3019));
    EXPECT_EQ(equal.hint, "MaxY == MinY!");
    const std::pair<int, std::uint8_t> inputs[] = {{1, kDetEY[0]}, {2, kDetEY[1]}, {3, kDetEY[2]}};
    for (const auto& [signal, bit] : inputs) {
        const auto shown = PidInputValue(signal, 10, 0, 100, bit, "R1", '.');
        EXPECT_TRUE(shown.error);
        EXPECT_EQ(shown.hint, Text(3466 + signal));
        // Another input's error bit does not touch this one.
        EXPECT_FALSE(
            PidInputValue(signal, 10, 0, 100, static_cast<std::uint8_t>(0xE0 & ~bit), "R1", '.').error);
    }
    const auto out = PidOutputValue(-1250, "R1", '.');
    EXPECT_EQ(out.text, "-12.50%");
    EXPECT_EQ(out.hint, "R1_Output * 0,01%");
    EXPECT_EQ(PidmaPercentValue(61.256f, '.').text, "61.26%");
    EXPECT_TRUE(PidmaPercentValue(std::numeric_limits<float>::quiet_NaN(), '.').error);
}

TEST(RequestLog, HexDumpsAndErrorDescriptionsByFacility) {
    const std::uint8_t request[] = {0x03, 0x64, 0x00, 0x02, 0xAB, 0x0F};
    const std::uint8_t response[] = {0x00};
    EXPECT_EQ(FormatRequestLog("zapis gW", 0x0C, request, 1, response),
              "zapis gW\tCh\t6\t1\t:\t03  64  00  02  AB  0F  \n00  \n");
    EXPECT_EQ(FormatRequestLog("cteni", 0x0B, {}, -5, {}), "cteni\tBh\t0\t-5\t:\t\n\n");
    EXPECT_EQ(FormatCommError("no line"), "Comm Error\tno line");
    struct HostTexts : PlcErrorDescriber {
        std::string describe(std::int32_t code) const override {
            return "host " + std::to_string(code & 0xFF);
        }
    } host;
    EXPECT_EQ(DescribeCommError(static_cast<std::int32_t>(0x80040007u), &host), "host 7");
    EXPECT_EQ(DescribeCommError(static_cast<std::int32_t>(0x80040007u), nullptr), "Error 0x80040007");
    EXPECT_EQ(DescribeCommError(static_cast<std::int32_t>(0x80004005u), &host), "Error 0x80004005");
}

class LoggedExchange : public ExchangeFixture, public ::testing::Test {};

TEST_F(LoggedExchange, TickCountsNewDataOnceAndAFailedRequestLogsItsErrorAndAClampedDump) {
    addPid(Pid("R1"), 100);
    r1 = online("R1", &view);
    EXPECT_EQ(r1->commTick().state, TDataState::dsDataERR) << "no data before the first exchange";
    session->CommLoopCallback(request, kRunning);
    const auto first = r1->commTick();
    EXPECT_EQ(first.state, TDataState::dsDataOK);
    EXPECT_EQ(first.image, 32);
    EXPECT_TRUE(first.newSample);
    // The read fails: the next tick finds nothing newer.
    plc.beforeRequest = [](auto, auto, auto, auto) -> Answer { return softplc::errors::kBadLength; };
    session->CommLoopCallback(request, kRunning);
    const auto second = r1->commTick();
    EXPECT_EQ(second.state, TDataState::dsDataERR);
    EXPECT_EQ(second.image, 33);
    // A short answer counts as no data as well.
    plc.beforeRequest = [](auto, auto, std::int32_t* length, auto) -> Answer {
        *length = 49;
        return 0;
    };
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(r1->commTick().state, TDataState::dsDataERR);
    plc.beforeRequest = nullptr;
    session->CommLoopCallback(request, kRunning);
    EXPECT_EQ(r1->commTick().state, TDataState::dsDataOK);
    EXPECT_EQ(view.ticks.size(), 5u);

    // The error goes before the request's line, whose dump stops at the buffer's capacity.
    plc.beforeRequest = [](auto, auto, std::int32_t* length, auto) -> Answer {
        *length = 1000;  // more than the buffer holds
        return softplc::errors::kBadArea;
    };
    log.lines.clear();
    exchangeOnce(*r1);
    const auto error =
        std::find(log.lines.begin(), log.lines.end(), "Comm Error\tSoft PLC: unknown memory area");
    ASSERT_NE(error, log.lines.end());
    ASSERT_NE(error + 1, log.lines.end());
    const std::string& line = *(error + 1);
    EXPECT_EQ(line.rfind("cteni struktury PID od Input1\tBh\t4\t1000\t:\t03  64  00  32  \n", 0), 0u);
    EXPECT_EQ(line.size(),
              std::string("cteni struktury PID od Input1\tBh\t4\t1000\t:\t").size() + 16 + 1 + 50 * 4 + 1)
        << "the dump stops at the buffer's capacity";
    plc.beforeRequest = nullptr;
    log.lines.clear();
    log.on = false;  // switched off: nothing written
    exchangeOnce(*r1);
    r1->commTick();
    EXPECT_TRUE(log.lines.empty());
}

// The structure page's rows: each member where the member table puts it,
// bit fields bit by bit, "-" until data came.
TEST_F(LoggedExchange, StructureRowsNameEachMemberWithItsValueAndBytes) {
    const int base = addPid(Pid("R1", {.inputMode = 2, .y2Name = "Level_In"}), 100);
    putInt(base + plc::PidOffset("PBnd"), 1234);
    putInt(base + plc::PidOffset("Control"), 0x0802);
    r1 = online("R1", &view);
    EXPECT_EQ(StructureRows(*r1, '.').at(1).value, "-");
    exchangeOnce(*r1);
    const auto rows = StructureRows(*r1, '.');
    const auto row = [&rows](const std::string& name) {
        const auto at =
            std::find_if(rows.begin(), rows.end(), [&](const StructureRow& r) { return r.name == name; });
        return at == rows.end() ? StructureRow{} : *at;
    };
    EXPECT_EQ(rows.front().name, "iInput2");
    EXPECT_EQ(std::tuple(row("iPBnd").value, row("iPBnd").hex), std::tuple("1234", "D2 04"));
    EXPECT_EQ(row("hControl").value, "2050");
    EXPECT_EQ(std::tuple(row("  .AO").value, row("  .CHN").value, row("  .RC").value),
              std::tuple("1", "1", "0"));
    addPidma(Pidma("T1"), 1000);
    putReal(1000 + plc::PidaOffset("lolim"), 2.5f);
    plc.area(3)[1000 + plc::PidaOffset("irType")] = 7;
    auto t1 = online("T1", &view);
    t1->setStructureView(true);
    exchangeOnce(*t1);
    const auto pidma = StructureRows(*t1, ',');
    EXPECT_EQ(pidma.size(), 47u);
    const auto find = [&pidma](const std::string& name) {
        return std::find_if(pidma.begin(), pidma.end(), [&](const StructureRow& r) { return r.name == name; })
            ->value;
    };
    EXPECT_EQ(std::tuple(find("iirtype"), find("ilolim")), std::tuple("7", "2,5"));
}

TEST(ExchangeSettingsFile, KeysAndDefaultsOfTheControllerSection) {
    const velmora::testing::TempDir dir;
    velmora::testing::WriteBytes(
        dir / "PLC1.rglx",
        "[Regulator R1]\nName=R1\nType=PID\nInputMode=3\nCascade=1\nY1Name=A\nY2Name=B\nY3Name=C\n"
        "UpName=U\nUAnalog=0\nUmName=D\nMaxY=4000\nMinY=-4000\nFoundStruct=1\n"
        "[Regulator T1]\nName=T1\nType=PIDA\nInput=In\nOutput=Out\nAddOutName=Dist\n");
    IniFile file(dir / "PLC1.rglx");
    const auto r1 = ReadExchangeSettings(file, "R1");
    EXPECT_EQ(r1.kind, ControllerKind::Pid);
    EXPECT_TRUE(r1.inputMode == 3 && r1.cascade && r1.foundStruct && !r1.analogOutput);
    EXPECT_EQ(r1.umName, "D");
    EXPECT_EQ(std::pair(r1.maxY, r1.minY), std::pair(4000, -4000));
    const auto t1 = ReadExchangeSettings(file, "T1");
    EXPECT_EQ(t1.kind, ControllerKind::Pidma);
    EXPECT_EQ((std::vector<std::string>{t1.input, t1.output, t1.addOutName}),
              (std::vector<std::string>{"In", "Out", "Dist"}));
    const auto none = ReadExchangeSettings(file, "Missing");
    EXPECT_EQ(none.kind, ControllerKind::Pid);
    EXPECT_EQ(std::pair(none.maxY, none.minY), std::pair(10000, 0));
    EXPECT_TRUE(none.analogOutput);
}

TEST(CommLabelTexts, EveryCommunicationAndDataState) {
    struct Row {
        TCommState state;
        const char* text;
        PartColour colour;
    };
    using K = PartColour::Kind;
    const Row rows[] = {
        {TCommState::csNoComm, "NoComm", PartColour::rgb(128, 128, 128)},
        {TCommState::csCommErr, "Com Fail", PartColour::rgb(255, 0, 0)},
        {TCommState::csHALT, "Halt", PartColour::rgb(0, 255, 0)},
        {TCommState::csRUN, "Run", PartColour::rgb(0, 255, 0)},
        {TCommState::csERR, "Error", PartColour::rgb(0, 255, 255)},
        {TCommState::csRUNn, "Run", PartColour::system(K::ButtonFace)},
        {TCommState::csTrying, "Connecting ..", PartColour::system(K::InfoBackground)},
        {TCommState::csUserText, "Waiting for access", PartColour::system(K::LabelColour)},
        {TCommState::csUserTextF, "Waiting for access", PartColour::system(K::LabelColour)},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(CommLabel::CommText(r.state, false), r.text);
        EXPECT_EQ(CommLabel::CommBackground(r.state), r.colour) << r.text;
        const bool marked = r.state >= TCommState::csHALT;
        EXPECT_EQ(CommLabel::CommText(r.state, true), std::string(r.text) + (marked ? "F" : "")) << r.text;
    }
    EXPECT_EQ(CommLabel::DataText(TDataState::dsNoComm), "");
    EXPECT_EQ(CommLabel::DataBackground(TDataState::dsNoComm), PartColour::system(K::ButtonFace));
    EXPECT_EQ(CommLabel::DataText(TDataState::dsDataOK), "Data OK");
    EXPECT_EQ(CommLabel::DataBackground(TDataState::dsDataOK), PartColour::rgb(0, 255, 0));
    EXPECT_EQ(CommLabel::DataText(TDataState::dsDataERR), "No Data");
    EXPECT_EQ(CommLabel::DataBackground(TDataState::dsDataERR), PartColour::rgb(192, 192, 192));
    EXPECT_EQ(CommLabel::DataText(TDataState::dsDataFREEZE), "Frozen");
    EXPECT_EQ(CommLabel::DataBackground(TDataState::dsDataFREEZE), PartColour::system(K::InfoBackground));
}

TEST(CommLabelSetters, RepaintOnlyOnChange) {
    CommLabel label;
    EXPECT_FALSE(label.SetCommState(TCommState::csNoComm)) << "the state it starts with";
    EXPECT_FALSE(label.SetDataState(TDataState::dsNoComm));
    const std::function<bool()> changes[] = {
        [&] { return label.SetCommState(TCommState::csRUN); },
        [&] { return label.SetDataState(TDataState::dsDataOK); }, [&] { return label.Set_IsFixed(true); },
        [&] { return label.Set_DataWidthPRC(30); }, [&] { return label.Set_CanSTDLabel(true); }};
    for (const auto& change : changes) {
        EXPECT_TRUE(change());
        EXPECT_FALSE(change()) << "the same value again";
    }
}

TEST(CommLabelGeometry, PartsOfA105By22LabelAndAnEmptyLeftPart) {
    CommLabel label;
    label.SetCommState(TCommState::csRUN);
    label.SetDataState(TDataState::dsDataOK);
    auto p = label.paint(105, 22, {20, 13}, {40, 13});
    EXPECT_EQ(p.dataWidth, 52);  // trunc(105 × 0.5)
    EXPECT_EQ(p.data.rect, (PartRect{1, 1, 52, 21}));
    EXPECT_EQ(p.comm.rect, (PartRect{53, 1, 104, 21}));
    EXPECT_EQ(p.comm.textX, 51 / 2 - 10 + 53);
    EXPECT_EQ(std::pair(p.comm.text, p.data.text), std::pair(std::string("Run"), std::string("Data OK")));
    // An empty left part.
    label.Set_DataWidthPRC(0);
    p = label.paint(105, 22, {}, {});
    EXPECT_EQ(p.dataWidth, 0);
    EXPECT_TRUE(p.data.frame.empty());
    EXPECT_EQ(p.comm.rect.left, 1);
    label.Set_DataWidthPRC(80);
    for (auto state : {TCommState::csTrying, TCommState::csUserTextF}) {
        label.SetCommState(state);
        p = label.paint(105, 22, {}, {});
        EXPECT_EQ(p.dataWidth, 0);
        EXPECT_EQ(p.comm.rect, (PartRect{1, 1, 104, 21}));
    }
    label.SetCommState(TCommState::csUserText);
    EXPECT_EQ(label.paint(105, 22, {}, {}).dataWidth, 84);
}

TEST(CommLabelMouse, HintOfThePartUnderThePointer) {
    CommLabel label;
    label.setCommHint("PLC runs");
    auto d = label.mouseMove(80, 105, "");
    ASSERT_TRUE(d.has_value());
    EXPECT_TRUE(d->hintsOn);
    EXPECT_TRUE(d->showNow);
    EXPECT_EQ(d->hint, "PLC runs");
    d = label.mouseMove(80, 105, "PLC runs");
    EXPECT_FALSE(d->showNow) << "same hint: not shown again";
    d = label.mouseMove(10, 105, "PLC runs");
    EXPECT_FALSE(d->hintsOn) << "no hint on the data part: hints off";
    label.Set_CanSTDLabel(true);
    EXPECT_FALSE(label.mouseMove(80, 105, "").has_value());
}

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
        if (pid)
            addPid(Pid(name), kAt);
        else
            addPidma(Pidma(name), kAt);
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
    EXPECT_EQ(ExchangeFixture::messages.shown[1].text, Text(3388));
    EXPECT_EQ(ExchangeFixture::messages.shown[1].icon, MessageIcon::Stop);

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
    EXPECT_EQ(panel.pendingText(SchemaValue::Setpoint), "42.50%");
    EXPECT_FALSE(panel.boxEnabled(SchemaValue::Setpoint));
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
    EXPECT_TRUE(panel.restartDown());
    EXPECT_TRUE(panel.saveEnabled());
    EXPECT_TRUE(panel.edited()) << "an activation of the view keeps the accepted values";
    EXPECT_TRUE(t1->pending().taff);
    exchangeOnce(*t1);
    EXPECT_EQ(plc.area(3)[kAt + plc::PidaOffset("TAFF")], 1);

    plc.beforeRequest = [](std::int32_t command, auto, auto, auto) -> Answer {
        if (command == kPlcWrite) return -1;
        return std::nullopt;
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
