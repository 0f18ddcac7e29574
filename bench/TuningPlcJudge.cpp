// The recording tuner's PID suggestions judged on the soft PLC running the
// generated PID code, as `velmora-host run` and the loop tests run it.
//
//   bench_TuningPlcJudge [pid|pidma|both] [type|0] [SimT]
//       (optionally one kind, one plant type, the view's exchange period; 0.1 s by default)
//   bench_TuningPlcJudge models[pid|pidma] [type|0] [SimT]
//       (the bump and the fitted model against the true plant only)
//
// For each static plant of the plant simulation (types 1-5, with and without
// dead time; the numbers of bench_TuningFitBench) and a demo controller set up
// as a direct-acting loop with output 0..100 % (the PID controller Chiller of
// PLC2, the PIDMA controller Dryer of PLC1), the bump is made as a user makes
// it: the controller starts in manual at u 30 % on the soft PLC, online with the
// view's plant simulation, u steps to 40 %, and the view's recording is saved
// as the graph page saves it and read back. RunTuning fits the model on that
// file and designs the three speeds as the view's dialog does (the view's
// exchange taken out of the model and held in the preview). Each suggestion
// is then written into the section,
// the PLC is generated and compiled, the controller goes online with the view's
// plant simulation closing the loop (exchange every SimT), the set point
// steps from 30 to 40 %, and a horizon later a load of 10 % enters at the
// plant input: the plant simulation only adds its disturbance to the output,
// so the test's disturb actions feed it the plant's own response to that load
// (exact for the linear plant). IAE is that of both steps, as the design and
// bench_TuningFitBench count it. The optimum is a Nelder-Mead search of
// (PBnd, Ti, Td) or (k, ti, td) on that same soft-PLC loop under Ms <= 1.4 of
// the true plant.
// The preview's prediction on the fitted model is set beside what the PLC did,
// counted from the sample at which the block took the new set point.
// Prints the table as Markdown; progress goes to standard error.
#include <algorithm>
#include <cmath>
#include <complex>
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
#include "online/TrendDataFile.h"
#include "online/TrendSettings.h"
#include "online/TuningSource.h"
#include "tuning/LoopFigures.h"
#include "tuning/LoopPreview.h"
#include "tuning/Minimise.h"
#include "tuning/TuningReport.h"

