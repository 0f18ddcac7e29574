#pragma once
// Plant settings from "KEY=VALUE" pairs, under the simulation dialog's rules:
// what a loop test's "plant" lines and velmora-host's --plant set.
#include <string>
#include <variant>
#include <vector>

#include "simulation/SimulationSettings.h"

namespace velmora {

struct PlantKey {
    std::string key, value;
};

// The plant keys over a controller's plant: TypSoustavy, Astat, Delay,
// Simulation, AddOut, AddOutName and the dialog's numeric fields (Su, Su2,
// Tau1..Tau3, Delta, Omega, TauA, MinSU, MaxSU, DDelta, y0, ys, SimT) under its
// limits. Keys switch the simulation on unless they say Simulation=0. The
// settings, or the reason they are refused.
std::variant<PlantSettings, std::string> ApplyPlantKeys(const PlantSettings& base,
                                                        const std::vector<PlantKey>& keys);

}  // namespace velmora
