#include "host/PlantSwitch.h"

#include <variant>

#include "base/IniFile.h"
#include "base/Strings.h"
#include "controllers/ControllerFile.h"
#include "simulation/PlantKeys.h"
#include "simulation/SimulationSettings.h"

namespace velmora::host {

int SwitchSimulationOn(const std::string& projectDir, const std::string& plc, const std::string& controller,
                       const std::vector<std::string>& plantKeys, std::ostream& err) {
    IniFile file(ControllerFilePath(projectDir, plc));
    const std::string section = ControllerSection(controller);
    if (!file.sectionExists(section)) {
        err << "velmora-host: --simulate: the controller file of " << plc << " has no controller "
            << controller << "\n";
        return 1;
    }
    std::vector<PlantKey> keys;
    for (const std::string& assignment : plantKeys) {
        const std::size_t eq = assignment.find('=');
        if (eq == std::string::npos) {
            err << "velmora-host: --plant " << assignment.substr(0, 40) << ": takes KEY=VALUE\n";
            return 2;
        }
        keys.push_back({assignment.substr(0, eq), assignment.substr(eq + 1)});
    }
    const auto applied = ApplyPlantKeys(ReadPlantSettings(file, section), keys);
    if (const std::string* why = std::get_if<std::string>(&applied)) {
        err << "velmora-host: --plant " << *why << "\n";
        return 2;
    }
    WritePlantSettings(file, section, std::get<PlantSettings>(applied));
    return 0;
}

}  // namespace velmora::host
