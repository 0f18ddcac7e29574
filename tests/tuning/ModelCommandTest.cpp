// velmora model, run as a user would: the model, the suggestions and the
// preview from a saved recording, as text and JSON, and the refusals.
#include <gtest/gtest.h>

#include <regex>

#include "TuningFixture.h"
#include "support/Support.h"

namespace velmora::tuning::testing {
namespace {

using velmora::testing::CommandResult;

// The graph page's file: "Regulatory", the count, then time and w, e, u, y1, y2, y3.
std::string RecordingText(const std::vector<RecordedSample>& samples) {
    std::string text = "Regulatory\r\n" + std::to_string(samples.size()) + "\r\n";
    char line[160];
    for (const RecordedSample& s : samples) {
        std::snprintf(line, sizeof line, "%g\t%g\t%g\t%g\t%g\t0\t0\r\n", s.time, s.w, s.w - s.y, s.u, s.y);
        text += line;
    }
    return text;
}

class ModelCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(VELMORA_BIN_DIR) + "/velmora"))
            GTEST_SKIP() << "the velmora command is not built";
        velmora::testing::WriteBytes(dir_ / "bump.txt",
                                     RecordingText(Record(KnownPlant{2, 8, 0, 1, 0, 3}, {})));
        Bump big;
        big.du = 50;
        auto saturated = Record(KnownPlant{2, 8, 0, 1, 0, 3}, big);
        for (auto& sample : saturated) sample.y = std::min(sample.y, 100.0);  // the measurement's end
        velmora::testing::WriteBytes(dir_ / "saturated.txt", RecordingText(saturated));
        velmora::testing::WriteBytes(
            dir_ / "project" / "Velmora" / "PLC1.rglx",
            "[Regulator Oven]\r\nName=Oven\r\nType=PID\r\nPBnd=800\r\nTi=300\r\nOutCycle=50\r\nUMax=10000\r\n"
            "UAnalog=1\r\n[Regulator Dryer]\r\nName=Dryer\r\nType=PIDA\r\nk=0,5\r\nti=20\r\nTs=0,2\r\n");
    }
    CommandResult Run(const std::string& arguments) {
        return velmora::testing::RunVelmora("model --recording " + (dir_ / "bump.txt").string() + " " +
                                            arguments);
    }
    std::string Controller(const std::string& name) {
        return "--project " + (dir_ / "project").string() + " --plc PLC1 --controller " + name + " ";
    }
    velmora::testing::TempDir dir_;
};

TEST_F(ModelCommand, PrintsTheModelTheSuggestionsAndThePreview) {
    const CommandResult r = Run("--from 0 --to 100 " + Controller("Oven"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Model: first order with dead time"), std::string::npos) << r.out;
    std::smatch gain;
    ASSERT_TRUE(
        std::regex_search(r.out, gain, std::regex("gain ([0-9.]+) %/%, T ([0-9.]+) s, dead time ([0-9.]+)")));
    EXPECT_NEAR(std::stod(gain[1]), 2, 0.02);
    EXPECT_NEAR(std::stod(gain[2]), 8, 0.3);
    EXPECT_NEAR(std::stod(gain[3]), 3, 0.2);
    EXPECT_NE(r.out.find("sampling 0.500 s"), std::string::npos) << "OutCycle 0.5 s from the controller";
    for (const char* row : {"  current ", "  slow ", "  normal ", "  fast "})
        EXPECT_NE(r.out.find(row), std::string::npos) << row;
    EXPECT_NE(r.out.find("  normal  PBnd "), std::string::npos);
}

TEST_F(ModelCommand, JsonCarriesTheSameFiguresAndTypedParameters) {
    const CommandResult r = Run("--from 0 --to 100 --json --try PBnd=60,Ti=9 " + Controller("Oven"));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.front(), '{');
    for (const char* key :
         {"\"kind\":\"PID\"", "\"suggestions\":[", "\"speed\":\"normal\"", "\"label\":\"typed 1\"",
          "\"parameters\":{\"PBnd\":60,\"Ti\":9,\"Td\":0,\"TiW\":0}",
          "\"gainMargin\":", "\"samplePeriod\":0.5"})
        EXPECT_NE(r.out.find(key), std::string::npos) << key << "\n" << r.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex("\"model\":\\{[^}]*\"gain\":([-0-9.e]+)")));
    EXPECT_NEAR(std::stod(m[1]), 2, 0.02);
}

TEST_F(ModelCommand, ThePidmaKindFromTheControllerFile) {
    const CommandResult r = Run("--from 0 --to 100 --json " + Controller("Dryer"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"kind\":\"PIDMA\""), std::string::npos);
    EXPECT_NE(r.out.find("\"parameters\":{\"k\":0.5,\"ti\":20,"), std::string::npos) << "the current row";
}

struct Refusal {
    const char* name;
    const char* arguments;
    const char* message;
};

class ModelCommandRefuses : public ModelCommand, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ModelCommandRefuses, WithAMessageAndStatusOne) {
    const Refusal& c = GetParam();
    std::string arguments = c.arguments;
    for (std::size_t at; (at = arguments.find("DIR")) != std::string::npos;)
        arguments.replace(at, 3, dir_.path().string());
    const CommandResult r = velmora::testing::RunVelmora("model " + arguments);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ModelCommandRefuses,
    ::testing::Values(
        Refusal{"missing_file", "--recording DIR/none.txt --from 0 --to 10", "cannot be opened"},
        Refusal{"not_a_recording", "--recording DIR/project/Velmora/PLC1.rglx --from 0 --to 10",
                "not a recording"},
        Refusal{"start_after_end", "--recording DIR/bump.txt --from 60 --to 20", "is not before its end"},
        Refusal{"outside", "--recording DIR/bump.txt --from 0 --to 500", "outside the recording"},
        Refusal{"no_excitation", "--recording DIR/bump.txt --from 0 --to 9", "u changes by 0.00 %"},
        Refusal{"saturated", "--recording DIR/saturated.txt --from 0 --to 100", "y is saturated"},
        Refusal{"bad_typed", "--recording DIR/bump.txt --from 0 --to 100 --try Ti=abc", "--try:"},
        Refusal{"kind_mismatch",
                "--recording DIR/bump.txt --from 0 --to 100 --kind PIDMA --project DIR/project --plc PLC1 "
                "--controller Oven",
                "does not match"},
        Refusal{
            "no_controller",
            "--recording DIR/bump.txt --from 0 --to 100 --project DIR/project --plc PLC1 --controller Kiln",
            "no controller \"Kiln\""},
        Refusal{
            "missing_controller_file",
            "--recording DIR/bump.txt --from 0 --to 100 --controller-file DIR/none.rglx --controller Oven",
            "controller file not found"},
        Refusal{"bad_exchange_delay", "--recording DIR/bump.txt --from 0 --to 100 --exchange-delay -1",
                "--exchange-delay"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::tuning::testing
