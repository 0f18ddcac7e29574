#include "tuning/ModelFit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "tuning/Minimise.h"
#include "tuning/NumberText.h"

namespace velmora::tuning {

namespace {

// The window averaged into equal steps of h: the input of each step, y
// averaged over it, and where in the step those y samples lie on average
// (theta, 0 at its start, 1 at its end). y is centred; steps without samples
// have weight 0.
struct FitGrid {
    double h = 0, start = 0, u0 = 0, yMean = 0, tMean = 0;
    std::vector<double> du, y, time, t, theta, weight;  // time from the start; t, y centred
    double n = 0, syy = 0, stt = 0, sty = 0;            // centred sums over the weighted steps
    bool drift = true;  // whether integrating structures fit a drift (u at the start off balance)
};

double MedianStep(const std::vector<RecordedSample>& s) {
    std::vector<double> d;
    for (std::size_t i = 1; i < s.size(); ++i)
        if (s[i].time > s[i - 1].time) d.push_back(s[i].time - s[i - 1].time);
    if (d.empty()) return 0;
    std::nth_element(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(d.size() / 2), d.end());
    return d[d.size() / 2];
}

void CentreGrid(FitGrid& g) {
    double sy = 0, st = 0;
    for (std::size_t i = 0; i < g.y.size(); ++i)
        g.n += g.weight[i], sy += g.weight[i] * g.y[i], st += g.weight[i] * g.time[i];
    g.yMean = sy / g.n, g.tMean = st / g.n;
    g.t.resize(g.y.size());
    for (std::size_t i = 0; i < g.y.size(); ++i) {
        g.y[i] = g.weight[i] ? g.y[i] - g.yMean : 0;
        g.t[i] = g.weight[i] ? g.time[i] - g.tMean : 0;
        g.syy += g.y[i] * g.y[i], g.stt += g.t[i] * g.t[i], g.sty += g.t[i] * g.y[i];
    }
}

FitGrid BuildGrid(const Window& w) {
    const auto& s = w.samples;
    FitGrid g;
    const double step = MedianStep(s);
    const std::size_t count = s.size();
    const std::size_t per = (count + kMaxFitPoints - 1) / kMaxFitPoints;
    const std::size_t bins = (count + per - 1) / per;
    g.start = s.front().time;
    g.h = (s.back().time - g.start + step) / static_cast<double>(bins);
    std::vector<double> u(bins, 0.0), y(bins, 0.0), offset(bins, 0.0), n(bins, 0.0);
    // Recorded times are single precision: a sample a hair before its bin's start
    // still belongs to it, so bins begin half a sample early.
    const double slack = 0.5 / static_cast<double>(per);
    for (const RecordedSample& r : s) {
        const double at = (r.time - g.start) / g.h;
        const std::size_t i = std::min(bins - 1, static_cast<std::size_t>(std::max(0.0, at + slack)));
        u[i] += r.u, y[i] += r.y, offset[i] += at - static_cast<double>(i), n[i] += 1;
    }
    g.u0 = u[0] / n[0];
    double held = g.u0;
    for (std::size_t i = 0; i < bins; ++i) {
        if (n[i] > 0) held = u[i] / n[i];
        g.du.push_back(held - g.u0);
        g.y.push_back(n[i] > 0 ? y[i] / n[i] : 0);
        g.theta.push_back(n[i] > 0 ? std::clamp(offset[i] / n[i], 0.0, 1.0) : 0);
        g.time.push_back((static_cast<double>(i) + g.theta.back()) * g.h);
        g.weight.push_back(n[i] > 0 ? 1 : 0);
    }
    CentreGrid(g);
    return g;
}

struct Evaluation {
    double sse = INFINITY, gain = 0, drift = 0, offset = 0;
};

// Least squares for gain, offset (and drift) given the model's shape; the
// response is interpolated to where each step's samples lie. `still` gets the
// fit without a drift from the same simulation.
Evaluation Evaluate(const FitGrid& g, const ProcessModel& shape, Evaluation* still = nullptr) {
    ProcessModel unit = shape;
    unit.gain = 1;
    DiscreteModel d(unit, g.h);
    double sr = 0, srr = 0, sry = 0, srt = 0, previous = 0;
    for (std::size_t i = 0; i < g.du.size(); ++i) {
        const double next = d.step(g.du[i]);
        const double r = previous + g.theta[i] * (next - previous);
        previous = next;
        if (!g.weight[i]) continue;
        sr += r, srr += r * r, sry += r * g.y[i], srt += r * g.t[i];
    }
    const double mean = sr / g.n, vrr = srr - g.n * mean * mean;
    Evaluation e, flat;
    if (!(vrr > 1e-12 * g.n) || !std::isfinite(vrr)) return e;
    flat.gain = sry / vrr;
    flat.sse = std::max(g.syy - flat.gain * sry, 0.0);
    flat.offset = g.yMean - flat.gain * mean;
    if (still) *still = flat;
    if (!shape.integrating || !g.drift) return flat;
    const double det = vrr * g.stt - srt * srt;
    if (!(det > 1e-12 * vrr * g.stt)) return e;
    e.gain = (sry * g.stt - srt * g.sty) / det;
    e.drift = (vrr * g.sty - srt * sry) / det;
    e.sse = std::max(g.syy - e.gain * sry - e.drift * g.sty, 0.0);
    e.offset = g.yMean - e.gain * mean - e.drift * g.tMean;
    return e;
}

// Bounds of the search, from the window.
struct SearchRange {
    double tMin, tMax, deadMin, deadMax, span;
    // Half the way from the least dead time to `dead`: where a richer structure starts.
    double halfway(double dead) const { return deadMin + (dead - deadMin) / 2; }
};

// Where the response starts: the dead time searched reaches somewhat beyond
// the delay from the first clear change of u to the first clear answer of y,
// and starts at the delay the recording is known to hold.
SearchRange RangeOf(const FitGrid& g, double knownDelay) {
    SearchRange r;
    r.span = g.h * static_cast<double>(g.du.size());
    r.tMin = g.h / 20, r.tMax = 20 * r.span;
    double uMost = 0, yMost = 0;
    for (double v : g.du) uMost = std::max(uMost, std::abs(v));
    const std::size_t width = std::max<std::size_t>(1, g.y.size() / 50);
    std::vector<double> smooth(g.y.size());
    for (std::size_t i = 0; i < g.y.size(); ++i) {
        double sum = 0, n = 0;
        for (std::size_t j = i; j < std::min(g.y.size(), i + width); ++j)
            sum += g.y[j] * g.weight[j], n += g.weight[j];
        smooth[i] = n ? sum / n : (i ? smooth[i - 1] : 0);
        yMost = std::max(yMost, std::abs(smooth[i] - smooth[0]));
    }
    std::size_t tu = 0, ty = 0;
    while (tu + 1 < g.du.size() && std::abs(g.du[tu]) < 0.2 * uMost) ++tu;
    while (ty + 1 < smooth.size() && std::abs(smooth[ty] - smooth[0]) < 0.2 * yMost) ++ty;
    const double delay = ty > tu ? static_cast<double>(ty - tu) * g.h : 0;
    r.deadMin = std::clamp(knownDelay, 0.0, 0.5 * r.span);
    r.deadMax = std::clamp(std::max(1.5 * delay, r.deadMin) + 2 * g.h, 2 * g.h, 0.6 * r.span);
    return r;
}

// The shortest lag in front of a pair, a share of the shortest time constant searched: short
// enough that the pair behind it fits as the pair alone, even on a noise-free window.
constexpr double kLeastLag = 0.01;

struct Shape {
    double t = 1, zeta = 1, dead = 0, lag = 0;  // lag: T₀ of the third order
};

ProcessModel ModelOf(const Shape& s, int lags, bool integrating, const SearchRange& r) {
    ProcessModel m;
    m.lags = lags, m.integrating = integrating;
    m.timeConstant = std::clamp(s.t, r.tMin, r.tMax);
    m.damping = lags >= 2 ? std::clamp(s.zeta, 0.1, 20.0) : 1.0;
    m.lag = lags == 3 ? std::clamp(s.lag, kLeastLag * r.tMin, r.tMax) : 0.0;
    m.deadTime = std::clamp(s.dead, r.deadMin, 0.8 * r.span);
    return m;
}

Shape ShapeOf(const ProcessModel& m) {
    return Shape{m.timeConstant, m.damping, m.deadTime, m.lag};
}

// Nelder-Mead over log T, the dead time in units of its search range, (log ζ, (log T₀)).
Shape Refine(const FitGrid& g, const SearchRange& r, int lags, bool integrating, Shape start,
             int evaluations) {
    const int n = lags + 1;
    const auto shapeOf = [&](const SearchPoint& z) {
        return Shape{std::exp(z[0]), lags >= 2 ? std::exp(z[2]) : 1.0, z[1] * r.deadMax,
                     lags == 3 ? std::exp(z[3]) : 0.0};
    };
    const auto cost = [&](const SearchPoint& z) {
        return Evaluate(g, ModelOf(shapeOf(z), lags, integrating, r)).sse;
    };
    SearchPoint z{std::log(start.t), start.dead / r.deadMax, std::log(start.zeta),
                  std::log(std::max(start.lag, kLeastLag * r.tMin))};
    MinimiseSimplex(cost, z, n, 0.3, evaluations);
    MinimiseSimplex(cost, z, n, 0.05, evaluations / 3);
    return ShapeOf(ModelOf(shapeOf(z), lags, integrating, r));
}

// The shape refitted with the dead time held.
Shape RefineAt(const FitGrid& g, const SearchRange& r, int lags, bool integrating, Shape start, double dead) {
    const auto shapeOf = [&](const SearchPoint& z) {
        return Shape{std::exp(z[0]), lags >= 2 ? std::exp(z[1]) : 1.0, dead,
                     lags == 3 ? std::exp(z[2]) : 0.0};
    };
    const auto cost = [&](const SearchPoint& z) {
        return Evaluate(g, ModelOf(shapeOf(z), lags, integrating, r)).sse;
    };
    SearchPoint z{std::log(start.t), std::log(start.zeta), std::log(std::max(start.lag, kLeastLag * r.tMin)),
                  0};
    MinimiseSimplex(cost, z, lags, 0.2, 40 * lags / 2 + 20);
    return shapeOf(z);
}

// The best of the shapes refined from each start; `best` (its residuals `bestSse`) stays
// unless one of them fits better.
Shape BestRefined(const FitGrid& g, const SearchRange& r, int lags, bool integrating,
                  std::initializer_list<Shape> starts, int evaluations, Shape best,
                  double bestSse = INFINITY) {
    for (const Shape& start : starts) {
        const Shape s = Refine(g, r, lags, integrating, start, evaluations);
        const double sse = Evaluate(g, ModelOf(s, lags, integrating, r)).sse;
        if (sse < bestSse) bestSse = sse, best = s;
    }
    return best;
}

// The longest dead time the window still explains: with the lags refitted, the residuals grow
// by no more than an F of kPlausible over the n fitted steps. Noise and a structure that does
// not quite fit both widen it, and the design keeps its robustness target there too.
ProcessModel LongestDeadTime(const FitGrid& g, const SearchRange& r, const ProcessModel& m) {
    const auto sse = [&](const Shape& s) { return Evaluate(g, ModelOf(s, m.lags, m.integrating, r)).sse; };
    Shape plausible = ShapeOf(m);
    const double allowed = sse(plausible) * (1 + kPlausible / g.n), end = 0.8 * r.span;
    double lo = m.deadTime, hi = NAN, step = std::max(g.h, 0.05 * m.timeScale());
    for (int i = 0; i < 8 && std::isnan(hi) && lo < end; ++i, step *= 2) {
        const double dead = std::min(lo + step, end);
        const Shape s = RefineAt(g, r, m.lags, m.integrating, plausible, dead);
        if (sse(s) <= allowed)
            plausible = s, lo = dead;
        else
            hi = dead;
    }
    for (int i = 0; i < 3 && !std::isnan(hi); ++i) {
        const double mid = (lo + hi) / 2;
        const Shape s = RefineAt(g, r, m.lags, m.integrating, plausible, mid);
        if (sse(s) <= allowed)
            plausible = s, lo = mid;
        else
            hi = mid;
    }
    ProcessModel out = ModelOf(plausible, m.lags, m.integrating, r);
    out.gain = Evaluate(g, out).gain;
    return out;
}

// One lag: the two best points of a grid over time constant and dead time; for an integrating
// lag also the two best without a drift (`still`), from the same simulations.
using Starts = std::array<Shape, 2>;
Starts LagGrid(const FitGrid& g, const SearchRange& r, bool integrating, Starts* still = nullptr) {
    struct Point {
        double sse;
        Shape shape;
    };
    std::vector<Point> grid, flat;
    const double tLo = std::max(r.tMin, r.span / 200), tHi = integrating ? r.span / 2 : 2 * r.span;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j) {
            const Shape s{tLo * std::pow(tHi / tLo, i / 7.0), 1,
                          r.deadMin + (r.deadMax - r.deadMin) * j / 7.0};
            Evaluation without;
            grid.push_back({Evaluate(g, ModelOf(s, 1, integrating, r), &without).sse, s});
            flat.push_back({without.sse, s});
        }
    const auto twoBest = [](std::vector<Point>& points) {
        std::partial_sort(points.begin(), points.begin() + 2, points.end(),
                          [](const Point& a, const Point& b) { return a.sse < b.sse; });
        return Starts{points[0].shape, points[1].shape};
    };
    if (still) *still = twoBest(flat);
    return twoBest(grid);
}

// One lag: the grid's two best points refined.
Shape FitFirstOrder(const FitGrid& g, const SearchRange& r, bool integrating) {
    const Starts starts = LagGrid(g, r, integrating);
    return BestRefined(g, r, 1, integrating, {starts[0], starts[1]}, 90, starts[0]);
}

// A second-order pair, started from the one-lag fit: equal lags, a lightly damped pair
// and a pair that gives some of the dead time back.
Shape FitSecondOrder(const FitGrid& g, const SearchRange& r, bool integrating, const Shape& first) {
    const Shape start{first.t / 2, 1, first.dead};
    return BestRefined(g, r, 2, integrating,
                       {start, {first.t / 2, 0.4, first.dead}, {first.t / 3, 1.5, r.halfway(first.dead)}},
                       100, start);
}

// A lag in front of a pair, started from the pair's fit: the pair's longer lag in front and a
// pair (critically or lightly damped) that takes the shorter lag and half the dead time, or
// a short lag in front of the pair as fitted.
Shape FitThirdOrder(const FitGrid& g, const SearchRange& r, bool integrating, const ProcessModel& second) {
    const auto t = second.lagTimes();
    const double fast = std::max(second.oscillating() ? second.fastest() : t[1], r.tMin);
    const double dead = second.deadTime, half = r.halfway(dead);
    const double delay = fast + dead - half;  // the pair's mean delay 2ζT
    // The pair as fitted behind a negligible lag: never a worse fit than the pair's.
    const Shape pair{second.timeConstant, second.damping, dead, kLeastLag * r.tMin};
    return BestRefined(g, r, 3, integrating,
                       {{delay / 2, 1, half, t[0]},
                        {delay / 1.4, 0.7, half, t[0]},
                        {second.timeConstant, second.damping, half, fast / 3}},
                       120, pair, Evaluate(g, ModelOf(pair, 3, integrating, r)).sse);
}

// The integrating structures fit a drift only when the window shows one: with the one-lag fit
// refined without it, the residuals grow significantly (the F test of Explains). A drift the
// window cannot tell from noise costs the gain and time constant much of their precision.
// Returns the one-lag shape on the grid the integrating family is fitted on.
Shape SettleDrift(FitGrid& g, const SearchRange& r) {
    g.drift = true;
    Starts flat;
    const Starts starts = LagGrid(g, r, true, &flat);
    const Shape drifting = BestRefined(g, r, 1, true, {starts[0], starts[1]}, 90, starts[0]);
    const double withDrift = Evaluate(g, ModelOf(drifting, 1, true, r)).sse;
    g.drift = false;
    const Shape still = BestRefined(g, r, 1, true, {flat[0], flat[1]}, 90, flat[0]);
    const double without = Evaluate(g, ModelOf(still, 1, true, r)).sse;
    g.drift = !(without <= withDrift) && (without - withDrift) / withDrift * (g.n - 5) >= kSignificance;
    return g.drift ? drifting : still;
}

FitCandidate Finish(const FitGrid& g, const SearchRange& r, const Shape& s, int lags, bool integrating,
                    std::vector<double>* curve) {
    FitCandidate c;
    c.model = ModelOf(s, lags, integrating, r);
    const Evaluation e = Evaluate(g, c.model);
    c.model.gain = e.gain;
    c.drift = e.drift;
    c.offset = e.offset;
    ProcessModel unit = c.model;
    unit.gain = 1;
    DiscreteModel d(unit, g.h);
    double previous = 0, lo = INFINITY, hi = -INFINITY;
    std::vector<double> fitted;
    for (std::size_t i = 0; i < g.du.size(); ++i) {
        const double next = d.step(g.du[i]);
        const double y =
            e.offset + e.gain * (previous + g.theta[i] * (next - previous)) + e.drift * g.time[i];
        previous = next;
        fitted.push_back(y);
        lo = std::min(lo, y), hi = std::max(hi, y);
    }
    c.rms = std::sqrt(e.sse / g.n);
    c.nrmse = hi > lo ? c.rms / (hi - lo) : INFINITY;
    if (curve) *curve = std::move(fitted);
    return c;
}

// Whether `richer` (one parameter more than `simpler`) explains the window better: the
// systematic error it removes, √(NRMSE₁² − NRMSE₂²), reaches kSimplerMargin or at least
// halves the error, and the improvement is significant against the noise the richer
// structure fits as well (an F test of the residuals over the n fitted steps, p parameters).
bool Explains(const FitCandidate& richer, const FitCandidate& simpler, double n, int p) {
    const double one = simpler.nrmse, two = richer.nrmse;
    if (!(two < one)) return false;
    const bool relevant = std::sqrt(one * one - two * two) >= kSimplerMargin || two <= one / 2;
    return relevant && (one * one - two * two) / (two * two) * (n - p) >= kSignificance;
}

// Static or integrating: the family whose best candidate fits better (a static model whose
// lag outlasts the window cannot be told from an integrating one and counts for neither).
// Within the family one lag, then the pair, then the lag in front of the pair, each only
// when it explains the window better than the one chosen so far (Explains).
int Choose(const std::vector<FitCandidate>& c, double span, double n) {
    // An integrator that answers against the direction of the one-lag fit explains the window
    // by its drift, not by u.
    const double direction = c.front().model.gain;
    const auto usable = [&](const FitCandidate& x) {
        return x.model.integrating ? x.model.gain * direction > 0 : x.model.lagTimes()[0] <= span;
    };
    const auto best = [&](bool integrating) {
        double least = INFINITY;
        for (const FitCandidate& x : c)
            if (x.model.integrating == integrating && usable(x)) least = std::min(least, x.nrmse);
        return least;
    };
    const bool integrating = best(true) <= best(false) || !std::isfinite(best(false));
    int chosen = -1;
    for (int i = 0; i < static_cast<int>(c.size()); ++i) {
        if (c[i].model.integrating != integrating) continue;
        if (chosen < 0 || !usable(c[chosen]) ||
            (usable(c[i]) && Explains(c[i], c[chosen], n, 4 + c[i].model.lags)))
            chosen = i;
    }
    return chosen;
}

// The residuals' correlation from one fit step to the next: near 0 where they are noise, near 1
// where the model misses the response's shape.
double ResidualCorrelation(const ModelFit& f) {
    double s0 = 0, s1 = 0, previous = NAN;
    for (std::size_t i = 0; i < f.measured.size(); ++i) {
        if (std::isnan(f.measured[i])) {
            previous = NAN;
            continue;
        }
        const double r = f.measured[i] - f.fitted[i];
        s0 += r * r;
        if (!std::isnan(previous)) s1 += r * previous;
        previous = r;
    }
    return s0 > 0 ? s1 / s0 : 0;
}

void AddNotes(ModelFit& f, const FitGrid& g) {
    const ProcessModel& m = f.model;
    if (m.deadTime < g.h)
        f.notes.push_back("The dead time is below the fit's step of " + FixedText(g.h, 2) +
                          " s; it is known only to within that step.");
    // Lags within one step of the fit: the window holds hardly a sample of the response's shape.
    if (const double lags = m.timeScale() - m.deadTime; lags < g.h)
        f.notes.push_back("The process answers within the fit's step of " + FixedText(g.h, 2) +
                          " s (its lags add up to " + FixedText(lags, 2) +
                          " s): the window cannot show its shape, and the model may be far from the process. "
                          "A shorter window, or a recording at a shorter period (for a plant the view "
                          "simulates: a shorter SimT), shows more of it.");
    // The estimates' uncertainty goes with the noise over the response, so a bump twice as large
    // halves it.
    if (f.nrmse > kNoisyShare && f.nrmse <= 0.1 && ResidualCorrelation(f) < 0.5)
        f.notes.push_back("y scatters by " +
                          FixedText(f.candidates[static_cast<std::size_t>(f.chosen)].rms, 2) +
                          " % (RMS) around the model, " + FixedText(100 * f.nrmse, 1) +
                          " % of the response: the model and the previews on it are uncertain, by as much as "
                          "the rows' spread says. A larger bump of u narrows that: twice the bump, half the "
                          "uncertainty.");
    if (f.nrmse > 0.1)
        f.notes.push_back(
            "The model explains the window only roughly (NRMSE above 10 %): the window may hold "
            "other changes than the one of u, or the process is not linear there.");
    if (f.longest.deadTime > m.deadTime + std::max(g.h, 0.1 * m.timeScale()))
        f.notes.push_back("The window explains a dead time up to " + FixedText(f.longest.deadTime, 2) +
                          " s about as well; the suggestions keep their robustness there too.");
    if (m.integrating && std::abs(f.balance - f.u0) > 1e-3 && std::abs(m.gain) > 0)
        f.notes.push_back("y drifts at the window's start: the process holds still at u = " +
                          FixedText(f.balance, 2) + " %.");
}

}  // namespace

