#pragma once
// Suggested parameters for a fitted model at three speeds. Each speed sets a
// robustness target, the maximum sensitivity Ms of the loop (1.2 slow, 1.4
// normal, 1.6 fast, as the PIDA tuner's); within it the design searches the
// parameters with the least IAE of a set-point step followed by a load step
// in the model's loop, sampled as the block samples. The slow speed also
// keeps the set-point step's overshoot small.
#include <cmath>
#include <string>
#include <vector>

#include "tuning/LoopSettings.h"
#include "tuning/ProcessModel.h"

namespace velmora::tuning {

enum class Speed { Slow, Normal, Fast };

constexpr Speed kSpeeds[] = {Speed::Slow, Speed::Normal, Speed::Fast};
double TargetMs(Speed speed);
// On the further models a window explains as well (DesignOptions::alsoFor) the loop
// may by default reach this much more Ms than the speed's target, at most the fast
// target 1.6: they bound what noise leaves open, they are not the process the window saw.
constexpr double kPlausibleMsAllowance = 0.1;
const char* SpeedName(Speed speed);

// The situation the design optimises for, as the preview shows it: the
// operating point and the steps (the output limits come from the controller).
struct DesignOptions {
    double scan = 0.01;        // s, the PLC cycle
    double exchangeDelay = 0;  // s, a transport delay the recording did not contain
    double y0 = 50, u0 = 50;   // operating point
    double setpointStep = 10;  // %, turned down as the preview turns it
    double loadStep = NAN;     // %; NaN: DefaultLoadStep
    // Further models the recording explains about as well (ModelFit::plausible): the
    // suggestions keep Ms within the target plus kPlausibleMsAllowance on these, so that
    // noise cannot talk the design into a loop that only the fitted model would carry.
    std::vector<ProcessModel> alsoFor;
    double plausibleMsAllowance = kPlausibleMsAllowance;  // 0: the speed's own target on them too
    // s, the view's exchange (PreviewOptions::exchangePeriod), designed for as ExchangeAsDelay.
    double exchangePeriod = 0;
};

struct Suggestion {
    Speed speed = Speed::Normal;
    LoopController controller;  // the current settings with the suggested parameters
    double ms = 0;              // of the suggested (rounded) parameters on the model
    std::vector<std::string> notes;
};

struct Design {
    std::vector<Suggestion> suggestions;  // slow, normal, fast
    std::vector<std::string> notes;       // about the loop as a whole
};

// Only PBnd, Ti, Td, TiW (PID) or k, ti, td, nd, b, c (PIDMA) change; the
// sampling period, limits and output stage stay as `current` has them. The
// PIDMA's weight b keeps the set-point step's overshoot on the model within
// 1 % (slow), 10 % (normal), 20 % (fast); the PID's set-point filter TiW
// keeps the slow speed's within 1 % and is 0 at the other speeds; where the
// controller ramps its set point and the filter would bring w to the step in
// less than half the ramp's time, the slow speed takes the filter (RF off).
Design DesignLoop(const ProcessModel& model, const LoopController& current,
                  const DesignOptions& options = {});

// The design's criterion for a control law on a model (gain taken positive),
// in units of the set-point step: IAE of a unit set-point step plus that of a
// load step at the plant input, and the set-point step's overshoot (a fraction
// of the step). The output stays within its limits (relative to the operating
// point, in the same units) with the block's anti-windup. Not stable: infinite IAE.
struct LawLimits {
    double low = -INFINITY, high = INFINITY;
    bool positional = false;  // PID: conditional integration instead of the incremental form's clamp
    double tt = 0;            // PIDA (a law whose integral acts late): tracking time
    double load = NAN;        // NaN: DefaultLoadStep of a unit step
};
struct LawResponse {
    double iae = INFINITY, overshoot = 0;
};
LawResponse SimulateLaw(const ProcessModel& model, const ControlLaw& law, double T, double extraDelay,
                        bool withLoad, const LawLimits& limits = {});

}  // namespace velmora::tuning
