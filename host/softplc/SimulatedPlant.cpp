#include "SimulatedPlant.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/IniFile.h"
#include "simulation/SimulationSettings.h"

namespace velmora::softplc {

namespace {
constexpr int kCurOut = 19, kStatus = 49;  // in T_PID
constexpr int kMv = 166;                   // in _TPIDA_
}  // namespace

std::optional<SimulatedPlant> SimulatedPlant::ForController(const IniFile& file,
                                                            const std::string& controller, int plcTypeIndex) {
    const std::string section = "Regulator " + controller;
    if (!file.sectionExists(section)) return std::nullopt;
    const PlantSettings settings = ReadPlantSettings(file, section);
    if (!settings.simulation) return std::nullopt;
    SimulatedPlant plant;
    plant.controller_ = file.readString(section, "Name", controller);
    plant.pid_ = file.readString(section, "Type", "PID") == "PID";
    SimulatedInputs inputs = ReadSimulatedInputs(file, section, plcTypeIndex);
    inputs.pidController = plant.pid_;
    plant.model_.load(settings, inputs);
    plant.analogOutput = file.readBool(section, "UAnalog", true);
    plant.inputMode_ = file.readInteger(section, "InputMode", 1);
    plant.cascade_ = file.readBool(section, "Cascade", false);
    if (plant.pid_) {
        plant.y1_ = file.readString(section, "Y1Name", "");
        if (plant.inputMode_ > 1) plant.y2_ = file.readString(section, "Y2Name", "");
        if (plant.cascade_) plant.y3_ = file.readString(section, "Y3Name", "");
    } else {
        plant.y1_ = file.readString(section, "Input", "");
    }
    return plant;
}

double SimulatedPlant::exchangePeriodMs() const {
    const double t = model_.settings().simT;
    return t > 0 ? t * 1000.0 : 1000.0;
}

bool SimulatedPlant::attach(const SoftPlc& plc, std::string& why) {
    const SymbolTable& symbols = plc.symbols();
    structure_ = -1;
    const char* const suffixes[] = {"_struct", pid_ ? "_Det" : "_dv"};
    for (const char* suffix : suffixes) {
        if (const auto l = symbols.locate(controller_ + suffix); l && l->area == kRegisterArea) {
            structure_ = l->offset;
            break;
        }
    }
    if (structure_ < 0) {
        why = "the PLC has no data of controller " + controller_;
        return false;
    }
    for (const std::string* name : {&y1_, &y2_, &y3_}) {
        if (name == &y1_ && name->empty()) {
            why = "controller " + controller_ + " names no input variable";
            return false;
        }
        if (!name->empty() && !symbols.locate(*name)) {
            why = "input variable " + *name + " of " + controller_ + " is not declared";
            return false;
        }
    }
    return true;
}

void SimulatedPlant::exchange(SoftPlc& plc) {
    if (structure_ < 0) return;
    const auto r = plc.area(kRegisterArea);
    if (model_.hasStepped()) {
        const auto put = [&](const std::string& name, RawInputValue v) {
            if (name.empty()) return;
            const auto l = plc.symbols().locate(name);
            if (!l) return;
            if (l->type.real || v.real)
                plc.writeFloat(name, static_cast<float>(v.value));
            else
                plc.writeInt16(name, static_cast<std::int16_t>(std::clamp(v.value, -32768.0, 32767.0)));
        };
        if (pid_) {
            put(y1_, model_.firstInput());
            put(y2_, model_.firstInput());  // a second sensor of the same plant
            put(y3_, model_.thirdInput());
        } else {
            put(y1_, RawInputValue{model_.simulatedOutput(), true});
        }
    }
    if (structure_ + 230 > static_cast<int>(r.size())) return;
    if (pid_) {
        const std::uint8_t* t = r.data() + structure_;
        const int curOut = static_cast<std::int16_t>(t[kCurOut] | (t[kCurOut + 1] << 8));
        const std::uint8_t status = t[kStatus];
        model_.setPlantInput(PidPlantInput(analogOutput ? 0x08 : 0, curOut, status & 1, status & 2));
    } else {
        float mv;
        std::memcpy(&mv, r.data() + structure_ + kMv, 4);
        model_.setPlantInput(std::isfinite(mv) ? mv : 0.0);
    }
}

}  // namespace velmora::softplc
