// velmora-host test on copies of the demo project.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <tuple>

#include "base/IniFile.h"
#include "host/Commands.h"
#include "support/Support.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

struct Result {
    int status = 0;
    std::string out, err;
};

class LoopTestRun : public ::testing::Test {
protected:
    void SetUp() override {
        project = dir / "demo";
        fs::copy(fs::path(VELMORA_SOURCE_DIR) / "examples" / "demo", project, fs::copy_options::recursive);
    }
    Result Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"test", "--project", project.string()});
        std::ostringstream out, err;
        const int status = host::RunCommand(args, out, err);
        return {status, out.str(), err.str()};
    }
    // A file of the given cases in the project's tests folder.
    std::string Write(const std::string& name, const std::string& text) {
        WriteBytes(project / "tests" / name, text);
        return (project / "tests" / name).string();
    }
    void Edit(const char* key, const char* value) {
        IniFile(project / "Velmora" / "PLC2.rglx").writeString("Regulator Chiller", key, value);
    }
    TempDir dir;
    fs::path project;
};

TEST_F(LoopTestRun, TheDemoCasesPassTwiceAlikeAndLeaveTheProjectAsItWas) {
    const std::string controllers = ReadBytes(project / "Velmora" / "PLC2.rglx");
    const Result first = Run({"--junit", (dir / "a.xml").string(), "--keep-traces", (dir / "a").string()});
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_TRUE(std::regex_search(first.out, std::regex("\\n10 passed, 0 failed\\n$"))) << first.out;
    EXPECT_EQ(first.out.find("FAIL"), std::string::npos) << first.out;
    EXPECT_EQ(ReadBytes(project / "Velmora" / "PLC2.rglx"), controllers);
    EXPECT_FALSE(fs::exists(project / "PLC2.retained"));
    const Result second = Run({"--junit", (dir / "b.xml").string(), "--keep-traces", (dir / "b").string()});
    EXPECT_EQ(second.out, first.out);
    EXPECT_EQ(ReadBytes(dir / "b.xml"), ReadBytes(dir / "a.xml"));
    int traces = 0;
    for (const auto& entry : fs::directory_iterator(dir / "a")) {
        EXPECT_EQ(ReadBytes(dir / "b" / entry.path().filename()), ReadBytes(entry.path())) << entry.path();
        ++traces;
    }
    EXPECT_EQ(traces, 10 + 10);  // a CSV per case, a trend data file per controller online
    EXPECT_EQ(ReadBytes(dir / "a" / "chiller.setpoint-step.Chiller.txt").rfind("Regulatory\r\n", 0), 0u);
    EXPECT_NE(ReadBytes(dir / "a.xml").find("<testsuites name=\"loop tests\" tests=\"10\" failures=\"0\">"),
              std::string::npos);
}

// The Chiller of the demo broken three ways: each fails the expectation that
// shows it, and no case fails for a PLC error.
TEST_F(LoopTestRun, ABrokenChillerFailsTheExpectationsThatShowIt) {
    struct Break {
        std::vector<std::pair<const char*, const char*>> keys;
        const char* failure;  // a line the output must hold
    };
    const Break breaks[] = {
        {{{"Su", "1"}, {"Su2", "1"}},  // the plant's sign reversed
         "chiller.vtest:14: expect Chiller.y settles to \xC2\xB1"
         "1 within 5 min after 300: measured not settled: 99.97"},
        {{{"PBnd", "40"}},  // a band ten times too narrow: the loop with dead time oscillates
         "chiller.vtest:58: expect Chiller.y overshoot <= 5 % after the step at 300: measured overshoot 34."},
        {{{"MaxY", "20000"}},  // a scaling key off: the raw set point is half as many %
         "chiller.vtest:15: expect Chiller.y within 0.5 of 50 from 12 min: measured 25.1"},
    };
    const std::string chiller = (project / "tests" / "chiller.vtest").string();
    const std::string original = ReadBytes(project / "Velmora" / "PLC2.rglx");
    for (const Break& b : breaks) {
        WriteBytes(project / "Velmora" / "PLC2.rglx", original);
        for (const auto& [key, value] : b.keys) Edit(key, value);
        const Result r = Run({chiller});
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_NE(r.out.find(b.failure), std::string::npos) << b.failure << "\n" << r.out;
        EXPECT_EQ(r.out.find("no PLC error: measured"), std::string::npos) << r.out;
    }
}

TEST_F(LoopTestRun, BadFilesStopEverythingWithFileLineAndStatusTwo) {
    const std::string head = "[case bad]\nplc PLC2\nonline Chiller Boiler\nduration 60\n",
                      tail =
                          "at 10 set Chiller_Nothing=1\nexpect Chiller.y within 1 of 50 from 0\n"
                          "expect Boiler_T between 0 1 from 0 to 10\n";
    const std::string file = Write("bad.vtest", head + "at 90 set Chiller_gW=4000\n" + tail);
    const std::string controllers = ReadBytes(project / "Velmora" / "PLC2.rglx");
    const Result syntax = Run({file});
    EXPECT_EQ(std::tie(syntax.status, syntax.out, syntax.err),
              std::make_tuple(2, "", file + ":5: the time 90 s lies after the end of the case (60 s)\n"));
    Write("bad.vtest", head + tail);
    const Result names = Run({file, "--junit", (dir / "r.xml").string()});
    EXPECT_EQ(std::tie(names.status, names.out), std::make_tuple(2, ""));
    EXPECT_EQ(names.err, file + ":3: the controller file of PLC2 has no controller Boiler\n" + file +
                             ":5: the PLC PLC2 has no symbol Chiller_Nothing\n" + file +
                             ":7: the PLC PLC2 has no symbol Boiler_T\n");
    EXPECT_FALSE(fs::exists(dir / "r.xml"));
    EXPECT_EQ(ReadBytes(project / "Velmora" / "PLC2.rglx"), controllers);
    std::ostringstream out, err;
    EXPECT_EQ(host::RunCommand({"test", file, "--keep"}, out, err), 2) << "a usage error";
    const Result noPlc = Run({Write("noplc.vtest", "[case x]\nduration 1\nexpect no PLC error\n")});
    EXPECT_EQ(noPlc.status, 2);
    EXPECT_NE(noPlc.err.find("noplc.vtest:1: case x names no PLC (plc NAME), and --plc is not given"),
              std::string::npos);
}

}  // namespace
}  // namespace velmora::testing
