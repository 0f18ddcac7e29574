// The velmora command run as a user runs it, on a project of the test's own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "base/Strings.h"
#include "controllers/ProjectDescription.h"
#include "report/ControllerReport.h"
#include "report/ReportLines.h"
#include "support/PdfPages.h"
#include "support/Support.h"

namespace velmora {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using testing::CommandResult;

class CommandLine : public ::testing::Test {
protected:
    CommandLine() {
        testing::WriteBytes(dir / "demo.oprj",
                            "[Project]\nGroup=Plant.opgr\nName=Demo\nAction=Heating\nProgrammer=J. Novak\n"
                            "Company=Works\nCopyright=(c) 2026\n[PLC PLC1]\nType=0\n");
        testing::WriteBytes(
            dir / "Velmora" / "PLC1.rglx",
            "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\nTypSoustavy=1\r\nTau1=4\r\n"
            "Su=0,5\r\nY1CNVMode=2010\r\nY3CNVMode=1101\r\nDelay=1\r\nDDelta=2\r\n"
            "[Regulator Tank]\r\nName=Tank\r\nType=PIDA\r\nTau1=2\r\n"
            "[Regulator Kiln]\r\nName=Kiln\r\nType=PID\r\nTypSoustavy=2\r\ny0=40\r\nys=10\r\n"
            "Y1CNVMode=2031\r\nMinY=1500\r\nMaxY=2300\r\nY3CNVMode=-711\r\n");
    }
    // `velmora COMMAND --project DIR ARGS`.
    CommandResult velmora(const std::string& command, const std::string& args,
                          bool withErrors = false) const {
        return testing::RunVelmora(command + " --project '" + dir.path().string() + "' " + args, withErrors);
    }
    testing::TempDir dir;
};

TEST_F(CommandLine, TextAndControllerShowPrintWhatTheyFindOrNameWhatIsMissing) {
    EXPECT_EQ(testing::RunVelmora("text 3019").out, "Error\n");
    EXPECT_EQ(testing::RunVelmora("text 2038 --lang enu").out, "Warning\n");
    EXPECT_EQ(testing::RunVelmora("text 3019 --lang RUS").status, 0);
    EXPECT_NE(testing::RunVelmora("text 3019 --lang deu").status, 0);
    EXPECT_EQ(testing::RunVelmora("text 3019 >/dev/full").status, 1) << "a full standard output";
    // The defaults themselves are the key table's (ControllerKeysTest); here they reach the output.
    CommandResult r = velmora("controller show", "--plc PLC1 --name Boiler", true);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.out.starts_with("Name=Boiler\nType=PID\n")) << r.out;
    for (const char* line : {"\nPBnd=1000\n", "\nRemanent=1\n", "\nOffReg=-1\n", "\nHeaderInST=1\n"})
        EXPECT_THAT(r.out, HasSubstr(line)) << line << r.out;
    EXPECT_THAT(r.out, Not(HasSubstr("irtype")));
    for (const auto& [args, named] :
         {std::pair{"--plc PLC9 --name A", "PLC9.rglx"}, {"--plc PLC1 --name A", "Regulator A"}}) {
        r = velmora("controller show", args, true);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_THAT(r.out, HasSubstr(named));
    }
}

// Runs of blanks as one: pdftotext places words by their position, not by our blanks.
std::string Words(const std::string& line) {
    std::istringstream in(line);
    std::string word, words;
    while (in >> word) words += (words.empty() ? "" : " ") + word;
    return words;
}

