#include "tuning/LoopPreview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tuning/BlockModels.h"
#include "tuning/NumberText.h"

namespace velmora::tuning {

namespace {

constexpr long kMostSteps = 400000;  // of the plant per preview

// Either block behind one call: set point and measurement in %, returns the output in %.
class Block {
public:
    Block(const LoopController& c) : pid_(c.pid), pida_(c.pida), c_(c) {}

    void start(double w, double y, double u, double dtMs) {
        pid_.setOutput(u);
        call(w, y, dtMs, true, u);
    }
    double call(double w, double y, double dtMs, bool manual = false, double hv = 0) {
        if (c_.kind == ControllerKind::Pidma) {
            pida_.call(w, y, dtMs, manual, hv);
            return pida_.output();
        }
        pid_.call(raw(y), raw(w), dtMs, !manual);
        return pid_.output();
    }
    // The actuator's direction of travel of a three-stage output (+1, −1, 0).
    int travel() const { return pid_.raising() ? 1 : (pid_.lowering() ? -1 : 0); }

private:
    // A value in % of the measuring range as the input word the block reads.
    int raw(double percent) const {
        const double v = c_.pid.minY + percent * (static_cast<double>(c_.pid.maxY) - c_.pid.minY) / 100.0;
        return static_cast<int>(std::lround(std::clamp(v, -32767.0, 32766.0)));
    }
    PidBlockModel pid_;
    PidaBlockModel pida_;
    LoopController c_;
};

bool ThreeStage(const LoopController& c) {
    return c.kind == ControllerKind::Pid && c.pid.threeStage;
}

// The actuator speed of a three-stage output in %/s: dMaxU per period, else a stroke per minute.
double ActuatorSpeed(const PidBlockSettings& p) {
    const double periodMs = p.outCycle * 10.0;
    return (p.dMaxU > 0 && periodMs > 0 ? p.dMaxU / periodMs : 10000.0 / 60000.0) * 10.0;
}

struct Grid {
    double T, h;
    int perSample;  // plant steps per block call
    long steps;     // per step phase
};

Grid GridFor(const ProcessModel& m, const LoopController& c, const PreviewOptions& o, double horizon) {
    Grid g;
    g.T = SamplePeriod(c, o.scan);
    if (ThreeStage(c)) {
        // The pulses are whole cycles long: the plant steps with the calls.
        const double calls = std::ceil(2 * horizon / o.scan / kMostSteps);
        g.h = o.scan * std::max(1.0, calls);
        g.perSample = 1;
    } else {
        const double fastest = std::max(m.fastest(), m.timeScale() / 100);
        // Two plant steps at least between the view's exchanges.
        const double exchange = o.exchangePeriod > 0 ? std::ceil(2 * g.T / o.exchangePeriod) : 0;
        int per =
            static_cast<int>(std::clamp(std::max(std::ceil(g.T / (fastest / 10)), exchange), 4.0, 50.0));
        per = static_cast<int>(std::min<double>(per, std::max(1.0, kMostSteps * g.T / (2 * horizon))));
        g.h = g.T / per;
        g.perSample = per;
    }
    g.steps = static_cast<long>(std::ceil(horizon / g.h));
    return g;
}

}  // namespace

double DefaultLoadStep(const ProcessModel& m, double setpointStep, double samplePeriod, double lo, double hi,
                       double u0) {
    const double gain = std::abs(m.gain) > 0 ? std::abs(m.gain) : 1;
    const double scale = m.timeScale() + samplePeriod;
    double load = -(m.integrating ? setpointStep / (gain * scale) : setpointStep / gain);
    if (!(hi > lo)) return load;
    // u takes a load back by moving against it.
    const auto room = [&](double l) { return l < 0 ? hi - u0 : u0 - lo; };
    if (room(load) < room(-load) / 2) load = -load;
    const double most = std::max(0.0, room(load)) / 2;
    return std::clamp(load, -most, most);
}

double PreviewHorizon(const ProcessModel& m, double samplePeriod, double exchangeDelay) {
    const double scale = m.timeScale() + exchangeDelay + samplePeriod;
    return std::max((m.integrating ? 25 : 15) * scale, 40 * samplePeriod);
}

double SettledWithin(const std::vector<double>& y, double w1, double h, double band) {
    long last = -1;
    for (std::size_t i = 0; i < y.size(); ++i)
        if (std::abs(w1 - y[i]) > band) last = static_cast<long>(i);
    // Still outside the band near the end: it has not settled.
    return last < static_cast<long>(y.size() * 0.95) ? static_cast<double>(last + 1) * h : NAN;
}

StepFigures StepFiguresOf(const std::vector<double>& y, double start, double w1, double h, double step) {
    StepFigures f;
    const double direction = step >= 0 ? 1 : -1;
    double before = std::abs(w1 - start);
    for (std::size_t i = 0; i < y.size(); ++i) {
        const double e = w1 - y[i];
        f.iae += (before + std::abs(e)) / 2 * h;  // trapezoids
        before = std::abs(e);
        f.peak = std::max(f.peak, std::abs(e));
        f.overshoot = std::max(f.overshoot, -direction * e);
    }
    f.overshoot = step != 0 ? 100 * f.overshoot / std::abs(step) : 0;
    f.settling = SettledWithin(y, w1, h, 0.02 * std::abs(step));
    return f;
}

namespace {

// The loop while the preview runs: the block, the plant (in deviation from the input that holds
// it at rest) and, for a three-stage output, the actuator the pulses drive.
struct LoopRun {
    LoopRun(const ProcessModel& m, const LoopController& c, const PreviewOptions& o, const Grid& grid)
        : block(c),
          plant(Unit(m), grid.h, o.exchangeDelay),
          g(grid),
          gain(m.gain),
          y0(o.y0),
          speed(ThreeStage(c) ? ActuatorSpeed(c.pid) : 0),
          callMs(grid.perSample * grid.h * 1000),
          exchangeSteps(o.exchangePeriod > 0 ? o.exchangePeriod / grid.h : 0) {}