namespace {

using namespace velmora;
using namespace velmora::tuning;
using bench::TuningPlant;

constexpr const char* kSpeeds[] = {"slow", "normal", "fast"};

// A demo controller as the judge sets it up: its PLC, the set-point symbol
// with its raw values for 30 and 40 %, and the keys that make it a
// direct-acting loop on the plant with output 0..100 % and set point 30 %.
struct Loop {
    const char* plc;
    const char* name;
    const char* setpoint;
    const char* at30;
    const char* at40;
    const char* loadKeys[2];  // AddOut, AddOutName: where the load enters the plant's output
    const char* manual[4];    // the symbol u is set by in manual, its values for 30 and 40 %, its start key
    std::vector<std::pair<const char*, const char*>> keys;
    std::string section() const { return std::string("Regulator ") + name; }
};

const Loop kChiller{"PLC2",
                    "Chiller",
                    "Chiller_gW",
                    "3000",
                    "4000",
                    {"1", "Chiller_Load"},
                    {"Chiller_Output", "3000", "4000", "Output"},
                    {{"AO", "0"},
                     {"RelCool", "1000"},
                     {"UMin", "0"},
                     {"UMax", "10000"},
                     {"UDef", "3000"},
                     {"gW", "3000"},
                     {"WFiltr", "0"},
                     {"TiW", "0"},
                     {"Y1Filtr", "0"}}};
const Loop kDryer{"PLC1",
                  "Dryer",
                  "Dryer_sp",
                  "30",
                  "40",
                  {"2", "Dryer_Load"},
                  {"Dryer_hv", "30", "40", "hv"},
                  {{"RACT", "0"}, {"hilim", "100"}, {"lolim", "0"}, {"AM", "1"}, {"sp", "30"}, {"hv", "30"}}};

std::string Decimal(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

double gExchange = 0.1;    // s, SimT: the view closes the loop through its exchange
bool gModelsOnly = false;  // "models": record and fit only
double gWorstModel = 0;    // the largest step response NRMSE against the true plant

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
    std::filesystem::path file(const Loop& loop) const {
        return dir / "Velmora" / (std::string(loop.plc) + ".rglx");
    }
};

void WriteKeys(const Project& project, const Loop& loop,
               const std::vector<std::pair<std::string, std::string>>& keys) {
    IniFile file(project.file(loop));
    IniFile::Batch batch(file);
    for (const auto& [key, value] : keys) file.writeString(loop.section(), key, value);
    batch.commit();
}

// The loop's own keys and the plant, simulated and exchanged every 0.1 s.
void SetUp(const Project& project, const Loop& loop, const TuningPlant& p) {
    std::vector<std::pair<std::string, std::string>> keys(loop.keys.begin(), loop.keys.end());
    const std::pair<const char*, std::string> plant[] = {
        {"Simulation", "1"},
        {"SimT", Decimal(gExchange)},
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
        {"ys", "0"},
        {"AddOut", loop.loadKeys[0]},
        {"AddOutName", loop.loadKeys[1]}};
    for (const auto& [key, value] : plant) keys.emplace_back(key, value);
    WriteKeys(project, loop, keys);
}

LoopController ReadController(const Project& project, const Loop& loop) {
    const IniFile file(project.file(loop));
    return ReadLoopController(SectionReader(file, loop.section(), Reader::GeneratorCode));
}

void WriteParameters(const Project& project, const Loop& loop, const LoopController& c) {
    IniFile file(project.file(loop));
    IniFile::Batch batch(file);
    SectionWriter section(file, loop.section(), c.kind);
    WriteLoopParameters(section, c);
    batch.commit();
}

double Horizon(const TuningPlant& p) {
    return 15 * (p.timeSum() + 0.5);
}

constexpr double kLoad = 10;  // % at the plant input

// The plant's output response to the load at its input, every 0.1 s from the
// load on, as the disturb actions that add it to the output: a line whenever
// the value moves by the word's resolution (0.01 %).
std::string LoadActions(const TuningPlant& p, const std::string& controller, long from, long horizon) {
    PlantSimulation sim = bench::AtRest(p);
    const double y0 = sim.output();
    sim.setPlantInput(p.u0() + kLoad);
    std::string text;
    double last = 0;
    for (long i = 1; i <= 10 * horizon; ++i) {
        sim.step();
        const double v = std::clamp(sim.output() - y0, 0.0, 100.0);
        if (std::abs(v - last) < 0.005) continue;
        last = v;
        text += "at " + std::to_string(from * 1000 + 100 * i) + " ms disturb " + controller + " " +
                Decimal(v) + "\n";
    }
    return text;
}

// The manual bump on the soft PLC, recorded by the view, saved and read back as
// the graph page's data file; the controller goes back to automatic after it.
std::vector<RecordedSample> RecordBumpOnPlc(const Project& project, const Loop& loop, const TuningPlant& p,
                                            double& bumpAt) {
    WriteKeys(project, loop, {{"AM", "0"}, {loop.manual[3], "30"}});
    // The plant comes to rest from wherever the PLC's start left it, then the bump.
    const long rest = std::lround(8 * p.timeSum() + 10), length = std::lround(8 * p.timeSum() + 10);
    bumpAt = static_cast<double>(rest);
    const std::string text = std::string("[case bump]\nplc ") + loop.plc + "\nonline " + loop.name +
                             "\nsample 100 ms\nduration " + std::to_string(rest + length) + "\nat 0 set " +
                             loop.manual[0] + "=" + loop.manual[1] + "\nat " + std::to_string(rest) +
                             " set " + loop.manual[0] + "=" + loop.manual[2] + "\n";
    looptest::ParsedFile parsed = looptest::ParseLoopTests(text, "bump.vtest");
    const looptest::CaseRun run = looptest::RunCase(parsed.cases.at(0), loop.plc, project.dir);
    WriteKeys(project, loop, {{"AM", "1"}});
    for (const auto& [name, buffer] : run.recordings) {
        if (name != loop.name || !buffer) continue;
        const std::filesystem::path file = project.dir / "bump.txt";
        if (!online::SaveTrendDataFile(file, *buffer).empty()) break;
        online::TrendBuffer saved(online::kMaxBufferLength);
        if (online::LoadTrendDataFile(file, saved).loaded) return online::RecordedSamples(saved);
    }
    std::fprintf(stderr, "%s %s: no recording of the bump (%s)\n%s\n", loop.name, p.name().c_str(),
                 run.error.c_str(), run.log.c_str());
    return {};
}

// The set-point step 30 -> 40 % on the soft PLC with these parameters, then the
// load: the loop rests for a horizon first, then the step, a horizon, the load,
// a horizon. `load` gets the load's figures.
StepFigures OnPlc(const Project& project, const Loop& loop, const TuningPlant& p, const LoopController& c,
                  StepFigures* load = nullptr) {
    WriteParameters(project, loop, c);
    const long rest = std::lround(Horizon(p)), horizon = std::lround(Horizon(p));
    const std::string text = std::string("[case judge]\nplc ") + loop.plc + "\nonline " + loop.name +
                             "\nsample 100 ms\nduration " + std::to_string(rest + 2 * horizon) +
                             "\nat 0 set " + loop.setpoint + "=" + loop.at30 + "\nat " +
                             std::to_string(rest) + " set " + loop.setpoint + "=" + loop.at40 + "\n" +
                             LoadActions(p, loop.name, rest + horizon, horizon);
    looptest::ParsedFile parsed = looptest::ParseLoopTests(text, "judge.vtest");
    const looptest::CaseRun run = looptest::RunCase(parsed.cases.at(0), loop.plc, project.dir);
    const looptest::Trace::Column* y = run.trace.column(std::string(loop.name) + ".y");
    const looptest::Trace::Column* w = run.trace.column(std::string(loop.name) + ".w");
    StepFigures none;
    none.settling = NAN, none.iae = INFINITY, none.overshoot = INFINITY;
    if (load) *load = none;
    if (!run.error.empty() || !y || !w || run.trace.fault) return none;
    // The block takes the set point at its next sample: overshoot and settling count from
    // there, as the graph page shows the step of w; IAE from the write, as the optimum's.
    std::vector<double> phase[2], taken;
    for (std::size_t i = 0; i < run.trace.times.size(); ++i) {
        if (run.trace.times[i] < rest * 1000 || i < y->first || i < w->first) continue;
        const double v = y->values[i - y->first];
        const bool loaded = run.trace.times[i] >= (rest + horizon) * 1000;
        phase[loaded].push_back(v);
        if (!loaded && (!taken.empty() || w->values[i - w->first] > 39.9)) taken.push_back(v);
    }
    if (phase[0].empty() || phase[1].empty() || taken.empty()) return none;
    if (load) *load = StepFiguresOf(phase[1], phase[0].back(), 40, 0.1, kLoad);
    StepFigures sp = StepFiguresOf(taken, 30, 40, 0.1, 10);
    sp.iae = StepFiguresOf(phase[0], 30, 40, 0.1, 10).iae;
    return sp;
}

// IAE of the set-point step and the load, as the design weighs them.
double Iae(const Project& project, const Loop& loop, const TuningPlant& p, const LoopController& c,
           StepFigures* setpoint = nullptr) {
    StepFigures load;
    const StepFigures sp = OnPlc(project, loop, p, c, &load);
    if (setpoint) *setpoint = sp;
    return sp.iae + load.iae;
}

// Ms of the loop on the PLC: the true plant behind the view's exchange.
double TrueMs(const TuningPlant& p, const LoopController& c) {
    const auto loop = [&](double w) { return p.response(w) * std::polar(1.0, -w * gExchange); };
    return LoopFigures(loop, LawOf(c), SamplePeriod(c, 0.1), 1e-4, 1e3).ms;
}

// The three searched parameters in log form, and back.
SearchPoint Point(const LoopController& c) {
    if (c.kind == ControllerKind::Pid)
        return {std::log(c.pid.pBnd), std::log(c.pid.ti), std::log(std::max(c.pid.td, 1)), 0};
    return {std::log(c.pida.k), std::log(c.pida.ti), std::log(std::max(c.pida.td, 0.01)), 0};
}
void Apply(const SearchPoint& z, LoopController& c) {
    if (c.kind == ControllerKind::Pid) {
        c.pid.pBnd = static_cast<int>(std::clamp(std::lround(std::exp(z[0])), 1L, 30000L));
        c.pid.ti = static_cast<int>(std::clamp(std::lround(std::exp(z[1])), 1L, 30000L));
        c.pid.td = static_cast<int>(std::clamp(std::lround(std::exp(z[2])), 0L, 30000L));
        return;
    }
    c.pida.k = std::clamp(std::exp(z[0]), 1e-3, 1e3);
    c.pida.ti = std::clamp(std::exp(z[1]), 0.01, 1e4);
    c.pida.td = std::clamp(std::exp(z[2]), 0.0, 1e4);
}

// The best parameters on the soft-PLC loop with Ms <= 1.4, from the normal suggestion;
// its IAE goes to `bestIae`.
LoopController Optimum(const Project& project, const Loop& loop, const TuningPlant& p,
                       const LoopController& start, double& bestIae) {
    LoopController c = start, best = start;
    bestIae = Iae(project, loop, p, start);
    const auto cost = [&](const SearchPoint& z) {
        Apply(z, c);
        const double ms = TrueMs(p, c);
        if (ms > 1.4) return 1e6 * (1 + ms - 1.4);
        const double iae = Iae(project, loop, p, c);
        if (std::isfinite(iae) && iae < bestIae) best = c, bestIae = iae;
        return std::isfinite(iae) ? iae : 1e6;
    };
    SearchPoint z = Point(start);
    MinimiseSimplex(cost, z, 3, 0.3, 40);
    MinimiseSimplex(cost, z, 3, 0.08, 25);
    return best;
}

void JudgePlant(const Loop& loop, const TuningPlant& p) {
    Project project;
    SetUp(project, loop, p);
    const LoopController current = ReadController(project, loop);
    double bumpAt = 0;
    const std::vector<RecordedSample> rec = RecordBumpOnPlc(project, loop, p, bumpAt);
    if (rec.size() < 2) return;
    // As the graph page's dialog runs it: the view's exchange period comes from the section.
    TuningRequest request;
    request.from = bumpAt - 10, request.to = rec.back().time, request.scan = 0.1;
    request.viewExchange = online::ViewExchangePeriod(IniFile(project.file(loop)), loop.name);
    const TuningResult result = RunTuning(rec, current, request);
    if (!result.ok()) {
        std::printf("| %s | %s |\n", p.name().c_str(), result.error.c_str());
        return;
    }
    const ProcessModel& m = result.fit.model;
    const double modelError = bench::StepResponseError(p, m, 8 * p.timeSum());
    std::fprintf(
        stderr,
        "%s %s: %s, gain %.3f, T %.2f s, damping %.2f, dead time %.2f s (plant %.2f s), NRMSE %.2f %%, "
        "step response against the plant's %.2f %%\n",
        loop.name, p.name().c_str(), m.name().c_str(), m.gain, m.timeConstant, m.damping, m.deadTime,
        p.deadTime(), 100 * result.fit.nrmse, 100 * modelError);
    gWorstModel = std::max(gWorstModel, modelError);
    if (gModelsOnly) return;
    const Design& design = result.design;
    StepFigures onPlc[3];
    double iae[3], overshootGap = 0, settlingGap = 0;
    for (int s = 0; s < 3; ++s) {
        const LoopController& c = design.suggestions[s].controller;
        iae[s] = Iae(project, loop, p, c, &onPlc[s]);
        const Preview& preview = result.rows[1 + s].preview;
        overshootGap = std::max(overshootGap, std::abs(preview.setpoint.overshoot - onPlc[s].overshoot));
        settlingGap = std::max(settlingGap, std::abs(preview.setpoint.settling / onPlc[s].settling - 1));
        std::fprintf(
            stderr, "%s %s %s: %s, IAE %.1f, overshoot %.1f %% (preview %.1f), settling %.1f s (%.1f)\n",
            loop.name, p.name().c_str(), kSpeeds[s], DescribeParameters(c).c_str(), iae[s],
            onPlc[s].overshoot, preview.setpoint.overshoot, onPlc[s].settling, preview.setpoint.settling);
    }
    double best = 0;
    const LoopController optimum = Optimum(project, loop, p, design.suggestions[1].controller, best);
    std::printf("| %s | %.0f / %.0f / %.0f | %.0f | %.2f | %.1f | %.1f | %.0f | %.2f | %s | %s |\n",
                p.name().c_str(), iae[0], iae[1], iae[2], best, iae[1] / best, onPlc[0].overshoot,
                overshootGap, 100 * settlingGap, TrueMs(p, design.suggestions[1].controller),
                DescribeParameters(design.suggestions[1].controller).c_str(),
                DescribeParameters(optimum).c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::string kind = argc > 1 ? argv[1] : "";
    if (kind.rfind("models", 0) == 0) gModelsOnly = true, kind = kind.substr(6);
    const int onlyType = argc > 2 ? std::atoi(argv[2]) : 0;
    if (argc > 3) gExchange = std::clamp(std::atof(argv[3]), 0.1, 10.0);
    for (const Loop* loop : {&kChiller, &kDryer}) {
        if ((kind == "pid" && loop != &kChiller) || (kind == "pidma" && loop != &kDryer)) continue;
        std::printf("\n%s (%s, %s):\n\n", loop->name, loop == &kChiller ? "PID" : "PIDMA", loop->plc);
        std::printf(
            "| plant | IAE (set point + load) on the PLC slow / normal / fast | optimum IAE | normal ÷ "
            "optimum | slow "
            "overshoot [%%] | preview Δ overshoot [pp] | preview Δ settling [%%] | Ms normal | normal | "
            "optimum "
            "|\n");
        std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
        for (int type = 1; type <= 5; ++type)
            for (const bool dead : {false, true})
                if (!onlyType || type == onlyType) JudgePlant(*loop, TuningPlant{type, dead, false});
    }
    std::fprintf(stderr, "worst step response NRMSE against the true plant: %.2f %%\n", 100 * gWorstModel);
    return 0;
}
