// velmora report: the controller report of a PLC as text, one line per line,
// and its printed pages as a PDF.
#include "Command.h"

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "controllers/LegalName.h"
#include "controllers/ProjectDescription.h"
#include "report/ControllerReport.h"

#ifdef VELMORA_REPORT_PDF
#include "ReportCommandPdf.h"
#endif

#include <filesystem>
#include <iostream>
#include <memory>

namespace velmora::cli {
namespace {

struct ReportOptions {
    std::filesystem::path project;
    std::string plc;
    std::filesystem::path output;
    std::filesystem::path pdf;
};

void Fail(const std::string& why) {
    std::cerr << "velmora report: " << why << '\n';
    SetExitCode(1);
}

void RunReport(const ReportOptions& o) {
#ifndef VELMORA_REPORT_PDF
    if (!o.pdf.empty()) return Fail("--pdf needs a build with the GUI (Qt); this one has none");
#endif
    if (!IsLegalName(o.plc)) return Fail("the PLC name \"" + PrintableName(o.plc) + "\" is not a legal name");
    ReportInput input;
    input.controllerFile = ControllerFilePath(o.project, o.plc);
    // A PLC without controllers has no file yet: its report has no controller block.
    if (const std::string error = IniFile(input.controllerFile).readError(); !error.empty())
        return Fail(error);
    if (const auto description = LoadProjectDescription(o.project))
        input.project = ReportProjectFrom(*description, o.plc);
    else
        input.project.plcName = o.plc;

    const std::vector<std::string> lines = BuildReport(input);
    if (!o.pdf.empty()) {
#ifdef VELMORA_REPORT_PDF
        if (const std::string error = WriteReportPdf(o.pdf, lines, ReportCaption(input.project));
            !error.empty())
            Fail(error);
#endif
    }
    const std::string text = JoinReport(lines);
    if (o.output.empty()) {
        if (o.pdf.empty()) std::cout << text << std::flush;
        return;
    }
    if (auto result = WriteFileAtomically(o.output, text); !result) Fail(result.message());
}

void SetUpReport(CLI::App& app) {
    auto options = std::make_shared<ReportOptions>();
    CLI::App* cmd =
        app.add_subcommand("report", "Controller report of a PLC (text, one line per report line)");
    cmd->add_option("--project", options->project, "Project directory")->required();
    cmd->add_option("--plc", options->plc, "PLC name (controller file Velmora/<PLC>.rglx)")->required();
    cmd->add_option("--output", options->output, "Write the report into this file instead of stdout");
    cmd->add_option(
        "--pdf", options->pdf,
        "Write the printed pages (A4) into this PDF file instead of stdout (builds with the GUI)");
    cmd->callback([options] { RunReport(*options); });
}

const CommandRegistration registration(SetUpReport);

}  // namespace
}  // namespace velmora::cli
