// The report command, run as a user would run it.
#include "controllers/ProjectDescription.h"
#include "report/ControllerReport.h"

#include <gtest/gtest.h>

#include "PdfPages.h"
#include "report/ReportLines.h"
#include "support/Support.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace velmora {
namespace {

class ReportCommand : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(VELMORA_BIN_DIR) + "/velmora"))
            GTEST_SKIP() << "the velmora command is not built";
        std::filesystem::create_directories(project_ / "Velmora");
        std::ofstream(project_ / "demo.oprj") << "[Project]\nGroup=Plant.opgr\nName=Demo\nAction=Heating\n"
                                                 "Programmer=J. Novak\nCompany=Works\nCopyright=(c) 2026\n"
                                                 "[PLC PLC1]\nType=3\n";
        std::ofstream(project_ / "Velmora" / "PLC1.rglx", std::ios::binary)
            << "[Regulator Boiler]\r\nName=Boiler\r\nPBnd=250\r\n[Regulator "
               "Tank]\r\nName=Tank\r\nType=PIDA\r\n";
    }

    velmora::testing::TempDir dir_;
    const std::filesystem::path project_ = dir_.path();
};

TEST_F(ReportCommand, StdoutAndFileHoldTheReport) {
    ReportInput input;
    input.controllerFile = project_ / "Velmora" / "PLC1.rglx";
    input.project = ReportProjectFrom(*LoadProjectDescription(project_), "PLC1");
    const std::string expected = JoinReport(BuildReport(input));
    ASSERT_NE(
        expected.find("Project group    : Plant\nProject          : PLC1\nName of action   : Heating\n"),
        std::string::npos);

    const auto toStdout = testing::RunVelmora("report --project " + project_.string() + " --plc PLC1");
    EXPECT_EQ(toStdout.status, 0);
    EXPECT_EQ(toStdout.out, expected);

    const auto file = project_ / "report.txt";
    std::ofstream(file) << "old";
    const auto toFile = testing::RunVelmora("report --project " + project_.string() +
                                            " --plc PLC1 --output " + file.string());
    EXPECT_EQ(toFile.status, 0);
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(testing::ReadBytes(file), expected);
    // Nothing left beside it.
    EXPECT_EQ(testing::EntriesIn(project_), 3);
}

// The PLC is found without regard to case; one without controller file gets
// header and footer only; an illegal PLC name or an unwritable output fails.
TEST_F(ReportCommand, ExitCodesAndWhatTheReportHolds) {
    const struct {
        std::string args;
        int status;
        const char* has;      // in the output, when not null
        const char* hasNot;   // not in the output, when not null
    } cases[] = {
        {"--plc plc1", 0, "Controller       : Boiler\n", nullptr},
        {"--plc PLC7", 0, "Project          : PLC7\n", "Controller       :"},
        {"--plc '../x'", 1, nullptr, nullptr},
        {"--plc PLC1 --output " + (project_ / "no" / "r.txt").string(), 1, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const auto r = testing::RunVelmora("report --project " + project_.string() + " " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        if (c.has) EXPECT_NE(r.out.find(c.has), std::string::npos) << c.args;
        if (c.hasNot) EXPECT_EQ(r.out.find(c.hasNot), std::string::npos) << c.args;
        if (c.status) EXPECT_EQ(r.out, "") << c.args;
    }
}

// Runs of blanks as one: pdftotext places words by their position, not by our blanks.
std::string Words(const std::string& line) {
    std::istringstream in(line);
    std::string word, words;
    while (in >> word) words += (words.empty() ? "" : " ") + word;
    return words;
}

TEST_F(ReportCommand, PdfPagesCarryEveryLineUnderHeaderAndPageLabel) {
    std::ofstream rglx(project_ / "Velmora" / "PLC1.rglx", std::ios::binary);
    for (int i = 1; i <= 6; ++i) rglx << "[Regulator R" << i << "]\r\nName=R" << i << "\r\nPBnd=250\r\n";
    rglx.close();
    const struct {
        const char* plc;
        bool severalPages;
    } cases[] = {{"PLC1", true}, {"PLC9", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plc);
        const auto pdf = project_ / (std::string(c.plc) + ".pdf");
        const std::string args = " --project " + project_.string() + " --plc " + c.plc;
        const auto r = testing::RunVelmora("report" + args + " --pdf " + pdf.string(), true);
        if (r.out.find("needs a build with the GUI") != std::string::npos) GTEST_SKIP() << r.out;
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out, "") << "the pages replace the text on stdout";
        const int count = testing::PdfPageCount(testing::ReadBytes(pdf));
        EXPECT_EQ(count > 1, c.severalPages) << count;

        const auto pages = testing::PdfPageLines(pdf);
        if (!pages) continue;  // no pdftotext: the page count is all we can read
        ASSERT_EQ(int(pages->size()), count);
        std::vector<std::string> body;
        for (std::size_t i = 0; i < pages->size(); ++i) {
            const auto& page = (*pages)[i];
            ASSERT_GE(page.size(), 2u);
            EXPECT_EQ(Words(page.front()), "Controllers information Plant - " + std::string(c.plc));
            EXPECT_EQ(Words(page.back()), "Str : " + std::to_string(i + 1));
            for (std::size_t l = 1; l + 1 < page.size(); ++l) body.push_back(Words(page[l]));
        }
        std::vector<std::string> expected;
        for (const std::string& line : testing::SplitLines(testing::RunVelmora("report" + args).out, false))
            if (!Words(line).empty()) expected.push_back(Words(report::ExpandTabs(line)));
        EXPECT_EQ(body, expected);
    }
}

}  // namespace
}  // namespace velmora
