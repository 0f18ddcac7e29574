#include "softplc/Autotuner.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "softplc/BlockMemory.h"
#include "tuning/LoopDesign.h"
#include "tuning/LoopSettings.h"
#include "tuning/Minimise.h"

namespace velmora::softplc {

using plc::PidaOffset;

namespace {

constexpr double kTiny = 1e-9;

// Unit step response of the lags 1/((1 + T1 s)(1 + T2 s)), and its integral (the ramp response).
double LagStep(double t1, double t2, double t) {
    if (t <= 0) return 0;
    if (t1 < t2) std::swap(t1, t2);
    if (t1 < kTiny) return 1;
    if (t2 < kTiny) return 1 - std::exp(-t / t1);
    if (t1 - t2 < 1e-4 * t1) return 1 - (1 + t / t1) * std::exp(-t / t1);
    return 1 - (t1 * std::exp(-t / t1) - t2 * std::exp(-t / t2)) / (t1 - t2);
}
double LagRamp(double t1, double t2, double t) {
    if (t <= 0) return 0;
    if (t1 < t2) std::swap(t1, t2);
    if (t1 < kTiny) return t;
    if (t2 < kTiny) return t - t1 + t1 * std::exp(-t / t1);
    if (t1 - t2 < 1e-4 * t1) return t - 2 * t1 + (2 * t1 + t) * std::exp(-t / t1);
    return t - t1 - t2 + (t1 * t1 * std::exp(-t / t1) - t2 * t2 * std::exp(-t / t2)) / (t1 - t2);
}

}  // namespace

double PulseResponse(const ProcessModel& m, double amp, double tp, double t) {
    const auto f = [&](double x) { return m.integrating ? LagRamp(m.t1, m.t2, x) : LagStep(m.t1, m.t2, x); };
    return m.gain * amp * (f(t - m.deadTime) - f(t - m.deadTime - tp));
}

ProcessModel FitPulseResponse(std::span<const float> y, double interval, double amp, double tp,
                              const ProcessModel& start) {
    ProcessModel shape = start;
    const auto cost = [&](const tuning::SearchPoint& z, ProcessModel& out) {
        out.t1 = std::exp(z[0]);
        out.t2 = std::exp(z[1]);
        out.deadTime = z[2] * z[2];
        out.gain = 1;
        double yy = 0, yf = 0, ff = 0;
        for (std::size_t i = 0; i < y.size(); ++i) {
            const double f = PulseResponse(out, amp, tp, static_cast<double>(i) * interval);
            yy += double(y[i]) * y[i];
            yf += y[i] * f;
            ff += f * f;
        }
        out.gain = ff > 0 ? std::max(0.0, yf / ff) : 0.0;
        return yy - 2 * out.gain * yf + out.gain * out.gain * ff;
    };
    const double span = std::max(start.t1 + start.t2 + start.deadTime, interval);
    double best = INFINITY;
    ProcessModel fitted = start;
    // A few starts spread over the share of dead time, since the fit has local minima there.
    for (const double share : {0.1, 0.4, 0.7}) {
        tuning::SearchPoint z{std::log(span * (1 - share) * 0.8), std::log(span * (1 - share) * 0.2),
                              std::sqrt(span * share), 0};
        const auto f = [&](const tuning::SearchPoint& x) { return cost(x, shape); };
        tuning::MinimiseSimplex(f, z, 3, 0.5, 250);
        const double v = tuning::MinimiseSimplex(f, z, 3, 0.1, 150);
        if (v < best) {
            best = v;
            cost(z, fitted);
        }
    }
    if (fitted.t1 < fitted.t2) std::swap(fitted.t1, fitted.t2);
    // Lags far below the sample spacing cannot be told from dead time.
    if (fitted.t2 < 0.05 * interval) fitted.t2 = 0;
    return fitted;
}

PidSettings DesignPid(const ProcessModel& m, bool withDerivative, int speed, bool serial, double ts) {
    // The two real lags as a pair with damping of at least 1.
    tuning::ProcessModel model;
    model.integrating = m.integrating, model.gain = m.gain, model.deadTime = m.deadTime;
    model.lags = m.t2 > 0 ? 2 : 1;
    model.timeConstant = m.t2 > 0 ? std::sqrt(m.t1 * m.t2) : m.t1;
    model.damping = m.t2 > 0 ? (m.t1 + m.t2) / (2 * model.timeConstant) : 1;
    // The experiment tells nothing about where the loop will run: no output limits.
    tuning::LoopController block;
    block.kind = ControllerKind::Pidma;
    block.pida.ts = ts, block.pida.irType = withDerivative ? 7 : 6, block.pida.serial = serial;
    block.pida.lolim = -1e9, block.pida.hilim = 1e9;
    tuning::DesignOptions situation;
    situation.scan = ts;
    const tuning::Design design = tuning::DesignLoop(model, block, situation);
    const tuning::PidaBlockSettings& a = design.suggestions.at(std::clamp(speed, 1, 3) - 1).controller.pida;
    return {a.k, a.ti, a.td, a.nd, a.b, a.c};
}

// ------------------------------------------------------------ the experiment

namespace {

enum Phase : std::uint8_t { kIdle = 0, kQuiet = 1, kPulse = 2, kResponse = 3, kConfirm = 4 };
constexpr int kRecord = 52;

// Everything the experiment keeps between samples, in the block's private area.
struct TunerState {
    std::uint8_t phase, pending, peakFound, halfSeen, reserved[4];
    float t;                 // s since the quiet phase (kQuiet) or since the pulse started
    float u0, sp0, dir;      // output and setpoint before, direction of the pulse (±1)
    float quietTime, noise;  // length of the quiet phase, noise band of the measurement
    float base, slope;       // baseline and drift of the measurement at the pulse start
    float lo, hi;            // extremes during the quiet phase
    float tp;                // pulse length, s
    float peak, low;         // largest response, lowest after the peak (static) / level (astatic)
    float tLevel, tHalf;     // since when the level holds (static: since the last fall); when the static
                             // response fell to half
    float tThird;            // when the static response fell to 35 %
    float tPeak, tEnd, end;  // static: time of the peak; when and at what the response was taken
    float prev;              // last response, for the trapezoid sums
    float interval, nextRecord;
    float fallen;  // static: the response at its last fall (tLevel)
    std::uint16_t count, reserved2;
    double sn, st, sy, stt, sty;  // drift regression
    double m0, m1, m2;            // moments of the response
    float record[kRecord];        // response at i·interval after the pulse start
};
static_assert(sizeof(TunerState) <= kTunerBytes);
static_assert(std::is_trivially_copyable_v<TunerState>);

using namespace memory;

// The shape of the quiet measurement y[i] (taken every `interval` s) beyond a straight line, from a
// parabola fitted through it. `bend`: its curvature accrued over `span` seconds, less twice the band of
// the samples around it. `settle`: when it bends beyond that band towards rest, the travel still ahead
// if it settles like an exponential from its rate at the end. Both 0 with fewer than 5 samples.
struct QuietShape {
    double bend = 0, settle = 0;
};
QuietShape ShapeOfQuiet(const float* y, int n, double interval, double span) {
    if (n < 5) return {};
    // Centred times make the odd power sums vanish, so the fit splits into two small systems.
    double sxx = 0, sx4 = 0, sy = 0, sxy = 0, sx2y = 0;
    for (int i = 0; i < n; ++i) {
        const double x = (i - (n - 1) / 2.0) * interval, x2 = x * x;
        sxx += x2, sx4 += x2 * x2, sy += y[i], sxy += x * y[i], sx2y += x2 * y[i];
    }
    const double det = n * sx4 - sxx * sxx;
    if (!(det > 0) || !(sxx > 0)) return {};
    const double c = (n * sx2y - sxx * sy) / det, a = (sy - c * sxx) / n, b = sxy / sxx;
    double lo = INFINITY, hi = -INFINITY;
    for (int i = 0; i < n; ++i) {
        const double x = (i - (n - 1) / 2.0) * interval, r = y[i] - (a + b * x + c * x * x);
        lo = std::min(lo, r), hi = std::max(hi, r);
    }
    QuietShape shape;
    shape.bend = std::max(0.0, std::abs(c) * span * span - 2 * (hi - lo));
    // An exponential's rate over its curvature is its time constant: rate² / curvature is what remains.
    const double rate = b + 2 * c * (n - 1) / 2.0 * interval;
    if (shape.bend > 0 && rate * c < 0) shape.settle = rate * rate / (2 * std::abs(c));
    return shape;
}

class Experiment {
public:
    explicit Experiment(std::uint8_t* p) : p_(p) {
        std::memcpy(&s_, p + kTunerState, sizeof s_);
        // The private area is PLC memory anyone can write: a state that cannot be ours starts over.
        if (s_.phase > kConfirm || s_.count > kRecord || !(s_.interval >= 0) || !std::isfinite(s_.t))
            s_ = TunerState{};
    }
    ~Experiment() { std::memcpy(p_ + kTunerState, &s_, sizeof s_); }

