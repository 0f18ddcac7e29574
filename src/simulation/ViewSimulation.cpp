#include "simulation/ViewSimulation.h"

#include <cmath>

#include "base/ByteOrder.h"
#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "controllers/SectionReader.h"
#include "simulation/SimulationSettings.h"

namespace velmora {

namespace {

// Analog output: the plant takes CurOut; otherwise the three-stage bits.
constexpr int kAnalogOutputBit = 0x08;
// InputMode 2: a second sensor of the same plant. Ratio control (3) reads
// another process's variable on its second input, which the plant does not drive.
constexpr int kRedundantInputMode = 2;

}  // namespace

void ViewSimulation::load(const IniFile& file, const std::string& controllerName, int plcTypeIndex,
                          bool keepUnchanged) {
    const std::string section = ControllerSection(controllerName);
    if (!file.sectionExists(section)) {
        model_.load(PlantSettings{});
        loaded_ = false;
        return;
    }
    const SectionReader keys(file, section, Reader::OnlineView);
    pid_ = keys.kind() == ControllerKind::Pid;
    const PlantSettings settings = ReadPlantSettings(file, section);
    SimulatedInputs inputs = ReadSimulatedInputs(file, section, plcTypeIndex);
    inputs.pidController = pid_;
    outputTypeCode_ = 0;
    secondInput_ = thirdInput_ = false;
    if (pid_) {
        if (keys.flag(key::UAnalog)) outputTypeCode_ |= kAnalogOutputBit;
        secondInput_ = keys.integer(key::InputMode) == kRedundantInputMode;
        thirdInput_ = keys.flag(key::Cascade);
    }
    if (keepUnchanged && loaded_ && settings == model_.settings() && inputs == model_.inputs()) return;
    model_.load(settings, inputs);
    loaded_ = true;
}

SimulationWrites ViewSimulation::step(const ControllerReading& reading) {
    if (reading.valid) {
        if (pid_) {
            model_.setPlantInput(PidPlantInput(outputTypeCode_, reading.curOut, reading.up, reading.down));
        } else {
            const double mv = reading.mv;
            model_.setPlantInput(std::isfinite(mv) ? mv : 0.0);
        }
        DisturbanceReading d;
        d.word = plc::GetInt16(reading.disturbance.data());
        d.real = plc::GetReal(reading.disturbance.data());
        model_.setDisturbanceReading(d);
    }
    model_.step();

    SimulationWrites out;
    if (!active() || !model_.hasStepped()) return out;
    if (pid_) {
        out.y1 = model_.firstInput();
        if (secondInput_) out.y2 = model_.firstInput();
        if (thirdInput_) out.y3 = model_.thirdInput();
    } else {
        out.pv = static_cast<float>(model_.simulatedOutput());
    }
    return out;
}

}  // namespace velmora
