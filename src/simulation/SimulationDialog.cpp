#include "simulation/SimulationDialog.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/ParseDecimal.h"

namespace velmora {

namespace {

using F = SimField;

// The text as one finite number: blanks around it, "," or "." as the point.
std::optional<double> StrictNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    std::string s(text);
    std::replace(s.begin(), s.end(), ',', '.');
    if (!s.empty() && s.front() == '+') s.erase(0, 1);
    if (s.empty()) return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

double& Member(PlantSettings& p, SimField f) {
    switch (f) {
        case F::Su:
            return p.su;
        case F::Su2:
            return p.su2;
        case F::Tau1:
            return p.tau1;
        case F::Tau2:
            return p.tau2;
        case F::Tau3:
            return p.tau3;
        case F::Delta:
            return p.delta;
        case F::Omega:
            return p.omega;
        case F::TauA:
            return p.tauA;
        case F::MinSU:
            return p.minSU;
        case F::MaxSU:
            return p.maxSU;
        case F::Y0:
            return p.y0;
        case F::Ys:
            return p.ys;
        default:
            return p.simT;
    }
}

}  // namespace

SimFieldLimits LimitsOf(SimField field) {
    switch (field) {
        case F::Su:
        case F::Su2:
            return {-1000, 1000, false};
        case F::Tau1:
        case F::Tau2:
        case F::Tau3:
        case F::TauA:
            return {0.01, 100000, false};
        // The oscillating model is meant for an underdamped plant.
        case F::Delta:
            return {0, 1, false};
        case F::Omega:
            return {0.001, 1000, false};
        case F::MinSU:
        case F::MaxSU:
            return {-100, 100, false};
        case F::DDelta:
            return {1, PlantSimulation::kMaxDeadTimeSteps, true};
        case F::Y0:
        case F::Ys:
            return {0, 100, false};
        case F::SimT:
            return {0.1, 60, false};
        default:
            return {0, 0, false};
    }
}

bool PlantParameterEnabled(int plantType, SimField field) {
    switch (field) {
        case F::Su:
        case F::Su2:
            return plantType >= kPlantFirstOrder && plantType <= kPlantThirdOrderOscillating;
        case F::Tau1:
            return plantType == kPlantFirstOrder || plantType == kPlantSecondOrder ||
                   plantType == kPlantThirdOrder || plantType == kPlantThirdOrderOscillating;
        case F::Tau2:
            return plantType == kPlantSecondOrder || plantType == kPlantThirdOrder;
        case F::Tau3:
            return plantType == kPlantThirdOrder;
        case F::Delta:
        case F::Omega:
            return plantType == kPlantSecondOrderOscillating || plantType == kPlantThirdOrderOscillating;
        default:
            return false;
    }
}

bool DeadTimeEnabled(int plantType) {
    return plantType >= kPlantFirstOrder && plantType <= kPlantThirdOrderOscillating;
}

int PlantTypeFromButtons(const std::array<bool, 6>& checked) {
    int type = 0;
    for (int i = 1; i < 6; ++i)
        if (checked[static_cast<std::size_t>(i)]) type += i;
    return type;
}

int DisturbanceFromButtons(bool word, bool real) {
    return (word ? kDisturbanceWord : 0) + (real ? kDisturbanceReal : 0);
}

bool FieldEnabled(SimField field, const SimChoices& c) {
    switch (field) {
        case F::TauA:
        case F::MinSU:
        case F::MaxSU:
            return c.astat;
        case F::DDelta:
            return c.delay && DeadTimeEnabled(c.plantType);
        case F::Y0:
        case F::Ys:
        case F::SimT:
            return true;
        default:
            return PlantParameterEnabled(c.plantType, field);
    }
}

SimParseResult SettingsFromFields(const std::array<std::string, kSimFields>& texts, const SimChoices& choices,
                                  const PlantSettings& base) {
    SimParseResult result;
    PlantSettings p = base;
    p.simulation = choices.simulation;
    p.astat = choices.astat;
    p.delay = choices.delay && DeadTimeEnabled(choices.plantType);
    p.plantType = choices.plantType;
    p.addOut = choices.addOut;
    p.addOutName = choices.addOutName;
    for (std::size_t i = 0; i < kSimFields; ++i) {
        const auto field = static_cast<SimField>(i);
        if (!FieldEnabled(field, choices)) continue;
        const SimFieldLimits lim = LimitsOf(field);
        const std::optional<double> v = StrictNumber(texts[i]);
        if (!v || (lim.integer && *v != std::trunc(*v))) {
            result.problem = SimFieldProblem{field, 3437};
            return result;
        }
        if (*v < lim.min || *v > lim.max) {
            result.problem = SimFieldProblem{field, 3435};
            return result;
        }
        if (field == F::DDelta)
            p.dDelta = static_cast<int>(*v);
        else
            Member(p, field) = *v;
    }
    if (p.astat && p.minSU >= p.maxSU) {
        result.problem = SimFieldProblem{F::MinSU, 3435};
        return result;
    }
    if (p.addOut != kDisturbanceNone && p.addOutName.find_first_not_of(" \t") == std::string::npos) {
        result.missingDisturbanceName = true;
        return result;
    }
    result.settings = p;
    return result;
}

std::string FieldText(SimField field, const PlantSettings& settings, char separator) {
    if (field == F::DDelta) return std::to_string(settings.dDelta);
    PlantSettings copy = settings;
    return FormatDecimal(Member(copy, field), separator);
}

std::vector<double> StepResponse(PlantSettings settings, double input, int steps) {
    settings.simulation = true;
    settings.addOut = kDisturbanceNone;
    SimulatedInputs inputs;
    inputs.pidController = false;
    PlantSimulation model;
    model.load(settings, inputs);
    model.setPlantInput(input);
    std::vector<double> out;
    out.reserve(static_cast<std::size_t>(std::max(steps, 0)) + 1);
    out.push_back(model.output());
    for (int i = 0; i < steps; ++i) {
        model.step();
        out.push_back(model.output());
    }
    return out;
}

double PreviewInput(const PlantSettings& p) {
    const double gain = std::abs(p.su);
    return gain > 1 ? 100 / gain : 100;
}

double PreviewSeconds(const PlantSettings& p) {
    const double zw = p.delta * p.omega;
    const double oscillation = zw > 0 ? 1 / zw : 3600;
    double slowest = 0;
    switch (p.plantType) {
        case kPlantFirstOrder:
            slowest = p.tau1;
            break;
        case kPlantSecondOrder:
            slowest = p.tau1 + p.tau2;
            break;
        case kPlantSecondOrderOscillating:
            slowest = oscillation;
            break;
        case kPlantThirdOrder:
            slowest = p.tau1 + p.tau2 + p.tau3;
            break;
        case kPlantThirdOrderOscillating:
            slowest = p.tau1 + oscillation;
            break;
        default:
            break;
    }
    double seconds = 5 * slowest;
    if (p.delay && DeadTimeEnabled(p.plantType)) seconds += p.dDelta * PlantSimulation::kStep;
    if (p.astat && p.tauA > 0) seconds += p.tauA * std::abs(p.maxSU - p.minSU) / 100;
    if (!std::isfinite(seconds)) return 3600;
    return std::clamp(seconds, 2.0, 3600.0);
}

}  // namespace velmora
