#include "wizard/SignalSource.h"

#include "WizardTestSupport.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {
namespace {

using testing::ControllerFileTest;

std::vector<int> Codes(std::string_view unit) {
    std::vector<int> codes;
    for (const ModeRow& row : ModeRows(unit)) codes.push_back(row.code);
    return codes;
}

TEST(UnitList, DependsOnThePlcType) {
    const std::string other = Text(3116);
    EXPECT_EQ(UnitItems(0), (std::vector<std::string>{"Juniper", other}));
    EXPECT_EQ(UnitItems(3), (std::vector<std::string>{"Larch, Maple", other}));
    EXPECT_EQ(UnitItems(10),
              (std::vector<std::string>{"Hazel-KA", "Hazel-KB", "Hazel-KC", "Hazel-KD", "Hazel-KE", other}));
    EXPECT_EQ(UnitItems(13), (std::vector<std::string>{"Birch, Cedar", "Cypress", other}));
    EXPECT_EQ(UnitItems(14), (std::vector<std::string>{"Dogwood ElmA", "Dogwood ElmB", other}));
    EXPECT_EQ(UnitItems(-1), (std::vector<std::string>{other}));
    EXPECT_EQ(UnitItems(1), (std::vector<std::string>{other}));
}

TEST(ModeTable, RowsCarryTheModeCodesOfTheUnit) {
    EXPECT_EQ(Codes("Hazel-KA"), (std::vector<int>{401, 401, 402, 402, 410, 420, 421, 430, 431, 432}));
    EXPECT_EQ(Codes("Hazel-KB"), (std::vector<int>{0}));
    EXPECT_EQ(Codes("Cypress"), (std::vector<int>{0}));
    EXPECT_EQ(Codes("Hazel-KC"),
              (std::vector<int>{1101, 1101, 1102, 1102, 1110, 1120, 1121, 1130, 1131, 1132}));
    EXPECT_EQ(Codes("Hazel-KD"),
              (std::vector<int>{1201, 1201, 1202, 1202, 1210, 1220, 1221, 1230, 1231, 1232}));
    EXPECT_EQ(Codes("Hazel-KE"),
              (std::vector<int>{1501, 1502, 1510, 1520, 1521, 1525, 1526, 1530, 1531, 1532}));
    EXPECT_EQ(Codes("Juniper"), (std::vector<int>{2001, 2010, 2025, 2032, 2033}));
    EXPECT_EQ(Codes("Larch, Maple"), (std::vector<int>{2001, 2010, 2030, 2031, 2032, 2033}));
    EXPECT_EQ(Codes("Alder"), (std::vector<int>{4001, 4001, 4010}));
    EXPECT_EQ(Codes("Birch, Cedar"), (std::vector<int>{501, 501, 501, 510}));
    EXPECT_EQ(Codes("Dogwood ElmB"), (std::vector<int>{-700, -711, 0, -751, -712}));
    EXPECT_EQ(Codes(Text(3116)), (std::vector<int>{0, -751, -712}));
    EXPECT_EQ(Codes("anything"), (std::vector<int>{0, -751, -712}));
    EXPECT_EQ(ModeHeader(0).columns[0], SplitLines(Text(3041))[0]);
    EXPECT_EQ(ModeHeader(14).columns[3], SplitLines(Text(3042))[3]);
}

TEST(ModeTable, SelectionFallsBackToTheFirstRow) {
    auto rows = ModeRows("Hazel-KA");
    EXPECT_EQ(ModeRowIndex(rows, 410), 4);
    EXPECT_EQ(ModeRowIndex(rows, 402), 2);
    EXPECT_EQ(ModeRowIndex(rows, 9999), 0);
    EXPECT_EQ(ModeRowIndex({}, 0), -1);
}

TEST(UnitSelection, UnknownStoredUnitSelectsOther) {
    auto items = UnitItems(10);
    EXPECT_EQ(UnitItemIndex(items, "Hazel-KC"), 2);
    EXPECT_EQ(UnitItemIndex(items, "Hazel-ZZ"), 5);
    EXPECT_EQ(ModeRows(items[5]).size(), 3u);
    // 3115 is found when "Other" itself is not in the list.
    EXPECT_EQ(UnitItemIndex({"A", Text(3115)}, "B"), 1);
    EXPECT_EQ(UnitItemIndex({"A"}, "B"), -1);
}

TEST(RangeBounds, FirstAndThirdWordOfTheUnifiedRange) {
    RawRange r = UnifiedRangeBounds("-1000 to 4260 (0.1 °C)");
    EXPECT_EQ(r.lo, -1000);
    EXPECT_EQ(r.hi, 4260);
    r = UnifiedRangeBounds("same as unit range");
    EXPECT_EQ(r.lo, 0);
    EXPECT_EQ(r.hi, 0);
    r = UnifiedRangeBounds("0 to");
    EXPECT_EQ(r.hi, 0);
}

TEST(RangeBounds, ScaledThroughTheInterpolationAndLimited) {
    // Pt100 mapped onto 0 ... 10000.
    RawRange r = SignalRange("-1000 to 4260 (0.1 °C)", true, {-1000, 4260, 0, 10000});
    EXPECT_EQ(r.lo, 0);
    EXPECT_EQ(r.hi, 10000);
    // Without scaling the row's bounds stand.
    r = SignalRange("0 to 10000", false, {-1000, 4260, 0, 10000});
    EXPECT_EQ(r.lo, 0);
    EXPECT_EQ(r.hi, 10000);
    r = SignalRange("0 to 10000", true, {0, 10000, -40000, 40000});
    EXPECT_EQ(r.lo, -32766);
    EXPECT_EQ(r.hi, 32766);
    // The slope is a single-precision number: 0.01 is a little less, and the bound is truncated.
    EXPECT_EQ(ScaleBound(5000, {0, 10000, 0, 100}), 49);
    EXPECT_EQ(ScaleBound(5000, {0, 10000, 0, 10000}), 5000);
    EXPECT_EQ(ScaleBound(1, {0, 3, 0, 1}), 0);  // truncated toward zero
    EXPECT_EQ(LimitRaw(-32766), -32766);
    EXPECT_EQ(LimitRaw(32765), 32765);
}

TEST(SignalPage, CaptionAndHelpFollowTheSignal) {
    EXPECT_EQ(SignalCaption(1, 3), 3008u);
    EXPECT_EQ(SignalCaption(2, 2), 3009u);
    EXPECT_EQ(SignalCaption(2, 3), 3010u);
    EXPECT_EQ(SignalCaption(3, 1), 3011u);
    EXPECT_EQ(SignalHelpTopic(1, 3), "Velmora_Y1");
    EXPECT_EQ(SignalHelpTopic(2, 2), "Velmora_Y2");
    EXPECT_EQ(SignalHelpTopic(2, 3), "Velmora_Y2p");
    EXPECT_EQ(SignalHelpTopic(3, 1), "Velmora_Y3");
}

using SignalFile = ControllerFileTest;

SignalSource HazelKa410() {
    SignalSource s;
    s.name = " Boiler_T ";
    s.unit = "Hazel-KA";
    s.mode = 410;
    s.unifiedRange = ModeRows("Hazel-KA")[4].columns[3];
    return s;
}

TEST_F(SignalFile, WritesTheGroupInItsOrderWithTheComputedRange) {
    WriteSignalSource(*file, section(), 1, HazelKa410());
    EXPECT_EQ(keys(),
              (std::vector<std::string>{"Y1Name", "Y1OVF", "Y1UNF", "Y1Unit", "Y1CNVMode", "Y1Filtr", "Y1Tau",
                                        "Y1Measure", "Y1x1", "Y1x2", "Y1y1", "Y1y2", "Y1Min", "Y1Max"}));
    EXPECT_EQ(value("Y1Name"), "Boiler_T");
    EXPECT_EQ(value("Y1CNVMode"), "410");
    EXPECT_EQ(value("Y1Min"), "0");
    EXPECT_EQ(value("Y1Max"), "10000");
}

TEST_F(SignalFile, ReadsDefaultsAndKeepsY3sFixedPoints) {
    file->writeInteger(section(), "Y3y1", 500);
    file->writeInteger(section(), "Y3y2", 600);
    file->writeBool(section(), "Y3Measure", false);
    SignalSource y3 = ReadSignalSource(*file, section(), 3);
    EXPECT_TRUE(y3.measure);
    EXPECT_EQ(y3.points.y1, 0);
    EXPECT_EQ(y3.points.y2, 10000);
    EXPECT_EQ(y3.name, "Y3" + Text(3016));
    EXPECT_EQ(y3.unit, "Y3" + Text(3016));
    SignalSource y1 = ReadSignalSource(*file, section(), 1);
    EXPECT_EQ(y1.points.x2, 10000);
    EXPECT_EQ(y1.points.y2, 10000);
    EXPECT_EQ(y1.mode, 0);
}

TEST_F(SignalFile, SameAsY1ReadsAbsentPointsWithItsOwnDefaults) {
    file->writeString(section(), "Y1Unit", "Alder");
    file->writeInteger(section(), "Y1CNVMode", 4010);
    file->writeBool(section(), "Y1Filtr", true);
    file->writeInteger(section(), "Y1Tau", 8);
    SignalSource s = ReadSameAsY1(*file, section());
    EXPECT_EQ(s.unit, "Alder");
    EXPECT_EQ(s.mode, 4010);
    EXPECT_TRUE(s.filter);
    EXPECT_EQ(s.tau, 8);
    EXPECT_EQ(s.points.x1, 0);
    EXPECT_EQ(s.points.x2, 0);
    EXPECT_EQ(s.points.y1, 10000);
    EXPECT_EQ(s.points.y2, 10000);
}

using SignalChecks = ControllerFileTest;

TEST_F(SignalChecks, EmptyNameIsAnError) {
    SignalSource s = HazelKa410();
    s.name = "  ";
    EXPECT_FALSE(CheckSignalSource(context, s));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, Text(3019));
    EXPECT_EQ(messages.shown[0].text, Text(3428));
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
}

