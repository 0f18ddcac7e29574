// The loop-test reader and its check against a PLC.
#include <gtest/gtest.h>

#include <tuple>

#include "host/looptest/LoopTestCheck.h"

namespace velmora::looptest {
namespace {

// A case around the lines under test: PLC1, Loop online, 600 s, set-point step at 100 s.
std::string Around(const std::string& lines) {
    return "# comment\n[case c1]\nplc PLC1\nonline Loop\nduration 10 min\nat 100 set Gw=5000\nexpect no PLC "
           "error\n" +
           lines;
}
constexpr int kFirstLine = 8;  // the first of `lines` above

PlcCatalogue Catalogue() {
    PlcCatalogue c;
    c.plc = "PLC1";
    c.symbol = [](const std::string& name) -> std::optional<SymbolInfo> {
        if (name == "Gw" || name == "Temp" || name == "Load") return SymbolInfo{true, false, -32768, 32767};
        if (name == "Flow") return SymbolInfo{true, true, -3.4e38, 3.4e38};
        if (name == "Flag") return SymbolInfo{true, false, 0, 1};
        if (name == "Block") return SymbolInfo{false, false, 0, 0};
        return std::nullopt;
    };
    PlantSettings simulated;
    simulated.simulation = true;
    c.controllers = {{"Loop", simulated}, {"Other", PlantSettings{}}};
    return c;
}

TEST(LoopTestFile, AGoodCaseReadsWithEveryFormOfItsLines) {
    const ParsedFile f = ParseLoopTests(
        "\xEF\xBB\xBF[case step-1]\r\nplc PLC2\r\nonline Chiller Other\nplant Chiller Tau1=30 Su=-1\n"
        "cycle 20 ms\nsample 0.5s\nduration 1 h\n"
        "at 600 s restart warm\nat 5min set Chiller_gW = 5000\nat 900 disturb Chiller 10 %\n"
        "expect Chiller.y within 1 % of 50 % from 20 min\n"
        "expect Chiller.y overshoot \xE2\x89\xA4 10 % after the step at 300\n"
        "expect Chiller.U settles to \xC2\xB1"
        "2 within 200 s after 300\n"
        "expect Chiller_Water_T between 0 and 9000 from 0 to 1h\n"
        "expect Chiller.y IAE <= 500 from 300 to 600\n"
        "expect Chiller.y overshoot<=10% after 300\n"
        "expect Temp settles to +/-2 within 1min after 900\n"
        "EXPECT no PLC error\n",
        "t.vtest");
    ASSERT_EQ(f.problems.size(), 0u) << f.problems[0].text();
    ASSERT_EQ(f.cases.size(), 1u);
    const Case& c = f.cases[0];
    EXPECT_EQ(std::tie(c.name, c.plc, c.cycle, c.sample, c.duration),
              std::make_tuple("step-1", "PLC2", 20, 500, 3'600'000));
    ASSERT_EQ(c.online.size(), 2u);
    ASSERT_EQ(c.online[0].plant.size(), 2u);
    EXPECT_EQ(std::tie(c.online[0].plant[1].key, c.online[0].plant[1].value), std::make_tuple("Su", "-1"));
    // In time order, whatever the order of the lines.
    ASSERT_EQ(c.stimuli.size(), 3u);
    EXPECT_EQ(std::tie(c.stimuli[0].at, c.stimuli[0].name, c.stimuli[0].value),
              std::make_tuple(300'000, "Chiller_gW", 5000));
    EXPECT_EQ(c.stimuli[1].kind, Stimulus::Kind::Restart);
    EXPECT_EQ(c.stimuli[2].value, 10);
    ASSERT_EQ(c.expectations.size(), 8u);
    const Expectation& w = c.expectations[0];
    EXPECT_EQ(std::tie(w.check, w.subject.kind, w.subject.name, w.a, w.b, w.t1, w.line),
              std::make_tuple(Check::Within, Subject::Kind::Y, "Chiller", 1, 50, 1'200'000, 11));
    EXPECT_EQ(c.expectations[1].a, 10);
    EXPECT_EQ(std::tie(c.expectations[2].subject.kind, c.expectations[2].span),
              std::make_tuple(Subject::Kind::U, 200'000));
    EXPECT_EQ(std::tie(c.expectations[3].subject.kind, c.expectations[3].t2),
              std::make_tuple(Subject::Kind::Symbol, 3'600'000));
    EXPECT_EQ(c.expectations[4].check, Check::Iae);
    EXPECT_EQ(c.expectations[5].t1, 300'000);
    EXPECT_EQ(c.expectations[6].a, 2);
    EXPECT_EQ(c.expectations[7].check, Check::NoPlcError);
    // The response to the step at 300 s ends at the next stimulus.
    EXPECT_EQ(c.windowEnd(300'000), 600'000);
    EXPECT_EQ(c.windowEnd(900'000), 3'600'000);
}

// Each line after Around()'s: the problem is named at kFirstLine with a part of its reason.
struct BadLine {
    const char* lines;
    const char* reason;
};

TEST(LoopTestFile, EveryBadLineIsNamedWithItsFileAndLine) {
    const BadLine table[] = {
        {"expect Gw within 1 of 50\n", "\"from\" expected, not the end of the line"},
        {"expect Gw within -1 of 50 from 0\n", "tolerance is below 0"},
        {"expect Gw within 1 of 5O from 0\n", "the target is no number: \"5O\""},
        {"expect Gw within 1 of nan from 0\n", "is no number"},
        {"expect Gw within 1 of 1e400 from 0\n", "is no number"},
        {"expect Gw within 1 of 50 from 11 min\n", "660 s lies after the end of the case (600 s)"},
        {"expect Gw within 1 of 50 from 10 fortnights\n", "\"fortnights\" at the end"},
        {"expect Gw within 1 of 50 from 5days\n", "no known unit"},
        {"expect Gw within 1 of 50 from 0.0001\n", "not whole milliseconds"},
        {"expect Gw within 1 of 50 from -1\n", "outside 0 .. 168 h"},
        {"expect Gw overshoot < 10 % after 100\n", "\"<=\" expected"},
        {"expect Gw overshoot <= 10 % after 50\n", "no step at 50 s"},
        {"expect Gw overshoot <= 2000 % after 100\n", "outside 0 .. 1000 %"},
        {"expect Gw settles to +-2 within 600 s after 100\n", "ends at 600 s, before 700 s"},
        {"expect Gw settles to +-0 within 6 s after 100\n", "band must be above 0"},
        {"expect Gw between 9 1 from 0 to 10\n", "low limit lies above the high limit"},
        {"expect Gw between 1 9 from 10 to 0\n", "ends before it starts"},
        {"expect Gw IAE <= 5 from 10 to 10\n", "ends before it starts"},
        {"expect Gw drifts\n", "unknown check \"drifts\""},
        {"expect no PLC errors\n", "\"error\" expected"},
        {"expect G/w within 1 of 2 from 0\n", "\"G/w\" is no name"},
        {"at 700 set Gw=1\n", "700 s lies after the end"},
        {"at 10 set Gw\n", "set takes SYMBOL=VALUE"},
        {"at 10 restart hot\n", "restart takes warm or cold"},
        {"at 10 disturb Loop 120\n", "outside 0 .. 100 %"},
        {"at 10 wobble Loop\n", "unknown stimulus"},
        {"duration 5 s\n", "a second duration line"},
        {"cycle 2 s\n", "outside 1 ms .. 1 s"},
        {"sample 0\n", "outside 1 ms .. 1 h"},
        {"plant Other Tau1=3\n", "does not put online"},
        {"online Loop\n", "online already"},
        {"speed 3\n", "unknown line \"speed\""},
        {"[section]\n", "only [case NAME] sections"},
        {"[case c1]\nduration 1\nexpect no PLC error\n", "a second case c1 (line 2)"},
        {"[case a/b]\n", "a case name is"},
        {"[case c2]\nexpect no PLC error\n", "case c2 has no duration line"},
        {"[case c2]\nduration 1\n", "case c2 expects nothing"},
        {"[case c2]\nduration 1 s\nsample 2 s\nexpect no PLC error\n", "sample period is longer"},
        {"[case c2]\nduration 168 h\nsample 1 ms\nexpect no PLC error\n", "more than 2000000 samples"},
    };
    for (const BadLine& row : table) {
        const ParsedFile f = ParseLoopTests(Around(row.lines), "dir/t.vtest");
        ASSERT_FALSE(f.problems.empty()) << row.lines;
        const std::string text = f.problems[0].text();
        EXPECT_EQ(text.find("dir/t.vtest:" + std::to_string(kFirstLine) + ": "), 0u) << text;
        EXPECT_NE(text.find(row.reason), std::string::npos) << row.lines << " gave " << text;
    }
}

TEST(LoopTestFile, EveryProblemOfAFileIsReportedNotOnlyTheFirst) {
    const ParsedFile f = ParseLoopTests(
        "stray\n[case a]\nduration 1\nexpect x\nexpect no PLC error\nat 2 set A=1\n", "t.vtest");
    ASSERT_EQ(f.problems.size(), 3u);
    EXPECT_EQ(std::make_tuple(f.problems[0].line, f.problems[1].line, f.problems[2].line),
              std::make_tuple(1, 4, 6));
    EXPECT_NE(f.problems[0].reason.find("outside any [case NAME]"), std::string::npos);
}

struct CheckRow {
    const char* lines;
    const char* reason;  // empty: the case passes the check
};

TEST(LoopTestCheck, NamesAndValuesAreCheckedAgainstThePlc) {
    const CheckRow table[] = {
        {"expect Loop.y within 1 of 50 from 0\n", ""},
        {"expect Temp between -32768 32767 from 0 to 10\n", ""},
        {"at 5 set Flag=1\nexpect Flow within 0.5 of 1e30 from 0\n", ""},
        {"expect loop.Y IAE <= 10 from 0 to 100\n", ""},
        {"expect Nope between 0 1 from 0 to 1\n", "the PLC PLC1 has no symbol Nope"},
        {"expect Block between 0 1 from 0 to 1\n", "Block is a structure or an array"},
        {"expect Temp between 0 40000 from 0 to 1\n", "the high limit 40000 lies outside -32768 .. 32767"},
        {"expect Temp within 70000 of 0 from 0\n", "tolerance is wider than the whole range"},
        {"expect Loop.y within 1 of 20000 from 0\n", "lies outside -10000 .. 10000 %"},
        {"expect Other.y within 1 of 50 from 0\n", "the case does not put Other online"},
        {"expect Nobody.y within 1 of 50 from 0\n",
         "has no controller Nobody (and the PLC no symbol Nobody.y)"},
        {"expect Loop.u IAE <= 10 from 0 to 100\n", "it takes a controller's y"},
        {"expect Temp IAE <= 10 from 0 to 100\n", "it takes a controller's y, not Temp"},
        {"at 5 set Flag=2\nexpect no PLC error\n", "Flag=2: outside 0 .. 1"},
        {"at 5 set Temp=1.5\nexpect no PLC error\n", "Temp holds whole numbers"},
        {"at 5 disturb Loop 10\nexpect no PLC error\n", "its plant has no additional output"},
        {"at 5 disturb Other 10\nexpect no PLC error\n", "does not put it online"},
        {"plant Loop AddOut=1 AddOutName=Load\nat 5 disturb Loop 10\nexpect no PLC error\n", ""},
        {"plant Loop AddOut=2 AddOutName=Load\nexpect no PLC error\n",
         "reads Load as a REAL, which it is not"},
        {"plant Loop AddOut=1\nexpect no PLC error\n", "AddOut needs AddOutName"},
        {"plant Loop Simulation=0\nat 5 disturb Loop 10\nexpect no PLC error\n",
         "its plant is not simulated"},
        {"plant Loop Tau1=0\nexpect no PLC error\n", "plant Loop: Tau1=0: outside"},
        {"plant Loop Tau1=abc\nexpect no PLC error\n", "Tau1=abc: no number"},
        {"plant Loop TypSoustavy=7\nexpect no PLC error\n", "TypSoustavy=7: takes 0 .. 5"},
        {"plant Loop TypSoustavy=1 Tau2=5\nexpect no PLC error\n", "Tau2 does not apply to plant type 1"},
        {"plant Loop Speed=5\nexpect no PLC error\n", "unknown plant key Speed"},
    };
    for (const CheckRow& row : table) {
        ParsedFile f = ParseLoopTests(
            "[case c]\nplc PLC1\nonline Loop\nduration 600\n" + std::string(row.lines), "t.vtest");
        ASSERT_TRUE(f.problems.empty()) << row.lines << f.problems[0].text();
        const std::vector<Diagnostic> found = CheckCase(f.cases[0], Catalogue());
        if (*row.reason == 0) {
            EXPECT_TRUE(found.empty()) << row.lines << " gave " << found[0].text();
            continue;
        }
        ASSERT_FALSE(found.empty()) << row.lines;
        EXPECT_NE(found[0].text().find(row.reason), std::string::npos)
            << row.lines << " gave " << found[0].text();
        EXPECT_GE(found[0].line, 5) << row.lines;
    }
}

TEST(LoopTestCheck, TheCaseIsCompletedWithTheFilesNamesAndPlants) {
    ParsedFile f = ParseLoopTests(
        "[case c]\nonline LOOP OTHER\nplant other TypSoustavy=2 Tau1=20 Tau2=6\nduration 60\n"
        "expect loop.y within 1 of 50 from 0\n",
        "t.vtest");
    ASSERT_TRUE(f.problems.empty());
    Case& c = f.cases[0];
    ASSERT_TRUE(CheckCase(c, Catalogue()).empty());
    EXPECT_EQ(c.online[0].name, "Loop");
    EXPECT_TRUE(c.online[0].simulated());  // the file's plant
    EXPECT_EQ(c.online[1].name, "Other");
    ASSERT_TRUE(c.online[1].simulated());  // switched on by its keys
    EXPECT_EQ(std::tie(c.online[1].settings->plantType, c.online[1].settings->tau2),
              std::make_tuple(kPlantSecondOrder, 6.0));
    EXPECT_EQ(c.expectations[0].subject.name, "Loop");
}

}  // namespace
}  // namespace velmora::looptest
