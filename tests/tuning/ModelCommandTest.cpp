// velmora model, run as a user would: the model, the suggestions and the
// preview from a saved recording, as text and JSON, and the refusals (the
// window's own refusals are ModelFitTest's).
#include <gtest/gtest.h>

#include <cmath>
#include <regex>

#include "TuningFixture.h"
#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "support/Support.h"

namespace velmora::tuning::testing {
namespace {

using velmora::testing::CommandResult;

class ModelCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(VELMORA_BIN_DIR) + "/velmora"))
            GTEST_SKIP() << "the velmora command is not built";
        // The graph page's file: "Regulatory", the count, then time and w, e, u, y1, y2, y3.
        const auto samples = Record(KnownPlant{2, 8, 0, 1, 0, 3}, {});
        std::string text = "Regulatory\r\n" + std::to_string(samples.size()) + "\r\n";
        char line[160];
        for (const RecordedSample& s : samples) {
            std::snprintf(line, sizeof line, "%g\t%g\t%g\t%g\t%g\t0\t0\r\n", s.time, s.w, s.w - s.y, s.u,
                          s.y);
            text += line;
        }
        velmora::testing::WriteBytes(dir_ / "bump.txt", text);
        velmora::testing::WriteBytes(
            dir_ / "project" / "Velmora" / "PLC1.rglx",
            "[Regulator Oven]\r\nName=Oven\r\nType=PID\r\nPBnd=800\r\nTi=300\r\nOutCycle=50\r\nUMax=10000\r\n"
            "UAnalog=1\r\n[Regulator Dryer]\r\nName=Dryer\r\nType=PIDA\r\nk=0,5\r\nti=20\r\nTs=0,2\r\n"
            "Simulation=1\r\nSimT=0,25\r\n");
    }
    // `velmora model` with DIR standing for the test's folder.
    CommandResult Run(std::string arguments) {
        for (std::size_t at; (at = arguments.find("DIR")) != std::string::npos;)
            arguments.replace(at, 3, dir_.path().string());
        return velmora::testing::RunVelmora("model " + arguments);
    }
    velmora::testing::TempDir dir_;
};

// The fitted model's gain, time constant and dead time (2, 8 s and 3 s), the
// sampling from the controller's OutCycle, every row, and typed parameters.
TEST_F(ModelCommand, PrintsTheModelTheSuggestionsAndThePreviewAsTextOrJson) {
    const std::string window = "--recording DIR/bump.txt --from 0 --to 100 --project DIR/project --plc PLC1 ";
    const struct {
        std::string arguments;
        bool json;
        std::vector<const char*> has;
    } runs[] = {
        {"--controller Oven",
         false,
         {"Model: first order with dead time", "sampling 0.500 s", "exchange delay 0.00", "  current ",
          "  slow ", "  normal  PBnd ", "  fast "}},
        {"--controller Oven --json --try PBnd=60,Ti=9",
         true,
         {"\"kind\":\"PID\"", "\"suggestions\":[", "\"speed\":\"normal\"", "\"label\":\"typed 1\"",
          "\"parameters\":{\"PBnd\":60,\"Ti\":9,\"Td\":0,\"TiW\":0,\"ramp\":false}",
          "\"gainMargin\":", "\"samplePeriod\":0.5", "\"plausible\":{\"overshoot\":["}},
        // The view simulates the Dryer: its exchange comes out of the model, as a note says.
        {"--controller Dryer --json",
         true,
         {"\"kind\":\"PIDMA\"", "\"parameters\":{\"k\":0.5,\"ti\":20,", "\"exchangeDelay\":0,",
          "\"viewExchange\":0.25,", "exchanges with the PLC every 0.25 s"}},
        {"--controller Oven --view-exchange 1", false, {"every 1.00 s", "dead time 2.0"}},
        {"--controller Dryer --json --exchange-delay 0.1", true, {"\"exchangeDelay\":0.1,"}},
    };
    const std::regex text("gain ([0-9.]+) %/%, T ([0-9.]+) s, dead time ([0-9.]+)"),
        json("\"model\":\\{[^}]*\"gain\":([-0-9.e]+)");
    for (const auto& run : runs) {
        const CommandResult r = Run(window + run.arguments);
        ASSERT_EQ(r.status, 0) << run.arguments << r.err;
        EXPECT_EQ(r.out.starts_with('{'), run.json) << r.out;
        for (const char* part : run.has)
            EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
        std::smatch m;
        ASSERT_TRUE(std::regex_search(r.out, m, run.json ? json : text)) << r.out;
        EXPECT_NEAR(std::stod(m[1]), 2, 0.02);
        if (m.size() == 4) {
            EXPECT_NEAR(std::stod(m[2]), 8, 0.3);
            EXPECT_NEAR(std::stod(m[3]), run.arguments.ends_with("exchange 1") ? 2 : 3, 0.2);
        }
    }
}

