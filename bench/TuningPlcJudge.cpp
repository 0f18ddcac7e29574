// The recording tuner's PID suggestions judged on the soft PLC running the
// generated PID code, as `velmora-host run` and the loop tests run it.
//
//   bench_TuningPlcJudge [pid|pidma|both] [type|0] [SimT] [noise|all] [static|integrating|all]
//       (optionally one kind, one plant type, the view's exchange period (0.1 s by default),
//        one noise level in % (all: 0, 0.2 and 1 %), the static or the integrating plants)
//   bench_TuningPlcJudge models[pid|pidma] [type|0] [SimT] [noise|all] [static|integrating|all]
//       (the bump and the fitted model against the true plant only)
//
// For each plant of the plant simulation (types 1-5, with and without dead
// time and the integrating stage; the numbers of bench_TuningFitBench) and a
// demo controller set up as a direct-acting loop (the PID controller Chiller
// of PLC2, the PIDMA controller Dryer of PLC1), the bump is made as a user
// makes it: the controller starts in manual on the soft PLC, online with the
// view's plant simulation, and after a rest u moves by 10 %; the view's
// recording is saved as the graph page saves it and read back. RunTuning fits
// the model on that file and designs the three speeds as the view's dialog
// does (the view's exchange taken out of the model and held in the preview).
//
// A static plant rests at u 30 % (output 0..100 %) and u steps to 40 %. An
// integrating plant holds still only at u 0 %, so its controller gets the
// output range -100..100 % (UMin / lolim) and rests at u 0 with y 30 %; the
// bump is a pulse of u 10 % for max(2 Σ T, 20 s), so y moves by 10 % or more
// and stays inside 0..100 %.
//
// Measurement noise (uniform ±0.2 or ±1 %, a new value every 0.1 s) rides on
// the y the view records during the bump: the plant simulation adds its
// disturbance variable to the output, and the case writes it every 0.1 s.
// The variable cannot go below 0, so it holds noise + U(-noise, noise): a
// constant offset of `noise` for the whole case, which the fit (on deviations)
// does not see. The controller is in manual, so the noise never reaches u.
// The judged set-point step and load run without noise.
//
// Each suggestion is then written into the section, the PLC is generated and
// compiled, the controller goes online with the view's plant simulation
// closing the loop (exchange every SimT), the set point steps from 30 to 40 %
// (written at an exchange, as the view writes what the panel's user typed: where
// the write falls between exchanges moves the overshoot by several points at a
// long SimT, and the preview knows the panel's moment only), and a horizon later a load enters at the plant
// input: the plant simulation only adds its disturbance to the output, so the case's disturb actions feed it
// the plant's own response to that load (exact for the linear plant). A horizon is 15 time scales (Σ T + SimT
// + the controller's sampling period; integrating: 25). The load is 10 % (integrating: 10 % × TauA / (Σ T +
// the sampling period), as the design scales it). An integrating plant's response to a load ramps; to keep it
// and the plant's own output inside 0..100 % it gets a smaller load, scaled so the ramp rises at most 30 %
// over the horizon, and the load's IAE is scaled back up by the same factor (exact for the linear loop, up to
// the 0.01 % resolution). IAE is that of both steps, as the design and bench_TuningFitBench count it. The
// optimum is a Nelder-Mead search of (PBnd, Ti, Td) or (k, ti, td) on that same soft-PLC loop under Ms <= 1.4
// of the true plant, from the normal suggestion; the best found from any noise level's suggestion counts for
// the plant. The preview's prediction on the fitted model is set beside what the PLC did, counted from the
// write, on the y the block had (the view's trace, an exchange later), and so is the spread the preview gives
// over the models the recording fits about as well: how far the PLC lies outside it. Prints the table as
// Markdown; progress goes to standard error.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
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
using looptest::Millis;
using looptest::Stimulus;
using Keys = std::vector<std::pair<std::string, std::string>>;

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
    const char* manual;       // the symbol u is set by in manual
    double manualRaw;         // its raw value for 1 %
    const char* manualKey;    // the key it starts from
    std::vector<std::pair<const char*, const char*>> keys;
    // The output range -100..100 % for an integrating plant, which holds still only at u 0 %.
    std::vector<std::pair<const char*, const char*>> bipolar;
    std::string section() const { return std::string("Regulator ") + name; }
};

