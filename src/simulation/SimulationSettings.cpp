#include "simulation/SimulationSettings.h"

#include "base/IniFile.h"
#include "controllers/SectionReader.h"

#include <algorithm>
#include <cmath>

namespace velmora {

PlantSettings ReadPlantSettings(const IniFile& file, std::string_view section) {
    // Defaults come from the key table as the online view reads them.
    const SectionReader in(file, section, Reader::OnlineView);
    PlantSettings p;
    p.su = in.decimal(key::Su);
    p.su2 = in.decimal(key::Su2);
    p.tau1 = in.decimal(key::Tau1);
    p.tau2 = in.decimal(key::Tau2);
    p.tau3 = in.decimal(key::Tau3);
    p.delta = in.decimal(key::Delta);
    p.omega = in.decimal(key::Omega);
    p.tauA = in.decimal(key::TauA);
    p.minSU = in.decimal(key::MinSU);
    p.maxSU = in.decimal(key::MaxSU);
    p.simT = in.decimal(key::SimT);
    // Older files hold the dead time as a decimal text; a step count is meant.
    const double steps = std::trunc(in.decimal(key::DDelta));
    p.dDelta = std::isnan(steps)
                   ? PlantSettings{}.dDelta
                   : static_cast<int>(std::clamp(steps, 0.0, double(PlantSimulation::kMaxDeadTimeSteps)));
    p.y0 = in.decimal(key::y0);
    p.ys = in.decimal(key::ys);
    p.astat = in.flag(key::Astat);
    p.simulation = in.flag(key::Simulation);
    p.delay = in.flag(key::Delay);
    p.plantType = in.integer(key::TypSoustavy);
    p.addOut = in.integer(key::AddOut);
    p.addOutName = in.text(key::AddOutName);
    return p;
}

void WritePlantSettings(IniFile& file, std::string_view section, const PlantSettings& p) {
    IniFile::Batch batch(file);
    file.writeBool(section, key::Simulation.name, p.simulation);
    file.writeInteger(section, key::TypSoustavy.name, p.plantType);
    file.writeDecimal(section, key::Su.name, p.su);
    file.writeDecimal(section, key::Su2.name, p.su2);
    file.writeDecimal(section, key::Tau1.name, p.tau1);
    file.writeDecimal(section, key::Tau2.name, p.tau2);
    file.writeDecimal(section, key::Tau3.name, p.tau3);
    file.writeDecimal(section, key::Delta.name, p.delta);
    file.writeDecimal(section, key::Omega.name, p.omega);
    file.writeDecimal(section, key::TauA.name, p.tauA);
    file.writeDecimal(section, key::MinSU.name, p.minSU);
    file.writeDecimal(section, key::MaxSU.name, p.maxSU);
    file.writeInteger(section, key::DDelta.name, p.dDelta);
    file.writeBool(section, key::Delay.name, p.delay);
    file.writeDecimal(section, key::y0.name, p.y0);
    file.writeDecimal(section, key::ys.name, p.ys);
    file.writeDecimal(section, key::SimT.name, p.simT);
    file.writeBool(section, key::Astat.name, p.astat);
    file.writeInteger(section, key::AddOut.name, p.addOut);
    file.writeString(section, key::AddOutName.name, p.addOutName);
    batch.commit();
}

SimulatedInputs ReadSimulatedInputs(const IniFile& file, std::string_view section, int plcTypeIndex) {
    SimulatedInputs in;
    in.plcTypeIndex = plcTypeIndex;
    const SectionReader keys(file, section, Reader::OnlineView);
    in.pidController = keys.kind() == ControllerKind::Pid;
    // The floating-point controller receives ysim itself and has none of these keys.
    if (!in.pidController) return in;
    in.y1Mode = keys.integer(key::Y[0].cnvMode);
    in.y3Mode = keys.integer(key::Y[2].cnvMode);
    in.minY = keys.integer(key::MinY);
    in.maxY = keys.integer(key::MaxY);
    in.y3x1 = keys.integer(key::Y[2].x1);
    in.y3x2 = keys.integer(key::Y[2].x2);
    return in;
}

}  // namespace velmora
