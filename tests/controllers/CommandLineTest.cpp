// The velmora subcommands of this folder, run as the user runs them.
#include <gtest/gtest.h>

#include "support/Support.h"

namespace velmora {
namespace {

testing::CommandResult Velmora(const std::string& args) {
    return testing::RunVelmora(args, true);
}

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(VELMORA_BIN_DIR) + "/velmora"))
            GTEST_SKIP() << "velmora not built";
    }
    testing::TempDir project;
};

TEST_F(CommandLineTest, ControllerShowPrintsEveryGeneratorKeyWithDefaults) {
    std::filesystem::create_directory(project / "Velmora");
    testing::WriteBytes(project / "Velmora" / "PLC1.rglx",
                        "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n");
    const auto run =
        Velmora("controller show --project '" + project.path().string() + "' --plc PLC1 --name Boiler");
    EXPECT_EQ(run.status, 0) << run.out;
    // The defaults themselves are the key table's (ControllerKeysTest); here they reach the output.
    for (const char* line : {"PBnd=1000\n", "Remanent=1\n", "OffReg=-1\n", "HeaderInST=1\n"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
    EXPECT_TRUE(run.out.starts_with("Name=Boiler\nType=PID\n")) << run.out;
    EXPECT_EQ(run.out.find("irtype"), std::string::npos);
}

TEST_F(CommandLineTest, ControllerShowReportsAMissingFileOrSection) {
    auto run = Velmora("controller show --project '" + project.path().string() + "' --plc PLC9 --name A");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.out.find("PLC9.rglx"), std::string::npos) << run.out;
    std::filesystem::create_directory(project / "Velmora");
    testing::WriteBytes(project / "Velmora" / "PLC9.rglx", "[Regulator B]\r\nName=B\r\n");
    run = Velmora("controller show --project '" + project.path().string() + "' --plc PLC9 --name A");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.out.find("Regulator A"), std::string::npos) << run.out;
}

TEST_F(CommandLineTest, TextPrintsOneTextAndANewline) {
    EXPECT_EQ(Velmora("text 3019").out, "Error\n");
    EXPECT_EQ(Velmora("text 2038 --lang enu").out, "Warning\n");
    EXPECT_EQ(Velmora("text 3019 --lang RUS").status, 0);
    EXPECT_NE(Velmora("text 3019 --lang deu").status, 0);
    EXPECT_EQ(Velmora("text 3019 >/dev/full").status, 1) << "a full standard output";
}

}  // namespace
}  // namespace velmora