const Loop kChiller{"PLC2",
                    "Chiller",
                    "Chiller_gW",
                    "3000",
                    "4000",
                    {"1", "Chiller_Load"},
                    "Chiller_Output",
                    100,
                    "Output",
                    {{"AO", "0"},
                     {"RelCool", "1000"},
                     {"UMin", "0"},
                     {"UMax", "10000"},
                     {"UDef", "3000"},
                     {"gW", "3000"},
                     {"WFiltr", "0"},
                     {"TiW", "0"},
                     {"Y1Filtr", "0"}},
                    {{"UMin", "-10000"}, {"UDef", "0"}}};
const Loop kDryer{"PLC1",
                  "Dryer",
                  "Dryer_sp",
                  "30",
                  "40",
                  {"2", "Dryer_Load"},
                  "Dryer_hv",
                  1,
                  "hv",
                  {{"RACT", "0"}, {"hilim", "100"}, {"lolim", "0"}, {"AM", "1"}, {"sp", "30"}, {"hv", "30"}},
                  {{"lolim", "-100"}}};

std::string Decimal(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

double gExchange = 0.1;    // s, SimT: the view closes the loop through its exchange
bool gModelsOnly = false;  // "models": record and fit only
unsigned gSeed = 0;        // added to every noise seed: other realisations of the same rows
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
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;
    std::filesystem::path file(const char* plc) const {
        return dir / "Velmora" / (std::string(plc) + ".rglx");
    }
};

// One plant, one controller and one noise level: the project copy they run in,
// and what the compiled PLC offers to the cases.
struct Judge {
    Judge(const Loop& l, const TuningPlant& plant, double n) : loop(l), p(plant), noise(n) {}
    Project project;
    const Loop& loop;
    TuningPlant p;
    double noise;
    looptest::PlcCatalogue catalogue;
    double sample = 0;  // s, the controller's sampling period
    // s, how long the loop rests, and how long the set point's and the load's responses are
    // watched: 15 time scales of plant, exchange and sampling (integrating: 25, as the preview).
    long horizon = 0;
    // ms on a case's clock, the view's exchange with the PLC: at this time plus whole periods.
    Millis exchangeAt = -1;
    std::filesystem::path file() const { return project.file(loop.plc); }
};

void WriteKeys(const Judge& j, const Keys& keys) {
    IniFile file(j.file());
    IniFile::Batch batch(file);
    for (const auto& [key, value] : keys) file.writeString(j.loop.section(), key, value);
    batch.commit();
}

// The loop's own keys and the plant, simulated and exchanged every SimT.
void SetUp(const Judge& j) {
    const TuningPlant& p = j.p;
    Keys keys(j.loop.keys.begin(), j.loop.keys.end());
    if (p.astat) keys.insert(keys.end(), j.loop.bipolar.begin(), j.loop.bipolar.end());
    const PlantSettings s = p.settings();
    const Keys plant = {{"Simulation", "1"},
                        {"SimT", Decimal(gExchange)},
                        {"TypSoustavy", std::to_string(p.type)},
                        {"Su", "1"},
                        {"Su2", "1"},
                        {"Tau1", "10"},
                        {"Tau2", "5"},
                        {"Tau3", "2"},
                        {"Delta", "1"},
                        {"Omega", "0,5"},
                        {"Astat", p.astat ? "1" : "0"},
                        {"Delay", p.dead ? "1" : "0"},
                        {"DDelta", std::to_string(p.dead ? std::lround(p.deadTime() / 0.1) : 1)},
                        {"y0", "30"},
                        {"ys", "0"},
                        {"AddOut", j.loop.loadKeys[0]},
                        {"AddOutName", j.loop.loadKeys[1]}};
    keys.insert(keys.end(), plant.begin(), plant.end());
    if (p.astat)
        keys.insert(keys.end(),
                    {{"TauA", Decimal(s.tauA)}, {"MinSU", Decimal(s.minSU)}, {"MaxSU", Decimal(s.maxSU)}});
    WriteKeys(j, keys);
}

