// The script's "model" action on a manual bump of the simulated Dryer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "HostTestSupport.h"

namespace velmora {
namespace {

using TuningScript = testing::HostProgram;

using testing::NumberAfter;

TEST_F(TuningScript, ModelsAManualBumpOfTheSimulatedPlant) {
    const auto script =
        write("bump.txt",
              "1 page graph\n1 mode man\n2 manual 30\n100 manual 40\n"
              "200 model 80 195\n201 model 80 195 json try=k=1,ti=10 setpoint-step=5 exchange-delay=0.3\n");
    ASSERT_EQ(run(online("PLC1", "Dryer") +
                  "--simulate --plant TypSoustavy=1 --plant Su=2 --plant Tau1=10 --passes 201 --script " +
                  quoted(script)),
              0)
        << output;
    const std::size_t text = output.find("Recording: live, window 80.00 .. 195.00 s");
    ASSERT_NE(text, std::string::npos) << output;
    const std::string model = output.substr(text, output.find("pass 200:", text) - text);
    EXPECT_NE(model.find("Model: first order"), std::string::npos) << model;
    EXPECT_NEAR(NumberAfter(model, "gain "), 2, 0.1) << model;
    EXPECT_NEAR(NumberAfter(model, ", T "), 10, 1.5) << model;
    // The view simulates the plant: its exchange comes out of the model (the plant has no dead
    // time) and goes back into the preview, as the note says.
    EXPECT_NEAR(NumberAfter(model, "dead time "), 0, 0.2) << model;
    EXPECT_EQ(NumberAfter(model, "exchange delay "), 0) << model;
    EXPECT_NE(model.find("exchanges with the PLC every 1.00 s"), std::string::npos) << model;
    EXPECT_NE(model.find("the view's exchange every 1.00 s"), std::string::npos) << model;
    EXPECT_NE(model.find("Suggestions (PIDMA"), std::string::npos) << model;
    EXPECT_NE(model.find("  current "), std::string::npos) << model;
    EXPECT_NE(model.find("  normal  k "), std::string::npos) << model;
    const std::size_t json = output.find("{\"recording\":\"live\"");
    ASSERT_NE(json, std::string::npos) << output;
    const std::string j = output.substr(json, output.find('\n', json) - json);
    EXPECT_NE(j.find("\"kind\":\"PIDMA\""), std::string::npos);
    EXPECT_NEAR(NumberAfter(j, "\"setpointStep\":"), 5, 1e-9);
    EXPECT_NEAR(NumberAfter(j, "\"exchangeDelay\":"), 0.3, 1e-9);
    EXPECT_NEAR(NumberAfter(j, "\"viewExchange\":"), 1, 1e-9);
    EXPECT_NE(j.find("\"label\":\"current\",\"parameters\":{\"k\":2.5"), std::string::npos)
        << "the running k of the demo's Dryer: " << j.substr(0, 400);
    EXPECT_NE(j.find("\"label\":\"typed 1\",\"parameters\":{\"k\":1,\"ti\":10"), std::string::npos);
}

// Chiller_input1 (0.01 %) from velmora-host run's trace, once a second.
std::vector<double> Trace(const std::string& trace) {
    std::istringstream lines(trace);
    std::vector<double> y;
    for (std::string line; std::getline(lines, line);) {
        double time = 0, raw = 0;
        if (std::sscanf(line.c_str(), "%lf,%lf", &time, &raw) == 2) y.push_back(raw / 100);
    }
    return y;
}

// IAE against 50 % from 300 s on.
double StepIae(const std::vector<double>& y) {
    double iae = 0;
    for (std::size_t t = 300; t < y.size(); ++t) iae += std::abs(50 - y[t]);
    return iae;
}

// Overshoot beyond 50 % in % of the step from where y stood at 300 s.
double StepOvershoot(const std::vector<double>& y) {
    double peak = -INFINITY;
    for (std::size_t t = 300; t < y.size(); ++t) peak = std::max(peak, y[t] - 50);
    return y.size() > 300 ? 100 * peak / std::abs(50 - y[300]) : NAN;
}

// The whole way without a window: the view records a set-point step of the demo's Chiller and
// saves it, velmora model fits it and writes the normal suggestion, and the PLC runs it.
TEST_F(TuningScript, ABumpRecordedFittedAndWrittenMakesTheLoopFaster) {
    const auto script = write("step.txt", "1 page graph\n400 setpoint 50\n");
    const auto recording = dir / "chiller.txt";
    ASSERT_EQ(run(online("PLC2", "Chiller") + "--passes 900 --script " + quoted(script) + " --record " +
                  quoted(recording)),
              0)
        << output;
    const std::string step = runPlc("PLC2") +
                             "--seconds 900 --sample-ms 1000 --online Chiller --trace Chiller_input1 "
                             "--at 300 set Chiller_gW=5000";
    ASSERT_EQ(run(step), 0) << output;
    const double before = StepIae(Trace(output));
    const testing::CommandResult fit = testing::RunVelmora(
        "model --recording " + quoted(recording) + " --from 380 --to 890 --project " + quoted(project) +
        " --plc PLC2 --controller Chiller --setpoint-step 15 --write normal");
    ASSERT_EQ(fit.status, 0) << fit.err;
    EXPECT_NEAR(NumberAfter(fit.out, "gain "), -1, 0.05) << fit.out;  // the plant: -1, 30 s
    EXPECT_NEAR(NumberAfter(fit.out, ", T "), 30, 1.5) << fit.out;
    // The view's exchange of 1 s is the recording's, not the plant's.
    EXPECT_NEAR(NumberAfter(fit.out, "dead time "), 0, 0.2) << fit.out;
    ASSERT_EQ(run(step), 0) << output;
    const std::vector<double> y = Trace(output);
    EXPECT_LT(StepIae(y), 0.3 * before) << before << "\n" << output;
    // What the preview promised for the suggestion, the PLC does.
    const std::string preview = fit.out.substr(fit.out.find("Preview on the model"));
    EXPECT_NEAR(NumberAfter(preview, "\n  normal +"), StepOvershoot(y), 3) << fit.out << output;
}

}  // namespace
}  // namespace velmora
