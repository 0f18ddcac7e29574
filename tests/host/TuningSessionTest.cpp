// A user's tuning session as velmora-host online runs it: the demo's PIDMA
// controller on the soft PLC against the view's simulated plant, tuned,
// the result accepted and saved, then a set-point step.
#include <gtest/gtest.h>

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
        write("tune.txt", "1 page graph\n200 tune\n200 answer yes\n310 save-vals\n320 setpoint 60\n");
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
    EXPECT_LE(lime, 203);
    EXPECT_LE(grey - lime, 250);
    EXPECT_NE(b[grey].find("lamp=grey"), std::string::npos) << b[grey];
    EXPECT_NE(b[grey].find("Old values\\tNew values"), std::string::npos) << b[grey];
    // Before the question: the tuner's result beside the running parameters, on a
    // model of its own experiment (the plant: gain 1, 20 s and 5 s).
    const std::size_t preview = b[grey].find("tuner preview:");
    ASSERT_LT(preview, b[grey].find("Old values")) << b[grey];
    EXPECT_NEAR(NumberAfter(b[grey], "gain "), 1.0, 0.05) << b[grey];
    EXPECT_NEAR(NumberAfter(b[grey], "T1 "), 20, 2) << b[grey];
    for (const char* row : {"\n      current ", "\n      normal ", "\n      tuner "})
        EXPECT_NE(b[grey].find(row), std::string::npos) << row << b[grey];

    // Accepted: the new values are in the edits, and "Save vals" stores them.
    const double k = NumberAfter(b[grey], "pk\\\\t");
    EXPECT_NE(k, 2.5);
    EXPECT_NEAR(NumberAfter(b[grey + 2], "EditG1="), k, 0.01);
    const IniFile file(project / "Velmora" / "PLC1.rglx");
    EXPECT_NEAR(ParseDecimal(file.readString("Regulator Dryer", "k", "")), k, 1e-3);
    for (const char* name : {"k", "Ti", "td", "b"})  // a REAL's digits, not its double's noise
        EXPECT_LE(file.readString("Regulator Dryer", name, "").size(), 9u) << name;
    EXPECT_EQ(file.readString("Regulator Dryer", "Simulation", ""), "1");

    // The step settles with the new parameters.
    for (int pass : {440, 450}) EXPECT_NEAR(NumberAfter(b[pass], "YEdit1="), 60, 0.1) << b[pass];

    // The simulated value goes into pv and, in a request of its own, into the Input variable.
    std::ifstream log(host.parent_path() / "comm.log");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\tzapis Y\t"), std::string::npos);
    EXPECT_NE(text.find("\tzapis Y do Input\t"), std::string::npos);
}

}  // namespace
}  // namespace velmora
