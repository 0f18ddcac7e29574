#pragma once
// A process model in the controller's units (y in % of the measuring range,
// u in %): gain, one lag, a second-order pair or a lag in front of a pair,
// dead time, optionally an integrator; and its exact discretisation for a
// held input.
#include <array>
#include <complex>
#include <string>
#include <vector>

namespace velmora::tuning {

struct ProcessModel {
    int lags = 1;  // 1: 1/(T·s + 1); 2: 1/(T²·s² + 2ζ·T·s + 1); 3: 1/(T₀·s + 1) times the pair
    bool integrating = false;  // a further 1/s; the gain is then in %/(%·s)
    double gain = 1;           // %/% (static)
    double timeConstant = 1;   // T, s
    double damping = 1;        // ζ of the second-order pair
    double lag = 0;            // T₀, s: the lag in front of the pair (lags 3)
    double deadTime = 0;       // s

    // A pair with ζ < 1: its time constants are not real.
    bool oscillating() const { return lags >= 2 && damping < 1; }
    // The time constants, longest first, 0 where there is none; an oscillating
    // pair counts as one lag of its mean delay 2ζT.
    std::array<double, 3> lagTimes() const;
    // The fastest lag: what the simulation's steps must resolve.
    double fastest() const;
    // The time in which the lags mostly respond (their mean delay, or the decay
    // time of an oscillating pair) plus the dead time.
    double timeScale() const;
    // "first order with dead time", "third order with dead time and integrator", ...
    std::string name() const;
};

// The model's time terms as the outputs show them: "T" for one lag, "T1" "T2"
// ("T3") for real lags, or the lag "T1" and the pair's "T" and "damping".
struct ModelTerm {
    const char* name;
    double value;
    bool seconds;  // a time (otherwise the damping, without unit)
};
std::vector<ModelTerm> TimeTerms(const ProcessModel& model);

// G(jω).
std::complex<double> FrequencyResponse(const ProcessModel& model, double omega);

// The model stepped on a grid of h seconds with the input held over each step
// (exact, with the dead time split into whole steps and a fraction). Unit gain:
// the caller scales. Starts at rest with zero input.
class DiscreteModel {
public:
    DiscreteModel(const ProcessModel& model, double h, double extraDelay = 0);

    // Feeds the input of the step that starts now; returns the output at its end.
    double step(double u) {
        switch (n_) {
            case 1:
                return advance<1>(u);
            case 2:
                return advance<2>(u);
            case 3:
                return advance<3>(u);
            default:
                return advance<kStates>(u);
        }
    }
    double output() const { return x_[out_]; }

private:
    static constexpr int kStates = 4;
    // step() for n states: the fits and the loop simulations run it millions of times, so the
    // state count is a constant the loops unroll over.
    template <int N>
    double advance(double u);
    using Vector = std::array<double, kStates>;
    int n_ = 1, out_ = 0;
    std::array<Vector, kStates> phi_{};
    Vector newer_{}, older_{};  // input weights of u[k−d] and u[k−d−1]
    Vector x_{};
    std::vector<double> ring_;
    std::size_t at_ = 0;
};

template <int N>
double DiscreteModel::advance(double u) {
    const std::size_t size = ring_.size();
    ring_[at_] = u;
    // u[k−d] is d + 1 places back in a ring of d + 2, u[k−d−1] the place after at_.
    const std::size_t next1 = at_ + 1 == size ? 0 : at_ + 1;
    const std::size_t next2 = next1 + 1 == size ? 0 : next1 + 1;
    const double newer = ring_[next2], older = ring_[next1];
    at_ = next1;
    Vector next{};
    for (int i = 0; i < N; ++i) {
        double v = newer_[i] * newer + older_[i] * older;
        for (int j = 0; j < N; ++j) v += phi_[i][j] * x_[j];
        next[i] = v;
    }
    x_ = next;
    return x_[out_];
}

// The unit step response (deviation) at times i·h, i = 0..count−1.
std::vector<double> StepResponse(const ProcessModel& model, double h, int count);

}  // namespace velmora::tuning
