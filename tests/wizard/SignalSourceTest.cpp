#include "wizard/SignalSource.h"

#include "WizardTestSupport.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {
namespace {

std::vector<int> Codes(std::string_view unit) {
    std::vector<int> codes;
    for (const ModeRow& row : ModeRows(unit)) codes.push_back(row.code);
    return codes;
}

TEST(UnitsAndModes, UnitsDependOnThePlcTypeRowsCarryTheModeCodesAndSelectionFallsBack) {
    const std::string other = Text(3116);
    EXPECT_EQ(UnitItems(0), (std::vector<std::string>{"Juniper", other}));
    EXPECT_EQ(UnitItems(3), (std::vector<std::string>{"Larch, Maple", other}));
    EXPECT_EQ(UnitItems(10),
              (std::vector<std::string>{"Hazel-KA", "Hazel-KB", "Hazel-KC", "Hazel-KD", "Hazel-KE", other}));
    EXPECT_EQ(UnitItems(13), (std::vector<std::string>{"Birch, Cedar", "Cypress", other}));
    EXPECT_EQ(UnitItems(14), (std::vector<std::string>{"Dogwood ElmA", "Dogwood ElmB", other}));
    EXPECT_EQ(UnitItems(-1), (std::vector<std::string>{other}));
    EXPECT_EQ(UnitItems(1), (std::vector<std::string>{other}));
    const auto items = UnitItems(10);
    EXPECT_EQ(std::pair(UnitItemIndex(items, "Hazel-KC"), UnitItemIndex(items, "Hazel-ZZ")), std::pair(2, 5));
    EXPECT_EQ(ModeRows(items[5]).size(), 3u);
    // 3115 is found when "Other" itself is not in the list.
    EXPECT_EQ(UnitItemIndex({"A", Text(3115)}, "B"), 1);
    EXPECT_EQ(UnitItemIndex({"A"}, "B"), -1);
    const std::pair<std::string, std::vector<int>> units[] = {
        {"Hazel-KA", {401, 401, 402, 402, 410, 420, 421, 430, 431, 432}},
        {"Hazel-KB", {0}},
        {"Cypress", {0}},
        {"Hazel-KC", {1101, 1101, 1102, 1102, 1110, 1120, 1121, 1130, 1131, 1132}},
        {"Hazel-KD", {1201, 1201, 1202, 1202, 1210, 1220, 1221, 1230, 1231, 1232}},
        {"Hazel-KE", {1501, 1502, 1510, 1520, 1521, 1525, 1526, 1530, 1531, 1532}},
        {"Juniper", {2001, 2010, 2025, 2032, 2033}},
        {"Larch, Maple", {2001, 2010, 2030, 2031, 2032, 2033}},
        {"Alder", {4001, 4001, 4010}},
        {"Birch, Cedar", {501, 501, 501, 510}},
        {"Dogwood ElmB", {-700, -711, 0, -751, -712}},
        {Text(3116), {0, -751, -712}},
        {"anything", {0, -751, -712}},
    };
    for (const auto& [unit, codes] : units) EXPECT_EQ(Codes(unit), codes) << unit;
    EXPECT_EQ(ModeHeader(0).columns[0], SplitLines(Text(3041))[0]);
    EXPECT_EQ(ModeHeader(14).columns[3], SplitLines(Text(3042))[3]);
    const auto rows = ModeRows("Hazel-KA");
    EXPECT_EQ((std::vector{ModeRowIndex(rows, 410), ModeRowIndex(rows, 402), ModeRowIndex(rows, 9999),
                           ModeRowIndex({}, 0)}),
              (std::vector{4, 2, 0, -1}));
}

TEST(SignalPage, RangesScaleThroughTheInterpolationAndCaptionAndHelpFollowTheSignal) {
    const struct {
        const char* text;
        int lo, hi;
    } cases[] = {{"-1000 to 4260 (0.1 °C)", -1000, 4260}, {"same as unit range", 0, 0}, {"0 to", 0, 0}};
    const auto span = [](RawRange r) { return std::pair(r.lo, r.hi); };
    for (const auto& c : cases) EXPECT_EQ(span(UnifiedRangeBounds(c.text)), std::pair(c.lo, c.hi)) << c.text;
    // Pt100 mapped onto 0 ... 10000; without scaling the row's bounds stand; then the limits.
    EXPECT_EQ(span(SignalRange("-1000 to 4260 (0.1 °C)", true, {-1000, 4260, 0, 10000})),
              std::pair(0, 10000));
    EXPECT_EQ(span(SignalRange("0 to 10000", false, {-1000, 4260, 0, 10000})), std::pair(0, 10000));
    EXPECT_EQ(span(SignalRange("0 to 10000", true, {0, 10000, -40000, 40000})), std::pair(-32766, 32766));
    // The slope is a single-precision number: 0.01 is a little less, and the bound is truncated.
    EXPECT_EQ(ScaleBound(5000, {0, 10000, 0, 100}), 49);
    EXPECT_EQ(ScaleBound(5000, {0, 10000, 0, 10000}), 5000);
    EXPECT_EQ(ScaleBound(1, {0, 3, 0, 1}), 0);  // truncated toward zero
    EXPECT_EQ(std::pair(LimitRaw(-32766), LimitRaw(32765)), std::pair(-32766, 32765));
    const struct {
        int signal, inputMode;
        unsigned caption;
        const char* topic;
    } signals[] = {{1, 3, 3008, "Velmora_Y1"},
                   {2, 2, 3009, "Velmora_Y2"},
                   {2, 3, 3010, "Velmora_Y2p"},
                   {3, 1, 3011, "Velmora_Y3"}};
    for (const auto& c : signals) {
        EXPECT_EQ(SignalCaption(c.signal, c.inputMode), c.caption) << c.signal << c.inputMode;
        EXPECT_EQ(SignalHelpTopic(c.signal, c.inputMode), c.topic);
    }
}

using SignalFile = testing::ControllerFileTest;

SignalSource HazelKa410() {
    SignalSource s;
    s.name = " Boiler_T ", s.unit = "Hazel-KA", s.mode = 410;
    s.unifiedRange = ModeRows("Hazel-KA")[4].columns[3];
    return s;
}

TEST_F(SignalFile, WritesTheGroupWithTheComputedRangeReadsDefaultsAndSameAsY1HasItsOwn) {
    WriteSignalSource(*file, section(), 1, HazelKa410());
    EXPECT_EQ(keys(),
              (std::vector<std::string>{"Y1Name", "Y1OVF", "Y1UNF", "Y1Unit", "Y1CNVMode", "Y1Filtr", "Y1Tau",
                                        "Y1Measure", "Y1x1", "Y1x2", "Y1y1", "Y1y2", "Y1Min", "Y1Max"}));
    expectValues({{"Y1Name", "Boiler_T"}, {"Y1CNVMode", "410"}, {"Y1Min", "0"}, {"Y1Max", "10000"}});
    writeFile("[Regulator PID_1]\r\nY3y1=500\r\nY3y2=600\r\nY3Measure=0\r\n");
    const SignalSource y3 = ReadSignalSource(*file, section(), 3), y1 = ReadSignalSource(*file, section(), 1);
    EXPECT_EQ(std::tuple(y3.measure, y3.points.y1, y3.points.y2, y3.name, y3.unit),
              std::tuple(true, 0, 10000, "Y3" + Text(3016), "Y3" + Text(3016)));
    EXPECT_EQ(std::tuple(y1.points.x2, y1.points.y2, y1.mode), std::tuple(10000, 10000, 0));
    writeFile("[Regulator PID_1]\r\nY1Unit=Alder\r\nY1CNVMode=4010\r\nY1Filtr=1\r\nY1Tau=8\r\n");
    const SignalSource s = ReadSameAsY1(*file, section());
    EXPECT_EQ(std::tuple(s.unit, s.mode, s.filter, s.tau), std::tuple("Alder", 4010, true, 8));
    EXPECT_EQ((std::vector<int>{s.points.x1, s.points.x2, s.points.y1, s.points.y2}),
              (std::vector<int>{0, 0, 10000, 10000}));
}

// An empty name, a REAL mode on a word, a missing overflow bit, equal scaling
// points: each is refused with its message; other modes and unscaled signals pass.
TEST_F(SignalFile, NameKindBitsAndScalingAreChecked) {
    SignalSource s = HazelKa410();
    const auto check = [&] { return CheckSignalSource(context, s); };
    s.name = "  ";
    EXPECT_EQ(refused(check), Text(3428));
    EXPECT_EQ(messages.shown.at(0), (velmora::testing::ShownMessage{Text(3019), Text(3428), MessageIcon::Stop,
                                                                    MessageButtons::Ok}));
    variables["Boiler_T"] = "INT %R200";
    variables["Ovf"] = "%X1.0";
    s = HazelKa410();
    EXPECT_TRUE(check());
    s.mode = -712;
    EXPECT_EQ(refused(check), Text(3412) + " 'Boiler_T' " + Text(3432));
    s.mode = -700;  // not a REAL mode
    messages.shown.clear();
    EXPECT_TRUE(check());
    EXPECT_TRUE(messages.shown.empty());
    s = HazelKa410();
    s.overflow = "Ovf", s.underflow = "Unf";
    EXPECT_EQ(refused(check), Text(3412) + " 'Unf' " + Text(3413));
    s = HazelKa410();
    s.measure = true;
    s.points = {100, 100, 0, 10000};
    EXPECT_EQ(refused(check), Text(3018));
    s.points = {0, 100, 5, 5};
    EXPECT_FALSE(check());
    s.measure = false;
    EXPECT_TRUE(check());
}

TEST_F(SignalFile, WritesFilterAndPointsOfItsOwnSignal) {
    auto& plc = plcWith({"PID_1_Tau2", "PID_1_X21", "PID_1_X22", "PID_1_Y21", "PID_1_Y22"});
    SignalSource s = HazelKa410();
    s.filter = true, s.tau = 12, s.measure = true;
    s.points = {1, 2, 3, 4};
    EXPECT_TRUE(WriteSignalToPlc(context, 2, s));
    ASSERT_EQ(plc.writes.size(), 5u);
    EXPECT_EQ(plc.writes[0].first, "PID_1_Tau2");
    EXPECT_EQ(plc::GetInt16(plc.writes[0].second.data()), 12);
    EXPECT_EQ(plc.writes[2].first, "PID_1_X22");
    EXPECT_EQ(plc::GetInt16(plc.writes[4].second.data()), 4);
    auto back = ReadSignalFromPlc(context, 2);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::pair(back->tau, back->points.y1), std::pair(12, 3));
    // Signal 1's symbols do not resolve: nothing to write, no failure.
    plc.writes.clear();
    EXPECT_TRUE(WriteSignalToPlc(context, 1, s));
    EXPECT_TRUE(plc.writes.empty());
    EXPECT_FALSE(ReadSignalFromPlc(context, 1));
}

}  // namespace
}  // namespace velmora::wizard
