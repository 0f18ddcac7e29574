#include "host/looptest/LoopTestRunner.h"

#include <cmath>
#include <functional>
#include <limits>
#include <sstream>

#include "base/AtomicFile.h"
#include "base/ByteOrder.h"
#include "base/IniFile.h"
#include "base/PidStructure.h"
#include "base/PidaStructure.h"
#include "base/Platform.h"
#include "controllers/ControllerFile.h"
#include "host/HeadlessSession.h"
#include "plugin/HeadlessFrontEnd.h"
#include "simulation/SimulationSettings.h"

namespace velmora::looptest {

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
static_assert(plc::kPidDetBits[5] == "EY1");
constexpr std::uint8_t kDetEY1 = 1u << 5;  // the measuring error of input 1

// What the type of a symbol holds.
std::optional<SymbolInfo> InfoOf(const softplc::SymbolTable& table, const std::string& name) {
    const auto l = table.locate(name);
    if (!l) return std::nullopt;
    SymbolInfo info;
    info.scalar =
        l->count == 1 && (l->bit >= 0 || (l->size >= 1 && l->size <= 4)) && !table.findStruct(l->type.name);
    info.real = l->type.real;
    if (l->bit >= 0 || l->type.name == "BOOL") {
        info.min = 0, info.max = 1;
    } else if (info.real) {
        info.min = -std::numeric_limits<float>::max(), info.max = std::numeric_limits<float>::max();
    } else {
        const int bits = 8 * std::min(l->size, 4);
        const double span = std::ldexp(1.0, bits);
        info.min = l->type.isUnsigned ? 0 : -span / 2;
        info.max = (l->type.isUnsigned ? span : span / 2) - 1;
    }
    return info;
}

// A controller's y, w or u as its online view shows them (% of its range);
// nothing before the view's first data, NaN where the view shows an error.
std::optional<double> ControllerValue(host::HeadlessSession& session, const std::string& controller,
                                      Subject::Kind which) {
    HeadlessOnlineView* view = session.view(controller);
    if (!view || !view->exchange().hasData()) return std::nullopt;
    const online::OnlineExchange& x = view->exchange();
    if (x.kind() == ControllerKind::Pidma) {
        const std::uint8_t* image = x.pidmaImage().data();
        const int at = which == Subject::Kind::Y   ? plc::PidaOffset("pv")
                       : which == Subject::Kind::W ? plc::PidaOffset("sp")
                                                   : plc::PidaOffset("mv");
        const float v = plc::GetReal(image + at);
        return std::isfinite(v) ? v : kNone;
    }
    const std::uint8_t* t = x.tpid();
    if (which == Subject::Kind::U) return plc::GetInt16(t + plc::PidOffset("Output")) * 0.01;
    if (which == Subject::Kind::Y && (t[plc::PidOffset("Det")] & kDetEY1)) return kNone;
    const int raw =
        plc::GetInt16(t + (which == Subject::Kind::Y ? plc::PidOffset("Input1") : plc::PidOffset("ConW")));
    return online::InputPercent(raw, x.minY(), x.maxY()).value_or(kNone);
}

// The trace's columns with how each is read: every online controller's y, w
// and u, then the symbols the expectations name, each once.
struct Sampler {
    Trace::Column* column;
    std::function<std::optional<double>()> read;
};

constexpr std::size_t kNoValueYet = std::numeric_limits<std::size_t>::max();

void AddColumn(Trace& trace, const std::string& name) {
    if (!trace.column(name)) trace.columns.push_back({name, {}, kNoValueYet});
}

std::vector<Sampler> Samplers(const Case& c, host::HeadlessSession& session, Trace& trace,
                              std::size_t samples) {
    static constexpr Subject::Kind kKinds[] = {Subject::Kind::Y, Subject::Kind::W, Subject::Kind::U};
    for (const OnlineController& o : c.online)
        for (const char* suffix : {".y", ".w", ".u"}) AddColumn(trace, o.name + suffix);
    for (const Expectation& e : c.expectations)
        if (e.check != Check::NoPlcError && !e.subject.controllerValue()) AddColumn(trace, e.subject.name);
    std::vector<Sampler> samplers;
    for (std::size_t i = 0; i < trace.columns.size(); ++i) {
        Trace::Column& column = trace.columns[i];
        column.values.reserve(samples);
        if (i < 3 * c.online.size()) {
            samplers.push_back({&column, [&session, name = c.online[i / 3].name, kind = kKinds[i % 3]] {
                                    return ControllerValue(session, name, kind);
                                }});
        } else {
            samplers.push_back({&column, [&session, name = column.name]() -> std::optional<double> {
                                    return session.soft().plc().readValue(name).value_or(kNone);
                                }});
        }
    }
    return samplers;
}

// Each stimulus at its time on the PLC's clock.
void Schedule(const Case& c, host::HeadlessSession& session, double start) {
    softplc::PlcEngine& engine = session.soft().engine();
    for (const Stimulus& s : c.stimuli) {
        std::function<void()> act;
        if (s.kind == Stimulus::Kind::Set) {
            act = [&session, s] { session.soft().plc().writeValue(s.name, s.value); };
        } else if (s.kind == Stimulus::Kind::Restart) {
            act = [&session, s] {
                session.soft().restart(s.cold ? softplc::Restart::Cold : softplc::Restart::Warm);
            };
        } else {
            // The plant adds what it reads from its disturbance variable: a
            // word in hundredths of a percent, or a REAL in percent.
            const PlantSettings& plant = *c.findOnline(s.name)->settings;
            const double value = plant.addOut == kDisturbanceWord ? std::round(s.value * 100) : s.value;
            act = [&session, name = plant.addOutName, value] {
                session.soft().plc().writeValue(name, value);
            };
        }
        engine.at(start + static_cast<double>(s.at), std::move(act));
    }
}

// The case's plant keys into the controller file, before the view loads them.
std::string WritePlants(const Case& c, const std::string& plc, const std::filesystem::path& projectDir) {
    try {
        IniFile file(ControllerFilePath(projectDir, plc));
        for (const OnlineController& o : c.online)
            if (!o.plant.empty() && o.settings)
                WritePlantSettings(file, ControllerSection(o.name), *o.settings);
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

// Goes online with every controller and closes the simulated loops.
std::string GoOnline(const Case& c, host::HeadlessSession& session, CaseRun& run) {
    for (const OnlineController& o : c.online) {
        HeadlessOnlineView* view = session.goOnline(o.name);
        if (!view) return "the view of " + o.name + " did not go online";
        run.recordings.emplace_back(o.name, std::shared_ptr<const online::TrendBuffer>(
                                                view->recording(), &view->recording()->buffer()));
        std::string why;
        if (o.simulated() && !session.simulate(o.name, why)) return why;
    }
    return {};
}

void Sample(Trace& trace, std::vector<Sampler>& samplers, host::HeadlessSession& session, Millis at) {
    trace.times.push_back(at);
    for (Sampler& s : samplers) {
        const std::optional<double> v = s.read();
        if (v && s.column->first == kNoValueYet) s.column->first = trace.times.size() - 1;
        s.column->values.push_back(v.value_or(kNone));
    }
    if (const auto& fault = session.soft().engine().fault(); fault && !trace.fault)
        trace.fault = Trace::Fault{at, fault->text + " at " + fault->position};
}

}  // namespace

ProjectState::ProjectState(const std::filesystem::path& projectDir, const std::vector<std::string>& plcs) {
    for (const std::string& plc : plcs) {
        for (const auto& path : {ControllerFilePath(projectDir, plc), projectDir / (plc + ".retained")}) {
            FileContent content = ReadWholeFile(path);
            files_.push_back({path, content.error.empty(), std::move(content.bytes)});
        }
    }
}

ProjectState::~ProjectState() {
    restore();
}

std::string ProjectState::restore() {
    std::string problems;
    for (const Saved& f : files_) {
        const FileContent now = ReadWholeFile(f.path);
        if (f.existed && (!now.error.empty() || now.bytes != f.bytes)) {
            if (const WriteResult written = WriteFileAtomically(f.path, f.bytes); !written)
                problems += written.message() + "\n";
        } else if (!f.existed && now.stamp.exists) {
            std::error_code ec;
            if (!std::filesystem::remove(f.path, ec) && ec)
                problems += "Cannot remove " + f.path.string() + ": " + ec.message() + "\n";
        }
    }
    return problems;
}

bool ReadCatalogue(const std::filesystem::path& projectDir, const std::string& plc, PlcCatalogue& catalogue,
                   std::string& why, std::string& log) {
    std::ostringstream said;
    {
        host::HeadlessSession session(projectDir.string(), said);
        if (!session.open(plc) || !session.programReady()) {
            why = "the program of " + plc + " did not compile";
            log = said.str();
            return false;
        }
        catalogue.plc = plc;
        catalogue.symbol = [table = session.soft().plc().symbols()](const std::string& name) {
            return InfoOf(table, name);
        };
    }
    log = said.str();
    const IniFile file(ControllerFilePath(projectDir, plc));
    for (const ControllerEntry& entry : ListControllers(file))
        catalogue.controllers.push_back({entry.name, ReadPlantSettings(file, entry.section)});
    return true;
}

CaseRun RunCase(const Case& c, const std::string& plc, const std::filesystem::path& projectDir) {
    CaseRun run;
    if (run.error = WritePlants(c, plc, projectDir); !run.error.empty()) return run;
    std::ostringstream said;
    host::HeadlessSession session(projectDir.string(), said);
    const auto finish = [&](std::string error) {
        run.error = std::move(error);
        run.log = said.str();
        return std::move(run);
    };
    if (!session.open(plc, static_cast<double>(c.cycle)) || !session.programReady())
        return finish("the program of " + plc + " did not compile");
    if (std::string why = GoOnline(c, session, run); !why.empty()) return finish(why);
    softplc::PlcEngine& engine = session.soft().engine();
    const double start = engine.now();
    Schedule(c, session, start);
    const std::size_t samples = static_cast<std::size_t>(c.duration / c.sample) + 2;
    std::vector<Sampler> samplers = Samplers(c, session, run.trace, samples);
    run.trace.times.reserve(samples);
    for (Millis at = 0;; at = std::min(at + c.sample, c.duration)) {
        session.advance(start + static_cast<double>(at) - engine.now());
        Sample(run.trace, samplers, session, at);
        if (at == c.duration) break;
    }
    for (Trace::Column& column : run.trace.columns)
        column.first = std::min(column.first, run.trace.times.size());
    return finish({});
}

}  // namespace velmora::looptest
