// velmora simulate: runs the plant simulation of one controller headless.
//
// Output: CSV with the header "step,ysim,s,y1raw,y3raw" and one row after each
// 0.1 s step (steps numbered from 1). Reals are written with up to 15
// significant digits and '.' as decimal separator; raw values of INT inputs are
// integers. y1raw and y3raw stay empty for a floating-point controller, which
// receives ysim itself. The disturbance variable cannot be read without a PLC,
// so it counts as 0.
#include "Command.h"

#include "base/IniFile.h"
#include "base/Paths.h"
#include "controllers/ControllerFile.h"
#include "controllers/ProjectDescription.h"
#include "controllers/SectionReader.h"
#include "simulation/PlantSimulation.h"
#include "simulation/SimulationSettings.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

namespace velmora::cli {
namespace {

struct SimulateOptions {
    std::filesystem::path project;
    std::string plc;
    std::string controller;
    double input = 0;
    int steps = 0;
    std::optional<int> plcType;
};

std::string Number(double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", v);
    return buffer;
}

void RunSimulate(const SimulateOptions& o) {
    const auto found = ControllerFileToRead("simulate", o.project, o.plc);
    if (!found) return;
    const std::filesystem::path path = *found;
    IniFile file(path);
    const std::string section = ControllerSection(o.controller);
    if (!file.sectionExists(section) || SectionReader(file, section, Reader::Lists).text(key::Name).empty()) {
        std::cerr << "velmora simulate: no controller \"" << o.controller << "\" in " << path.string()
                  << '\n';
        SetExitCode(1);
        return;
    }
    int plcType = 0;
    if (o.plcType) {
        plcType = *o.plcType;
    } else if (const auto description = LoadProjectDescription(o.project)) {
        if (const PlcDescription* plc = description->findPlc(o.plc)) plcType = plc->type;
    }

    PlantSettings settings = ReadPlantSettings(file, section);
    settings.simulation = true;
    PlantSimulation simulation;
    simulation.load(settings, ReadSimulatedInputs(file, section, plcType));
    simulation.setPlantInput(o.input);

    std::string out = "step,ysim,s,y1raw,y3raw\n";
    const bool raw = simulation.inputs().pidController;
    for (int step = 1; step <= o.steps; ++step) {
        simulation.step();
        out += std::to_string(step);
        out += ',' + Number(simulation.simulatedOutput());
        out += ',' + Number(simulation.stageInput());
        out += ',';
        if (raw) out += Number(simulation.firstInput().value);
        out += ',';
        if (raw) out += Number(simulation.thirdInput().value);
        out += '\n';
        if (out.size() > (1u << 16)) {
            std::cout << out;
            out.clear();
        }
    }
    std::cout << out << std::flush;
}

void SetUpSimulate(CLI::App& app) {
    auto options = std::make_shared<SimulateOptions>();
    CLI::App* cmd = app.add_subcommand(
        "simulate",
        "Step the simulated plant of a controller with a constant input (0.1 s per step), print CSV");
    cmd->add_option("--project", options->project, "Project directory")->required();
    cmd->add_option("--plc", options->plc, "PLC name (controller file Velmora/<PLC>.rglx)")->required();
    cmd->add_option("--controller", options->controller, "Controller name")->required();
    cmd->add_option("--input", options->input, "Constant plant input u, percent")->required();
    cmd->add_option("--steps", options->steps, "Number of steps")->required()->check(CLI::NonNegativeNumber);
    cmd->add_option("--plc-type", options->plcType,
                    "PLC type index (default: from the project description, else 0)");
    cmd->callback([options] { RunSimulate(*options); });
}

const CommandRegistration registration(SetUpSimulate);

}  // namespace
}  // namespace velmora::cli