// Stdout and a file hold the report the library builds. The PLC is found
// without regard to case; one without controller file gets header and footer
// only; an illegal PLC name or an unwritable output fails.
TEST_F(CommandLine, ReportGoesToStdoutAFileOrPdfPagesOrFails) {
    ReportInput input;
    input.controllerFile = dir / "Velmora" / "PLC1.rglx";
    input.project = ReportProjectFrom(*LoadProjectDescription(dir.path()), "PLC1");
    const std::string expected = JoinReport(BuildReport(input));
    ASSERT_THAT(expected,
                HasSubstr("Project group    : Plant\nProject          : PLC1\nName of action   : Heating\n"));
    EXPECT_EQ(velmora("report", "--plc PLC1").out, expected);
    const auto file = dir / "report.txt";
    testing::WriteBytes(file, "old");
    const CommandResult toFile = velmora("report", "--plc PLC1 --output '" + file.string() + "'");
    EXPECT_EQ(std::pair(toFile.status, toFile.out), std::pair(0, std::string()));
    EXPECT_EQ(testing::ReadBytes(file), expected);
    const struct {
        std::string args;
        int status;
        const char *has, *hasNot;  // in the output, or not
    } cases[] = {
        {"--plc plc1", 0, "Controller       : Boiler\n", ""},
        {"--plc PLC7", 0, "Project          : PLC7\n", "Controller       :"},
        {"--plc '../x'", 1, "", ""},
        {"--plc PLC1 --output '" + (dir / "no" / "r.txt").string() + "'", 1, "", ""},
    };
    for (const auto& c : cases) {
        const CommandResult r = velmora("report", c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_THAT(r.out, HasSubstr(c.has)) << c.args;
        EXPECT_FALSE(*c.hasNot && r.out.find(c.hasNot) != std::string::npos) << c.args;
        EXPECT_TRUE(!c.status || r.out.empty()) << c.args << r.out;
    }
    EXPECT_EQ(testing::EntriesIn(dir.path()), 3) << "nothing left beside the report";
    std::string controllers;
    for (int i = 1; i <= 6; ++i)
        controllers +=
            "[Regulator R" + std::to_string(i) + "]\r\nName=R" + std::to_string(i) + "\r\nPBnd=250\r\n";
    testing::WriteBytes(dir / "Velmora" / "PLC1.rglx", controllers);
    for (const std::string plc : {"PLC1", "PLC9"}) {
        SCOPED_TRACE(plc);
        const auto pdf = dir / (plc + ".pdf");
        const CommandResult r = velmora("report", "--plc " + plc + " --pdf '" + pdf.string() + "'", true);
        if (r.out.find("needs a build with the GUI") != std::string::npos) GTEST_SKIP() << r.out;
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out, "") << "the pages replace the text on stdout";
        const int count = testing::PdfPageCount(testing::ReadBytes(pdf));
        EXPECT_EQ(count > 1, plc == "PLC1") << count;
        const auto pages = testing::PdfPageLines(pdf);
        if (!pages) continue;  // no pdftotext: the page count is all we can read
        ASSERT_EQ(int(pages->size()), count);
        std::vector<std::string> body, expected;
        for (std::size_t i = 0; i < pages->size(); ++i) {
            const auto& page = (*pages)[i];
            ASSERT_GE(page.size(), 2u);
            EXPECT_EQ(Words(page.front()), "Controllers information Plant - " + plc);
            EXPECT_EQ(Words(page.back()), "Str : " + std::to_string(i + 1));
            for (std::size_t l = 1; l + 1 < page.size(); ++l) body.push_back(Words(page[l]));
        }
        for (const std::string& line : testing::SplitLines(velmora("report", "--plc " + plc).out, false))
            if (!Words(line).empty()) expected.push_back(Words(report::ExpandTabs(line)));
        EXPECT_EQ(body, expected);
    }
}

// One row per step; expected values from the continuous plant and the circuit's
// formula. Boiler: gain 0.5, one dead step, 4 s, PLC type 0 (the compact 2010
// circuit) unless the option says otherwise; Tank has no raw values; Kiln starts
// from y0 (2031 reports all above 4042 as 4092, -711 the stage input's value).
TEST_F(CommandLine, SimulatePrintsOneRowPerStepAndConvertTheRawValue) {
    const struct {
        std::string args;
        int status;
        std::string out;
    } cases[] = {
        {"--plc PLC1 --controller Boiler --input 80 --steps 3", 0,
         "step,ysim,s,y1raw,y3raw\n1,0,80,878,3276\n2,0.9876035188666954,80,902,3276\n"
         "3,1.9508230199714394,80,927,3276\n"},
        {"--plc PLC1 --controller Boiler --input 80 --steps 1 --plc-type 5", 0,
         "step,ysim,s,y1raw,y3raw\n1,0,80,819,3276\n"},
        {"--plc PLC1 --controller Tank --input -20 --steps 2", 0,
         "step,ysim,s,y1raw,y3raw\n1,0,-20,,\n2,0,-20,,\n"},
        {"--plc PLC1 --controller Kiln --input 40 --steps 3", 0,
         "step,ysim,s,y1raw,y3raw\n1,69.11141544401445,40,3923,4000\n2,97.35869308178007,40,4092,4000\n"
         "3,100,40,4092,4000\n"},
        {"--plc PLC1 --controller Nobody --input 1 --steps 1", 1, ""},
        {"--plc PLC2 --controller Boiler --input 1 --steps 1", 1, ""},
    };
    for (const auto& c : cases) {
        const CommandResult r = velmora("simulate", c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        const auto got = SplitLines(r.out), expected = SplitLines(c.out);
        ASSERT_EQ(got.size(), expected.size()) << c.args << "\n" << r.out;
        for (std::size_t n = 1; n < got.size(); ++n) {
            auto g = Split(got[n], ','), e = Split(expected[n], ',');
            EXPECT_NEAR(std::stod(g[1]), std::stod(e[1]), 1e-9) << c.args << " row " << n;
            g[1] = e[1];  // ysim as a number, the rest as text
            EXPECT_EQ(g, e) << c.args << " row " << n;
        }
    }
    for (const auto& [args, out] : {std::pair{"401 5000", "10192\n"},
                                    {"402 -2500,7", "1000\n"},
                                    {"2001 10000", "3422\n"},
                                    {"2001 10000 --plc-type 2", "4094\n"}})
        EXPECT_EQ(testing::RunVelmora(std::string("convert ") + args).out, out) << args;
    EXPECT_EQ(testing::RunVelmora("convert 401 warm").status, 1);
}

}  // namespace
}  // namespace velmora
