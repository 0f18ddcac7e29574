#pragma once
// The plant simulation of one online view: loaded with the view's controller,
// stepped by SimTimer1, fed with what the view's exchange last read, and
// handing back the values the exchange writes into the controller's inputs.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "simulation/PlantSimulation.h"

namespace velmora {

class IniFile;

// What the last read of the controller's structure says about the plant.
struct ControllerReading {
    bool valid = false;  // a structure image arrived since the view went online
    // Integer controller: the current output (hundredths of a percent) and
    // the three-stage output bits UH and UC of Status.
    int curOut = 0;
    bool up = false, down = false;
    // Floating-point controller: its output mv, %.
    float mv = 0;
    // The bytes read from the disturbance variable (INT or REAL, little-endian).
    std::array<std::uint8_t, 4> disturbance{};
};

// What the exchange writes after a step.
struct SimulationWrites {
    // Integer controller: the raw inputs it has ("zapis Y1, (Y2, (Y3))").
    std::optional<RawInputValue> y1, y2, y3;
    // Floating-point controller: its measured value, written into pv ("zapis Y")
    // and into the controller's Input variable ("zapis Y do Input").
    std::optional<float> pv;
    bool any() const { return y1 || y2 || y3 || pv; }
};

class ViewSimulation {
public:
    // (Re)loads the controller's plant settings and resets the plant to y0.
    // A missing section leaves the simulation off. With keepUnchanged a plant
    // whose settings read the same goes on from where it is.
    void load(const IniFile& file, const std::string& controllerName, int plcTypeIndex,
              bool keepUnchanged = false);

    bool active() const { return model_.settings().simulation; }
    // SimT: the exchange period that CommTimer1 follows.
    double sampleTime() const { return model_.settings().simT; }
    // CommTimer1 got another interval: the coefficients are computed again.
    void sampleTimeChanged() { model_.markCoefficientsDirty(); }

    // One SimTimer1 tick: the plant input and the disturbance from the last
    // reading, one model step, and the values to write (none while the
    // simulation is off).
    SimulationWrites step(const ControllerReading& reading);

    const PlantSimulation& model() const { return model_; }

private:
    PlantSimulation model_;
    bool pid_ = true;
    int outputTypeCode_ = 0;  // bit 3: analog output
    bool secondInput_ = false, thirdInput_ = false;
    bool loaded_ = false;  // the model holds a section's plant
};

}  // namespace velmora