LoopController ReadController(const Judge& j) {
    const IniFile file(j.file());
    return ReadLoopController(SectionReader(file, j.loop.section(), Reader::GeneratorCode));
}

void WriteParameters(const Judge& j, const LoopController& c) {
    IniFile file(j.file());
    IniFile::Batch batch(file);
    SectionWriter section(file, j.loop.section(), c.kind);
    WriteLoopParameters(section, c);
    batch.commit();
}

Stimulus Disturb(const Loop& loop, Millis at, double value) {
    Stimulus s;
    s.kind = Stimulus::Kind::Disturb;
    s.at = at, s.name = loop.name, s.value = value;
    return s;
}

// Reads the case's set-up and set actions, adds the disturb actions (built
// here: a run has thousands of them, beyond a file's line limit), checks the
// case against the PLC as `velmora-host test` does and runs it.
looptest::CaseRun RunOnPlc(const Judge& j, const std::string& text, const std::vector<Stimulus>& disturb) {
    looptest::ParsedFile parsed = looptest::ParseLoopTests(text, "judge.vtest");
    looptest::CaseRun failed;
    if (!parsed.problems.empty() || parsed.cases.size() != 1) {
        failed.error = parsed.problems.empty() ? "no case" : parsed.problems[0].text();
        return failed;
    }
    looptest::Case& c = parsed.cases[0];
    c.stimuli.insert(c.stimuli.end(), disturb.begin(), disturb.end());
    std::stable_sort(c.stimuli.begin(), c.stimuli.end(),
                     [](const Stimulus& a, const Stimulus& b) { return a.at < b.at; });
    if (const auto problems = looptest::CheckCase(c, j.catalogue); !problems.empty()) {
        failed.error = problems[0].text();
        return failed;
    }
    return looptest::RunCase(c, j.loop.plc, j.project.dir);
}

constexpr double kLoad = 10;      // % at the plant input
constexpr double kRampRoom = 30;  // % an integrating plant's load response may rise over a horizon

// The load the IAE counts (an integrating plant's scaled as the design scales
// it), and the smaller one an integrating plant gets on the PLC.
double CountedLoad(const Judge& j) {
    return j.p.astat ? kLoad * j.p.settings().tauA / (j.p.timeSum() + j.sample) : kLoad;
}
double AppliedLoad(const Judge& j) {
    return j.p.astat ? std::min(CountedLoad(j), kRampRoom * j.p.settings().tauA / j.horizon) : kLoad;
}

// The plant's output response to the load at its input, every 0.1 s from the
// load on, as the disturb actions that add it to the output: one whenever the
// value moves by the word's resolution (0.01 %). Empty when the response would
// leave the variable's 0..100 %, where the sum would no longer be the loop.
std::vector<Stimulus> LoadActions(const Judge& j, long from) {
    PlantSimulation sim = bench::AtRest(j.p);
    const double y0 = sim.output();
    sim.setPlantInput(j.p.u0() + AppliedLoad(j));
    std::vector<Stimulus> out;
    double last = 0;
    for (long i = 1; i <= 10 * j.horizon; ++i) {
        sim.step();
        const double v = std::clamp(sim.output() - y0, 0.0, 100.0);
        if (std::abs(v - (sim.output() - y0)) > 0.005) return {};
        if (std::abs(v - last) < 0.005) continue;
        last = v;
        out.push_back(Disturb(j.loop, from * 1000 + 100 * i, v));
    }
    return out;
}

// Measurement noise on y during the bump: a new uniform value every 0.1 s on
// the constant offset `noise` (the disturbance variable holds no negative value).
std::vector<Stimulus> NoiseActions(const Judge& j, Millis until) {
    std::vector<Stimulus> out;
    if (j.noise <= 0) return out;
    std::mt19937 random(static_cast<unsigned>(1000 * j.p.astat + 100 * j.p.type + 10 * j.p.dead) +
                        static_cast<unsigned>(std::lround(10 * j.noise)) + 7919 * gSeed);
    std::uniform_real_distribution<double> spread(-j.noise, j.noise);
    for (Millis at = 0; at <= until; at += 100) out.push_back(Disturb(j.loop, at, j.noise + spread(random)));
    return out;
}

