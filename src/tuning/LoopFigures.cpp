#include "tuning/LoopFigures.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace velmora::tuning {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kPoints = 500;

// Where along [a, b] a crosses to b through the level, linearly.
double Between(double a, double b, double level) {
    return b == a ? 0.0 : std::clamp((level - a) / (b - a), 0.0, 1.0);
}

}  // namespace

std::complex<double> ControllerResponse(const ControlLaw& law, double T, double omega) {
    using C = std::complex<double>;
    const C back = std::exp(C(0, -omega * T));  // z^-1
    C c = law.proportional ? 1.0 : 0.0;
    if (law.ti > 0) c += (T / law.ti) * (law.integralLate ? back : C(1.0)) / (1.0 - back);
    if (law.td > 0) {
        const double a = law.td / (law.td + law.nd * T);
        c += law.nd * a * (1.0 - back) / (1.0 - a * back);
    }
    return law.k * c;
}

FrequencyFigures LoopFigures(const std::function<std::complex<double>(double)>& plant, const ControlLaw& law,
                             double T, double low, double high) {
    using C = std::complex<double>;
    high = std::min(high, kPi / T);
    FrequencyFigures f;
    f.ms = 0;
    std::vector<double> gain(kPoints + 1), phase(kPoints + 1);
    for (int i = 0; i <= kPoints; ++i) {
        const double w = low * std::pow(high / low, static_cast<double>(i) / kPoints);
        const C hold = w * T < 1e-9 ? C(1.0) : (1.0 - std::exp(C(0, -w * T))) / C(0, w * T);
        const C l = ControllerResponse(law, T, w) * hold * plant(w);
        f.ms = std::max(f.ms, 1 / std::abs(1.0 + l));
        gain[i] = std::abs(l);
        double p = std::arg(l) * 180 / kPi;
        if (i == 0) {
            if (p > 90) p -= 360;  // a loop with integral action starts below 0°
        } else {
            while (p - phase[i - 1] > 180) p -= 360;
            while (p - phase[i - 1] < -180) p += 360;
        }
        phase[i] = p;
    }
    for (int i = 1; i <= kPoints; ++i) {
        if ((gain[i - 1] - 1) * (gain[i] - 1) <= 0 && gain[i - 1] != gain[i]) {
            const double p = phase[i - 1] + Between(gain[i - 1], gain[i], 1) * (phase[i] - phase[i - 1]);
            const double margin = std::remainder(p + 180, 360.0);
            f.phaseMargin = std::min(f.phaseMargin, margin);
        }
        const double a = std::floor((phase[i - 1] + 180) / 360), b = std::floor((phase[i] + 180) / 360);
        if (a != b) {
            const double level = 360 * std::max(a, b) - 180;
            const double g = gain[i - 1] + Between(phase[i - 1], phase[i], level) * (gain[i] - gain[i - 1]);
            if (g < 1 && g > 0) f.gainMargin = std::min(f.gainMargin, 1 / g);
        }
    }
    return f;
}

FrequencyFigures ModelLoopFigures(const ProcessModel& model, const ControlLaw& law, double T, bool reverse,
                                  double extraDelay) {
    if ((model.gain < 0) != reverse || model.gain == 0) return {};
    ProcessModel m = model;
    m.gain = std::abs(model.gain);
    m.deadTime += extraDelay;
    const double scale = m.timeScale() + T;
    return LoopFigures([&](double w) { return FrequencyResponse(m, w); }, law, T, 1e-3 / scale, 1e3 / scale);
}

}  // namespace velmora::tuning