FitOutcome FitModel(const Window& window, double knownDelay) {
    FitOutcome out;
    out.error = CheckExcitation(window);
    if (!out.ok()) return out;
    FitGrid g = BuildGrid(window);
    if (!(g.h > 0) || !(g.syy > 0)) {
        out.error = "The window's samples do not span any time or y does not change.";
        return out;
    }
    const SearchRange r = RangeOf(g, knownDelay);
    ModelFit& f = out.fit;
    std::vector<std::vector<double>> curves;
    const auto add = [&](const Shape& s, int lags, bool integrating) {
        curves.emplace_back();
        f.candidates.push_back(Finish(g, r, s, lags, integrating, &curves.back()));
    };
    for (const bool integrating : {false, true}) {
        const Shape first = integrating ? SettleDrift(g, r) : FitFirstOrder(g, r, integrating);
        add(first, 1, integrating);
        add(FitSecondOrder(g, r, integrating, first), 2, integrating);
        // A third lag only where the pair already shows more than one.
        const std::size_t pair = f.candidates.size() - 1;
        if (Explains(f.candidates[pair], f.candidates[pair - 1], g.n, 6))
            add(FitThirdOrder(g, r, integrating, f.candidates[pair].model), 3, integrating);
    }
    f.chosen = Choose(f.candidates, r.span, g.n);
    const FitCandidate& c = f.candidates[static_cast<std::size_t>(f.chosen)];
    f.model = c.model;
    f.nrmse = c.nrmse;
    f.u0 = g.u0;
    f.y0 = c.offset;
    f.balance = c.model.integrating && c.model.gain != 0 ? g.u0 - c.drift / c.model.gain : g.u0;
    f.fitted = std::move(curves[static_cast<std::size_t>(f.chosen)]);
    f.longest = LongestDeadTime(g, r, f.model);
    f.plausible.push_back(f.longest);
    const double bound = c.rms * c.rms * (1 + kPlausible / g.n);
    for (const FitCandidate& other : f.candidates)
        if (&other != &c && other.rms * other.rms <= bound) f.plausible.push_back(other.model);
    for (std::size_t i = 0; i < g.y.size(); ++i) {
        f.time.push_back(g.start + g.time[i]);
        f.measured.push_back(g.weight[i] ? g.y[i] + g.yMean : NAN);
    }
    AddNotes(f, g);
    return out;
}

}  // namespace velmora::tuning
