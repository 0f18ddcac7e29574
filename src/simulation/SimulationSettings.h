#pragma once
// The plant settings of a controller in its section of the controller file.
#include "simulation/PlantSimulation.h"

#include <string_view>

namespace velmora {

class IniFile;

// Reads the plant settings with the defaults of the online view. Decimal keys
// go through ParseDecimal, so "0,25" and "0.25" read alike. DDelta is a step
// count: a decimal text is truncated, and it is kept within
// 0..PlantSimulation::kMaxDeadTimeSteps.
PlantSettings ReadPlantSettings(const IniFile& file, std::string_view section);

// Writes every plant key (decimals in general format with '.'), in one
// atomic rewrite of the file.
void WritePlantSettings(IniFile& file, std::string_view section, const PlantSettings& settings);

// The conversion modes and ranges through which the simulated output reaches
// the controller's inputs. `plcTypeIndex` is the PLC type of the open project.
SimulatedInputs ReadSimulatedInputs(const IniFile& file, std::string_view section, int plcTypeIndex);

}  // namespace velmora
