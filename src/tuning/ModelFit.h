#pragma once
// Identification from a recording window: the model structures (one lag, a
// second-order pair or a lag in front of a pair, each with and without an
// integrator) fitted by least squares with a dead-time search, and the
// simplest that explains the data chosen (see Choose in ModelFit.cpp and
// kSimplerMargin).
#include <string>
#include <vector>

#include "tuning/ProcessModel.h"
#include "tuning/Recording.h"

namespace velmora::tuning {

// One fitted structure: y ≈ offset + drift·t + gain·response(u − u at the start).
struct FitCandidate {
    ProcessModel model;
    double nrmse = 0;   // RMS error over the model's excursion in the window
    double rms = 0;     // RMS error, %
    double offset = 0;  // y at the window's start, %
    double drift = 0;   // %/s (integrating structures: u at the start off balance)
};

struct ModelFit {
    ProcessModel model;  // the chosen structure
    double nrmse = 0;
    int chosen = 0;  // its index in candidates
    // First and second order, third order where the pair shows more than one lag; the same
    // with an integrator.
    std::vector<FitCandidate> candidates;
    // Operating point at the window's start: the input and the fitted y there.
    double u0 = 0, y0 = 0;
    // Input at which an integrating process holds still (u0 for a static one).
    double balance = 0;
    // The chosen structure refitted with the longest dead time the window explains
    // about as well (see kPlausible): what noise or an imperfect structure leave open.
    ProcessModel longest;
    // The models the window explains about as well as the chosen one: `longest` and
    // the other candidates within kPlausible. The design keeps its targets on them.
    std::vector<ProcessModel> plausible;
    // The fit grid: times, y averaged over each step, and the chosen model's y.
    std::vector<double> time, measured, fitted;
    std::vector<std::string> notes;  // things the user should know about the fit
};

struct FitOutcome {
    ModelFit fit;
    std::string error;  // CheckExcitation's reason when the window cannot be fitted
    bool ok() const { return error.empty(); }
};

// The most points the fit works on: longer windows are averaged into this many
// equal steps (which also takes out noise).
constexpr int kMaxFitPoints = 1500;

// How much better a richer structure must fit to be chosen over a simpler
// one: the systematic error it removes, √(NRMSE₁² − NRMSE₂²), a share of the
// model's excursion (or half the error). Fitting noise with one more
// parameter removes far less.
constexpr double kSimplerMargin = 0.001;
// ... and significantly, against the noise it fits too: the F statistic of the
// residuals (one more parameter) at least this (the 0.1 % level).
constexpr double kSignificance = 10.8;
// How much worse a fit may be and still count as explaining the window: the F
// statistic of the residuals against the best fit (about two standard deviations).
constexpr double kPlausible = 4;
// Residuals above this share of the response that scatter from step to step rather than follow it:
// noise the previews are uncertain by, and the fit says so.
constexpr double kNoisyShare = 0.03;

// `knownDelay`: a dead time the recording is known to hold (the view's exchange with a
// plant it simulates), so the fit does not explain it by a lag; 0 for a real plant.
FitOutcome FitModel(const Window& window, double knownDelay = 0);

}  // namespace velmora::tuning
