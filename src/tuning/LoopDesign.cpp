#include "tuning/LoopDesign.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tuning/LoopFigures.h"
#include "tuning/LoopPreview.h"
#include "tuning/Minimise.h"
#include "tuning/NumberText.h"

namespace velmora::tuning {

namespace {

constexpr double kMostSamples = 20000;  // per step of the design's loop

double Significant(double v, int digits) {
    if (!(v > 0)) return v;
    const double scale = std::pow(10.0, digits - 1 - std::floor(std::log10(v)));
    return std::round(v * scale) / scale;
}

// The control law at its samples, from rest, with the output limits and the block's anti-windup:
// the incremental PID clamps its output, the positional one stops integrating at a limit, the
// PIDA block pulls its integral back with the tracking time.
class LawLoop {
public:
    LawLoop(const ControlLaw& law, const LawLimits& limits, double T)
        : law_(law), limits_(limits), T_(T), a_(law.td > 0 ? law.td / (law.td + law.nd * T) : 0) {}

    double sample(double w, double y) {
        const double e = w - y, weighted = law_.c * w - y;
        const double d = a_ * d_ + law_.k * law_.nd * a_ * (weighted - weighted_);
        const double p = law_.proportional ? law_.k * (law_.b * w - y) : 0.0;
        const double iStep = law_.ti > 0 ? law_.k * T_ / law_.ti * e : 0.0;
        double u;
        if (law_.integralLate) {
            const double v = p + integral_ + d;
            u = limit(v);
            const double back = limits_.tt > 0 ? std::min(1.0, T_ / limits_.tt) : 1.0;
            if (law_.ti > 0) integral_ += iStep + back * (u - v);
        } else if (limits_.positional) {
            const double free = p + integral_ + iStep + d;
            const double out = limit(free);
            if (!((out < free && iStep > 0) || (out > free && iStep < 0))) integral_ += iStep;
            integral_ = std::clamp(integral_, limits_.low - std::abs(p), limits_.high + std::abs(p));
            u = limit(p + integral_ + d);
        } else {
            u = limit(u_ + (p - p_) + iStep + (d - d_));
        }
        weighted_ = weighted, p_ = p, d_ = d, u_ = u;
        return u;
    }

private:
    double limit(double u) const { return std::clamp(u, limits_.low, limits_.high); }

