// The report command, run as a user would run it.
#include "controllers/ProjectDescription.h"
#include "report/ControllerReport.h"

#include <gtest/gtest.h>

#include "support/Support.h"

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace velmora {
namespace {

using Result = velmora::testing::CommandResult;

Result Velmora(const std::string& arguments) {
    return velmora::testing::RunVelmora(arguments);
}

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ReportCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(VELMORA_BIN_DIR) + "/velmora"))
            GTEST_SKIP() << "the velmora command is not built";
        project_ = std::filesystem::temp_directory_path() / ("velmora-reportcmd-" + std::to_string(getpid()));
        std::filesystem::create_directories(project_ / "Velmora");
        std::ofstream(project_ / "demo.oprj") << "[Project]\nGroup=Plant.opgr\nName=Demo\nAction=Heating\n"
                                                 "Programmer=J. Novak\nCompany=Works\nCopyright=(c) 2026\n"
                                                 "[PLC PLC1]\nType=3\n";
        std::ofstream(project_ / "Velmora" / "PLC1.rglx", std::ios::binary)
            << "[Regulator Boiler]\r\nName=Boiler\r\nPBnd=250\r\n[Regulator "
               "Tank]\r\nName=Tank\r\nType=PIDA\r\n";
    }
    void TearDown() override {
        if (!project_.empty()) std::filesystem::remove_all(project_);
    }

    std::filesystem::path project_;
};

TEST_F(ReportCommand, StdoutAndFileHoldTheReport) {
    ReportInput input;
    input.controllerFile = project_ / "Velmora" / "PLC1.rglx";
    input.project = ReportProjectFrom(*LoadProjectDescription(project_), "PLC1");
    const std::string expected = JoinReport(BuildReport(input));
    ASSERT_NE(
        expected.find("Project group    : Plant\nProject          : PLC1\nName of action   : Heating\n"),
        std::string::npos);

    const Result toStdout = Velmora("report --project " + project_.string() + " --plc PLC1");
    EXPECT_EQ(toStdout.status, 0);
    EXPECT_EQ(toStdout.out, expected);

    const auto file = project_ / "report.txt";
    std::ofstream(file) << "old";
    const Result toFile =
        Velmora("report --project " + project_.string() + " --plc PLC1 --output " + file.string());
    EXPECT_EQ(toFile.status, 0);
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(Read(file), expected);
    // Nothing left beside it.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(project_)) ++entries;
    EXPECT_EQ(entries, 3);
}

TEST_F(ReportCommand, PlcNameFindsTheFileWithoutRegardToCase) {
    const Result r = Velmora("report --project " + project_.string() + " --plc plc1");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Controller       : Boiler\n"), std::string::npos);
}

TEST_F(ReportCommand, MissingControllerFileIsAnError) {
    const auto file = project_ / "report.txt";
    const Result r =
        Velmora("report --project " + project_.string() + " --plc PLC7 --output " + file.string());
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ReportCommand, UnwritableOutputIsAnError) {
    const Result r = Velmora("report --project " + project_.string() + " --plc PLC1 --output " +
                             (project_ / "no" / "r.txt").string());
    EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace velmora
