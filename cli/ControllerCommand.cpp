// velmora controller show: a controller's keys as the code generator reads them
// (the code emitters' defaults where they differ from the declarations').
#include <iostream>

#include "Command.h"
#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "controllers/ControllerKeys.h"

namespace velmora::cli {
namespace {

struct ShowOptions {
    std::string project, plc, name;
    bool all = false;
};

void Show(const ShowOptions& o) {
    const auto found = ControllerFileToRead("controller show", o.project, o.plc);
    if (!found) return;
    const auto path = *found;
    IniFile file(path);
    const std::string section = ControllerSection(o.name);
    if (!file.sectionExists(section)) {
        std::cerr << "velmora: " << path.string() << " has no section [" << section << "]\n";
        SetExitCode(1);
        return;
    }
    for (const auto& [key, value] : ReadControllerKeys(file, section, Reader::GeneratorCode, o.all ? 11 : 9))
        std::cout << key << '=' << value << '\n';
}

const CommandRegistration registration([](CLI::App& app) {
    auto* controller = app.add_subcommand("controller", "Controllers of a PLC's controller file");
    controller->require_subcommand(1);
    auto options = std::make_shared<ShowOptions>();
    auto* show = controller->add_subcommand(
        "show",
        "Every key of a controller as the code generator reads it (defaults applied), one Key=Value a line");
    show->add_option("--project", options->project, "Project directory")->required();
    show->add_option("--plc", options->plc, "PLC name")->required();
    show->add_option("--name", options->name, "Controller name")->required();
    show->add_flag("--all", options->all, "Also the simulation and trend graph keys");
    show->callback([options] { Show(*options); });
});

}  // namespace
}  // namespace velmora::cli
