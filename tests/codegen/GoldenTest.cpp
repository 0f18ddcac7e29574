// Whole generated files for the controllers of tests/codegen/data, compared
// byte for byte with reviewed copies in data/golden:
//   PLC1 (type 14, series 6): Boiler  PID, IEC, OffReg placed, two inputs and cascade,
//                                     Y1 filtered, scaled and limited, filtered word output
//                             Mixer   PID, mnemonic with the _TPID_ overlay, pseudo mode -751,
//                                     10 ms grid, three-stage output
//                             Dryer   PIDMA, IEC, OffRem placed, retained parameters
//                             Kiln    PIDMA, mnemonic with the _TPIDA_ overlay, not retained
//   PLC2 (type 2, series 4):  Chiller PID, mnemonic registers, CRC macro, normalization with
//                                     copy, user-scaled positional output
//   PLC3 (type 0, series 5):  Pb      PIDMA, mnemonic overlay without aliases, retained, CRC macro
//                             Delta   PID, mnemonic registers, retained, cascade with scaled Y3,
//                                     pseudo mode -700, word output as a real
//   PLC4 (type 0, series 7):  Alpha   PID, IEC without aliases, OffReg and OffRem placed, ratio
//                                     control with cascade, filtered and user-scaled output,
//                                     a conversion mode the PLC type resets, most control bits set
//                             Pa      PIDMA, IEC without aliases, OffRem placed, odd real texts
#include "support/GeneratorFixture.h"

namespace velmora {
namespace {

class Golden : public testing::GeneratorTest {
protected:
    void generatePlc(const std::string& plc, int type, int series) {
        std::filesystem::copy_file(std::filesystem::path(VELMORA_TEST_DATA) / (plc + ".rglx"),
                                   dir_ / "Velmora" / (plc + ".rglx"),
                                   std::filesystem::copy_options::overwrite_existing);
        ctx.plcName = plc;
        ctx.plcType = type;
        ctx.series = series;
        IniFile file(dir_ / "Velmora" / (plc + ".rglx"));
        PassResult pass = GenerateAllControllers(file, ctx);
        EXPECT_TRUE(pass.warnings.empty());
        for (const auto& f : pass.files) written.push_back(f.substr(f.find('\\') + 1));
    }

    std::vector<std::string> written;
};

TEST_F(Golden, DemoControllersMatchTheReviewedFiles) {
    generatePlc("PLC1", 14, 6);
    generatePlc("PLC2", 2, 4);
    generatePlc("PLC3", 0, 5);
    generatePlc("PLC4", 0, 7);
    ASSERT_EQ(written.size(), 18u);
    const auto golden = std::filesystem::path(VELMORA_TEST_DATA) / "golden";
    for (const auto& name : written) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(std::filesystem::exists(golden / name));
        const auto expected = testing::SplitLines(testing::ReadBytes(golden / name));
        const auto actual = testing::SplitLines(testing::ReadBytes(dir_ / "Velmora" / name));
        // Line by line first, so a difference names its line.
        for (std::size_t i = 0; i < std::min(expected.size(), actual.size()); ++i)
            ASSERT_EQ(actual[i], expected[i]) << "line " << i + 1;
        EXPECT_EQ(actual.size(), expected.size());
        EXPECT_EQ(testing::ReadBytes(dir_ / "Velmora" / name), testing::ReadBytes(golden / name));
    }
}

}  // namespace
}  // namespace velmora
