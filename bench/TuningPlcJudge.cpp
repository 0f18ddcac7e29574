// The recording tuner's PID suggestions judged on the soft PLC running the
// generated PID code, as `velmora-host run` and the loop tests run it.
//
//   bench_TuningPlcJudge [type]     (optionally only one plant type)
//
// For each static plant of the plant simulation (types 1-5, with and without
// dead time; the numbers of bench_TuningFitBench): a manual bump of u by 10 %
// is recorded from the product's plant simulation, the model is fitted and the
// three speeds are designed for the demo's PID controller Chiller (PLC2) set up
// as a direct-acting loop with output 0..100 %. Each suggestion is then written
// into Chiller's section, the PLC is generated and compiled, Chiller goes online
// with the view's plant simulation closing the loop (exchange every 0.1 s), and
// the set point steps from 30 to 40 %. The optimum is a Nelder-Mead search of
// (PBnd, Ti, Td) on that same soft-PLC loop under Ms <= 1.4 of the true plant.
// The preview's prediction on the fitted model is set beside what the PLC did.
// Prints the table as Markdown; progress goes to standard error.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchTuningPlants.h"
#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "controllers/SectionReader.h"
#include "host/looptest/LoopTestCheck.h"
#include "host/looptest/LoopTestRunner.h"
#include "tuning/LoopDesign.h"
#include "tuning/LoopFigures.h"
#include "tuning/LoopPreview.h"
#include "tuning/Minimise.h"
#include "tuning/ModelFit.h"

namespace {

using namespace velmora;
using namespace velmora::tuning;
using bench::TuningPlant;

constexpr const char* kSection = "Regulator Chiller";
constexpr const char* kSpeeds[] = {"slow", "normal", "fast"};

struct Project {
    std::filesystem::path dir;
    Project() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-judge-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        setenv("VELMORA_REGISTRY", (dir / "registry.ini").c_str(), 1);
        dir /= "demo";
        std::filesystem::copy(VELMORA_SOURCE_DIR "/examples/demo", dir,
                              std::filesystem::copy_options::recursive);
    }
    ~Project() { std::filesystem::remove_all(dir.parent_path()); }
    std::filesystem::path file() const { return dir / "Velmora" / "PLC2.rglx"; }
};

// Chiller as a direct-acting loop on the plant: output 0..100 %, set point 30 %,
// the same band for both signs of e, the plant simulated and exchanged every 0.1 s.
void SetUpChiller(const Project& project, const TuningPlant& p) {
    IniFile file(project.file());
    IniFile::Batch batch(file);
    const std::pair<const char*, std::string> keys[] = {
        {"AO", "0"},
        {"RelCool", "1000"},
        {"UMin", "0"},
        {"UMax", "10000"},
        {"UDef", "3000"},
        {"gW", "3000"},
        {"WFiltr", "0"},
        {"TiW", "0"},
        {"Y1Filtr", "0"},
        {"Simulation", "1"},
        {"SimT", "0,1"},
        {"TypSoustavy", std::to_string(p.type)},
        {"Su", "1"},
        {"Su2", "1"},
        {"Tau1", "10"},
        {"Tau2", "5"},
        {"Tau3", "2"},
        {"Delta", "1"},
        {"Omega", "0,5"},
        {"Astat", "0"},
        {"Delay", p.dead ? "1" : "0"},
        {"DDelta", std::to_string(p.dead ? std::lround(p.deadTime() / 0.1) : 1)},
        {"y0", "30"},
        {"ys", "0"}};
    for (const auto& [key, value] : keys) file.writeString(kSection, key, value);
    batch.commit();
}

LoopController ReadChiller(const Project& project) {
    const IniFile file(project.file());
    return ReadLoopController(SectionReader(file, kSection, Reader::GeneratorCode));
}

double Horizon(const TuningPlant& p) {
    return 15 * (p.timeSum() + 0.2);
}

// The set-point step 30 -> 40 % on the soft PLC with these parameters: the
// loop rests for a horizon first, then the step, then a horizon.
StepFigures OnPlc(const Project& project, const TuningPlant& p, const LoopController& c) {
    {
        IniFile file(project.file());
        IniFile::Batch batch(file);
        file.writeString(kSection, "PBnd", std::to_string(c.pid.pBnd));
        file.writeString(kSection, "Ti", std::to_string(c.pid.ti));
        file.writeString(kSection, "Td", std::to_string(c.pid.td));
        file.writeString(kSection, "TiW", std::to_string(c.pid.tiW));
        batch.commit();
    }
    const long rest = std::lround(Horizon(p)), horizon = std::lround(Horizon(p));
    const std::string text = "[case judge]\nplc PLC2\nonline Chiller\nsample 100 ms\nduration " +
                             std::to_string(rest + horizon) + "\nat " + std::to_string(rest) +
                             " set Chiller_gW=4000\n";
    looptest::ParsedFile parsed = looptest::ParseLoopTests(text, "judge.vtest");
    const looptest::CaseRun run = looptest::RunCase(parsed.cases.at(0), "PLC2", project.dir);
    const looptest::Trace::Column* y = run.trace.column("Chiller.y");
    StepFigures none;
    none.settling = NAN, none.iae = INFINITY, none.overshoot = INFINITY;
    if (!run.error.empty() || !y || run.trace.fault) return none;
    std::vector<double> after;
    for (std::size_t i = 0; i < run.trace.times.size(); ++i)
        if (run.trace.times[i] >= rest * 1000 && i >= y->first) after.push_back(y->values[i - y->first]);
    return StepFiguresOf(after, 30, 40, 0.1, 10);
}