    static ProcessModel Unit(ProcessModel m) {
        m.gain = 1;
        return m;
    }
    // To rest at the operating point: in manual (the block's model of a three-stage actuator starts
    // at 0, so it drives the actuator up from there), then in automatic so that the step comes at
    // a sample (the first sample after manual only takes over).
    void warmUp(double u0) {
        block.start(y0, y0, u0, callMs);
        const long perSample = std::lround(g.T / (g.perSample * g.h));
        // Whole samples, so that the step still comes at a sample.
        const long manual = speed > 0 ? perSample * (static_cast<long>(u0 / speed / g.T) + 2) : 0;
        position = speed > 0 ? 0 : u0;
        for (long i = 0; i < manual; ++i) {
            block.call(y0, y0, callMs, true, u0);
            position = std::clamp(position + block.travel() * speed * g.h, 0.0, 100.0);
        }
        for (long i = 0; i < 2 * perSample - 1; ++i) block.call(y0, y0, callMs);
        reference = speed > 0 ? position : u0;
        u = held = u0;
        seen = y0;
        travel = block.travel();
    }
    // One plant step; the block is called at its samples. Returns y after the step. Through the
    // view's exchange the block sees y as it was written at the last exchange, and the plant (or
    // the actuator) gets what the exchange read there, the block's output before that call.
    double step(long i, double w, double y, double load) {
        const bool direct = exchangeSteps <= 0;
        if (direct || static_cast<double>(i) + 1e-9 >= nextExchange) {
            held = u, seen = y, travel = block.travel();
            nextExchange += exchangeSteps;
        }
        if (i % g.perSample == 0) u = block.call(w, seen, callMs);
        if (direct) held = u, travel = block.travel();
        if (speed > 0) position = std::clamp(position + travel * speed * g.h, 0.0, 100.0);
        return y0 + gain * plant.step((speed > 0 ? position : held) + load - reference);
    }
    double output() const { return speed > 0 ? position : u; }

