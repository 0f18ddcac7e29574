#pragma once
// Closes one controller's loop through a simulated plant inside the soft PLC's
// clock: the controller's output is read from PLC memory at each exchange
// (every SimT seconds), the plant model steps every 0.1 s, and the simulated
// measurement is written into the controller's input variables at the next
// exchange, as the online view's exchange would write it.
#include <optional>
#include <string>

#include "SoftPlc.h"
#include "simulation/PlantSimulation.h"

namespace velmora {
class IniFile;
}

namespace velmora::softplc {

class SimulatedPlant {
public:
    // The plant of a controller whose section says Simulation=1; nothing
    // otherwise (no section, simulation off).
    static std::optional<SimulatedPlant> ForController(const IniFile& file, const std::string& controller,
                                                       int plcTypeIndex);

    // Finds the controller's data and its input and output variables in the
    // PLC; false with the reason when one is missing.
    bool attach(const SoftPlc& plc, std::string& why);

    // The exchange: the last simulated values go to the inputs, the
    // controller's current output becomes the plant input.
    void exchange(SoftPlc& plc);
    static constexpr double kStepMs = PlantSimulation::kStep * 1000.0;
    // One model step (0.1 s).
    void step() { model_.step(); }

    const std::string& controller() const { return controller_; }
    const PlantSimulation& model() const { return model_; }
    double exchangePeriodMs() const;

private:
    std::string controller_;
    bool pid_ = true;
    bool analogOutput = true;
    int inputMode_ = 1;
    bool cascade_ = false;
    std::string y1_, y2_, y3_;  // input variables
    int structure_ = -1;        // offset of T_PID (Det) or _TPIDA_ (dv) in the register area
    PlantSimulation model_;
};

}  // namespace velmora::softplc
