#pragma once
// A process model in the controller's units (y in % of the measuring range,
// u in %): gain, one lag or a second-order pair, dead time, optionally an
// integrator; and its exact discretisation for a held input.
#include <array>
#include <complex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora::tuning {

struct ProcessModel {
    int lags = 1;              // 1: 1/(T·s + 1); 2: 1/(T²·s² + 2ζ·T·s + 1)
    bool integrating = false;  // a further 1/s; the gain is then in %/(%·s)
    double gain = 1;           // %/% (static)
    double timeConstant = 1;   // T, s
    double damping = 1;        // ζ of the second-order pair
    double deadTime = 0;       // s

    // The real time constants T1 ≥ T2 (T2 = 0 for one lag); nullopt for an
    // oscillating pair (ζ < 1).
    std::optional<std::pair<double, double>> realLags() const;
    // The time in which the lags mostly respond (their mean delay, or the decay
    // time of an oscillating pair) plus the dead time.
    double timeScale() const;
    // "first order with dead time", "second order with dead time and integrator", ...
    std::string name() const;
};

// G(jω).
std::complex<double> FrequencyResponse(const ProcessModel& model, double omega);

// The model stepped on a grid of h seconds with the input held over each step
// (exact, with the dead time split into whole steps and a fraction). Unit gain:
// the caller scales. Starts at rest with zero input.
class DiscreteModel {
public:
    DiscreteModel(const ProcessModel& model, double h, double extraDelay = 0);

    // Feeds the input of the step that starts now; returns the output at its end.
    double step(double u);
    double output() const { return x_[out_]; }

private:
    static constexpr int kStates = 3;
    using Vector = std::array<double, kStates>;
    int n_ = 1, out_ = 0;
    std::array<Vector, kStates> phi_{};
    Vector newer_{}, older_{};  // input weights of u[k−d] and u[k−d−1]
    Vector x_{};
    std::vector<double> ring_;
    std::size_t at_ = 0;
};

// The unit step response (deviation) at times i·h, i = 0..count−1.
std::vector<double> StepResponse(const ProcessModel& model, double h, int count);

}  // namespace velmora::tuning
