// Expectations judged over made-up traces whose figures are known.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>

#include "host/looptest/LoopTestEval.h"
#include "host/looptest/LoopTestReport.h"

namespace velmora::looptest {
namespace {

using Curve = std::function<double(double)>;

// The set-point steps from 35 to 50 % at 100 s.
double SetPoint(double t) {
    return t < 100 ? 35 : 50;
}
double Clean(double t) {
    return t < 100 ? 35 : 50 - 15 * std::exp(-(t - 100) / 20);
}
double Oscillating(double t) {
    return t < 100 ? 35 : 50 - 15 * std::exp(-(t - 100) / 40) * std::cos((t - 100) / 10);
}
double RunAway(double t) {
    return t < 100 ? 35 : std::max(0.0, 35 - 0.1 * (t - 100));
}

// 600 s sampled every second: L.y, L.w and the symbol Sym (= y).
Trace MakeTrace(const Curve& y) {
    Trace trace;
    trace.columns = {{"L.y", {}, 0}, {"L.w", {}, 0}, {"L.u", {}, 0}, {"Sym", {}, 0}};
    for (int t = 0; t <= 600; ++t) {
        trace.times.push_back(t * 1000);
        trace.columns[0].values.push_back(y(t));
        trace.columns[1].values.push_back(SetPoint(t));
        trace.columns[2].values.push_back(0);
        trace.columns[3].values.push_back(y(t));
    }
    return trace;
}

Case OneExpectation(const std::string& line) {
    ParsedFile f =
        ParseLoopTests("[case t]\nonline L\nduration 600\nat 100 set S=1\nexpect " + line + "\n", "t.vtest");
    EXPECT_TRUE(f.problems.empty()) << line << ": " << (f.problems.empty() ? "" : f.problems[0].text());
    if (f.cases.empty()) return {};
    Case c = f.cases[0];
    c.online[0].settings.emplace().simulation = true;  // L closes its loop
    return c;
}

struct Row {
    const char* expectation;
    Curve y;
    bool pass;
    const char* figure;  // a part of the measured figure
    Millis brokeAt;      // -1: none
};

TEST(LoopTestEval, EachCheckMeasuresWhatAControlEngineerReads) {
    const Row table[] = {
        {"L.y within 1 of 50 from 300", Clean, true, "largest deviation 0.", -1},
        {"L.y within 1 of 50 from 300", RunAway, false, "15 (largest deviation 50)", 300'000},
        {"L.y within 1 of 50 from 120", Clean, false, "44.4818 (largest deviation 5.51819)", 120'000},
        {"L.y overshoot <= 5 % after the step at 100", Clean, true, "overshoot 0 %", -1},
        {"L.y overshoot <= 5 % after the step at 100", Oscillating, false,
         "overshoot 47.0259 % (peak 57.0539 at 129 s)", 117'000},
        {"L.y overshoot <= 60 % after the step at 100", Oscillating, true, "overshoot 47.0259 %", -1},
        {"L.u overshoot <= 5 % after 100", Clean, false, "no step to measure: from 0 to 0", -1},
        {"L.y settles to +-1 within 60 s after 100", Clean, true, "settling time 55 s (band around 50)", -1},
        {"L.y settles to +-1 within 50 s after 100", Clean, false, "settling time 55 s", 150'000},
        {"L.y settles to +-1 within 200 s after 100", RunAway, false, "not settled: 0 at 600 s", 300'000},
        // A symbol settles to where it ends: the run-away one comes to rest at 0.
        {"Sym settles to +-1 within 200 s after 100", RunAway, false, "settling time 340 s (band around 0)",
         300'000},
        {"Sym between 30 51 from 0 to 600", Clean, true, "range 35 .. 50", -1},
        {"Sym between 30 51 from 0 to 600", RunAway, false, "29.9 (range 0 .. 35)", 151'000},
        {"Sym between 30 51 from 0 to 150", RunAway, true, "range 30 .. 35", -1},
        {"L.y IAE <= 305 from 100 to 600", Clean, true, "IAE 300.", -1},
        {"L.y IAE <= 295 from 100 to 600", Clean, false, "IAE 300.062", 182'000},
    };
    for (const Row& row : table) {
        const Case c = OneExpectation(row.expectation);
        const std::vector<Verdict> v = EvaluateCase(c, MakeTrace(row.y));
        ASSERT_EQ(v.size(), 1u) << row.expectation;
        EXPECT_EQ(v[0].pass, row.pass) << row.expectation << ": " << v[0].figure;
        EXPECT_NE(v[0].figure.find(row.figure), std::string::npos) << row.expectation << ": " << v[0].figure;
        EXPECT_EQ(v[0].brokeAt.value_or(-1), row.brokeAt) << row.expectation << ": " << v[0].figure;
    }
}

TEST(LoopTestEval, SamplesWithoutValueAreLeftOutButAnInputErrorFails) {
    Trace trace = MakeTrace(Clean);
    // The view had no data for the first three samples: 0 there means nothing.
    for (int i = 0; i < 3; ++i) trace.columns[0].values[i] = 0;
    trace.columns[0].first = 3;
    const Case from0 = OneExpectation("L.y between 30 51 from 0 to 600");
    EXPECT_TRUE(EvaluateCase(from0, trace)[0].pass);
    // Later, the input goes into error.
    trace.columns[0].values[400] = std::numeric_limits<double>::quiet_NaN();
    const Verdict broken = EvaluateCase(from0, trace)[0];
    EXPECT_EQ(std::tie(broken.pass, broken.figure, broken.brokeAt),
              std::make_tuple(false, "no value (the input is in error)", 400'000));
    // A column that never had a value cannot pass.
    trace.columns[0].first = trace.times.size();
    EXPECT_FALSE(EvaluateCase(from0, trace)[0].pass);
}

TEST(LoopTestEval, APlcFaultFailsNoPlcErrorWithItsTimeAndAnOpenLoopIsNamed) {
    const Case c = OneExpectation("no PLC error");
    Trace trace = MakeTrace(Clean);
    EXPECT_TRUE(EvaluateCase(c, trace)[0].pass);
    trace.fault = Trace::Fault{12'300, "division by zero at main.orv:3"};
    const Verdict v = EvaluateCase(c, trace)[0];
    EXPECT_EQ(std::tie(v.pass, v.figure, v.brokeAt),
              std::make_tuple(false, "PLC error: division by zero at main.orv:3", 12'300));
    // A failure of a loop nothing closes says so.
    Case open = OneExpectation("L.y within 1 of 50 from 300");
    open.online[0].settings->simulation = false;
    EXPECT_EQ(EvaluateCase(open, MakeTrace(RunAway))[0].figure,
              "15 (largest deviation 50); the loop is open: L's plant is not simulated");
}

TEST(LoopTestReport, AFailureNamesItsExpectationFileLineFigureAndTime) {
    const Case c = OneExpectation("L.y within 1 of 50 from 300");
    const Trace trace = MakeTrace(RunAway);
    CaseResult failed{&c, EvaluateCase(c, trace), "", "Velmora: note\n"};
    EXPECT_EQ(CaseLines(failed),
              "FAIL t (t.vtest:1)\n"
              "  t.vtest:5: expect L.y within 1 of 50 from 300: measured 15 (largest deviation 50), broke at "
              "300 s\n");
    const CaseResult passed{&c, {{true, "", std::nullopt}}, "", ""};
    EXPECT_EQ(CaseLines(passed), "PASS t (t.vtest:1)\n");
    EXPECT_EQ(SummaryLine({failed, passed}), "1 passed, 1 failed\n");
    const std::string xml = JUnitXml({failed, passed});
    for (const char* part :
         {"<testsuites name=\"loop tests\" tests=\"2\" failures=\"1\">",
          "<testcase name=\"t\" classname=\"t\" file=\"t.vtest\" line=\"1\">",
          "<failure message=\"t.vtest:5: expect L.y within 1 of 50 from 300: measured 15",
          "<system-err>Velmora: note&#10;</system-err>", "line=\"1\"/>"})  // the last: the passed case
        EXPECT_NE(xml.find(part), std::string::npos) << part << "\n" << xml;
}

TEST(LoopTestReport, XmlTextKeepsUtf8AndDropsWhatXmlCannotHold) {
    EXPECT_EQ(XmlText("a<b & \"c\" 'd'>"), "a&lt;b &amp; &quot;c&quot; &apos;d&apos;&gt;");
    EXPECT_EQ(XmlText("\xC2\xB1"
                      "2 \xE2\x89\xA4"),
              "\xC2\xB1"
              "2 \xE2\x89\xA4");
    // Control bytes, a lone continuation byte, an overlong form, a surrogate, U+FFFF, a cut sequence.
    EXPECT_EQ(XmlText(std::string("\x01\x1B\x80\xC0\xAF\xED\xA0\x80\xEF\xBF\xBF\xE2\x89", 13)),
              "?????????????");
}

TEST(LoopTestReport, TheTraceCsvLeavesCellsWithoutValueEmpty) {
    Trace trace;
    trace.times = {0, 100, 200};
    trace.columns = {{"L.y", {0, 49.5, std::nan("")}, 1}, {"Sym", {1, 2, 3}, 0}};
    EXPECT_EQ(TraceCsv(trace), "time,L.y,Sym\n0,,1\n0.1,49.5,2\n0.2,,3\n");
}

}  // namespace
}  // namespace velmora::looptest
