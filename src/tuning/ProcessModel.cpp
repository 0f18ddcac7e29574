#include "tuning/ProcessModel.h"

#include <algorithm>
#include <cmath>

namespace velmora::tuning {

namespace {

constexpr int kMaxOrder = 4;  // two lags, the integrator and the held input
using Matrix = std::array<std::array<double, kMaxOrder>, kMaxOrder>;

Matrix Multiply(const Matrix& a, const Matrix& b, int n) {
    Matrix c{};
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) {
            if (a[i][k] == 0) continue;
            for (int j = 0; j < n; ++j) c[i][j] += a[i][k] * b[k][j];
        }
    return c;
}

// e^M by scaling and squaring with a Taylor series (n ≤ 4, so cheap enough per step size).
Matrix Exponential(Matrix m, int n) {
    double norm = 0;
    for (int i = 0; i < n; ++i) {
        double row = 0;
        for (int j = 0; j < n; ++j) row += std::abs(m[i][j]);
        norm = std::max(norm, row);
    }
    const int squarings = norm > 0.5 ? static_cast<int>(std::ceil(std::log2(norm / 0.5))) : 0;
    const double scale = std::ldexp(1.0, -squarings);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) m[i][j] *= scale;
    Matrix sum{}, term{};
    for (int i = 0; i < n; ++i) sum[i][i] = term[i][i] = 1;
    for (int k = 1; k <= 12; ++k) {
        term = Multiply(term, m, n);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) sum[i][j] += term[i][j] /= k;
    }
    for (int s = 0; s < squarings; ++s) sum = Multiply(sum, sum, n);
    return sum;
}

// The augmented matrix [[A, B], [0, 0]]·τ of the unit-gain model; its exponential holds
// Φ(τ) and Γ(τ) = ∫₀^τ e^{As} ds·B.
Matrix Augmented(const ProcessModel& m, int states, double tau) {
    Matrix a{};
    const int in = states;  // the column of the input
    const double t = std::max(m.timeConstant, 1e-9);
    if (m.lags == 1) {
        a[0][0] = -1 / t, a[0][in] = 1 / t;
    } else {
        a[0][1] = 1;
        a[1][0] = -1 / (t * t), a[1][1] = -2 * m.damping / t, a[1][in] = 1 / (t * t);
    }
    if (m.integrating) a[states - 1][0] = 1;
    for (auto& row : a)
        for (double& v : row) v *= tau;
    return a;
}

}  // namespace

std::optional<std::pair<double, double>> ProcessModel::realLags() const {
    if (lags == 1) return std::pair{timeConstant, 0.0};
    if (damping < 1) return std::nullopt;
    const double root = std::sqrt(damping * damping - 1);
    return std::pair{timeConstant * (damping + root), timeConstant * (damping - root)};
}

double ProcessModel::timeScale() const {
    if (lags == 1) return timeConstant + deadTime;
    // The pair's mean delay 2ζT, or for light damping its decay time T/ζ.
    return std::max(2 * damping * timeConstant, timeConstant / std::max(damping, 0.05)) + deadTime;
}

std::string ProcessModel::name() const {
    std::string text = lags == 1 ? "first order with dead time" : "second order with dead time";
    return integrating ? text + " and integrator" : text;
}

std::complex<double> FrequencyResponse(const ProcessModel& m, double omega) {
    using C = std::complex<double>;
    const C s(0, omega);
    const double t = m.timeConstant;
    const C lags = m.lags == 1 ? 1.0 + s * t : 1.0 + s * (2 * m.damping * t) + s * s * (t * t);
    C g = m.gain * std::exp(-s * m.deadTime) / lags;
    if (m.integrating) g /= s;
    return g;
}

DiscreteModel::DiscreteModel(const ProcessModel& model, double h, double extraDelay) {
    n_ = model.lags + (model.integrating ? 1 : 0);
    out_ = model.integrating ? n_ - 1 : 0;
    const double delay = std::max(0.0, model.deadTime + extraDelay) / h;
    const double whole = std::floor(delay + 1e-9);
    const double fraction = std::clamp(delay - whole, 0.0, 1.0);
    // Over a step the delayed input is the older one for fraction·h, then the newer one.
    const Matrix late = Exponential(Augmented(model, n_, (1 - fraction) * h), n_ + 1);
    const Matrix early = Exponential(Augmented(model, n_, fraction * h), n_ + 1);
    for (int i = 0; i < n_; ++i) {
        newer_[i] = late[i][n_];
        for (int j = 0; j < n_; ++j) {
            older_[i] += late[i][j] * early[j][n_];
            for (int k = 0; k < n_; ++k) phi_[i][j] += late[i][k] * early[k][j];
        }
    }
    ring_.assign(static_cast<std::size_t>(whole) + 2, 0.0);
}

double DiscreteModel::step(double u) {
    const std::size_t size = ring_.size();
    ring_[at_] = u;
    const double newer = ring_[(at_ + 2) % size];  // u[k−d]: d + 1 places back in a ring of d + 2
    const double older = ring_[(at_ + 1) % size];  // u[k−d−1]
    at_ = (at_ + 1) % size;
    Vector next{};
    for (int i = 0; i < n_; ++i) {
        double v = newer_[i] * newer + older_[i] * older;
        for (int j = 0; j < n_; ++j) v += phi_[i][j] * x_[j];
        next[i] = v;
    }
    x_ = next;
    return x_[out_];
}

std::vector<double> StepResponse(const ProcessModel& model, double h, int count) {
    ProcessModel unit = model;
    unit.gain = 1;
    DiscreteModel d(unit, h);
    std::vector<double> y(static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = model.gain * (i == 0 ? 0.0 : d.step(1));
    return y;
}

}  // namespace velmora::tuning
