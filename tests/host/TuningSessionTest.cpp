// A tuning session of the demo's PIDMA controller as velmora-host online runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "HostTestSupport.h"
#include "base/IniFile.h"
#include "base/ParseDecimal.h"

namespace velmora {
namespace {

using TuningSession = testing::HostProgram;

using testing::NumberAfter;

TEST_F(TuningSession, TuneAcceptSaveAndStepTheSimulatedDryer) {
    const auto script =
        write("tune.txt", "1 page graph\n200 tune\n200 answer yes\n310 save-vals\n320 setpoint 55.5\n");
    ASSERT_EQ(run(online("PLC1", "Dryer") +
                  "--simulate --plant TypSoustavy=2 --plant Tau1=20 --plant Tau2=5 --passes 450 --script " +
                  quoted(script) + " /USECOMMLOGFILE"),
              0)
        << output;
    std::vector<std::string> b(1);  // b[pass]: that pass's block
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("pass ", 0) == 0)
            b.push_back(line + "\n");
        else if (b.size() > 1)
            b.back() += line + "\n";
    ASSERT_EQ(b.size(), 451u) << output;
    EXPECT_NEAR(NumberAfter(b[199], "YEdit1="), 45.5, 0.5) << "the loop closed before tuning";
    // Lime while the experiment runs, within ten times the plant's time constants (a pass is 1 s).
    int lime = 0, grey = 0;
    for (int pass = 200; pass <= 450 && !grey; ++pass) {
        const bool isLime = b[pass].find("lamp=lime") != std::string::npos;
        if (isLime && !lime) lime = pass;
        if (lime && !isLime) grey = pass;
    }
    ASSERT_TRUE(lime && grey) << output;
    EXPECT_TRUE(lime <= 203 && grey - lime <= 250) << lime << " " << grey;
    for (const char* part :
         {"lamp=grey", "Old values\\tNew values", "\n      current ", "\n      normal ", "\n      tuner "})
        EXPECT_NE(b[grey].find(part), std::string::npos) << part << b[grey];
    // Before the question: the tuner's result beside the running parameters, on a
    // model of its own experiment (the plant: gain 1, 20 s and 5 s).
    const std::size_t preview = b[grey].find("tuner preview:");
    ASSERT_LT(preview, b[grey].find("Old values")) << b[grey];
    EXPECT_NEAR(NumberAfter(b[grey], "gain "), 1.0, 0.05) << b[grey];
    EXPECT_NEAR(NumberAfter(b[grey], "T1 "), 20, 2) << b[grey];
    // The recording holds the view's exchange: nothing is added to it.
    EXPECT_EQ(NumberAfter(b[grey], "exchange delay "), 0) << b[grey];
    // Accepted: the new values are in the edits, and "Save vals" stores them.
    const double k = NumberAfter(b[grey], "pk\\\\t");
    EXPECT_NE(k, 2.5);
    EXPECT_NEAR(NumberAfter(b[grey + 2], "EditG1="), k, 0.01);
    const IniFile file(project / "Velmora" / "PLC1.rglx");
    EXPECT_NEAR(ParseDecimal(file.readString("Regulator Dryer", "k", "")), k, 1e-3);
    for (const char* name : {"k", "Ti", "td", "b"})  // a REAL's digits, not its double's noise
        EXPECT_LE(file.readString("Regulator Dryer", name, "").size(), 9u) << name;
    EXPECT_EQ(file.readString("Regulator Dryer", "Simulation", ""), "1");
    // The step of 10 %, as the preview's, settles with the new parameters; its overshoot on the
    // PLC is the one the preview predicted for the tuner's row.
    for (int pass : {440, 450}) EXPECT_NEAR(NumberAfter(b[pass], "YEdit1="), 55.5, 0.1) << b[pass];
    const double before = NumberAfter(b[320], "YEdit1=");
    double peak = before;
    for (int pass = 320; pass <= 450; ++pass) peak = std::max(peak, NumberAfter(b[pass], "YEdit1="));
    const double overshoot = 100 * (peak - 55.5) / (55.5 - before);
    EXPECT_NEAR(NumberAfter(b[grey], "\\n +tuner +"), overshoot, 3) << b[grey];
    // The simulated value goes into pv and, in a request of its own, into the Input variable.
    const std::string log = testing::ReadBytes(host.parent_path() / "comm.log");
    EXPECT_TRUE(log.find("\tzapis Y\t") != log.npos && log.find("\tzapis Y do Input\t") != log.npos);
}

}  // namespace
}  // namespace velmora