TEST_F(SignalChecks, RealModesWantAFloatOthersAWord) {
    variables["Boiler_T"] = "INT %R200";
    SignalSource s = HazelKa410();
    EXPECT_TRUE(CheckSignalSource(context, s));
    EXPECT_TRUE(messages.shown.empty());
    s.mode = -712;
    messages.answers = {MessageAnswer::No};
    EXPECT_FALSE(CheckSignalSource(context, s));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, Text(3412) + " 'Boiler_T' " + Text(3432));
    s.mode = -700;  // not a REAL mode
    messages.shown.clear();
    EXPECT_TRUE(CheckSignalSource(context, s));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SignalChecks, OverflowBitsAreOnlyCheckedForExistence) {
    variables["Boiler_T"] = "INT %R200";
    variables["Ovf"] = "%X1.0";
    SignalSource s = HazelKa410();
    s.overflow = "Ovf";
    s.underflow = "Unf";
    messages.answers = {MessageAnswer::No};
    EXPECT_FALSE(CheckSignalSource(context, s));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, Text(3412) + " 'Unf' " + Text(3413));
}

TEST_F(SignalChecks, ScalingWithEqualPointsIsRefused) {
    variables["Boiler_T"] = "INT %R200";
    SignalSource s = HazelKa410();
    s.measure = true;
    s.points = {100, 100, 0, 10000};
    EXPECT_FALSE(CheckSignalSource(context, s));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, Text(3018));
    s.points = {0, 100, 5, 5};
    EXPECT_FALSE(CheckSignalSource(context, s));
    s.measure = false;
    EXPECT_TRUE(CheckSignalSource(context, s));
}

