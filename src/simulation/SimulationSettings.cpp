#include "simulation/SimulationSettings.h"

#include "controllers/ControllerKeys.h"
#include "base/IniFile.h"

#include <algorithm>
#include <cmath>

namespace velmora {

PlantSettings ReadPlantSettings(const IniFile& file, std::string_view section) {
    // Defaults come from the key table as the online view reads them.
    const ControllerKind kind =
        KindOfType(ReadTextKey(file, section, "Type", ControllerKind::Pid, Reader::OnlineView));
    const auto decimal = [&](std::string_view key) {
        return ReadDecimalKey(file, section, key, kind, Reader::OnlineView);
    };
    const auto integer = [&](std::string_view key) {
        return ReadIntegerKey(file, section, key, kind, Reader::OnlineView);
    };
    const auto boolean = [&](std::string_view key) {
        return ReadBoolKey(file, section, key, kind, Reader::OnlineView);
    };
    PlantSettings p;
    p.su = decimal("Su");
    p.su2 = decimal("Su2");
    p.tau1 = decimal("Tau1");
    p.tau2 = decimal("Tau2");
    p.tau3 = decimal("Tau3");
    p.delta = decimal("Delta");
    p.omega = decimal("Omega");
    p.tauA = decimal("TauA");
    p.minSU = decimal("MinSU");
    p.maxSU = decimal("MaxSU");
    p.simT = decimal("SimT");
    // Older files hold the dead time as a decimal text; a step count is meant.
    const double steps = std::trunc(decimal("DDelta"));
    p.dDelta = std::isnan(steps)
                   ? PlantSettings{}.dDelta
                   : static_cast<int>(std::clamp(steps, 0.0, double(PlantSimulation::kMaxDeadTimeSteps)));
    p.y0 = decimal("y0");
    p.ys = decimal("ys");
    p.astat = boolean("Astat");
    p.simulation = boolean("Simulation");
    p.delay = boolean("Delay");
    p.plantType = integer("TypSoustavy");
    p.addOut = integer("AddOut");
    p.addOutName = ReadTextKey(file, section, "AddOutName", kind, Reader::OnlineView);
    return p;
}

void WritePlantSettings(IniFile& file, std::string_view section, const PlantSettings& p) {
    IniFile::Batch batch(file);
    file.writeBool(section, "Simulation", p.simulation);
    file.writeInteger(section, "TypSoustavy", p.plantType);
    file.writeDecimal(section, "Su", p.su);
    file.writeDecimal(section, "Su2", p.su2);
    file.writeDecimal(section, "Tau1", p.tau1);
    file.writeDecimal(section, "Tau2", p.tau2);
    file.writeDecimal(section, "Tau3", p.tau3);
    file.writeDecimal(section, "Delta", p.delta);
    file.writeDecimal(section, "Omega", p.omega);
    file.writeDecimal(section, "TauA", p.tauA);
    file.writeDecimal(section, "MinSU", p.minSU);
    file.writeDecimal(section, "MaxSU", p.maxSU);
    file.writeInteger(section, "DDelta", p.dDelta);
    file.writeBool(section, "Delay", p.delay);
    file.writeDecimal(section, "y0", p.y0);
    file.writeDecimal(section, "ys", p.ys);
    file.writeDecimal(section, "SimT", p.simT);
    file.writeBool(section, "Astat", p.astat);
    file.writeInteger(section, "AddOut", p.addOut);
    file.writeString(section, "AddOutName", p.addOutName);
    batch.commit();
}

SimulatedInputs ReadSimulatedInputs(const IniFile& file, std::string_view section, int plcTypeIndex) {
    SimulatedInputs in;
    in.plcTypeIndex = plcTypeIndex;
    in.pidController = KindOfType(ReadTextKey(file, section, "Type", ControllerKind::Pid,
                                              Reader::OnlineView)) == ControllerKind::Pid;
    // The floating-point controller receives ysim itself and has none of these keys.
    if (!in.pidController) return in;
    const auto integer = [&](std::string_view key) {
        return ReadIntegerKey(file, section, key, ControllerKind::Pid, Reader::OnlineView);
    };
    in.y1Mode = integer("Y1CNVMode");
    in.y3Mode = integer("Y3CNVMode");
    in.minY = integer("MinY");
    in.maxY = integer("MaxY");
    in.y3x1 = integer("Y3x1");
    in.y3x2 = integer("Y3x2");
    return in;
}

}  // namespace velmora
