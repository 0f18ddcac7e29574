#include "simulation/SimulationSettings.h"

#include "controllers/IniFile.h"
#include "controllers/ParseDecimal.h"

#include <algorithm>
#include <cmath>

namespace velmora {

PlantSettings ReadPlantSettings(const IniFile& file, std::string_view section) {
    const PlantSettings d;
    PlantSettings p;
    p.su = file.readDecimal(section, "Su", d.su);
    p.su2 = file.readDecimal(section, "Su2", d.su2);
    p.tau1 = file.readDecimal(section, "Tau1", d.tau1);
    p.tau2 = file.readDecimal(section, "Tau2", d.tau2);
    p.tau3 = file.readDecimal(section, "Tau3", d.tau3);
    p.delta = file.readDecimal(section, "Delta", d.delta);
    p.omega = file.readDecimal(section, "Omega", d.omega);
    p.tauA = file.readDecimal(section, "TauA", d.tauA);
    p.minSU = file.readDecimal(section, "MinSU", d.minSU);
    p.maxSU = file.readDecimal(section, "MaxSU", d.maxSU);
    p.simT = file.readDecimal(section, "SimT", d.simT);
    // Older files hold the dead time as a decimal text; a step count is meant.
    const double steps = std::trunc(file.readDecimal(section, "DDelta", d.dDelta));
    p.dDelta = std::isnan(steps)
                   ? d.dDelta
                   : static_cast<int>(std::clamp(steps, 0.0, double(PlantSimulation::kMaxDeadTimeSteps)));
    p.y0 = file.readDecimal(section, "y0", d.y0);
    p.ys = file.readDecimal(section, "ys", d.ys);
    p.astat = file.readBool(section, "Astat", d.astat);
    p.simulation = file.readBool(section, "Simulation", d.simulation);
    p.delay = file.readBool(section, "Delay", d.delay);
    p.plantType = file.readInteger(section, "TypSoustavy", d.plantType);
    p.addOut = file.readInteger(section, "AddOut", d.addOut);
    p.addOutName = file.readString(section, "AddOutName", d.addOutName);
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
    const SimulatedInputs d;
    SimulatedInputs in;
    in.pidController = file.readString(section, "Type", "PID") == "PID";
    in.y1Mode = file.readInteger(section, "Y1CNVMode", d.y1Mode);
    in.y3Mode = file.readInteger(section, "Y3CNVMode", d.y3Mode);
    in.minY = file.readInteger(section, "MinY", d.minY);
    in.maxY = file.readInteger(section, "MaxY", d.maxY);
    in.y3x1 = file.readInteger(section, "Y3x1", d.y3x1);
    in.y3x2 = file.readInteger(section, "Y3x2", d.y3x2);
    in.plcTypeIndex = plcTypeIndex;
    return in;
}

}  // namespace velmora
