#pragma once
// G(jw) of the simulation's plants as the tuning benchmarks set them: type 1..5
// with time constants 10, 5, 2 s, the oscillating stage at delta 1, omega 0.5,
// unit gains, an integrator of 20 s when astat, and the given dead time.
#include <complex>

namespace velmora::bench {

inline std::complex<double> PlantResponse(int type, bool astat, double deadTime, double w) {
    using C = std::complex<double>;
    const C s(0, w);
    C g = std::exp(-s * deadTime);
    const C osc = 0.5 / (s * s + s + 0.5);  // w^2(1 + delta^2) / (s^2 + 2 delta w s + w^2(1 + delta^2))
    switch (type) {
        case 1:
            g /= 1.0 + 10.0 * s;
            break;
        case 2:
            g /= (1.0 + 10.0 * s) * (1.0 + 5.0 * s);
            break;
        case 3:
            g *= osc;
            break;
        case 4:
            g /= (1.0 + 10.0 * s) * (1.0 + 5.0 * s) * (1.0 + 2.0 * s);
            break;
        case 5:
            g *= osc / (1.0 + 10.0 * s);
            break;
    }
    if (astat) g /= 20.0 * s;
    return g;
}

}  // namespace velmora::bench
