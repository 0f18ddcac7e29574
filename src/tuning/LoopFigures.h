#pragma once
// Frequency-domain figures of a sampled loop: maximum sensitivity, gain and
// phase margin of the controller's discrete law with the hold, on a plant's
// frequency response.
#include <cmath>
#include <complex>
#include <functional>

#include "tuning/LoopSettings.h"
#include "tuning/ProcessModel.h"

namespace velmora::tuning {

struct FrequencyFigures {
    double ms = INFINITY;           // max |1 / (1 + L)|
    double gainMargin = INFINITY;   // factor; infinite when the phase never reaches −180° with |L| < 1
    double phaseMargin = INFINITY;  // degrees; infinite when |L| never crosses 1
};

// The controller's response from y to u (sign included: u = −C·y) at z = e^{jωT}.
std::complex<double> ControllerResponse(const ControlLaw& law, double T, double omega);

// Figures of L = C(e^{jωT}) · hold · G(jω) over ω from `low` up to the Nyquist
// frequency π/T (or `high` when that is lower). The hold is the zero-order hold
// (1 − e^{−jωT})/(jωT). Margins are taken at crossings of |L| = 1 and of the
// phase −180° with |L| < 1 (an integrating loop's low-frequency phase of
// −180° at high gain is not a margin).
FrequencyFigures LoopFigures(const std::function<std::complex<double>(double)>& plant, const ControlLaw& law,
                             double T, double low, double high);

// The same on a process model with a further transport delay; the controller
// acts against the model's sign when `reverse`, and a loop whose action does
// not match the model's sign gets no figures (all infinite).
FrequencyFigures ModelLoopFigures(const ProcessModel& model, const ControlLaw& law, double T, bool reverse,
                                  double extraDelay = 0);

}  // namespace velmora::tuning
