#pragma once
// The autotuner of the PIDA block: a pulse experiment on the open loop, a
// process model fitted to the response, and PID parameters designed on that
// model for a maximum-sensitivity target. docs/softplc.md describes it.
#include <cstdint>
#include <span>

#include "base/PidaStructure.h"

namespace velmora::softplc {

// The tuner's state: from here in the PIDA block's private area to its end
// (the block keeps its accepted parameters and state before it).
constexpr int kTunerState = plc::kPidaStructSize + 64;
constexpr int kTunerBytes = plc::kPidaStructSize + plc::kPidaPrivateSize - kTunerState;

// Tuner error codes (ite).
enum TunerError : int {
    kTuneOk = 0,
    kTuneThresholdTooSmall = 1,
    kTuneAmplitudeTooHuge = 2,
    kTuneNoSteadyState = 3,
    kTuneAmplitudeTooSmall = 4,
    kTunePeakNotFound = 5,
    kTuneSaturated = 6,
    kTuneNotAvailable = 7,
    kTuneNotMonotonic = 8,
    kTuneExtrapolation = 9,
    kTuneBadMoments = 10,
};

// K·e^(−L·s) / ((1 + T1·s)(1 + T2·s)), with a further 1/s when integrating
// (then K is the gain of the integrator, per second).
struct ProcessModel {
    bool integrating = false;
    double gain = 0, t1 = 0, t2 = 0, deadTime = 0;
};

// Parameters in the block's form: parallel u = k·(b·w − y + I/ti + td·D), or serial.
struct PidSettings {
    double k = 0, ti = 0, td = 0, nd = 10, b = 1, c = 0;
};

// The model's deviation at time t after a pulse of height amp lasting tp.
double PulseResponse(const ProcessModel& model, double amp, double tp, double t);
// Least-squares fit of the model's time constants and dead time (the gain in
// closed form) to samples y[i] taken at i·interval after the pulse started.
ProcessModel FitPulseResponse(std::span<const float> y, double interval, double amp, double tp,
                              const ProcessModel& start);
// Parameters for the model, in the block's form (serial when `serial`), by the recording
// tuner's design (tuning/LoopDesign) for the speed (1 slow, 2 normal, 3 fast): the least IAE
// of a set-point and a load step within the speed's Ms target; PI when withDerivative is
// false; the set-point weight b keeps the model's overshoot within 1 / 10 / 20 %.
PidSettings DesignPid(const ProcessModel& model, bool withDerivative, int speed, bool serial, double ts);

// One sample of the tuner inside the PIDA block: h is the time since the last
// sample, mv the output the block holds. While an experiment runs it drives
// the output (`drives` with `mv`); it reports through TBSY, TE, ite and the
// suggested parameters, and writes them into the block's parameters (with
// CHANGED) when TAFF is set while a result waits.
struct TunerOutput {
    bool drives = false;
    double mv = 0;
};
TunerOutput RunTuner(std::uint8_t* tpida, double h, double mv);

}  // namespace velmora::softplc