double TrueMs(const TuningPlant& p, const LoopController& c) {
    return LoopFigures([&](double w) { return p.response(w); }, LawOf(c), SamplePeriod(c, 0.1), 1e-4, 1e3).ms;
}

// The best (PBnd, Ti, Td) on the soft-PLC loop with Ms <= 1.4, from the normal suggestion.
std::pair<LoopController, StepFigures> Optimum(const Project& project, const TuningPlant& p,
                                               const LoopController& start) {
    LoopController c = start, best = start;
    StepFigures bestFigures = OnPlc(project, p, start);
    const auto apply = [&](const SearchPoint& z) {
        c.pid.pBnd = static_cast<int>(std::clamp(std::lround(std::exp(z[0])), 1L, 30000L));
        c.pid.ti = static_cast<int>(std::clamp(std::lround(std::exp(z[1])), 1L, 30000L));
        c.pid.td = static_cast<int>(std::clamp(std::lround(std::exp(z[2])), 0L, 30000L));
    };
    const auto cost = [&](const SearchPoint& z) {
        apply(z);
        const double ms = TrueMs(p, c);
        if (ms > 1.4) return 1e6 * (1 + ms - 1.4);
        const StepFigures f = OnPlc(project, p, c);
        if (std::isfinite(f.iae) && f.iae < bestFigures.iae) best = c, bestFigures = f;
        return std::isfinite(f.iae) ? f.iae : 1e6;
    };
    SearchPoint z{std::log(start.pid.pBnd), std::log(start.pid.ti), std::log(std::max(start.pid.td, 1)), 0};
    MinimiseSimplex(cost, z, 3, 0.3, 40);
    MinimiseSimplex(cost, z, 3, 0.08, 25);
    return {best, bestFigures};
}

void JudgePlant(const TuningPlant& p) {
    Project project;
    SetUpChiller(project, p);
    const LoopController current = ReadChiller(project);
    double length = 0;
    const std::vector<RecordedSample> rec = bench::RecordBump(p, 0, 7, length);
    const WindowOutcome w = ExtractWindow(rec, rec.front().time, rec.back().time);
    const FitOutcome fit = FitModel(w.window);
    if (!fit.ok()) {
        std::printf("| %s | %s |\n", p.name().c_str(), fit.error.c_str());
        return;
    }
    DesignOptions situation;
    situation.scan = 0.1, situation.y0 = 30, situation.u0 = 30, situation.setpointStep = 10;
    situation.alsoFor = fit.fit.plausible;
    const Design design = DesignLoop(fit.fit.model, current, situation);
    StepFigures onPlc[3];
    double overshootGap = 0, settlingGap = 0;
    for (int s = 0; s < 3; ++s) {
        const LoopController& c = design.suggestions[s].controller;
        onPlc[s] = OnPlc(project, p, c);
        PreviewOptions o;
        o.y0 = 30, o.u0 = 30, o.setpointStep = 10, o.horizon = Horizon(p);
        const Preview preview = PreviewLoop(fit.fit.model, c, o);
        overshootGap = std::max(overshootGap, std::abs(preview.setpoint.overshoot - onPlc[s].overshoot));
        settlingGap = std::max(settlingGap, std::abs(preview.setpoint.settling / onPlc[s].settling - 1));
        std::fprintf(stderr, "%s %s: %s, IAE %.1f\n", p.name().c_str(), kSpeeds[s],
                     DescribeParameters(c).c_str(), onPlc[s].iae);
    }
    const auto [optimum, best] = Optimum(project, p, design.suggestions[1].controller);
    std::printf(
        "| %s | %.0f / %.0f / %.0f | %.0f | %.2f | %.1f | %.1f | %.0f | %.2f | %s | %s |\n", p.name().c_str(),
        onPlc[0].iae, onPlc[1].iae, onPlc[2].iae, best.iae, onPlc[1].iae / best.iae, onPlc[0].overshoot,
        overshootGap, 100 * settlingGap, TrueMs(p, design.suggestions[1].controller),
        DescribeParameters(design.suggestions[1].controller).c_str(), DescribeParameters(optimum).c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int onlyType = argc > 1 ? std::atoi(argv[1]) : 0;
    std::printf(
        "| plant | set-point IAE on the PLC slow / normal / fast | optimum IAE | normal ÷ optimum | slow "
        "overshoot [%%] | preview Δ overshoot [pp] | preview Δ settling [%%] | Ms normal | normal | optimum "
        "|\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    for (int type = 1; type <= 5; ++type)
        for (const bool dead : {false, true})
            if (!onlyType || type == onlyType) JudgePlant(TuningPlant{type, dead, false});
    return 0;
}