    Block block;
    DiscreteModel plant;
    Grid g;
    double gain, y0, speed, callMs;
    double exchangeSteps;     // plant steps per exchange; 0: the block reads and writes directly
    double nextExchange = 0;  // the plant step of the next exchange
    double position = 0, reference = 0, u = 0;
    double held = 0, seen = 0;  // the output the plant gets and the y the block sees
    int travel = 0;
};

void Figures(Preview& p, const std::vector<double> (&phase)[2], const PreviewOptions& o, double h,
             bool diverged) {
    const double w1 = o.y0 + p.setpointStep;
    p.setpoint = StepFiguresOf(phase[0], o.y0, w1, h, p.setpointStep);
    p.load = StepFiguresOf(phase[1], phase[0].empty() ? o.y0 : phase[0].back(), w1, h, p.setpointStep);
    if (diverged) {
        p.setpoint.iae = p.load.iae = INFINITY;
        p.setpoint.settling = p.load.settling = NAN;
        p.notes.push_back("The loop is unstable: y runs away.");
    }
}

}  // namespace

double SetpointModificationTime(const LoopController& c, double samplePeriod, double setpointStep) {
    const double samples = c.kind == ControllerKind::Pid ? static_cast<std::uint16_t>(c.pid.tiW) : 0;
    if (samples <= 0) return 0;
    return c.pid.ramp ? samples * samplePeriod * std::min(1.0, std::abs(setpointStep) / 100)
                      : 4 * (samples + 1) * samplePeriod;
}

Preview PreviewLoop(const ProcessModel& model, const LoopController& c, const PreviewOptions& o) {
    Preview p;
    p.samplePeriod = SamplePeriod(c, o.scan);
    const double delay = o.exchangeDelay + ExchangeAsDelay(o.exchangePeriod);
    const double lo = OutputLow(c), hi = OutputHigh(c), u0 = std::clamp(o.u0, lo, std::max(lo, hi));
    p.setpointStep =
        o.y0 + o.setpointStep > 100 || o.y0 + o.setpointStep < 0 ? -o.setpointStep : o.setpointStep;
    p.horizon = o.horizon > 0 ? o.horizon
                              : PreviewHorizon(model, p.samplePeriod, delay) +
                                    SetpointModificationTime(c, p.samplePeriod, p.setpointStep);
    p.loadStep = std::isfinite(o.loadStep)
                     ? o.loadStep
                     : DefaultLoadStep(model, p.setpointStep, p.samplePeriod, lo, hi, u0);
    if (u0 != o.u0)
        p.notes.push_back("The output that holds the operating point lies outside the output limits.");
    if (hi <= lo) p.notes.push_back("The output limits leave the output no room: the loop cannot act.");
    const Grid g = GridFor(model, c, o, p.horizon);
    LoopRun run(model, c, o, g);
    run.warmUp(u0);
    const double w1 = o.y0 + p.setpointStep;
    const long steps = (o.withLoad ? 2 : 1) * g.steps, points = std::max(1, o.curvePoints);
    const long stride = std::max(1L, (steps + points - 1) / points);
    double y = o.y0;
    bool diverged = false;
    std::vector<double> phase[2];
    for (long i = 0; i < steps && !diverged; ++i) {
        y = run.step(i, w1, y, i >= g.steps ? p.loadStep : 0.0);
        if ((diverged = !std::isfinite(y) || std::abs(y) > 1e6)) break;
        phase[i >= g.steps ? 1 : 0].push_back(y);
        if (i % stride == 0) {
            p.time.push_back(static_cast<double>(i + 1) * g.h);
            p.w.push_back(w1), p.y.push_back(y), p.u.push_back(run.output());
        }
    }
    Figures(p, phase, o, g.h, diverged);
    // An error dead band as wide as the settling band lets y rest outside it for good.
    const double band = 0.02 * std::abs(p.setpointStep), deadBand = c.pid.eGap * 0.01;
    const bool unsettled =
        !std::isfinite(p.setpoint.settling) || (o.withLoad && !std::isfinite(p.load.settling));
    if (c.kind == ControllerKind::Pid && !diverged && unsettled && deadBand >= band)
        p.notes.push_back("The error dead band EGap (" + FixedText(deadBand, 2) +
                          " %) is at least the step's settling band (" + FixedText(band, 2) +
                          " %): y may rest outside that band, and the step then does not count as settled.");
    // A settling time that hangs on a swing grazing the band: a process a hair off settles a swing
    // earlier or later, which the figure alone does not show.
    if (std::isfinite(p.setpoint.settling)) {
        const double early = SettledWithin(phase[0], w1, g.h, (1 + kGrazing) * band),
                     late = SettledWithin(phase[0], w1, g.h, (1 - kGrazing) * band);
        if (std::isfinite(late) && late - early > kGrazing * p.setpoint.settling)
            p.notes.push_back(
                "The set-point step's settling time hangs on a swing that grazes the ±2 % band: "
                "within ±" +
                FixedText(2 * (1 - kGrazing), 1) + " % it settles after " + FixedText(late, 1) +
                " s, within ±" + FixedText(2 * (1 + kGrazing), 1) + " % after " + FixedText(early, 1) +
                " s.");
    }
    const bool complete = static_cast<long>(phase[o.withLoad ? 1 : 0].size()) == g.steps;
    p.settled =
        complete && std::isfinite(p.setpoint.settling) && (!o.withLoad || std::isfinite(p.load.settling));
    p.margins = ModelLoopFigures(model, LawOf(c), p.samplePeriod, Reverse(c), delay);
    return p;
}

void SpreadOver(Preview& p, const std::vector<ProcessModel>& others, const LoopController& c,
                const PreviewOptions& options) {
    if (others.empty()) return;
    PreviewOptions o = options;
    o.withLoad = false, o.curvePoints = 1, o.horizon = p.horizon, o.setpointStep = p.setpointStep;
    StepSpread& s = p.spread;
    s.overshootLow = s.overshootHigh = p.setpoint.overshoot;
    s.settlingLow = s.settlingHigh = p.setpoint.settling;
    const bool ownSettles = std::isfinite(p.setpoint.settling);
    s.unsettled = !ownSettles;
    // fmin and fmax pass over a step that never settles (NaN).
    for (const ProcessModel& m : others) {
        const StepFigures f = PreviewLoop(m, c, o).setpoint;
        s.overshootLow = std::fmin(s.overshootLow, f.overshoot);
        s.overshootHigh = std::fmax(s.overshootHigh, f.overshoot);
        s.settlingLow = std::fmin(s.settlingLow, f.settling);
        s.settlingHigh = std::fmax(s.settlingHigh, f.settling);
        s.unsettled = s.unsettled || !std::isfinite(f.settling);
    }
    // Open: wider than a user reads past, or settling on some models and not on others.
    const bool overshootOpen = s.overshootHigh - s.overshootLow > 3;
    const bool someSettle = std::isfinite(s.settlingLow);
    const bool settlingOpen =
        (s.unsettled && someSettle) || (someSettle && s.settlingHigh > 1.15 * s.settlingLow);
    if (!overshootOpen && !settlingOpen) return;
    const std::string overshoot =
        "The recording fits other models about as well; on them the set-point step "
        "overshoots by " +
        FixedText(s.overshootLow, 1) + " .. " + FixedText(s.overshootHigh, 1) + " %";
    if (!std::isfinite(s.settlingLow))
        p.notes.push_back(overshoot + " and does not settle.");
    else
        p.notes.push_back(overshoot + " and settles in " + FixedText(s.settlingLow, 1) + " .. " +
                          FixedText(s.settlingHigh, 1) + " s" + (s.unsettled ? ", or not at all." : "."));
}

}  // namespace velmora::tuning
