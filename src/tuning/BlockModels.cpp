#include "tuning/BlockModels.h"

#include <algorithm>
#include <cmath>

namespace velmora::tuning {

namespace {

// An INT store: rounded and saturated, as the block's word writes are.
std::int16_t Word(double v) {
    return static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
}

// The set-point modification, tiW counted in samples: a first-order filter, or with RF a ramp
// that runs the whole measuring range in tiW samples.
double NextSetpoint(const PidBlockSettings& s, double state, double w) {
    const double samples = static_cast<std::uint16_t>(s.tiW);
    if (samples <= 0) return w;
    if (!s.ramp) return state + (w - state) / (samples + 1);
    const double rate = std::abs(static_cast<double>(s.maxY) - s.minY) / samples;
    return w > state ? std::min(w, state + rate) : std::max(w, state - rate);
}

}  // namespace

void PidBlockModel::setOutput(double percent) {
    output_ = Word(percent * 100);
}

void PidBlockModel::call(int input1, int gW, double dtMs, bool automatic) {
    const bool started = started_;
    dtMs = std::max(0.0, dtMs);
    const double range = static_cast<double>(s_.maxY) - s_.minY;
    const double minU = s_.minU / 100.0, maxU = s_.maxU / 100.0;
    const bool parameterError = range == 0 || s_.pBnd <= 0 || minU > maxU;
    double timeMs = static_cast<double>(time_) + dtMs;
    if (!started) {
        wState_ = static_cast<float>(gW);
        integral_ = static_cast<float>(curOut_ / 100.0);
        dState_ = 0;
        position_ = curOut_;
        timeMs = 1e12;
    }
    const double periodMs = s_.outCycle * 10.0;
    const bool sample = timeMs >= periodMs;
    const double T = started ? std::min(timeMs, 1e9) / 1000.0 : 0.0;
    if (sample) timeMs = 0;
    double curOut = curOut_ / 100.0;
    sampled_ = false;
    if (parameterError) {
        // Nothing is computed; the output holds.
    } else if (!automatic) {
        curOut = std::clamp(output_ / 100.0, minU, maxU);
    } else if (sample) {
        controlStep(input1, gW, T, curOut);
        sampled_ = true;
    }
    if (!automatic) integral_ = s_.incremental ? static_cast<float>(curOut) : integral_;
    curOut_ = Word(curOut * 100.0);
    if (automatic) output_ = Word(curOut * 100.0);
    up_ = down_ = false;
    if (s_.threeStage && !parameterError) threeStage(sample, curOut, timeMs, dtMs);
    const bool held = !automatic || parameterError;
    held_ = held || (held_ && !(sample && !held));
    started_ = true;
    time_ = static_cast<float>(timeMs);
}

void PidBlockModel::controlStep(double y, double w, double T, double& curOut) {
    const double range = static_cast<double>(s_.maxY) - s_.minY, sign = s_.reverse ? -1.0 : 1.0;
    const auto percent = [&](double raw) { return (raw - s_.minY) * 100.0 / range; };
    double wPrev = wState_;
    const double wState = NextSetpoint(s_, wState_, w);
    const double x = sign * percent(y), wp = sign * percent(wState);
    double prevX = prevX_;
    const bool resume = !started_ || held_;
    if (resume) prevX = x, wPrev = wState;
    const auto withDeadBand = [&](double e) {
        const double gap = s_.eGap / 100.0;
        if (std::abs(e) <= gap) return 0.0;
        return e > 0 ? e - gap : e + gap;
    };
    const double eRaw = wp - x, e = withDeadBand(eRaw);
    double band = s_.pBnd / 10.0;
    if (e < 0) band = band * s_.relCool / 1000.0;
    const double kp = band > 0 ? 100.0 / band : 0.0;
    const double ti = s_.ti / 10.0, td = s_.td / 10.0, iGap = s_.iGap / 100.0, dGap = s_.dGap / 100.0;
    double d = dState_;
    const double dPrev = d;
    if (td > 0 && T > 0 && !(dGap > 0 && std::abs(eRaw) > dGap))
        d += (-kp * td * (x - prevX) / T - d) * T / (td / 4.0 + T);  // on the measurement, filtered to Td/4
    else
        d = 0;
    const bool integrate = ti > 0 && T > 0 && !(iGap > 0 && std::abs(eRaw) > iGap);
    const double iStep = integrate ? kp * T / ti * e : 0.0, previous = curOut;
    if (s_.incremental) {
        const double ePrev = withDeadBand(sign * percent(wPrev) - prevX);
        const double base = resume ? curOut : static_cast<double>(integral_);
        curOut = limited(base + kp * (e - ePrev) + iStep + (d - dPrev), previous);
        integral_ = static_cast<float>(curOut);
    } else {
        curOut = positional(kp * e, iStep, d, resume, previous);
    }
    prevX_ = static_cast<float>(x);
    dState_ = static_cast<float>(d);
    wState_ = static_cast<float>(wState);
    lastOut_ = Word(previous * 100.0);
}

double PidBlockModel::limited(double u, double previous) const {
    const double limit = s_.dMaxU / 100.0;
    if (limit > 0 && !s_.threeStage) u = std::clamp(u, previous - limit, previous + limit);
    return std::clamp(u, s_.minU / 100.0, s_.maxU / 100.0);
}

// P + I + D; the integral stops while the output is held at a limit in the direction the error
// pushes, and stays within the limits widened by the proportional part.
double PidBlockModel::positional(double pPart, double iStep, double d, bool resume, double previous) {
    const double minU = s_.minU / 100.0, maxU = s_.maxU / 100.0;
    double integral = integral_;
    if (!started_)
        integral = std::clamp(0.0, minU, maxU);
    else if (resume)
        integral = std::clamp(previous - pPart - d, minU, maxU);
    const double u = pPart + integral + iStep + d, out = limited(u, previous);
    if (!((out < u && iStep > 0) || (out > u && iStep < 0))) integral += iStep;
    integral = std::clamp(integral, minU - std::abs(pPart), maxU + std::abs(pPart));
    integral_ = static_cast<float>(integral);
    return limited(pPart + integral + d, previous);
}

void PidBlockModel::threeStage(bool sample, double curOut, double timeMs, double dtMs) {
    const double periodMs = s_.outCycle * 10.0;
    const double speed = (s_.dMaxU > 0 && periodMs > 0) ? s_.dMaxU / periodMs : 10000.0 / 60000.0;
    double position = position_;
    if (sample) {
        const double start = std::clamp(position, 0.0, 10000.0), demand = curOut * 100.0;
        const double most = speed * std::max(periodMs, dtMs);
        double travel = std::clamp(demand - start, -most, most);
        if (std::abs(travel) < std::max(speed * dtMs, s_.fu * 32.0)) travel = 0;
        // A demand at an end keeps driving into the end stop.
        if ((demand >= 10000 && travel >= 0) || (demand <= 0 && travel <= 0))
            travel = demand >= 10000 ? most : -most;
        lastOut_ = Word(start);
        position = start + travel;
        position_ = Word(position);
    }
    const double travel = position - lastOut_;
    const double since = sample ? 0 : timeMs;
    if (since < std::abs(travel) / speed) up_ = travel > 0, down_ = travel < 0;
}

PidaBlockModel::PidaBlockModel(const PidaBlockSettings& s) {
    // The block reads its REAL parameters before it turns a serial form into the parallel one.
    const auto real = [](double v) { return static_cast<double>(static_cast<float>(v)); };
    double k = real(s.k), ti = std::max(0.0, real(s.ti)), td = std::max(0.0, real(s.td));
    if (s.serial) SerialToParallel(k, ti, td);
    k_ = static_cast<float>(k), ti_ = static_cast<float>(ti), td_ = static_cast<float>(td);
    nd_ = static_cast<float>(s.nd), b_ = static_cast<float>(s.b), c_ = static_cast<float>(s.c);
    tt_ = static_cast<float>(std::max(0.0, s.tt));
    hi_ = static_cast<float>(s.hilim), lo_ = static_cast<float>(s.lolim), ts_ = static_cast<float>(s.ts);
    type_ = s.irType, reverse_ = s.reverse;
}

void PidaBlockModel::call(double spIn, double pvIn, double dtMs, bool manual, double hvIn) {
    dtMs = std::max(0.0, dtMs);
    const bool first = !started_;
    const double time = static_cast<double>(time_) + dtMs / 1000.0;
    sampled_ = false;
    if (!first && time + dtMs / 2000.0 < ts_) {
        time_ = static_cast<float>(time);
        return;
    }
    const double h = first ? 0.0 : time;
    time_ = 0, started_ = sampled_ = true;
    double hi = hi_, lo = lo_;
    if (lo > hi) std::swap(lo, hi);
    const double kk = k_, tiV = ti_, tdV = td_, ndV = std::max(1.0, static_cast<double>(nd_)), ttV = tt_;
    const double s = reverse_ ? -1.0 : 1.0;
    const double sp = static_cast<float>(spIn), pv = static_cast<float>(pvIn), hv = static_cast<float>(hvIn);
    double integral = first ? 0.0 : static_cast<double>(integral_), d = dState_;
    const double e = s * (sp - pv), weighted = s * (c_ * sp - pv);
    const double prevWeighted = first ? weighted : static_cast<double>(prevWeighted_);
    const double pPart = (type_ & 4) ? kk * s * (b_ * sp - pv) : 0.0;
    if ((type_ & 1) && tdV > 0 && h > 0) {
        const double ad = tdV / (tdV + ndV * h);
        d = ad * d + kk * ndV * ad * (weighted - prevWeighted);
    } else {
        d = 0;
    }
    const double v = pPart + integral + d;
    const double out = std::clamp(manual ? hv : v, lo, hi);
    if (manual) {
        integral = out - pPart - d;  // the integral follows: back to automatic without a bump
    } else if ((type_ & 2) && tiV > 0 && h > 0) {
        const double back = ttV > 0 ? std::min(1.0, h / ttV) * (out - v) : (out - v);
        integral += kk * h / tiV * e + back;
    }
    integral_ = static_cast<float>(integral);
    dState_ = static_cast<float>(d);
    prevWeighted_ = static_cast<float>(weighted);
    mv_ = static_cast<float>(out);
}

}  // namespace velmora::tuning