std::string SetAt(Millis at, const char* symbol, const std::string& value) {
    return "at " + std::to_string(at) + " ms set " + symbol + "=" + value + "\n";
}

// The view's exchange period, ms.
Millis ExchangePeriod() {
    return std::lround(1000 * gExchange);
}

// The trace's first time from `from` at which the column moves by more than `least`, -1: never.
// The trace holds what the view read, so a value written into the PLC shows at the view's next
// exchange.
Millis FirstChange(const looptest::Trace& trace, const std::string& name, Millis from, double least = 0) {
    const looptest::Trace::Column* c = trace.column(name);
    if (!c) return -1;
    for (std::size_t i = std::max<std::size_t>(c->first, 1); i < trace.times.size(); ++i)
        if (trace.times[i] >= from && i > c->first &&
            std::abs(c->values[i - c->first] - c->values[i - 1 - c->first]) > least)
            return trace.times[i];
    return -1;
}

// The first exchange at or after `from` (ms): a user steps the set point on the view's panel,
// and the view writes it in its exchange, right after reading the PLC.
Millis ExchangeFrom(const Judge& j, Millis from) {
    const Millis period = ExchangePeriod();
    if (j.exchangeAt < 0 || period <= 0) return from;
    const Millis behind = ((from - j.exchangeAt) % period + period) % period;
    return behind == 0 ? from : from + period - behind;
}

// The manual bump on the soft PLC, recorded by the view, saved and read back as
// the graph page's data file; the controller goes back to automatic after it.
// A static plant's u steps by 10 %; an integrating plant's u is a pulse.
std::vector<RecordedSample> RecordBumpOnPlc(Judge& j, double& bumpAt) {
    const Loop& loop = j.loop;
    const TuningPlant& p = j.p;
    const double rawRest = loop.manualRaw * p.u0(), rawBump = rawRest + loop.manualRaw * 10;
    WriteKeys(j, {{"AM", "0"}, {loop.manualKey, Decimal(p.u0())}});
    // The plant comes to rest from wherever the PLC's start left it, then the bump; the view
    // records at its exchanges, and the fit asks for enough of them (a user marks as much).
    const long rest = std::lround(std::max(8 * p.timeSum() + 10, 25 * gExchange)),
               pulse = std::lround(p.pulse());
    const long length = p.astat ? pulse + std::lround(5 * p.timeSum() + 10) : rest;
    bumpAt = static_cast<double>(rest);
    std::string text = std::string("[case bump]\nplc ") + loop.plc + "\nonline " + loop.name +
                       "\nsample 100 ms\nduration " + std::to_string(rest + length) +
                       "\nexpect no PLC error\n" + SetAt(0, loop.manual, Decimal(rawRest)) +
                       SetAt(rest * 1000, loop.manual, Decimal(rawBump));
    if (p.astat) text += SetAt((rest + pulse) * 1000, loop.manual, Decimal(rawRest));
    const looptest::CaseRun run = RunOnPlc(j, text, NoiseActions(j, 1000 * (rest + length)));
    WriteKeys(j, {{"AM", "1"}});
    j.exchangeAt = FirstChange(run.trace, std::string(loop.name) + ".u", rest * 1000);
    for (const auto& [name, buffer] : run.recordings) {
        if (name != loop.name || !buffer) continue;
        const std::filesystem::path file = j.project.dir / "bump.txt";
        if (!online::SaveTrendDataFile(file, *buffer).empty()) break;
        online::TrendBuffer saved(online::kMaxBufferLength);
        if (online::LoadTrendDataFile(file, saved).loaded) return online::RecordedSamples(saved);
    }
    std::fprintf(stderr, "%s %s: no recording of the bump (%s)\n%s\n", loop.name, p.name().c_str(),
                 run.error.c_str(), run.log.c_str());
    return {};
}

