// Speed and quality of the identification and loop design (src/tuning).
//
//   bench_TuningFitBench               Google Benchmark: fit of a 10,000-sample
//                                      window, one preview, one design
//   bench_TuningFitBench --evaluate    the quality table of docs/tuning.md
//       [--allowance X]                (Ms allowed on the plausible models: target + X)
//       [--nominal]                    (designed on the fitted model alone)
//       [static|integrating] [type]    (optionally only some plants)
//   bench_TuningFitBench --scatter [period] [noise] [seeds]
//                                      what a window tells of the preview: the same
//                                      bump with other noise, recorded every period s
//
// The evaluation records a manual bump (static plants: a step of u by 10 %;
// integrating plants: a pulse of 10 %) on the plant simulation's five types,
// with and without dead time and integrating stage, with measurement noise of
// 0, ±0.2 and ±1 % (uniform) on a recording rounded to 0.01 % as the graph page
// keeps it. It fits the model, designs the PID kind's parameters (OutCycle
// 0.2 s, incremental analog output) and judges them on the true plant: the
// PID block's algorithm as the preview runs it, closed around the product's
// own plant simulation (0.1 s steps). The optimum is a Nelder-Mead search of
// (PBnd, Ti, Td) on that same true loop under Ms ≤ 1.4 of the true plant.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "BenchTuningPlants.h"
#include "simulation/PlantSimulation.h"
#include "tuning/BlockModels.h"
#include "tuning/LoopDesign.h"
#include "tuning/LoopFigures.h"
#include "tuning/LoopPreview.h"
#include "tuning/Minimise.h"
#include "tuning/ModelFit.h"

