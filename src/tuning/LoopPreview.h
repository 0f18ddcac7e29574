#pragma once
// The preview of a loop before anything is written: on the fitted model, a
// set-point step and then a load step at the plant input, with the block's
// own algorithm as the PLC runs it (sampling, rounding, limits, output stage),
// the view's exchange and any further delay; figures for each step and the frequency-
// domain margins.
#include <cmath>
#include <string>
#include <vector>

#include "tuning/LoopFigures.h"
#include "tuning/LoopSettings.h"
#include "tuning/ProcessModel.h"

namespace velmora::tuning {

struct PreviewOptions {
    double setpointStep = 10;  // % of the measuring range; turned down when y0 + step leaves 0 .. 100 %
    double loadStep = NAN;     // % at the plant input; NaN: see DefaultLoadStep
    double exchangeDelay = 0;  // s, a transport delay the recording did not contain
    // s, the view's exchange between block and plant (0: none): the plant gets the
    // output read at the last exchange, the block the y written there.
    double exchangePeriod = 0;
    double scan = 0.01;       // s, the PLC cycle the block is called at
    double y0 = 50, u0 = 50;  // operating point: y (= w) and the output that holds it
    double horizon = 0;       // s per step; 0: from the model (see PreviewHorizon)
    int curvePoints = 2000;   // the most points of the returned curves
    bool withLoad = true;     // false: the set-point step alone
};

struct StepFigures {
    double overshoot = 0;   // beyond the new set point, % of the set-point step
    double peak = 0;        // largest |w − y|, %
    double settling = NAN;  // s from the step until y stays within ±2 % of the set-point step; NaN: never
    double iae = 0;         // ∫|w − y| dt, %·s
};

// The set-point step's figures over the models a recording explains about as well as the
// chosen one: what the recording leaves open (NaN: not run, or none settles).
struct StepSpread {
    double overshootLow = NAN, overshootHigh = NAN;
    double settlingLow = NAN, settlingHigh = NAN;
    bool unsettled = false;  // on one of them the step does not settle within the horizon
};

struct Preview {
    StepFigures setpoint, load;
    StepSpread spread;
    FrequencyFigures margins;
    bool settled = false;  // both steps settled within the horizon
    double samplePeriod = 0, horizon = 0, setpointStep = 0, loadStep = 0;
    std::vector<double> time, w, y, u;  // the load step starts at `horizon`
    std::vector<std::string> notes;
};

// The view's exchange as the frequency-domain figures and the design's law count it: u and y
// are each held for a period, half a period's delay on either side.
inline double ExchangeAsDelay(double exchangePeriod) {
    return exchangePeriod > 0 ? exchangePeriod : 0;
}

// A load at the plant input that moves a static process's y by the set-point
// step (for an integrating process: by the set-point step over its time scale),
// against the step. The output (limits lo .. hi, at u0 before the load) must be
// able to take it back: the load turns where the output has less than half the
// room it has on the other side, and takes at most half the room it leaves.
double DefaultLoadStep(const ProcessModel& model, double setpointStep, double samplePeriod, double lo,
                       double hi, double u0);
// Long enough for a well-tuned loop to settle: 15 (integrating 25) time scales
// of the model with its sampling, at least 40 sampling periods.
double PreviewHorizon(const ProcessModel& model, double samplePeriod, double exchangeDelay);

// How long the PID block's set-point modification (TiW) takes to bring its w to a step: a ramp
// (RF) runs the whole measuring range in TiW samples, the filter takes four of its time constants.
// The preview watches the step that much longer: a ramp's overshoot comes when it ends.
double SetpointModificationTime(const LoopController& controller, double samplePeriod, double setpointStep);

Preview PreviewLoop(const ProcessModel& model, const LoopController& controller,
                    const PreviewOptions& options);

// The set-point step of `preview` (run on its model with `options`) once more on each of
// `others`, the spread of its figures into `preview.spread`, and a note where it is wider than
// a user would read past: 3 percentage points of overshoot, or 15 % of the settling time.
void SpreadOver(Preview& preview, const std::vector<ProcessModel>& others, const LoopController& controller,
                const PreviewOptions& options);

// Figures of a step: y at spacing h after the step's start (when it was `start`)
// against the new set point w1; `step` is the set-point step's size.
StepFigures StepFiguresOf(const std::vector<double>& y, double start, double w1, double h, double step);
// The time after which y stays within ±band of w1 (NaN: still outside near the end).
double SettledWithin(const std::vector<double>& y, double w1, double h, double band);
// How far the band may move (a share of it) before a settling time counts as hanging on a
// swing that grazes it: where the band 15 % narrower or wider moves the settling time by more
// than 15 %, the preview says so.
constexpr double kGrazing = 0.15;

}  // namespace velmora::tuning