using SignalPlc = ControllerFileTest;

TEST_F(SignalPlc, WritesFilterAndPointsOfItsOwnSignal) {
    testing::FakeControllerData plc;
    plc.resolve({"PID_1_Tau2", "PID_1_X21", "PID_1_X22", "PID_1_Y21", "PID_1_Y22"});
    context.controllerData = &plc;
    SignalSource s = HazelKa410();
    s.filter = true;
    s.tau = 12;
    s.measure = true;
    s.points = {1, 2, 3, 4};
    EXPECT_TRUE(WriteSignalToPlc(context, 2, s));
    ASSERT_EQ(plc.writes.size(), 5u);
    EXPECT_EQ(plc.writes[0].first, "PID_1_Tau2");
    EXPECT_EQ(GetInt16(plc.writes[0].second, 0), 12);
    EXPECT_EQ(plc.writes[2].first, "PID_1_X22");
    EXPECT_EQ(GetInt16(plc.writes[4].second, 0), 4);
    auto back = ReadSignalFromPlc(context, 2);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->tau, 12);
    EXPECT_EQ(back->points.y1, 3);
    // Signal 1's symbols do not resolve: nothing to write, no failure.
    plc.writes.clear();
    EXPECT_TRUE(WriteSignalToPlc(context, 1, s));
    EXPECT_TRUE(plc.writes.empty());
    EXPECT_FALSE(ReadSignalFromPlc(context, 1));
}

}  // namespace
}  // namespace velmora::wizard