    ControlLaw law_;
    LawLimits limits_;
    double T_, a_;
    double integral_ = 0, d_ = 0, weighted_ = 0, p_ = 0, u_ = 0;
};

// What the search works with: the model with a positive gain, the sampling and the target.
struct Problem {
    ProcessModel model;
    double T = 0, delay = 0, scale = 0, target = 1.4;
    Speed speed = Speed::Normal;
    bool pidKind = true, derivative = true, serial = false;
    LawLimits limits;                  // in units of the set-point step
    std::vector<ProcessModel> others;  // the Ms target (plus an allowance) holds on these too
    double allowance = kPlausibleMsAllowance;
};

// The output limits and the load as the unit set-point step of the design's loop sees them:
// u = u0 + u_unit · step · sign(K).
LawLimits LimitsFor(const ProcessModel& model, const LoopController& c, const DesignOptions& o, double T) {
    const double step =
        o.y0 + o.setpointStep > 100 || o.y0 + o.setpointStep < 0 ? -o.setpointStep : o.setpointStep;
    const double scale = (model.gain < 0 ? -1 : 1) / step;
    const double lo = OutputLow(c), hi = OutputHigh(c), u0 = std::clamp(o.u0, lo, std::max(lo, hi));
    LawLimits limits;
    if (hi > lo) {
        limits.low = std::min((lo - u0) * scale, (hi - u0) * scale);
        limits.high = std::max((lo - u0) * scale, (hi - u0) * scale);
    }
    limits.positional = c.kind == ControllerKind::Pid && !c.pid.incremental;
    limits.tt = c.kind == ControllerKind::Pidma ? std::max(0.0, c.pida.tt) : 0;
    const double load = std::isfinite(o.loadStep) ? o.loadStep : DefaultLoadStep(model, step, T, lo, hi, u0);
    limits.load = load * scale;
    return limits;
}

ControlLaw LawFor(const Problem& p, double k, double ti, double td) {
    ControlLaw law;
    law.k = k, law.ti = ti, law.td = p.derivative ? td : 0;
    law.nd = p.pidKind ? 4 : 10;
    law.integralLate = !p.pidKind;
    return law;
}

// How far a law is beyond its Ms targets: the fitted model's Ms against the speed's
// target, that of each further model the window explains against the target plus the
// allowance (at most the fast one's), so a merely plausible dead time costs some
// robustness rather than a much slower loop.
double MsExcess(const Problem& p, const ControlLaw& law) {
    double excess = ModelLoopFigures(p.model, law, p.T, false, p.delay).ms - p.target;
    const double othersTarget = std::max(p.target, std::min(p.target + p.allowance, TargetMs(Speed::Fast)));
    for (const ProcessModel& m : p.others)
        excess = std::max(excess, ModelLoopFigures(m, law, p.T, false, p.delay).ms - othersTarget);
    return excess;
}

// The SIMC rule on the half-rule first-order model, made robust enough for the target.
ControlLaw StartLaw(const Problem& p) {
    const ProcessModel& m = p.model;
    const auto [t1, t2, t3] = m.lagTimes();
    const double lag = m.integrating ? 0.0 : t1 + t2 / 2;
    const double theta = m.deadTime + p.delay + p.T / 2 + (m.integrating ? t1 + t2 + t3 : t2 / 2 + t3);
    const double tc = std::max({theta, 0.1 * p.scale, p.T});
    ControlLaw law = LawFor(p, 0, 0, std::max({t2, 0.3 * theta, p.T}));
    if (m.integrating) {
        law.k = 1 / (m.gain * (tc + theta)), law.ti = 4 * (tc + theta);
    } else {
        law.k = lag / (m.gain * (tc + theta)) + 0.2 / m.gain;
        law.ti = std::max(std::min(lag, 4 * (tc + theta)), p.T);
    }
    if (p.serial) law.td = std::min(law.td, law.ti / 4);
    // Less gain, and for an integrator a longer ti with it (less gain alone lets the two integrators swing).
    for (int i = 0; i < 60 && MsExcess(p, law) > 0; ++i) {
        law.k *= 0.85;
        if (m.integrating) law.ti /= 0.85;
    }
    return law;
}

// Within the block's limits and among parameters that make sense for the model's time scale.
bool Sane(const Problem& p, const ControlLaw& law, const ControlLaw& start) {
    if (!std::isfinite(law.k + law.ti + law.td)) return false;
    if (law.k < 1e-3 * start.k || law.k > 1e3 * start.k) return false;
    if (law.ti < p.T / 10 || law.ti > (p.model.integrating ? 80 : 40) * p.scale || law.td > 2 * p.scale)
        return false;
    if (p.pidKind && (law.k < 1000.0 / kMaxPBnd || law.k > 1000.0 / kMinPBnd || law.ti > kMaxTime * 0.1))
        return false;
    return !p.serial || law.td <= law.ti / 4;
}

// The least IAE within the target (and for the slow speed the overshoot limit), searched
// from `from`. `best`/`bestViolation`/`bestIae` carry the best law over several searches.
struct SearchResult {
    ControlLaw law;
    double violation = INFINITY, iae = INFINITY;
};
void SearchFrom(const Problem& p, const ControlLaw& start, const ControlLaw& from, SearchResult& best) {
    const auto lawOf = [&](const SearchPoint& z) {
        return LawFor(p, std::exp(z[0]), std::exp(z[1]), std::exp(z[2]));
    };
    const auto cost = [&](const SearchPoint& z) {
        const ControlLaw law = lawOf(z);
        if (!Sane(p, law, start)) return 1e12 * p.scale;
        const LawResponse r = SimulateLaw(p.model, law, p.T, p.delay, true, p.limits);
        if (!std::isfinite(r.iae)) return 1e9 * p.scale;
        double violation = std::max(0.0, MsExcess(p, law));
        if (p.speed == Speed::Slow && (!p.pidKind || !p.model.integrating)) {
            // Even with the set-point weight b at 0 the set-point step must not overshoot. The
            // PID has no weight: on a static plant its law itself keeps the step calm; on an
            // integrator no PI law can, and its set-point filter does.
            ControlLaw unweighted = law;
            if (!p.pidKind) unweighted.b = 0;
            const double limit = 0.01;  // well inside the ±2 % settling band
            violation += std::max(
                0.0, SimulateLaw(p.model, unweighted, p.T, p.delay, false, p.limits).overshoot - limit);
        }
        if (violation < best.violation - 1e-9 || (violation <= best.violation + 1e-9 && r.iae < best.iae))
            best = {law, violation, r.iae};
        return r.iae + 1e3 * p.scale * violation;
    };
    SearchPoint z{std::log(from.k), std::log(from.ti), std::log(std::max(from.td, 1e-3 * p.scale)), 0};
    const int n = p.derivative ? 3 : 2;
    MinimiseSimplex(cost, z, n, 0.4, 200);
    MinimiseSimplex(cost, z, n, 0.1, 120);
}

// A sampled loop's IAE has more than one valley: a short ti with less gain, and ti near
// the dominant lag with more. The search starts from both and keeps the better.
ControlLaw Search(const Problem& p) {
    const ControlLaw start = StartLaw(p);
    SearchResult best{start};
    SearchFrom(p, start, start, best);
    if (!p.model.integrating) {
        const auto lags = p.model.lagTimes();
        const double lag = lags[0] + lags[1] + lags[2];
        for (const double tdShare : {0.25, 1.0}) {
            ControlLaw longer = start;
            longer.ti = std::max(start.ti, lag), longer.td = start.td * tdShare;
            // The most gain within the target.
            for (int i = 0; i < 60 && MsExcess(p, longer) > 0; ++i) longer.k *= 0.85;
            for (int i = 0; i < 60 && MsExcess(p, LawFor(p, longer.k * 1.1, longer.ti, longer.td)) <= 0; ++i)
                longer.k *= 1.1;
            SearchFrom(p, start, longer, best);
        }
    }
    return best.law;
}

// PBnd, Ti, Td in the block's units: of the roundings up and down the one with the least IAE
// within the target; when none keeps it, the loop gain lowered with ti lengthened alike.
PidBlockSettings RoundPid(const Problem& p, const ControlLaw& law, PidBlockSettings s) {
    const auto within = [](double v, int lo, int hi) {
        return static_cast<int>(std::clamp(v, double(lo), double(hi)));
    };
    LoopController c;
    double bestIae = INFINITY;
    for (int corner = 0; corner < 8; ++corner) {
        const auto rounded = [&](double v, int bit) {
            return (corner >> bit) & 1 ? std::ceil(v) : std::floor(v);
        };
        c.pid = s;
        c.pid.pBnd = within(rounded(1000 / law.k, 0), kMinPBnd, kMaxPBnd);
        c.pid.ti = within(rounded(10 * law.ti, 1), 1, kMaxTime);
        c.pid.td = within(rounded(10 * law.td, 2), 0, kMaxTime);
        const ControlLaw x = LawOf(c);
        if (MsExcess(p, x) > 0.005) continue;
        const double iae = SimulateLaw(p.model, x, p.T, p.delay, true, p.limits).iae;
        if (iae < bestIae) bestIae = iae, s = c.pid;
    }
    if (std::isfinite(bestIae)) return s;
    c.pid = s;
    c.pid.pBnd = within(std::round(1000 / law.k), kMinPBnd, kMaxPBnd);
    c.pid.ti = within(std::round(10 * law.ti), 1, kMaxTime);
    c.pid.td = within(std::round(10 * law.td), 0, kMaxTime);
    for (int i = 0; i < 100 && c.pid.pBnd < kMaxPBnd && MsExcess(p, LawOf(c)) > 0.005; ++i) {
        c.pid.pBnd = std::min(kMaxPBnd, static_cast<int>(std::ceil(c.pid.pBnd * 1.02)));
        c.pid.ti = std::min(kMaxTime, static_cast<int>(std::ceil(c.pid.ti * 1.02)));
    }
    return c.pid;
}

// The overshoot of the set-point step a speed allows, a fraction of the step.
double Allowance(Speed speed) {
    return speed == Speed::Slow ? 0.01 : (speed == Speed::Normal ? 0.1 : 0.2);
}

// The PID block's set-point filter (a ramp with RF), in samples. None when the step, previewed with
// the block's own algorithm, overshoots by at most twice the slow speed's allowance: on a static
// plant the law is calm by itself and what is left is the block's rounding. Else the shortest ramp
// that keeps the allowance; on a static plant at most two time scales long, so that it cannot make
// the loop many times slower than its law.
PreviewOptions SetpointStepOnly(const DesignOptions& o) {
    PreviewOptions preview;
    preview.scan = o.scan, preview.exchangeDelay = o.exchangeDelay, preview.y0 = o.y0, preview.u0 = o.u0;
    preview.exchangePeriod = o.exchangePeriod;
    preview.setpointStep = o.setpointStep, preview.withLoad = false, preview.curvePoints = 1;
    return preview;
}

int SetpointFilter(const Problem& p, const ProcessModel& model, LoopController c, const DesignOptions& o) {
    const PreviewOptions preview = SetpointStepOnly(o);
    const auto overshoot = [&](int samples) {
        c.pid.tiW = samples;
        return PreviewLoop(model, c, preview).setpoint.overshoot;
    };
    const double allowed = 100 * Allowance(p.speed);
    if (overshoot(0) <= 2 * allowed) return 0;
    const double longest = model.integrating ? kMaxTime : std::ceil(2 * p.scale / p.T);
    int samples = 1;
    for (int i = 0; i < 40 && samples < longest && overshoot(samples) > allowed; ++i)
        samples = static_cast<int>(std::min(longest, std::max(samples + 1.0, samples * 1.25)));
    return samples;
}

// A ramp keeps the set-point step of an integrating process calm only when it is very slow: the
// integral it builds up while y follows must be given back after it ends. Where the set-point
// filter brings w to the step in less than half the ramp's time, the slow suggestion takes the
// filter instead, and says what the ramp would have done; "Use vals" then proposes the switch on
// the set-point page, where the user confirms it.
void PreferFilter(const Problem& p, const ProcessModel& model, LoopController& slow, const DesignOptions& o,
                  Suggestion& s) {
    LoopController filtered = slow;
    filtered.pid.ramp = false;
    filtered.pid.tiW = SetpointFilter(p, model, filtered, o);
    const double ramp = SetpointModificationTime(slow, p.T, o.setpointStep);
    if (ramp <= 2 * SetpointModificationTime(filtered, p.T, o.setpointStep)) return;
    const double overshoot = PreviewLoop(model, slow, SetpointStepOnly(o)).setpoint.overshoot;
    s.notes.push_back("The slow step takes the set-point filter, TiW " + std::to_string(filtered.pid.tiW) +
                      ": with the set-point ramp it overshoots by " + FixedText(overshoot, 1) +
                      " % after a ramp of " + SignificantText(ramp, 3) + " s.");
    slow = filtered;
}

// The largest set-point weight (in tenths) whose set-point step overshoots by at most the speed's allowance.
double SetpointWeight(const Problem& p, ControlLaw law) {
    const double allowed = Allowance(p.speed);
    for (int i = 10; i >= 0; --i) {
        law.b = i / 10.0;
        if (SimulateLaw(p.model, law, p.T, p.delay, false, p.limits).overshoot <= allowed) return law.b;
    }
    return 0;
}

PidaBlockSettings PidaFrom(const Problem& p, const ControlLaw& law, PidaBlockSettings s) {
    double k = law.k, ti = law.ti, td = law.td;
    if (s.serial) ParallelToSerial(k, ti, td);
    s.k = Significant(k, 4), s.ti = Significant(ti, 4), s.td = Significant(td, 3);
    s.nd = 10, s.c = 0;
    s.b = SetpointWeight(p, law);
    s.irType = p.derivative ? 7 : 6;
    return s;
}

void Advise(const ProcessModel& model, const LoopController& current, const Problem& p, Design& d) {
    if ((model.gain < 0) != Reverse(current))
        d.notes.push_back(model.gain < 0
                              ? "The process gain is negative: y falls when u rises. The controller "
                                "acts directly, so the loop would run away; set reverse action."
                              : "The process gain is positive but the controller acts in reverse; "
                                "the loop would run away. Clear reverse action.");
    if (p.T > 0.25 * (model.timeScale() + p.delay))
        d.notes.push_back("The sampling period (" + SignificantText(p.T, 3) +
                          " s) is long against the process (time scale " +
                          SignificantText(model.timeScale(), 3) + " s): a period of at most " +
                          SignificantText(0.1 * model.timeScale(), 3) + " s would let the loop act faster.");
    if (OutputHigh(current) <= OutputLow(current))
        d.notes.push_back("The output limits leave the output no room (" + FixedText(OutputLow(current), 2) +
                          " .. " + FixedText(OutputHigh(current), 2) +
                          " %): the loop cannot act until they are set.");
}

}  // namespace

double TargetMs(Speed speed) {
    return speed == Speed::Slow ? 1.2 : (speed == Speed::Normal ? 1.4 : 1.6);
}

const char* SpeedName(Speed speed) {
    return speed == Speed::Slow ? "slow" : (speed == Speed::Normal ? "normal" : "fast");
}

LawResponse SimulateLaw(const ProcessModel& model, const ControlLaw& law, double T, double extraDelay,
                        bool withLoad, const LawLimits& limits) {
    ProcessModel unit = model;
    unit.gain = 1;
    const double gain = std::abs(model.gain);
    const double scale = model.timeScale() + extraDelay + T;
    const double horizon = (model.integrating ? 25 : 15) * scale;
    T = std::max(T, horizon / kMostSamples);  // a fast sampling is close enough to its continuous limit
    const double fastest = std::max(model.fastest(), scale / 100);
    const int per = static_cast<int>(std::clamp(std::ceil(T / (fastest / 5)), 1.0, 10.0));
    const double h = T / per;
    const double load = std::isfinite(limits.load) ? limits.load : DefaultLoadStep(model, 1, T, 0, 0, 0);
    DiscreteModel plant(unit, h, extraDelay);
    LawLoop controller(law, limits, T);
    const long samples = static_cast<long>(std::ceil(horizon / T));
    double y = 0;
    LawResponse r;
    r.iae = 0;
    for (int phase = 0; phase < (withLoad ? 2 : 1); ++phase)
        for (long k = 0; k < samples; ++k) {
            const double input = controller.sample(1, y) + (phase == 1 ? load : 0);
            for (int s = 0; s < per; ++s) {
                y = gain * plant.step(input);
                r.iae += std::abs(1 - y) * h;
                if (phase == 0) r.overshoot = std::max(r.overshoot, y - 1);
            }
            if (!std::isfinite(y) || std::abs(y) > 1e3) return {INFINITY, r.overshoot};
        }
    return r;
}

Design DesignLoop(const ProcessModel& model, const LoopController& current, const DesignOptions& options) {
    Design d;
    Problem p;
    p.model = model;
    p.model.gain = std::abs(model.gain) > 0 ? std::abs(model.gain) : 1;
    p.T = SamplePeriod(current, options.scan);
    p.delay = options.exchangeDelay + ExchangeAsDelay(options.exchangePeriod);
    p.scale = model.timeScale() + p.delay + p.T;
    p.pidKind = current.kind == ControllerKind::Pid;
    p.derivative = p.pidKind || current.pida.irType != 6;
    p.serial = !p.pidKind && current.pida.serial;
    p.limits = LimitsFor(model, current, options, p.T);
    p.allowance = std::clamp(options.plausibleMsAllowance, 0.0, 1.0);
    for (ProcessModel m : options.alsoFor)
        if ((m.gain < 0) == (model.gain < 0) && m.gain != 0) m.gain = std::abs(m.gain), p.others.push_back(m);
    Advise(model, current, p, d);
    for (const Speed speed : kSpeeds) {
        p.speed = speed, p.target = TargetMs(speed);
        const ControlLaw law = Search(p);
        Suggestion s;
        s.speed = speed;
        s.controller = current;
        if (p.pidKind) {
            s.controller.pid = RoundPid(p, law, current.pid);
            s.controller.pid.tiW = speed == Speed::Slow ? SetpointFilter(p, model, s.controller, options) : 0;
            if (speed == Speed::Slow && s.controller.pid.ramp && s.controller.pid.tiW != 0)
                PreferFilter(p, model, s.controller, options, s);
        } else {
            s.controller.pida = PidaFrom(p, law, current.pida);
        }
        s.ms = ModelLoopFigures(p.model, LawOf(s.controller), p.T, false, p.delay).ms;
        if (p.pidKind && (s.controller.pid.pBnd == kMaxPBnd || s.controller.pid.pBnd == kMinPBnd))
            s.notes.push_back("PBnd is at the end of its range (0.1 .. 3000 %).");
        if (s.ms > p.target + 0.05)
            s.notes.push_back("Ms " + FixedText(s.ms, 2) + " exceeds the target " + FixedText(p.target, 1) +
                              ".");
        d.suggestions.push_back(std::move(s));
    }
    return d;
}

}  // namespace velmora::tuning