    TunerOutput sample(double h, double mv);

private:
    void start(double mv);
    void fail(int code);
    void quiet(double y);
    void response(double h, double y);
    void record(double dy);
    // The regression slope of the recorded response from `since` on; not a number with fewer than five
    // samples.
    double slopeSince(double since) const;
    void finish(double end);
    void takeOver();
    double reading(int at, double fallback) const {
        const double v = GetF(p_, at);
        return std::isfinite(v) ? v : fallback;
    }

    std::uint8_t* p_;
    TunerState s_;
    TunerOutput out_;
};

TunerOutput Experiment::sample(double h, double mv) {
    // TUNE and TBRK are commands: taken and cleared, so the next write of 1 counts again.
    const bool tuneEdge = p_[PidaOffset("TUNE")] != 0, breakEdge = p_[PidaOffset("TBRK")] != 0;
    p_[PidaOffset("TUNE")] = 0;
    p_[PidaOffset("TBRK")] = 0;
    if (s_.phase == kIdle) {
        if (tuneEdge) start(mv);
    } else if (breakEdge) {
        // Broken off: no result, the controller goes on from the output as it is.
        s_.phase = kIdle;
        p_[PidaOffset("TBSY")] = 0;
    } else {
        s_.t += static_cast<float>(h);
        const float y = GetF(p_, PidaOffset("pv")), w = GetF(p_, PidaOffset("sp"));
        if (!std::isfinite(y) || !(std::abs(w - s_.sp0) <= 1e-6f * std::max(1.0f, std::abs(s_.sp0)))) {
            // The operating point moved (or the measurement failed): the response means nothing.
            fail(kTuneNoSteadyState);
        } else if (s_.phase == kQuiet) {
            quiet(y);
        } else {
            response(h, y);
        }
    }
    if (s_.phase != kIdle) {
        out_.drives = true;
        out_.mv = s_.u0 + (s_.phase == kPulse ? s_.dir * GetF(p_, PidaOffset("amp")) : 0.0f);
    }
    if (s_.pending && p_[PidaOffset("TAFF")]) takeOver();
    return out_;
}

void Experiment::start(double mv) {
    const std::int32_t type = Get32(p_, PidaOffset("itType")), speed = Get32(p_, PidaOffset("ispeed")),
                       form = Get32(p_, PidaOffset("ipid")), info = Get32(p_, PidaOffset("iainf"));
    s_ = TunerState{};
    p_[PidaOffset("TBSY")] = 1;
    p_[PidaOffset("TE")] = 0;
    Set32(p_, PidaOffset("ite"), kTuneOk);
    if ((type != 6 && type != 7) || speed < 1 || speed > 3 || form < 1 || form > 2 || info < 1 || info > 2)
        return fail(kTuneNotAvailable);
    const double amp = reading(PidaOffset("amp"), 0), hi = reading(PidaOffset("hilim"), 100),
                 lo = reading(PidaOffset("lolim"), 0);
    if (!(amp > 0)) return fail(kTuneAmplitudeTooSmall);
    if (mv + amp <= hi)
        s_.dir = 1;
    else if (mv - amp >= lo)
        s_.dir = -1;
    else
        return fail(kTuneSaturated);
    s_.phase = kQuiet;
    s_.u0 = static_cast<float>(mv);
    s_.sp0 = GetF(p_, PidaOffset("sp"));
    const double tn = reading(PidaOffset("tn"), 0), tdg = reading(PidaOffset("tdg"), 0);
    s_.quietTime = static_cast<float>(std::max(p_[PidaOffset("DGC")] ? std::max(tn, tdg) : tn, 0.0));
    s_.lo = INFINITY;
    s_.hi = -INFINITY;
    // Until the pulse the record holds the quiet measurement, for the check that the drift is a line.
    s_.interval = static_cast<float>(std::max(GetF(p_, PidaOffset("Ts")), 1e-3f));
}

void Experiment::fail(int code) {
    s_.phase = kIdle;
    s_.pending = 0;
    p_[PidaOffset("TBSY")] = 0;
    p_[PidaOffset("TE")] = 1;
    Set32(p_, PidaOffset("ite"), code);
}

void Experiment::quiet(double y) {
    s_.sn += 1;
    s_.st += s_.t;
    s_.sy += y;
    s_.stt += double(s_.t) * s_.t;
    s_.sty += s_.t * y;
    s_.lo = std::min(s_.lo, static_cast<float>(y));
    s_.hi = std::max(s_.hi, static_cast<float>(y));
    record(y);
    if (s_.t < s_.quietTime || s_.sn < 5) return;
    const double n = s_.sn, denominator = n * s_.stt - s_.st * s_.st;
    const double slope = denominator > 0 ? (n * s_.sty - s_.st * s_.sy) / denominator : 0.0;
    const double mean = s_.sy / n, meanT = s_.st / n;
    const double drift = std::abs(slope) * s_.t;
    s_.noise = static_cast<float>(std::max(0.0, (s_.hi - s_.lo) - drift));
    const double dy = reading(PidaOffset("dy"), 0);
    const QuietShape shape = ShapeOfQuiet(s_.record, s_.count, s_.interval, s_.t);
    if (p_[PidaOffset("DGC")]) {
        s_.slope = static_cast<float>(slope);
        s_.base = static_cast<float>(mean + slope * (s_.t - meanT));
        // A process still settling from an earlier change bends away from any line: subtracting
        // the line would leave a response that never returns to its baseline.
        if (shape.bend > 0.1 * dy) return fail(kTuneNoSteadyState);
    } else {
        // Still settling counts with the travel ahead, which a short quiet phase sees only in part.
        if (std::max(drift, shape.settle) > 2 * s_.noise + 0.1 * dy) return fail(kTuneNoSteadyState);
        s_.slope = 0;
        s_.base = static_cast<float>(mean);
    }
    if (!(dy > 0) || dy < 4 * s_.noise) return fail(kTuneThresholdTooSmall);
    s_.phase = kPulse;
    s_.t = 0;
    s_.prev = 0;
    s_.count = 0;
    s_.nextRecord = 0;
    s_.interval = static_cast<float>(std::max(GetF(p_, PidaOffset("Ts")), 1e-3f));
    record(0);
}

void Experiment::record(double dy) {
    if (s_.t + 1e-4f * s_.interval < s_.nextRecord) return;
    if (s_.count == kRecord) {
        // Full: keep every other sample at twice the spacing.
        for (int i = 0; i < kRecord / 2; ++i) s_.record[i] = s_.record[2 * i];
        s_.count = kRecord / 2;
        s_.interval *= 2;
        s_.nextRecord = s_.count * s_.interval;
        if (s_.t + 1e-4f * s_.interval < s_.nextRecord) return;
    }
    s_.record[s_.count++] = static_cast<float>(dy);
    s_.nextRecord = s_.count * s_.interval;
}

double Experiment::slopeSince(double since) const {
    double n = 0, st = 0, sy = 0, stt = 0, sty = 0;
    for (int i = 0; i < s_.count; ++i) {
        const double t = i * double(s_.interval);
        if (t < since) continue;
        n += 1, st += t, sy += s_.record[i], stt += t * t, sty += t * s_.record[i];
    }
    const double denominator = n * stt - st * st;
    return n >= 5 && denominator > 0 ? (n * sty - st * sy) / denominator : NAN;
}

void Experiment::response(double h, double y) {
    // The response in the expected direction, drift removed.
    const double sign = s_.dir * (p_[PidaOffset("RACT")] ? -1.0 : 1.0);
    const double d = sign * (y - s_.base - s_.slope * s_.t);
    if (y >= 99.95 || y <= 0.05) return fail(kTuneSaturated);  // the measurement sits at its range end
    const double t = s_.t, tm = t - h / 2, mid = (d + s_.prev) / 2;
    if (s_.phase != kConfirm) {
        s_.m0 += mid * h;
        s_.m1 += tm * mid * h;
        s_.m2 += tm * tm * mid * h;
        s_.prev = static_cast<float>(d);
        record(d);
    }
    const double dy = reading(PidaOffset("dy"), 0), noise = s_.noise;
    const bool integrating = Get32(p_, PidaOffset("iainf")) == 2;
    if (s_.phase == kPulse) {
        if (d <= -dy) return fail(kTuneBadMoments);  // moves against the action of the controller
        if (d >= dy) {
            if (t <= 2.5 * h) return fail(kTuneAmplitudeTooHuge);
            s_.tp = static_cast<float>(t);
            s_.phase = kResponse;
            s_.peak = static_cast<float>(d);
            s_.tPeak = static_cast<float>(t);
            s_.low = static_cast<float>(d);
            s_.tLevel = static_cast<float>(t);
        } else if (t > std::max(600 * h, 200.0)) {
            return fail(kTuneAmplitudeTooSmall);
        }
        return;
    }
    const double limit = std::max(50.0 * s_.tp, 100 * h);
    if (!integrating) {
        if (!s_.peakFound) {
            if (d > s_.peak) {
                s_.peak = static_cast<float>(d);
                s_.tPeak = static_cast<float>(t);
            } else if (d < s_.peak - std::max(3 * noise, 0.05 * s_.peak)) {
                if (3 * noise > 0.4 * s_.peak) return fail(kTuneAmplitudeTooSmall);
                s_.peakFound = 1;
                s_.low = s_.fallen = static_cast<float>(d);
                s_.tLevel = static_cast<float>(t);
            }
        }
        if (s_.peakFound) {
            s_.low = std::min(s_.low, static_cast<float>(d));
            // A fall by the noise band cannot come from the noise alone.
            if (d < s_.fallen - std::max(noise, 0.05 * s_.peak)) {
                s_.fallen = static_cast<float>(d);
                s_.tLevel = static_cast<float>(t);
            }
            // Still well above its baseline, no longer falling for as long as it fell, and the samples since
            // rather rising than falling: the process settles somewhere else (it was still moving when the
            // quiet phase ended, within its noise). A tail that merely decays slowly falls on.
            if (s_.phase == kResponse && t - s_.tLevel > std::max(s_.tLevel - s_.tPeak, s_.tp) &&
                slopeSince(s_.tLevel) >= 0)
                return fail(kTuneNoSteadyState);
            if (d > s_.low + std::max(3 * noise, 0.1 * s_.peak) || d < -std::max(3 * noise, 0.2 * s_.peak))
                return fail(kTuneNotMonotonic);
            if (!s_.halfSeen && d <= 0.5 * s_.peak) {
                s_.halfSeen = 1;
                s_.tHalf = static_cast<float>(t);
            }
            if (s_.halfSeen == 1 && d <= 0.35 * s_.peak) {
                s_.halfSeen = 2;
                s_.tThird = static_cast<float>(t);
            }
            if (s_.phase == kResponse && d <= std::max(0.2 * s_.peak, 3 * noise)) {
                // Taken; watched a while longer for a swing back, which a monotonic plant does not do.
                s_.phase = kConfirm;
                s_.tEnd = static_cast<float>(t);
                s_.end = static_cast<float>(d);
            }
            if (s_.phase == kConfirm && t >= 2 * s_.tEnd - s_.tPeak) return finish(s_.end);
        }
        if (t > limit) return fail(s_.peakFound ? kTuneNoSteadyState : kTunePeakNotFound);
    } else {
        s_.peak = std::max(s_.peak, static_cast<float>(d));
        if (d < s_.peak - std::max(3 * noise, 0.2 * s_.peak)) return fail(kTuneNotMonotonic);
        if (std::abs(d - s_.low) > std::max(2 * noise, 0.01 * s_.peak)) {
            s_.low = static_cast<float>(d);
            s_.tLevel = static_cast<float>(t);
        }
        // Held as long as the lags took to bring it there after the pulse, at most a pulse length: a pulse
        // long beside the lags (a slow integrator) says nothing about how soon the level settles.
        const double hold = std::max(std::min(double(s_.tp), double(s_.tLevel - s_.tp)), 10 * h);
        if (t - s_.tLevel >= hold) return finish(d);
        if (t > limit) return fail(kTuneNoSteadyState);
    }
}

void Experiment::finish(double end) {
    const bool integrating = Get32(p_, PidaOffset("iainf")) == 2;
    const double amp = GetF(p_, PidaOffset("amp")), tp = s_.tp, area = amp * tp,
                 te = integrating ? s_.t : s_.tEnd;
    double m0 = s_.m0, m1 = s_.m1, m2 = s_.m2;
    ProcessModel model;
    model.integrating = integrating;
    double tar = 0, variance = 0;
    if (!integrating) {
        // The tail beyond the end decays like the last part seen, provided the decay
        // is near one exponential: from 50 % to 35 % as fast as from 35 % to the end.
        const double early = (s_.tThird - s_.tHalf) / std::log(0.5 / 0.35);
        const double tau = s_.halfSeen == 2 && end > 0 && 0.35 * s_.peak > end
                               ? (te - s_.tThird) / std::log(0.35 * s_.peak / end)
                               : NAN;
        if (!(tau > 0) || !std::isfinite(tau) || !(early > 0) || tau > 3 * early)
            return fail(kTuneExtrapolation);
        m0 += end * tau;
        m1 += end * tau * (te + tau);
        m2 += end * tau * (te * te + 2 * te * tau + 2 * tau * tau);
        model.gain = m0 / area;
        const double mean = m1 / m0;
        tar = mean - tp / 2;
        variance = m2 / m0 - mean * mean - tp * tp / 12;
    } else {
        // The response of the integrator's input is the pulse response of the lags.
        model.gain = end / area;
        const double first = (end * te - m0) / model.gain, second = 2 * (end * te * te / 2 - m1) / model.gain;
        const double mean = first / area;
        tar = mean - tp / 2;
        variance = second / area - mean * mean - tp * tp / 12;
    }
    if (!std::isfinite(model.gain) || !(model.gain > 0) || !std::isfinite(tar) || !(tar > 0) ||
        !std::isfinite(variance) || variance > 2 * tar * tar)
        return fail(kTuneBadMoments);
    model.t1 = std::sqrt(std::clamp(variance, 0.01 * tar * tar, 0.81 * tar * tar));
    model.t2 = 0.1 * model.t1;
    model.deadTime = std::max(0.0, tar - model.t1 - model.t2);
    const ProcessModel fitted =
        FitPulseResponse(std::span<const float>(s_.record, s_.count), s_.interval, amp, tp, model);
    if (!std::isfinite(fitted.gain) || !(fitted.gain > 0) || !std::isfinite(fitted.t1 + fitted.deadTime))
        return fail(kTuneBadMoments);

    const bool serial = Get32(p_, PidaOffset("ipid")) == 2;
    const double ts = std::max(GetF(p_, PidaOffset("Ts")), 1e-3f);
    const PidSettings pid =
        DesignPid(fitted, Get32(p_, PidaOffset("itType")) == 7, Get32(p_, PidaOffset("ispeed")), serial, ts);
    SetF(p_, PidaOffset("pk"), pid.k);
    SetF(p_, PidaOffset("pti"), pid.ti);
    SetF(p_, PidaOffset("ptd"), pid.td);
    SetF(p_, PidaOffset("pnd"), pid.nd);
    SetF(p_, PidaOffset("pb"), pid.b);
    SetF(p_, PidaOffset("pc"), pid.c);
    s_.phase = kIdle;
    s_.pending = 1;
    p_[PidaOffset("TBSY")] = 0;
    p_[PidaOffset("TE")] = 0;
    Set32(p_, PidaOffset("ite"), kTuneOk);
}

void Experiment::takeOver() {
    std::memcpy(p_ + PidaOffset("k"), p_ + PidaOffset("pk"), 4);
    std::memcpy(p_ + PidaOffset("ti"), p_ + PidaOffset("pti"), 4);
    std::memcpy(p_ + PidaOffset("td"), p_ + PidaOffset("ptd"), 4);
    std::memcpy(p_ + PidaOffset("nd"), p_ + PidaOffset("pnd"), 4);
    std::memcpy(p_ + PidaOffset("b"), p_ + PidaOffset("pb"), 4);
    std::memcpy(p_ + PidaOffset("c"), p_ + PidaOffset("pc"), 4);
    std::memcpy(p_ + PidaOffset("irType"), p_ + PidaOffset("itType"), 4);
    p_[PidaOffset("CHANGED")] = 1;
    s_.pending = 0;
}

}  // namespace

TunerOutput RunTuner(std::uint8_t* tpida, double h, double mv) {
    return Experiment(tpida).sample(h, mv);
}

}  // namespace velmora::softplc
