// velmora report: the controller report of a PLC as text, one line per line.
#include "Command.h"

#include "base/AtomicFile.h"
#include "base/Paths.h"
#include "controllers/ControllerFile.h"
#include "controllers/ProjectDescription.h"
#include "report/ControllerReport.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <system_error>

namespace velmora::cli {
namespace {

struct ReportOptions {
    std::filesystem::path project;
    std::string plc;
    std::filesystem::path output;
};

void RunReport(const ReportOptions& o) {
    ReportInput input;
    const auto path = ControllerFileToRead("report", o.project, o.plc);
    if (!path) return;
    input.controllerFile = *path;
    if (const auto description = LoadProjectDescription(o.project))
        input.project = ReportProjectFrom(*description, o.plc);
    else
        input.project.plcName = o.plc;

    const std::string text = JoinReport(BuildReport(input));
    if (o.output.empty()) {
        std::cout << text << std::flush;
        return;
    }
    if (auto result = WriteFileAtomically(o.output, text); !result) {
        std::cerr << "velmora report: " << result.message() << '\n';
        SetExitCode(1);
    }
}

void SetUpReport(CLI::App& app) {
    auto options = std::make_shared<ReportOptions>();
    CLI::App* cmd =
        app.add_subcommand("report", "Controller report of a PLC (text, one line per report line)");
    cmd->add_option("--project", options->project, "Project directory")->required();
    cmd->add_option("--plc", options->plc, "PLC name (controller file Velmora/<PLC>.rglx)")->required();
    cmd->add_option("--output", options->output, "Write the report into this file instead of stdout");
    cmd->callback([options] { RunReport(*options); });
}

const CommandRegistration registration(SetUpReport);

}  // namespace
}  // namespace velmora::cli
