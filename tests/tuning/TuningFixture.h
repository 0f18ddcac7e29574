#pragma once
// Known plants for the tuning tests, computed from their closed-form
// responses (not from the code under test), and recordings of bumps on them.
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "tuning/ProcessModel.h"
#include "tuning/Recording.h"

namespace velmora::tuning::testing {

struct KnownPlant {
    double gain = 1;
    double t1 = 0, t2 = 0;    // real lags (t2 0: one lag)
    double zeta = 1, tn = 0;  // an oscillating pair instead (tn > 0)
    double dead = 0;
    bool integrating = false;
    double t3 = 0;  // a third real lag, all three distinct
};

inline ProcessModel Model(int lags, bool integrating, double gain, double t, double zeta, double dead) {
    ProcessModel m;
    m.lags = lags, m.integrating = integrating, m.gain = gain, m.timeConstant = t, m.damping = zeta;
    m.deadTime = dead;
    return m;
}

// The unit step response at τ after the step.
inline double UnitStep(const KnownPlant& p, double tau) {
    if (tau <= 0) return 0;
    double y;
    if (p.tn > 0) {
        const double wn = 1 / p.tn, root = std::sqrt(1 - p.zeta * p.zeta), wd = wn * root;
        y = 1 - std::exp(-p.zeta * wn * tau) * (std::cos(wd * tau) + p.zeta / root * std::sin(wd * tau));
    } else {
        // Distinct real lags Tᵢ: 1 − Σ Tᵢⁿ⁻¹/Πⱼ≠ᵢ(Tᵢ − Tⱼ)·e^(−τ/Tᵢ); integrated,
        // τ − ΣTᵢ + Σ Tᵢⁿ/Πⱼ≠ᵢ(Tᵢ − Tⱼ)·e^(−τ/Tᵢ).
        const double all[] = {p.t1, p.t2, p.t3};
        const int n = p.t3 > 0 ? 3 : p.t2 > 0 ? 2 : 1;
        y = p.integrating ? tau : 1;
        for (int i = 0; i < n; ++i) {
            double weight = std::pow(all[i], n - (p.integrating ? 0 : 1));
            for (int j = 0; j < n; ++j)
                if (j != i) weight /= all[i] - all[j];
            y += (p.integrating ? weight : -weight) * std::exp(-tau / all[i]) - (p.integrating ? all[i] : 0);
        }
    }
    return p.gain * y;
}

struct Bump {
    double h = 0.1, length = 100, at = 10, du = 10;
    double pulse = std::numeric_limits<double>::infinity();  // back to u0 after this long
    double noise = 0;                                        // uniform ± this, %
    double u0 = 30, y0 = 30;
    unsigned seed = 1;
    double jitter = 0;    // sample times moved by up to ± this share of h
    double start = 0;     // s, the first sample's time (`at` counts from it)
    bool single = false;  // times in single precision, as the graph page keeps them
    double drift = 0;     // %/s on y throughout: an integrating plant resting off its balance
};

// u steps by du at `at` (and back after `pulse`); y as the graph page keeps it (0.01 %).
inline std::vector<RecordedSample> Record(const KnownPlant& p, const Bump& b) {
    std::mt19937 random(b.seed);
    std::uniform_real_distribution<double> noise(-1, 1);
    std::vector<RecordedSample> r;
    for (long i = 0; i * b.h <= b.length; ++i) {
        const double t = i * b.h + (i > 0 ? b.jitter * b.h * noise(random) : 0);
        const double start = t - b.at - p.dead;
        const double y = b.y0 + b.drift * t + b.du * (UnitStep(p, start) - UnitStep(p, start - b.pulse));
        const bool on = t >= b.at && t < b.at + b.pulse;
        const double at = b.single ? static_cast<float>(b.start + t) : b.start + t;
        r.push_back(
            {at, b.y0, b.u0 + (on ? b.du : 0), std::round((y + b.noise * noise(random)) * 100) / 100});
    }
    return r;
}

}  // namespace velmora::tuning::testing