// --write stores the chosen speed's row in the section as "Save vals" does, and nothing else;
// with --json the confirmation goes to standard error, so that the output stays JSON.
TEST_F(ModelCommand, WriteStoresTheChosenSuggestionInTheSection) {
    const std::string window = "--recording DIR/bump.txt --from 0 --to 100 --project DIR/project --plc PLC1 ";
    const std::filesystem::path file = dir_ / "project" / "Velmora" / "PLC1.rglx";
    CommandResult r = Run(window + "--controller Oven --write normal");
    ASSERT_EQ(r.status, 0) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m,
                                  std::regex("  normal  PBnd ([0-9.]+) %, Ti ([0-9.]+) s, Td ([0-9.]+) s")));
    EXPECT_NE(r.out.find("Written to "), std::string::npos) << r.out;
    IniFile oven(file);
    EXPECT_EQ(oven.readInteger("Regulator Oven", "PBnd", 0), std::lround(10 * std::stod(m[1])));
    EXPECT_EQ(oven.readInteger("Regulator Oven", "Ti", 0), std::lround(10 * std::stod(m[2])));
    EXPECT_EQ(oven.readInteger("Regulator Oven", "Td", -1), std::lround(10 * std::stod(m[3])));
    EXPECT_EQ(oven.readInteger("Regulator Oven", "OutCycle", 0), 50) << "the rest of the section stays";
    r = Run(window + "--controller Dryer --json --write fast");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(r.out.starts_with('{') && r.out.find("Written") == std::string::npos) << r.out;
    EXPECT_NE(r.err.find("Written to "), std::string::npos) << r.err;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex("\"speed\":\"fast\"[^}]*\"k\":([-0-9.e]+)"))) << r.out;
    EXPECT_NEAR(ParseDecimal(IniFile(file).readString("Regulator Dryer", "k", "")), std::stod(m[1]), 1e-4);
    // A controller file that is a link out of its folder is not written through.
    std::filesystem::create_directories(dir_ / "linked" / "Velmora");
    const std::string decoy = velmora::testing::ReadBytes(file);
    std::filesystem::rename(file, dir_ / "decoy.rglx");
    std::filesystem::create_symlink(dir_ / "decoy.rglx", dir_ / "linked" / "Velmora" / "PLC1.rglx");
    r =
        Run("--recording DIR/bump.txt --from 0 --to 100 --project DIR/linked --plc PLC1 --controller Oven "
            "--write fast");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("outside the folder"), std::string::npos) << r.err;
    EXPECT_EQ(velmora::testing::ReadBytes(dir_ / "decoy.rglx"), decoy);
}

TEST_F(ModelCommand, RefusesWithAMessageAndStatusOne) {
    const std::string window = "--recording DIR/bump.txt --from 0 --to 100 ";
    const std::pair<std::string, const char*> refusals[] = {
        {"--recording DIR/none.txt --from 0 --to 10", "cannot be opened"},
        {"--recording DIR/project/Velmora/PLC1.rglx --from 0 --to 10", "not a recording"},
        {window + "--try Ti=abc", "--try:"},
        {window + "--kind PIDMA --project DIR/project --plc PLC1 --controller Oven", "does not match"},
        {window + "--project DIR/project --plc PLC1 --controller Kiln", "no controller \"Kiln\""},
        {window + "--controller-file DIR/none.rglx --controller Oven", "controller file not found"},
        {window + "--exchange-delay -1", "--exchange-delay"},
        {window + "--view-exchange 4000", "--view-exchange"},
        {window + "--view-exchange nan", "--view-exchange"},
        {window + "--write normal", "--write needs the controller's file"},
    };
    for (const auto& [arguments, message] : refusals) {
        const CommandResult r = Run(arguments);
        EXPECT_EQ(r.status, 1) << arguments;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

}  // namespace
}  // namespace velmora::tuning::testing