StepFigures Failed() {
    StepFigures none;
    none.settling = NAN, none.iae = INFINITY, none.overshoot = INFINITY;
    return none;
}

// The set-point step and the load from the trace: the step written at `stepAt` (ms), the load
// from `loadAt`. The trace holds what the view read at its exchanges, and the view reads y before
// it writes the next: its y is the block's one exchange late, and so is its w (the PID's w moves
// when the block takes the step, up to a sampling period after the write; the PIDMA's when the
// view reads the new set point). Overshoot and settling count on both as the graph page shows
// them, from the step of w an exchange before the view showed it, as the preview counts from the
// block's taking; IAE from the write, as the optimum's. The load's IAE is scaled to the counted
// load.
StepFigures Figures(const Judge& j, const looptest::CaseRun& run, Millis stepAt, Millis loadAt,
                    StepFigures* load) {
    const looptest::Trace::Column* y = run.trace.column(std::string(j.loop.name) + ".y");
    if (!run.error.empty() || !y || run.trace.fault) return Failed();
    const Millis period = ExchangePeriod();
    const Millis shown = FirstChange(run.trace, std::string(j.loop.name) + ".w", stepAt);
    // The view shows the PIDMA's new set point at the exchange after the write (the PID's w when
    // the block takes it); anything else means the exchange was not where the bump showed it.
    if (j.exchangeAt >= 0 && &j.loop == &kDryer && shown != stepAt + period)
        std::fprintf(stderr, "%s %s: the step written at %lld ms showed at %lld ms\n", j.loop.name,
                     j.p.name().c_str(), static_cast<long long>(stepAt), static_cast<long long>(shown));
    // The PIDMA takes the new set point at its next sampling after the write: where its u first
    // moves, an exchange before the view showed that.
    Millis taken = shown < 0 ? stepAt : std::max(stepAt, shown - period);
    if (&j.loop == &kDryer)
        if (const Millis moved = FirstChange(run.trace, std::string(j.loop.name) + ".u", stepAt, 0.05);
            moved >= 0)
            taken = std::clamp(moved - period, stepAt, stepAt + std::lround(1000 * j.sample));
    const std::size_t behind = static_cast<std::size_t>(period / 100);
    std::vector<double> phase[2], fromTaken;
    for (std::size_t i = y->first; i + behind < run.trace.times.size(); ++i) {
        const Millis t = run.trace.times[i];
        const double v = y->values[i + behind - y->first];
        if (t >= stepAt) phase[t >= loadAt].push_back(v);
        if (t >= taken && t < loadAt) fromTaken.push_back(v);
    }
    if (phase[0].empty() || phase[1].empty() || fromTaken.empty()) return Failed();
    if (load) {
        *load = StepFiguresOf(phase[1], phase[0].back(), 40, 0.1, AppliedLoad(j));
        load->iae *= CountedLoad(j) / AppliedLoad(j);
    }
    StepFigures sp = StepFiguresOf(fromTaken, 30, 40, 0.1, 10);
    sp.iae = StepFiguresOf(phase[0], 30, 40, 0.1, 10).iae;
    return sp;
}

// The set-point step 30 -> 40 % on the soft PLC with these parameters, then the
// load: the loop rests for a horizon first, then the step (written at the view's
// next exchange, as the panel writes it), a horizon, the load, a horizon. A
// set-point ramp or filter lengthens the step's horizon by its own time, as the
// preview's. `load` gets the load's figures.
StepFigures OnPlc(const Judge& j, const LoopController& c, StepFigures* load = nullptr) {
    if (load) *load = Failed();
    WriteParameters(j, c);
    const long rest = j.horizon,
               horizon = j.horizon + std::lround(std::ceil(SetpointModificationTime(c, j.sample, 10)));
    const std::vector<Stimulus> loadActions = LoadActions(j, rest + horizon);
    if (loadActions.empty()) {
        std::fprintf(stderr, "%s %s: the load's response leaves 0..100 %%\n", j.loop.name,
                     j.p.name().c_str());
        return Failed();
    }
    const Millis stepAt = ExchangeFrom(j, rest * 1000);
    const std::string text = std::string("[case judge]\nplc ") + j.loop.plc + "\nonline " + j.loop.name +
                             "\nsample 100 ms\nduration " + std::to_string(rest + 2 * horizon) +
                             "\nexpect no PLC error\n" + SetAt(0, j.loop.setpoint, j.loop.at30) +
                             SetAt(stepAt, j.loop.setpoint, j.loop.at40);
    const looptest::CaseRun run = RunOnPlc(j, text, loadActions);
    if (!run.error.empty())
        std::fprintf(stderr, "%s %s: %s\n", j.loop.name, j.p.name().c_str(), run.error.c_str());
    return Figures(j, run, stepAt, (rest + horizon) * 1000, load);
}

