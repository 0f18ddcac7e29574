// A user's tuning session as velmora-host online runs it: the demo's PIDMA
// controller on the soft PLC against the view's simulated plant, tuned,
// the result accepted and saved, then a set-point step.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>
#include <fstream>
#include <map>
#include <regex>

#include "HostTestSupport.h"
#include "base/IniFile.h"
#include "base/ParseDecimal.h"

namespace velmora {
namespace {

class TuningSession : public testing::ScratchProject {
protected:
    void SetUp() override {
        ScratchProject::SetUp();
        host = dir / "bin" / "velmora-host";
        std::filesystem::create_directories(host.parent_path());
        std::filesystem::copy_file(VELMORA_HOST_PROGRAM, host);
        file = project / "Velmora" / "PLC1.rglx";
    }
    int run(const std::string& args) {
        const std::string command = "'" + host.string() + "' online --project '" + project.string() +
                                    "' --plc PLC1 --controller Dryer " + args + " >'" +
                                    (dir / "out.txt").string() + "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream in(dir / "out.txt");
        output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string key(const char* name) { return IniFile(file).readString("Regulator Dryer", name, ""); }
    // Each pass's block by its number.
    std::map<int, std::string> blocks() const {
        std::map<int, std::string> out;
        const std::regex head("^pass ([0-9]+):");
        int pass = 0;
        std::istringstream lines(output);
        for (std::string line; std::getline(lines, line);) {
            std::smatch m;
            if (std::regex_search(line, m, head)) pass = std::stoi(m[1]);
            if (pass) out[pass] += line + "\n";
        }
        return out;
    }
    static double number(const std::string& block, const std::string& name) {
        const std::regex value(name + "=(-?[0-9.]+)");
        std::smatch m;
        return std::regex_search(block, m, value) ? std::stod(m[1]) : -1e9;
    }

    std::filesystem::path host, file;
    std::string output;
};

TEST_F(TuningSession, TuneAcceptSaveAndStepTheSimulatedDryer) {
    const std::string script = (dir / "tune.txt").string();
    std::ofstream(script) << "1 page graph\n200 tune\n200 answer yes\n310 save-vals\n320 setpoint 60\n";
    ASSERT_EQ(run("--simulate --plant TypSoustavy=2 --plant Tau1=20 --plant Tau2=5 --script '" + script +
                  "' --passes 450 /USECOMMLOGFILE"),
              0)
        << output;
    const auto b = blocks();
    ASSERT_EQ(b.size(), 450u) << output;
    EXPECT_NEAR(number(b.at(199), "YEdit1"), 45.5, 0.5) << "the loop closed before tuning";

    // Lime while the experiment runs, within ten times the plant's time constants (one pass is 1 s).
    int lime = 0, grey = 0;
    for (int pass = 200; pass <= 450 && !grey; ++pass) {
        if (b.at(pass).find("lamp=lime") != std::string::npos && !lime) lime = pass;
        if (lime && b.at(pass).find("lamp=grey") != std::string::npos) grey = pass;
    }
    ASSERT_TRUE(lime && grey) << output;
    EXPECT_LE(lime, 203);
    EXPECT_LE(grey - lime, 250);
    const std::string& done = b.at(grey);
    ASSERT_NE(done.find("Old values\\tNew values"), std::string::npos) << done;
    EXPECT_EQ(output.find("lamp=red"), std::string::npos);

    // Accepted: the new values are in the edits, and "Save vals" stores them.
    const std::regex suggested("pk\\\\t([0-9.]+)");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(done, m, suggested)) << done;
    const double newK = std::stod(m[1]);
    EXPECT_NE(newK, 2.5);
    EXPECT_NEAR(number(b.at(grey + 2), "EditG1"), newK, 0.01);
    EXPECT_NEAR(ParseDecimal(key("k")), newK, 1e-3);
    EXPECT_NE(key("ti"), "30");
    EXPECT_EQ(key("Simulation"), "1");
    EXPECT_EQ(key("Tau2"), "5");

    // The step settles with the new parameters.
    for (int pass : {440, 450}) EXPECT_NEAR(number(b.at(pass), "YEdit1"), 60, 0.1) << b.at(pass);
    EXPECT_LT(number(b.at(330), "YEdit1"), 60 + 0.25 * 14.5);

    // The simulated value reaches the controller's Input variable in a request of its own.
    std::ifstream log(host.parent_path() / "comm.log");
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("\tzapis Y\t"), std::string::npos);
    EXPECT_NE(text.find("\tzapis Y do Input\t"), std::string::npos);
}

TEST_F(TuningSession, APlantTheDialogWouldRefuseWritesNothing) {
    const std::string before = key("k") + key("Simulation");
    for (const char* bad : {"--plant Tau1=0", "--plant Tau1=abc", "--plant TypSoustavy=7", "--plant Gain=2",
                            "--plant Delay=yes"}) {
        EXPECT_EQ(run(bad), 1) << bad;
        EXPECT_NE(output.find("velmora-host: --plant "), std::string::npos) << output;
        EXPECT_EQ(output.find("Compiled"), std::string::npos) << bad;
    }
    EXPECT_EQ(key("Simulation"), "");
    EXPECT_EQ(key("k") + key("Simulation"), before);
}

}  // namespace
}  // namespace velmora
