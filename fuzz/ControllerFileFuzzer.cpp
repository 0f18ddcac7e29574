// A controller file through everything that reads it: the keys as the code
// generator reads them, the generator (which must write only into the
// project's folder), the report and the plant simulation.
#include <set>

#include "FuzzSupport.h"
#include "base/IniFile.h"
#include "base/Toolkit.h"
#include "codegen/Generator.h"
#include "controllers/ControllerFile.h"
#include "controllers/ControllerKeys.h"
#include "report/ControllerReport.h"
#include "simulation/PlantSimulation.h"
#include "simulation/SimulationSettings.h"

using namespace velmora;

namespace {

class FixedClock : public Clock {
public:
    LocalTime now() const override { return {2026, 1, 2, 3, 4, 5, 0}; }
};

// Every file under a folder, as paths relative to it.
std::set<std::string> FilesUnder(const std::filesystem::path& folder) {
    std::set<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        files.insert(std::filesystem::relative(entry.path(), folder).string());
    return files;
}

}  // namespace

VELMORA_FUZZ_TARGET(ControllerFile) {
    const auto scratch = fuzz::Fresh("controller_file");
    const auto project = scratch / "project";
    std::filesystem::create_directories(project / "Velmora");
    const auto path = ControllerFilePath(project, "PLC1");
    fuzz::WriteScratch(path, fuzz::Bytes(data, size));
    const int plcType = size ? data[size - 1] % 20 : 0;

    IniFile file(path);
    for (const auto& [section, name] : ListControllers(file))
        ReadControllerKeys(file, section, Reader::GeneratorCode, 11);

    FixedClock clock;
    GeneratorContext ctx;
    ctx.projectDir = project;
    ctx.plcName = "PLC1";
    ctx.plcType = plcType;
    ctx.series = size ? data[0] % 8 : 6;
    ctx.clock = &clock;
    GenerateAllControllers(file, ctx);
    for (const auto& name : FilesUnder(scratch))
        fuzz::Expect(name == "project" || name.rfind("project/Velmora", 0) == 0,
                     "a file outside the project");

    ReportInput report;
    report.project.plcName = "PLC1";
    report.controllerFile = path;
    BuildReport(report);

    for (const auto& [section, name] : ListControllers(file)) {
        PlantSettings settings = ReadPlantSettings(file, section);
        settings.simulation = true;
        PlantSimulation simulation;
        simulation.load(settings, ReadSimulatedInputs(file, section, plcType));
        simulation.setPlantInput(size ? data[size / 2] - 128.0 : 50.0);
        for (int step = 0; step < 20; ++step) simulation.step();
    }
    return 0;
}