namespace {

using namespace velmora;
using namespace velmora::tuning;

using Plant = bench::TuningPlant;
using bench::AtRest;
using bench::StepResponseError;
constexpr double kH = Plant::kH;
constexpr double kY0 = Plant::kY0, kStepSize = Plant::kStepSize;

std::complex<double> Response(const Plant& p, double w) {
    return p.response(w);
}

std::vector<RecordedSample> Record(const Plant& p, double noise, unsigned seed, double& length) {
    return bench::RecordBump(p, noise, seed, length);
}

LoopController PidController(const Plant& p) {
    LoopController c;
    c.pid.outCycle = 20;
    c.pid.minU = p.astat ? -10000 : 0;
    c.pid.maxU = 10000;
    return c;
}

double Horizon(const Plant& p, double T) {
    return (p.astat ? 25 : 15) * (p.timeSum() + T);
}
double LoadStep(const Plant& p, double T) {
    return p.astat ? -kStepSize * 20 / (p.timeSum() + T) : -kStepSize;
}

// The design for the situation the judge puts the loop in.
DesignOptions Situation(const Plant& p) {
    DesignOptions o;
    o.scan = kH, o.y0 = kY0, o.u0 = p.u0(), o.setpointStep = kStepSize;
    o.loadStep = LoadStep(p, SamplePeriod(PidController(p), kH));
    return o;
}

// The PID block's algorithm on the true plant: set point 30 → 40 % at 0, the load at the horizon.
StepFigures Judge(const Plant& p, const LoopController& c, StepFigures* load = nullptr) {
    PlantSimulation sim = AtRest(p);
    PidBlockModel block(c.pid);
    const double T = SamplePeriod(c, kH), horizon = Horizon(p, T), loadStep = LoadStep(p, T);
    const auto raw = [](double y) { return static_cast<int>(std::lround(y * 100)); };
    block.setOutput(p.u0());
    block.call(raw(kY0), raw(kY0), kH * 1000, false);
    // In automatic at rest; the step then comes at a sample, as in the preview.
    for (int i = 0; i < 3; ++i) block.call(raw(kY0), raw(kY0), kH * 1000, true);
    const long steps = std::lround(horizon / kH);
    std::vector<double> phase[2];
    for (long i = 0; i < 2 * steps; ++i) {
        block.call(raw(sim.output()), raw(kY0 + kStepSize), kH * 1000, true);
        sim.setPlantInput(block.output() + (i >= steps ? loadStep : 0));
        sim.step();
        phase[i >= steps].push_back(sim.output());
    }
    if (load) *load = StepFiguresOf(phase[1], phase[0].back(), kY0 + kStepSize, kH, kStepSize);
    return StepFiguresOf(phase[0], kY0, kY0 + kStepSize, kH, kStepSize);
}

double Iae(const Plant& p, const LoopController& c) {
    StepFigures load;
    const StepFigures sp = Judge(p, c, &load);
    return sp.iae + load.iae;
}

double TrueMs(const Plant& p, const LoopController& c) {
    const double T = SamplePeriod(c, kH);
    return LoopFigures([&](double w) { return Response(p, w); }, LawOf(c), T, 1e-4, 1e3).ms;
}

// The best (PBnd, Ti, Td) on the true loop with Ms ≤ 1.4, from each start.
LoopController Optimum(const Plant& p, const std::vector<LoopController>& starts) {
    LoopController best = starts.front();
    double bestIae = INFINITY;
    for (const LoopController& start : starts) {
        LoopController c = start;
        const auto apply = [&](const SearchPoint& z) {
            c.pid.pBnd = static_cast<int>(std::clamp(std::lround(std::exp(z[0])), 1L, 30000L));
            c.pid.ti = static_cast<int>(std::clamp(std::lround(std::exp(z[1])), 1L, 30000L));
            c.pid.td = static_cast<int>(std::clamp(std::lround(std::exp(z[2])), 0L, 30000L));
        };
        const auto cost = [&](const SearchPoint& z) {
            apply(z);
            const double ms = TrueMs(p, c);
            if (ms > 1.4) return 1e6 * (1 + ms - 1.4);
            const double iae = Iae(p, c);
            return std::isfinite(iae) ? iae : 1e6;
        };
        SearchPoint z{std::log(start.pid.pBnd), std::log(start.pid.ti), std::log(std::max(start.pid.td, 1)),
                      0};
        MinimiseSimplex(cost, z, 3, 0.3, 200);
        const double v = MinimiseSimplex(cost, z, 3, 0.08, 100);
        if (v < bestIae) bestIae = v, apply(z), best = c;
    }
    return best;
}

// A PID from the SIMC rule on the true plant's half-rule model, as an independent start.
LoopController TrueStart(const Plant& p, LoopController c) {
    const double lags[][2] = {{0, 0}, {10, 0}, {10, 5}, {1.4, 1.4}, {10, 5}, {10, 1.4}};
    const double t1 = lags[p.type][0], t2 = lags[p.type][1] + (p.type == 4 ? 2 : 0);
    const double theta = p.deadTime() + t2 / 2 + 0.1 + (p.astat ? t1 + t2 : 0), tc = theta;
    const double k = p.astat ? 20 / (tc + theta) : (t1 + t2 / 2) / (tc + theta);
    c.pid.pBnd = static_cast<int>(std::lround(1000 / k));
    c.pid.ti = static_cast<int>(
        std::lround(10 * (p.astat ? 4 * (tc + theta) : std::min(t1 + t2 / 2, 4 * (tc + theta)))));
    c.pid.td = static_cast<int>(std::lround(10 * std::max(t2 / 2, 0.2)));
    for (int i = 0; i < 60 && TrueMs(p, c) > 1.4; ++i) c.pid.pBnd = static_cast<int>(c.pid.pBnd * 1.15 + 1);
    return c;
}

std::string Fmt(const char* format, double v) {
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

std::string Describe(const ProcessModel& m) {
    const char* names[] = {"FOPDT", "SOPDT", "TOPDT"};
    std::string s = std::string(m.integrating ? "I" : "") + names[m.lags - 1] + " K " + Fmt("%.3g", m.gain);
    std::string times;
    for (const ModelTerm& t : TimeTerms(m))
        times +=
            t.seconds ? (times.empty() ? " T " : "/") + Fmt("%.1f", t.value) : " ζ " + Fmt("%.2f", t.value);
    return s + times + " L " + Fmt("%.1f", m.deadTime);
}

struct Worst {
    double modelError = 0, ratio = 0, slowOvershoot = 0, overshootGap = 0, settlingGap = 0;
};

// The Ms allowance on the plausible models (--allowance X), the design's default otherwise.
double gAllowance = kPlausibleMsAllowance;

void EvaluatePlant(const Plant& p, bool nominal, Worst& worst) {
    const LoopController current = PidController(p);
    const double T = SamplePeriod(current, kH);
    std::vector<LoopController> optimumStarts{TrueStart(p, current)};
    bool optimumDone = false;
    LoopController optimum;
    double optimumIae = 0;
    for (const double noise : {0.0, 0.2, 1.0}) {
        double length = 0;
        const std::vector<RecordedSample> rec =
            Record(p, noise, 7u + static_cast<unsigned>(noise * 10), length);
        const WindowOutcome w = ExtractWindow(rec, rec.front().time, rec.back().time);
        const FitOutcome fit = FitModel(w.window);
        if (!fit.ok()) {
            std::printf("| %s | ±%.1f | %s |\n", p.name().c_str(), noise, fit.error.c_str());
            continue;
        }
        const double modelError = StepResponseError(p, fit.fit.model, length);
        DesignOptions situation = Situation(p);
        if (!nominal) situation.alsoFor = fit.fit.plausible;
        situation.plausibleMsAllowance = gAllowance;
        const Design design = DesignLoop(fit.fit.model, current, situation);
        double iae[3], overshootGap = 0, settlingGap = 0;
        for (int s = 0; s < 3; ++s) {
            const LoopController& c = design.suggestions[s].controller;
            StepFigures load;
            const StepFigures truth = Judge(p, c, &load);
            iae[s] = truth.iae + load.iae;
            PreviewOptions o;
            o.y0 = kY0, o.u0 = p.u0(), o.setpointStep = kStepSize, o.loadStep = LoadStep(p, T);
            o.horizon = Horizon(p, T);
            const Preview preview = PreviewLoop(fit.fit.model, c, o);
            overshootGap = std::max(overshootGap, std::abs(preview.setpoint.overshoot - truth.overshoot));
            settlingGap = std::max(settlingGap, std::abs(preview.setpoint.settling / truth.settling - 1));
            if (s == 0) worst.slowOvershoot = std::max(worst.slowOvershoot, truth.overshoot);
        }
        if (!optimumDone) {
            optimumStarts.push_back(design.suggestions[1].controller);
            optimum = Optimum(p, optimumStarts);
            optimumIae = Iae(p, optimum);
            optimumDone = true;
        }
        const StepFigures slow = Judge(p, design.suggestions[0].controller);
        const double ratio = iae[1] / optimumIae;
        worst.modelError = std::max(worst.modelError, modelError);
        worst.ratio = std::max(worst.ratio, ratio);
        worst.overshootGap = std::max(worst.overshootGap, overshootGap);
        worst.settlingGap = std::max(worst.settlingGap, settlingGap);
        const LoopController& normal = design.suggestions[1].controller;
        std::printf(
            "| %s | ±%.1f | %s | %.1f | %.1f | %.0f / %.0f / %.0f | %.0f | %.2f | %.1f | %.2f | %s | %.1f | "
            "%.0f |\n",
            p.name().c_str(), noise, Describe(fit.fit.model).c_str(), 100 * fit.fit.nrmse, 100 * modelError,
            iae[0], iae[1], iae[2], optimumIae, ratio, slow.overshoot, TrueMs(p, normal),
            DescribeParameters(normal).c_str(), overshootGap, 100 * settlingGap);
        std::fflush(stdout);
    }
}

int Evaluate(int argc, char** argv) {
    int first = 2;
    if (argc > first + 1 && std::strcmp(argv[first], "--allowance") == 0) {
        gAllowance = std::atof(argv[first + 1]);
        first += 2;
    }
    const bool nominal = argc > first && std::strcmp(argv[first], "--nominal") == 0;
    first += nominal ? 1 : 0;
    const std::string only = argc > first ? argv[first] : "";
    const int onlyType = argc > first + 1 ? std::atoi(argv[first + 1]) : 0;
    std::printf(
        "| plant | noise [%%] | model | fit NRMSE [%%] | step response NRMSE [%%] | IAE slow / normal / "
        "fast | optimum IAE | normal ÷ optimum | slow overshoot [%%] | Ms normal | normal | preview Δ "
        "overshoot [pp] | preview Δ settling [%%] |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    Worst worst;
    for (const bool astat : {false, true})
        for (int type = 1; type <= 5; ++type)
            for (const bool dead : {false, true}) {
                if ((only == "static" && astat) || (only == "integrating" && !astat) ||
                    (onlyType && type != onlyType))
                    continue;
                EvaluatePlant(Plant{type, dead, astat}, nominal, worst);
            }
    std::printf(
        "\nworst: step response NRMSE %.1f %%, normal ÷ optimum %.2f, slow overshoot %.1f %%, preview "
        "overshoot gap %.1f pp, preview settling gap %.0f %%\n",
        100 * worst.modelError, worst.ratio, worst.slowOvershoot, worst.overshootGap,
        100 * worst.settlingGap);
    return 0;
}

// ---------------------------------------------------------------- what a window can tell

// The PIDMA of the soft-PLC judge's Dryer: Ts 0.5 s, output 0 … 100 % (−100 … 100 % on an
// integrating plant).
LoopController PidmaController(const Plant& p) {
    LoopController c;
    c.kind = ControllerKind::Pidma;
    c.pida.ts = 0.5, c.pida.lolim = p.astat ? -100 : 0;
    return c;
}

// How far a set-point step's figures on `model` lie from `truth`, those of the same loop on the
// true plant: overshoot in pp, settling relative.
struct Gap {
    double overshoot = 0, settling = 0;
};
Gap GapOf(const StepFigures& truth, const ProcessModel& model, const LoopController& c,
          const PreviewOptions& o) {
    const StepFigures on = PreviewLoop(model, c, o).setpoint;
    Gap g;
    g.overshoot = std::abs(on.overshoot - truth.overshoot);
    g.settling = std::isfinite(on.settling) && std::isfinite(truth.settling)
                     ? std::abs(on.settling / truth.settling - 1)
                     : (std::isfinite(on.settling) == std::isfinite(truth.settling) ? 0 : INFINITY);
    return g;
}

// Over `seeds` windows of the same bump with other noise, recorded every `period` s: how often the
// preview on the fitted model meets the preview targets against the same preview on the true
// plant, for the PIDMA's three suggestions; and how often it would with the plant's own structure
// fitted to the same window (where the fit has it).
int Scatter(int argc, char** argv) {
    const double period = argc > 2 ? std::atof(argv[2]) : 1, noise = argc > 3 ? std::atof(argv[3]) : 1;
    const int seeds = argc > 4 ? std::atoi(argv[4]) : 20;
    if (!(period >= kH && period <= 10) || !(noise >= 0 && noise <= 5) || seeds < 1 || seeds > 1000) {
        std::fprintf(stderr,
                     "usage: bench_TuningFitBench --scatter [period 0.1..10 s] [noise 0..5 %%] "
                     "[seeds 1..1000]\n");
        return 2;
    }
    const long every = std::max(1L, std::lround(period / kH));
    std::printf(
        "| plant | overshoot within 3 pp: fitted / plant's structure | settling within 15 %%: fitted / "
        "plant's structure | fast loop's overshoot gap, median / worst [pp] | models fitted as "
        "one lag / pair / lag and pair |\n|---|---|---|---|---|\n");
    int total[4] = {}, runs = 0;
    for (const bool astat : {false, true})
        for (int type = 1; type <= 5; ++type)
            for (const bool dead : {false, true}) {
                const Plant p{type, dead, astat};
                for (const double w : {0.01, 0.1, 0.5, 2.0})
                    if (std::abs(FrequencyResponse(p.model(), w) - p.response(w)) >
                        1e-9 * std::abs(p.response(w))) {
                        std::fprintf(stderr, "%s: the model is not the plant at %g rad/s\n", p.name().c_str(),
                                     w);
                        return 1;
                    }
                int met[4] = {}, structures[4] = {}, n = 0, own = 0;
                std::vector<double> fastGaps;
                for (int seed = 1; seed <= seeds; ++seed) {
                    double length = 0;
                    const std::vector<RecordedSample> all =
                        Record(p, noise, 100u + static_cast<unsigned>(seed), length);
                    std::vector<RecordedSample> rec;
                    for (std::size_t i = 0; i < all.size(); i += static_cast<std::size_t>(every))
                        rec.push_back(all[i]);
                    const FitOutcome fit =
                        FitModel(ExtractWindow(rec, rec.front().time, rec.back().time).window);
                    if (!fit.ok()) continue;
                    ++structures[fit.fit.model.lags];
                    DesignOptions situation = Situation(p);
                    situation.loadStep = NAN;
                    situation.alsoFor = fit.fit.plausible;
                    const LoopController current = PidmaController(p);
                    const Design design = DesignLoop(fit.fit.model, current, situation);
                    const ProcessModel truth = p.model();
                    const FitCandidate* structure = nullptr;
                    for (const FitCandidate& c : fit.fit.candidates)
                        if (c.model.lags == truth.lags && c.model.integrating == truth.integrating)
                            structure = &c;
                    PreviewOptions o;
                    o.y0 = kY0, o.u0 = p.u0(), o.setpointStep = kStepSize, o.withLoad = false;
                    o.scan = kH, o.horizon = Horizon(p, current.pida.ts);
                    for (const Suggestion& s : design.suggestions) {
                        const StepFigures onPlant = PreviewLoop(truth, s.controller, o).setpoint;
                        const Gap fitted = GapOf(onPlant, fit.fit.model, s.controller, o);
                        met[0] += fitted.overshoot <= 3, met[2] += fitted.settling <= 0.15;
                        if (s.speed == Speed::Fast) fastGaps.push_back(fitted.overshoot);
                        if (structure) {
                            const Gap g = GapOf(onPlant, structure->model, s.controller, o);
                            met[1] += g.overshoot <= 3, met[3] += g.settling <= 0.15;
                        }
                        ++n, own += structure != nullptr;
                    }
                }
                if (fastGaps.empty()) continue;
                std::sort(fastGaps.begin(), fastGaps.end());
                std::printf("| %s | %d / %d of %d (%d) | %d / %d of %d (%d) | %.1f / %.1f | %d / %d / %d |\n",
                            p.name().c_str(), met[0], met[1], n, own, met[2], met[3], n, own,
                            fastGaps[fastGaps.size() / 2], fastGaps.back(), structures[1], structures[2],
                            structures[3]);
                std::fflush(stdout);
                for (int i = 0; i < 4; ++i) total[i] += met[i];
                runs += n;
            }
    std::printf(
        "\nall plants: overshoot within 3 pp %d of %d (plant's structure %d), settling within 15 %% %d "
        "(%d)\n",
        total[0], runs, total[1], total[2], total[3]);
    return 0;
}

// ---------------------------------------------------------------- timings

struct Fixture {
    FitOutcome fit;
    Design design;
    Window window;
    Fixture() {
        // 10,000 samples (1000 s at 0.1 s) of type 2 with dead time, noise ±0.2 %.
        const Plant p{2, true, false};
        PlantSimulation sim = AtRest(p);
        std::mt19937 random(3);
        std::uniform_real_distribution<double> spread(-0.2, 0.2);
        std::vector<RecordedSample> rec;
        for (int i = 0; i < 10000; ++i) {
            const double u = i >= 100 && i < 5000 ? 40 : 30;
            rec.push_back({i * kH, kY0, u, std::round((sim.output() + spread(random)) * 100) / 100});
            sim.setPlantInput(u);
            sim.step();
        }
        window = ExtractWindow(rec, 0, rec.back().time).window;
        fit = FitModel(window);
        DesignOptions o;
        o.alsoFor = fit.fit.plausible;
        design = DesignLoop(fit.fit.model, PidController(p), o);
    }
};

const Fixture& Shared() {
    static const Fixture f;
    return f;
}

void BM_FitWindow10k(benchmark::State& state) {
    const Fixture& f = Shared();
    for (auto _ : state) benchmark::DoNotOptimize(FitModel(f.window));
    state.counters["samples"] = static_cast<double>(f.window.samples.size());
}
BENCHMARK(BM_FitWindow10k)->Unit(benchmark::kMillisecond);

void BM_PreviewPid(benchmark::State& state) {
    const Fixture& f = Shared();
    PreviewOptions o;
    o.y0 = f.fit.fit.y0, o.u0 = f.fit.fit.balance;
    for (auto _ : state)
        benchmark::DoNotOptimize(PreviewLoop(f.fit.fit.model, f.design.suggestions[1].controller, o));
}
BENCHMARK(BM_PreviewPid)->Unit(benchmark::kMillisecond);

void BM_PreviewPidma(benchmark::State& state) {
    const Fixture& f = Shared();
    LoopController c;
    c.kind = ControllerKind::Pidma;
    const Design d = DesignLoop(f.fit.fit.model, c);
    PreviewOptions o;
    o.y0 = f.fit.fit.y0, o.u0 = f.fit.fit.balance;
    for (auto _ : state)
        benchmark::DoNotOptimize(PreviewLoop(f.fit.fit.model, d.suggestions[1].controller, o));
}
BENCHMARK(BM_PreviewPidma)->Unit(benchmark::kMillisecond);

void BM_DesignPid(benchmark::State& state) {
    const Fixture& f = Shared();
    const LoopController c = PidController(Plant{2, true, false});
    for (auto _ : state) benchmark::DoNotOptimize(DesignLoop(f.fit.fit.model, c));
}
BENCHMARK(BM_DesignPid)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--evaluate") == 0) return Evaluate(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--scatter") == 0) return Scatter(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
