#include "simulation/PlantSimulation.h"

#include "simulation/InputConversion.h"

#include <algorithm>
#include <cmath>

namespace velmora {

PlantSimulation::PlantSimulation() {
    load(PlantSettings{});
}

void PlantSimulation::load(const PlantSettings& settings, const SimulatedInputs& inputs) {
    settings_ = settings;
    settings_.dDelta = std::clamp(settings_.dDelta, 0, kMaxDeadTimeSteps);
    inputs_ = inputs;
    ring_.assign(static_cast<std::size_t>(settings_.dDelta) + 1, settings_.y0);
    k_ = 0;
    x1_ = s_ = yd_ = settings_.y0;
    // The previous input and output of the second-order stage are not part of
    // the reset: they start at 0 with the view and carry over a reload.
    ysim_ = settings_.y0;
    a_ = 0;
    y1_ = y3_ = RawInputValue{};
    stepped_ = false;
    newValue_ = false;
    dirty_ = true;
}

void PlantSimulation::computeSecondOrderCoefficients() {
    const double t1 = settings_.tau1, t2 = settings_.tau2, T = kStep;
    if (t1 == t2) {
        a_coef_ = 1 - (T / t1 + 1) * e1_;
        b_ = (1 - T / t1) * e1_ - e1_ * e1_;
        c_ = 2 * e1_;
        d_ = e1_ * e1_;
    } else {
        a_coef_ = (t1 - t2 - t1 * e1_ + t2 * e2_) / (t1 - t2);
        b_ = (t1 * e2_ - t2 * e1_ - (t1 - t2) * e1_ * e2_) / (t1 - t2);
        c_ = e1_ + e2_;
        d_ = e1_ * e2_;
    }
}

void PlantSimulation::computeOscillatingCoefficients() {
    const double z = settings_.delta, w = settings_.omega, T = kStep;
    eOmega_ = std::exp(-z * w * T);
    g_ = std::cos(T * w - std::atan(-z)) * std::sqrt(z * z * w * w + w * w);
    const double cw = std::cos(T * w);
    a_coef_ = -2 * w * cw * eOmega_ + g_ * eOmega_ + w;
    b_ = w * eOmega_ * eOmega_ - g_ * eOmega_;
    c_ = 2 * cw * eOmega_;
    d_ = -eOmega_ * eOmega_;
}

// The disturbance from its source, kept within 0..100 %.
void PlantSimulation::readDisturbance() {
    double a = 0;
    if (settings_.addOut == kDisturbanceWord) a = reading_.word * 0.01;
    if (settings_.addOut == kDisturbanceReal) a = reading_.real;
    a_ = std::isfinite(a) ? std::clamp(a, 0.0, 100.0) : 0.0;
}

// The stage input s: the plant input itself, or its integral within the stage's limits.
void PlantSimulation::integratingStage() {
    const PlantSettings& p = settings_;
    if (!p.astat) {
        s_ = u_;
        return;
    }
    const double next = s_ + kStep / p.tauA * u_;
    // A zero time constant with zero input is no motion, not a NaN.
    if (!std::isnan(next)) s_ = next;
    if (s_ >= p.maxSU) s_ = p.maxSU;
    if (s_ < p.minSU) s_ = p.minSU;
}

// The stage input of dDelta steps ago from the dead-time ring (the current one without dead time).
double PlantSimulation::delayedInput() {
    const PlantSettings& p = settings_;
    ring_[k_] = s_;
    if (p.delay) {
        if (++k_ >= p.dDelta) k_ = 0;
    } else {
        k_ = 0;
    }
    return ring_[k_];
}

// One step of the plant's model on the deviation from the equilibrium yd_.
void PlantSimulation::plantStep(double K, double ud) {
    const PlantSettings& p = settings_;
    const double lo = -p.ys, hi = 100 - p.ys;
    switch (p.plantType) {
        case kPlantFirstOrder:
            yd_ = (yd_ - K * ud) * e1_ + K * ud;
            break;
        case kPlantSecondOrder:
            if (dirty_) computeSecondOrderCoefficients();
            yd_ = (a_coef_ * ud - b_ * up_) * K + c_ * yd_ - d_ * yp_;
            up_ = ud;
            break;
        case kPlantSecondOrderOscillating:
            if (dirty_) computeOscillatingCoefficients();
            yd_ = (a_coef_ * ud + b_ * up_) * K / p.omega + c_ * yd_ + d_ * yp_;
            up_ = ud;
            break;
        case kPlantThirdOrder:
            x1_ = (x1_ - K * ud) * e3_ + K * ud;
            if (x1_ > hi) x1_ = hi;
            if (x1_ < lo) x1_ = lo;
            if (dirty_) computeSecondOrderCoefficients();
            yd_ = a_coef_ * x1_ - b_ * up_ + c_ * yd_ - d_ * yp_;
            up_ = x1_;
            break;
        case kPlantThirdOrderOscillating:
            x1_ = (x1_ - K * ud) * e1_ + K * ud;
            if (x1_ > hi) x1_ = hi;
            if (x1_ < lo) x1_ = lo;
            if (dirty_) computeOscillatingCoefficients();
            yd_ = (a_coef_ * x1_ + b_ * up_) / p.omega + c_ * yd_ + d_ * yp_;
            up_ = x1_;
            break;
        case kPlantNone:
            yd_ = 0;
            break;
        default:  // a type the dialog cannot set leaves the output where it is
            break;
    }
}

// The raw values an integer controller's first and third inputs would read.
void PlantSimulation::rawInputs() {
    const SimulatedInputs& in = inputs_;
    double v1 = 0;
    bool y1Defined = in.maxY != in.minY;
    if (y1Defined) v1 = in.minY + 0.01 * ysim_ * (static_cast<double>(in.maxY) - in.minY);
    const double v3 = in.y3x1 + 0.01 * s_ * (static_cast<double>(in.y3x2) - in.y3x1);
    // The generated code multiplies a REAL input of these modes by 100 or 10 into the
    // controller's range; the value written is what reads back as v1 there.
    const double realScale = in.y1Mode == -711 || in.y1Mode == -712 ? 100 : (in.y1Mode == -751 ? 10 : 1);
    if (IsRealInputMode(in.y1Mode))
        y1_ = {v1 / realScale, true};
    else
        y1_ = {y1Defined ? double(ConvertInputToRaw(in.y1Mode, v1, in.plcTypeIndex)) : 0.0, false};
    if (IsRealInputMode(in.y3Mode))
        y3_ = {v3, true};
    else
        y3_ = {double(ConvertInputToRaw(in.y3Mode, v3, in.plcTypeIndex)), false};
}

void PlantSimulation::step() {
    const PlantSettings& p = settings_;
    readDisturbance();
    if (!p.simulation) {
        newValue_ = true;
        return;
    }
    yd_ -= p.ys;
    integratingStage();
    const double K = s_ > 0 ? p.su : p.su2;
    const double ud = delayedInput();
    if (dirty_) {
        e1_ = std::exp(-kStep / p.tau1);
        e2_ = std::exp(-kStep / p.tau2);
        e3_ = std::exp(-kStep / p.tau3);
    }
    const double yold = yd_;
    plantStep(K, ud);
    yd_ += p.ys;
    // Degenerate constants (both time constants or the frequency zero) give
    // NaN; the output then rests at 0 instead of poisoning the state.
    if (std::isnan(yd_)) yd_ = 0;
    if (yd_ >= 100) yd_ = 100;
    if (yd_ < 0) yd_ = 0;
    ysim_ = yd_ + a_;
    yp_ = yold;
    dirty_ = false;
    if (inputs_.pidController) rawInputs();
    stepped_ = true;
    newValue_ = true;
}

double PidPlantInput(int outputTypeCode, int curOut, bool upBit, bool downBit) {
    if (outputTypeCode & 0x08) return curOut * 0.01;
    if (upBit && downBit) return 0;
    if (upBit) return 100;
    if (downBit) return -100;
    return 0;
}

int CommTimerInterval(double simT) {
    constexpr double kHourMs = 3600.0 * 1000.0;
    const double ms = std::round(simT * 125);
    if (!(ms >= 1)) return 1;
    return static_cast<int>(std::min(ms, kHourMs));
}

}  // namespace velmora
