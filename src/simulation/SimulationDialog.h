#pragma once
// The rules of the plant-simulation dialog: which fields each plant type
// enables, how the radio buttons encode TypSoustavy and AddOut, the limits
// of each field, and the open-loop step response drawn as its preview.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulation/PlantSimulation.h"

namespace velmora {

// The numeric fields of the dialog.
enum class SimField {
    Su,
    Su2,
    Tau1,
    Tau2,
    Tau3,
    Delta,
    Omega,
    TauA,
    MinSU,
    MaxSU,
    DDelta,
    Y0,
    Ys,
    SimT,
    Count
};
constexpr std::size_t kSimFields = static_cast<std::size_t>(SimField::Count);

struct SimFieldLimits {
    double min, max;
    bool integer;
};
SimFieldLimits LimitsOf(SimField field);

// The plant parameters (K+, K-, the time constants, damping and frequency)
// that the plant type uses; type 0 and unknown types use none.
bool PlantParameterEnabled(int plantType, SimField field);
// The dead-time check box: every plant type but 0.
bool DeadTimeEnabled(int plantType);

// The six plant-type buttons, "zadna" first: 1 x first + 2 x second + ... + 5 x fifth.
int PlantTypeFromButtons(const std::array<bool, 6>& checked);
// The disturbance buttons: 1 x word + 2 x float ("nic" is 0).
int DisturbanceFromButtons(bool word, bool real);

// The state of the dialog's check boxes and buttons besides the edits.
struct SimChoices {
    bool simulation = false, astat = false, delay = false;
    int plantType = kPlantFirstOrder;
    int addOut = kDisturbanceNone;
    std::string addOutName;
};

// Whether a field can be edited with these choices.
bool FieldEnabled(SimField field, const SimChoices& choices);

// A field the dialog refuses, with the text id of the reason (3437 not a
// number, 3435 out of range).
struct SimFieldProblem {
    SimField field;
    int textId;
};

// Reads the enabled fields strictly (the whole text is one number, "," or
// "." as decimal point, within its limits). A disabled field keeps its value
// from `base`. The lower limit of the integrating stage must lie below its
// upper limit; a disturbance source needs a variable name (reported on
// DDelta's neighbour: nothing, the caller tells the user by text id).
struct SimParseResult {
    std::optional<PlantSettings> settings;
    std::optional<SimFieldProblem> problem;
    bool missingDisturbanceName = false;
};
SimParseResult SettingsFromFields(const std::array<std::string, kSimFields>& texts, const SimChoices& choices,
                                  const PlantSettings& base);

// The dialog's text of a field value (integers without decimals).
std::string FieldText(SimField field, const PlantSettings& settings, char separator);

// The open-loop response of the plant to a step of the input from 0 to
// `input` % at time 0, with the simulation switched on and no disturbance:
// one output value per model step of 0.1 s, starting with y0.
std::vector<double> StepResponse(PlantSettings settings, double input, int steps);
// The preview's input step: 100 %, smaller for a gain above 1 so that the
// response does not run into the 100 % limit.
double PreviewInput(const PlantSettings& settings);
// How long the preview shows: about five times the slowest part of the
// plant, plus its dead time, within 2 s .. 1 h.
double PreviewSeconds(const PlantSettings& settings);

}  // namespace velmora
