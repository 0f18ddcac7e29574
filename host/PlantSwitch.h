#pragma once
// velmora-host online --simulate and --plant KEY=VALUE: the controller's
// plant simulation switched on in its section before the view loads it, as
// the simulation dialog's "OK" would, under the dialog's rules.
#include <ostream>
#include <string>
#include <vector>

namespace velmora::host {

// Writes Simulation=1 and the plant keys into the controller's section and
// gives 0. A key or value the dialog would refuse writes nothing and gives 2
// (a bad command line); a controller the file lacks gives 1. Both said on err.
int SwitchSimulationOn(const std::string& projectDir, const std::string& plc, const std::string& controller,
                       const std::vector<std::string>& plantKeys, std::ostream& err);

}  // namespace velmora::host