// IAE of the set-point step and the load, as the design weighs them.
double Iae(const Judge& j, const LoopController& c, StepFigures* setpoint = nullptr) {
    StepFigures load;
    const StepFigures sp = OnPlc(j, c, &load);
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

struct Best {
    LoopController c;
    double iae = INFINITY;
};
// By controller and plant: the best loop found so far from any noise level's start.
std::map<std::string, Best> gOptima;

// The best parameters on the soft-PLC loop with Ms <= 1.4, searched from the
// normal suggestion. The judged loop runs without noise, so the optimum depends
// on the plant only: the best of every search on the same plant is kept.
void Optimum(const Judge& j, const LoopController& start) {
    Best& best = gOptima[std::string(j.loop.name) + " " + j.p.name()];
    LoopController c = start;
    const auto cost = [&](const SearchPoint& z) {
        Apply(z, c);
        const double ms = TrueMs(j.p, c);
        if (ms > 1.4) return 1e6 * (1 + ms - 1.4);
        const double iae = Iae(j, c);
        if (std::isfinite(iae) && iae < best.iae) best = {c, iae};
        return std::isfinite(iae) ? iae : 1e6;
    };
    if (TrueMs(j.p, start) <= 1.4)
        if (const double iae = Iae(j, start); iae < best.iae) best = {start, iae};
    SearchPoint z = Point(start);
    MinimiseSimplex(cost, z, 3, 0.3, 40);
    MinimiseSimplex(cost, z, 3, 0.08, 25);
}

// The bump recorded on the PLC, fitted and designed as the graph page's dialog
// runs it; `modelError` gets the model's step response NRMSE against the plant's.
std::optional<TuningResult> Tune(Judge& j, double& modelError) {
    double bumpAt = 0;
    const std::vector<RecordedSample> rec = RecordBumpOnPlc(j, bumpAt);
    if (rec.size() < 2) return std::nullopt;
    TuningRequest request;
    request.from = bumpAt - 10, request.to = rec.back().time, request.scan = 0.1;
    request.viewExchange = online::ViewExchangePeriod(IniFile(j.file()), j.loop.name);
    TuningResult result = RunTuning(rec, ReadController(j), request);
    if (!result.ok()) {
        std::printf("| %s | ±%.1f | %s |\n", j.p.name().c_str(), j.noise, result.error.c_str());
        return std::nullopt;
    }
    const ProcessModel& m = result.fit.model;
    modelError = bench::StepResponseError(j.p, m, 8 * j.p.timeSum());
    std::fprintf(stderr,
                 "%s %s ±%.1f %%: %s, gain %.4f, T %.2f s, damping %.2f, dead time %.2f s (plant %.2f s), "
                 "NRMSE %.2f %%, step response against the plant's %.2f %%\n",
                 j.loop.name, j.p.name().c_str(), j.noise, m.name().c_str(), m.gain, m.timeConstant,
                 m.damping, m.deadTime, j.p.simulatedDeadTime(), 100 * result.fit.nrmse, 100 * modelError);
    gWorstModel = std::max(gWorstModel, modelError);
    return result;
}

// How far the PLC's overshoot lies outside the spread over the models the recording fits about
// as well (pp; 0 inside), and its settling time (relative to the nearer end; 0 inside, infinite
// where the PLC settles and no model does, or the other way round).
double OvershootOutside(const StepSpread& spread, double plc) {
    return std::max({0.0, spread.overshootLow - plc, plc - spread.overshootHigh});
}
double SettlingOutside(const StepSpread& spread, double plc) {
    if (std::isnan(plc)) return spread.unsettled ? 0 : INFINITY;
    if (std::isnan(spread.settlingLow)) return INFINITY;
    if (plc < spread.settlingLow) return spread.settlingLow / plc - 1;
    return plc > spread.settlingHigh ? plc / spread.settlingHigh - 1 : 0;
}

// |predicted / shown - 1|; 0 when neither settles within the horizon, infinite when one does not.
double SettlingGap(double preview, double plc) {
    if (std::isnan(preview) || std::isnan(plc)) return std::isnan(preview) && std::isnan(plc) ? 0 : INFINITY;
    return std::abs(preview / plc - 1);
}

// What the table shows of one plant and noise level but the optimum.
struct Row {
    std::string key, plant;
    double noise, model, iae[3], slowOvershoot, overshootGap, settlingGap, overshootOutside, settlingOutside,
        ms;
    std::string normal;
};

std::optional<Row> JudgePlant(const Loop& loop, const TuningPlant& p, double noise) {
    Judge j(loop, p, noise);
    SetUp(j);
    j.sample = SamplePeriod(ReadController(j), 0.1);
    j.horizon = std::lround((p.astat ? 25 : 15) * (p.timeSum() + gExchange + j.sample));
    std::string why, log;
    if (!looptest::ReadCatalogue(j.project.dir, loop.plc, j.catalogue, why, log)) {
        std::printf("| %s | ±%.1f | %s |\n", p.name().c_str(), noise, why.c_str());
        return std::nullopt;
    }
    double modelError = 0;
    const std::optional<TuningResult> result = Tune(j, modelError);
    if (!result || gModelsOnly) return std::nullopt;
    StepFigures onPlc[3];
    double iae[3], overshootGap = 0, settlingGap = 0, overshootOutside = 0, settlingOutside = 0;
    for (int s = 0; s < 3; ++s) {
        const LoopController& c = result->design.suggestions[s].controller;
        iae[s] = Iae(j, c, &onPlc[s]);
        const Preview& preview = result->rows[1 + s].preview;
        overshootGap = std::max(overshootGap, std::abs(preview.setpoint.overshoot - onPlc[s].overshoot));
        settlingGap = std::max(settlingGap, SettlingGap(preview.setpoint.settling, onPlc[s].settling));
        overshootOutside = std::max(overshootOutside, OvershootOutside(preview.spread, onPlc[s].overshoot));
        settlingOutside = std::max(settlingOutside, SettlingOutside(preview.spread, onPlc[s].settling));
        std::fprintf(stderr,
                     "%s %s ±%.1f %% %s: %s, IAE %.1f (set point %.1f), overshoot %.1f %% (preview %.1f, "
                     "plausible %.1f .. %.1f), settling %.1f s (%.1f, plausible %.1f .. %.1f)\n",
                     loop.name, p.name().c_str(), noise, kSpeeds[s], DescribeParameters(c).c_str(), iae[s],
                     onPlc[s].iae, onPlc[s].overshoot, preview.setpoint.overshoot,
                     preview.spread.overshootLow, preview.spread.overshootHigh, onPlc[s].settling,
                     preview.setpoint.settling, preview.spread.settlingLow, preview.spread.settlingHigh);
        for (const std::string& n : preview.notes)
            if (n.starts_with("The set-point step's settling time hangs"))
                std::fprintf(stderr, "  %s\n", n.c_str());
    }
    const LoopController& normal = result->design.suggestions[1].controller;
    Optimum(j, normal);
    return Row{std::string(loop.name) + " " + p.name(),
               p.name(),
               noise,
               100 * modelError,
               {iae[0], iae[1], iae[2]},
               onPlc[0].overshoot,
               overshootGap,
               100 * settlingGap,
               overshootOutside,
               100 * settlingOutside,
               TrueMs(p, normal),
               DescribeParameters(normal)};
}

// A row, set against the best loop found for its plant from every noise level's suggestion.
void Print(const Row& r) {
    const Best& optimum = gOptima[r.key];
    std::printf(
        "| %s | ±%.1f | %.2f | %.0f / %.0f / %.0f | %.0f | %.2f | %.1f | %.1f | %.0f | %.1f / %.0f | %.2f | "
        "%s | "
        "%s |\n",
        r.plant.c_str(), r.noise, r.model, r.iae[0], r.iae[1], r.iae[2], optimum.iae, r.iae[1] / optimum.iae,
        r.slowOvershoot, r.overshootGap, r.settlingGap, r.overshootOutside, r.settlingOutside, r.ms,
        r.normal.c_str(), std::isfinite(optimum.iae) ? DescribeParameters(optimum.c).c_str() : "none found");
    std::fflush(stdout);
}

// A number from the command line within [lo, hi]; false when it is none.
bool Number(const char* text, double lo, double hi, double& out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

struct Options {
    std::string kind;
    int type = 0;
    std::vector<double> noise{0, 0.2, 1};
    std::vector<bool> astat{false, true};
};

bool ParseOptions(int argc, char** argv, Options& o) {
    double v = 0;
    if (argc > 7) return false;
    if (argc > 1) {
        o.kind = argv[1];
        if (o.kind.rfind("models", 0) == 0) gModelsOnly = true, o.kind = o.kind.substr(6);
        if (!o.kind.empty() && o.kind != "pid" && o.kind != "pidma" && o.kind != "both") return false;
    }
    if (argc > 2) {
        if (!Number(argv[2], 0, 5, v) || v != std::trunc(v)) return false;
        o.type = static_cast<int>(v);
    }
    if (argc > 3 && !Number(argv[3], 0.1, 10, gExchange)) return false;
    if (argc > 4 && std::string(argv[4]) != "all") {
        if (!Number(argv[4], 0, 5, v)) return false;
        o.noise = {v};
    }
    if (argc > 5) {
        const std::string plants = argv[5];
        if (plants == "static")
            o.astat = {false};
        else if (plants == "integrating")
            o.astat = {true};
        else if (plants != "all")
            return false;
    }
    if (argc > 6) {
        if (!Number(argv[6], 0, 1000, v) || v != std::trunc(v)) return false;
        gSeed = static_cast<unsigned>(v);
    }
    return true;
}

void PrintHeader(const Loop& loop) {
    std::printf("\n%s (%s, %s):\n\n", loop.name, &loop == &kChiller ? "PID" : "PIDMA", loop.plc);
    std::printf(
        "| plant | noise [%%] | model step response NRMSE [%%] | IAE (set point + load) on the PLC slow / "
        "normal "
        "/ fast | optimum IAE | normal ÷ optimum | slow overshoot [%%] | preview Δ overshoot [pp] | preview "
        "Δ "
        "settling [%%] | outside the plausible models' spread: overshoot [pp] / settling [%%] | Ms normal | "
        "normal | optimum |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fprintf(
            stderr,
            "usage: bench_TuningPlcJudge [pid|pidma|both|models[pid|pidma]] [type 0..5] [SimT 0.1..10 s] "
            "[noise 0..5 %%|all] [static|integrating|all] [seed 0..1000]\n");
        return 2;
    }
    for (const Loop* loop : {&kChiller, &kDryer}) {
        if ((o.kind == "pid" && loop != &kChiller) || (o.kind == "pidma" && loop != &kDryer)) continue;
        if (!gModelsOnly) PrintHeader(*loop);
        for (const bool astat : o.astat)
            for (int type = 1; type <= 5; ++type)
                for (const bool dead : {false, true}) {
                    if (o.type && type != o.type) continue;
                    // Printed once every noise level has searched the plant's optimum.
                    std::vector<Row> rows;
                    for (const double noise : o.noise)
                        if (auto row = JudgePlant(*loop, TuningPlant{type, dead, astat}, noise))
                            rows.push_back(*row);
                    for (const Row& row : rows) Print(row);
                }
    }
    std::fprintf(stderr, "worst step response NRMSE against the true plant: %.2f %%\n", 100 * gWorstModel);
    return 0;
}
