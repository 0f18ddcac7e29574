#include "tuning/ProcessModel.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace velmora::tuning {

namespace {

constexpr int kMaxOrder = 5;  // three lags, the integrator and the held input
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

// e^M by scaling and squaring with a Taylor series (n ≤ 5, so cheap enough per step size).
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
// Φ(τ) and Γ(τ) = ∫₀^τ e^{As} ds·B. The output is state 0; the lag of lags 3 feeds the pair
// from the state after it, the integrator is the last state.
Matrix Augmented(const ProcessModel& m, int states, double tau) {
    Matrix a{};
    const int in = states;  // the column of the input
    const double t = std::max(m.timeConstant, 1e-9);
    if (m.lags == 1) {
        a[0][0] = -1 / t, a[0][in] = 1 / t;
    } else {
        const int drive = m.lags == 3 ? 2 : in;
        a[0][1] = 1;
        a[1][0] = -1 / (t * t), a[1][1] = -2 * m.damping / t, a[1][drive] = 1 / (t * t);
        if (m.lags == 3) {
            const double t0 = std::max(m.lag, 1e-9);
            a[2][2] = -1 / t0, a[2][in] = 1 / t0;
        }
    }
    if (m.integrating) a[states - 1][0] = 1;
    for (auto& row : a)
        for (double& v : row) v *= tau;
    return a;
}

}  // namespace

std::array<double, 3> ProcessModel::lagTimes() const {
    std::array<double, 3> out{timeConstant, 0, 0};
    if (lags == 1) return out;
    if (damping < 1) {
        out[0] = 2 * damping * timeConstant;
    } else {
        const double root = std::sqrt(damping * damping - 1);
        out[0] = timeConstant * (damping + root), out[1] = timeConstant * (damping - root);
    }
    if (lags == 3) out[2] = lag;
    std::sort(out.begin(), out.end(), std::greater<>());
    return out;
}

double ProcessModel::fastest() const {
    if (lags == 1) return timeConstant;
    const double pair = timeConstant * std::min(1.0, damping);
    return lags == 3 ? std::min(pair, lag) : pair;
}

double ProcessModel::timeScale() const {
    if (lags == 1) return timeConstant + deadTime;
    // The pair's mean delay 2ζT, or for light damping its decay time T/ζ.
    const double pair = std::max(2 * damping * timeConstant, timeConstant / std::max(damping, 0.05));
    return pair + (lags == 3 ? lag : 0) + deadTime;
}

std::string ProcessModel::name() const {
    const char* order[] = {"first", "second", "third"};
    const std::string text = std::string(order[std::clamp(lags, 1, 3) - 1]) + " order with dead time";
    return integrating ? text + " and integrator" : text;
}

std::vector<ModelTerm> TimeTerms(const ProcessModel& m) {
    if (m.lags == 1) return {{"T", m.timeConstant, true}};
    if (!m.oscillating()) {
        const auto t = m.lagTimes();
        std::vector<ModelTerm> terms{{"T1", t[0], true}, {"T2", t[1], true}};
        if (m.lags == 3) terms.push_back({"T3", t[2], true});
        return terms;
    }
    std::vector<ModelTerm> terms;
    if (m.lags == 3) terms.push_back({"T1", m.lag, true});
    terms.push_back({"T", m.timeConstant, true});
    terms.push_back({"damping", m.damping, false});
    return terms;
}

std::complex<double> FrequencyResponse(const ProcessModel& m, double omega) {
    using C = std::complex<double>;
    const C s(0, omega);
    const double t = m.timeConstant;
    C lags = m.lags == 1 ? 1.0 + s * t : 1.0 + s * (2 * m.damping * t) + s * s * (t * t);
    if (m.lags == 3) lags *= 1.0 + s * m.lag;
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

std::vector<double> StepResponse(const ProcessModel& model, double h, int count) {
    ProcessModel unit = model;
    unit.gain = 1;
    DiscreteModel d(unit, h);
    std::vector<double> y(static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = model.gain * (i == 0 ? 0.0 : d.step(1));
    return y;
}

}  // namespace velmora::tuning
