// velmora-host run: compiles the project's PLC program, runs it in virtual
// time and prints a CSV trace of the chosen symbols; scripted events change
// variables or restart the PLC at given times, and online controllers with
// a plant simulation close their loops.
#include <cmath>
#include <cstdio>

#include "host/CommandLine.h"
#include "host/HeadlessSession.h"
#include "host/OnlineCommand.h"
#include "host/Progress.h"
#include "host/SymbolAssignment.h"

namespace velmora::host {

namespace {

struct Event {
    double seconds = 0;
    std::string action;    // "set" or "restart"
    std::string argument;  // SYMBOL=VALUE, or warm / cold
};

struct RunRequest {
    std::string projectDir, plcName;
    double seconds = -1, cycleMs = 10, sampleMs = 100;
    std::vector<std::string> traced, online;
    std::vector<Event> events;
    long long rows() const { return std::llround(seconds * 1000.0 / sampleMs); }
};

Event ReadEvent(CommandArgs& in) {
    Event e;
    e.seconds = CheckedNumber(in.value("--at"), "run: --at", 0, kMaxRunSeconds);
    e.action = in.value("--at T");
    e.argument = in.value("--at T " + e.action);
    if (e.action != "set" && e.action != "restart")
        throw UsageError("run: --at T takes set SYMBOL=VALUE or restart warm|cold");
    if (e.action == "restart" && e.argument != "warm" && e.argument != "cold")
        throw UsageError("run: --at T restart takes warm or cold");
    return e;
}

// The numbers together: a sample no shorter than a scan, a row count a
// terminal or a file can take, events within the run.
void CheckRunLimits(const RunRequest& r) {
    if (r.sampleMs < r.cycleMs)
        throw UsageError("run: --sample-ms takes at least the scan cycle (--cycle-ms " +
                         LimitText(r.cycleMs) + "), not " + LimitText(r.sampleMs));
    if (static_cast<double>(r.rows()) > kMaxRunRows)
        throw UsageError("run: --seconds " + LimitText(r.seconds) + " with --sample-ms " +
                         LimitText(r.sampleMs) + " makes more than " + LimitText(kMaxRunRows) +
                         " rows; take a longer sample");
    for (const Event& e : r.events)
        if (e.seconds > r.seconds)
            throw UsageError("run: --at " + LimitText(e.seconds) +
                             " is after the end of the run (--seconds " + LimitText(r.seconds) + ")");
}

RunRequest ReadRunArgs(const std::vector<std::string>& args) {
    RunRequest r;
    CommandArgs in(args, "run");
    while (const auto a = in.next()) {
        if (*a == "--project")
            r.projectDir = in.value(*a);
        else if (*a == "--plc")
            r.plcName = in.value(*a);
        else if (*a == "--seconds")
            r.seconds = CheckedNumber(in.value(*a), "run: --seconds", 0, kMaxRunSeconds);
        else if (*a == "--cycle-ms")
            r.cycleMs = CheckedNumber(in.value(*a), "run: --cycle-ms", kMinCycleMs, kMaxCycleMs);
        else if (*a == "--sample-ms")
            r.sampleMs =
                CheckedNumber(in.value(*a), "run: --sample-ms", kMinCycleMs, kMaxRunSeconds * 1000.0);
        else if (*a == "--trace")
            r.traced.push_back(in.value(*a));
        else if (*a == "--online")
            r.online.push_back(in.value(*a));
        else if (*a == "--at")
            r.events.push_back(ReadEvent(in));
        else
            in.unexpected(*a);
    }
    if (r.projectDir.empty() || r.plcName.empty() || r.seconds < 0)
        throw UsageError("run needs --project DIR, --plc PLC and --seconds S");
    CheckRunLimits(r);
    return r;
}

// Traced and set symbols must be the soft PLC's, and a set value must fit
// its variable: a value that does not is a usage error, an unknown symbol a
// failure (said on err).
bool CheckRunSymbols(const softplc::SoftPlc& plc, const RunRequest& r, std::ostream& err) {
    bool ok = true;
    for (const std::string& symbol : r.traced) {
        if (plc.symbols().locate(symbol)) continue;
        err << "velmora-host: --trace " << symbol << ": no such symbol in the soft PLC\n";
        ok = false;
    }
    for (const Event& e : r.events) {
        if (e.action != "set") continue;
        const CheckedAssignment checked = CheckAssignment(plc, e.argument);
        if (checked.problem.empty()) continue;
        const std::string option = "--at " + LimitText(e.seconds) + " set " + e.argument;
        if (!checked.unknownSymbol) throw UsageError(option + ": " + checked.problem);
        err << "velmora-host: " << option << ": " << checked.problem << "\n";
        ok = false;
    }
    return ok;
}

// Switches the controllers' views online, each closing its loop through its
// plant where its section says so; false when a view did not go online.
bool GoOnline(HeadlessSession& session, const RunRequest& r, std::ostream& err) {
    for (const std::string& controller : r.online) {
        if (!session.goOnline(controller)) return false;
        std::string why;
        if (!session.simulate(controller, why)) err << "velmora-host: " << why << "; the loop stays open\n";
    }
    return true;
}

// The events at their virtual times; `failed` is set when a set could not be made.
void ScheduleEvents(HeadlessSession& session, const RunRequest& r, double start, bool& failed,
                    std::ostream& err) {
    HostSoftPlc& soft = session.soft();
    for (const Event& e : r.events) {
        soft.engine().at(start + e.seconds * 1000.0, [&soft, &failed, &err, e] {
            if (e.action == "restart")
                soft.restart(e.argument == "cold" ? softplc::Restart::Cold : softplc::Restart::Warm);
            else if (!AssignSymbol(soft.plc(), e.argument, "--at", err))
                failed = true;
        });
    }
}

std::string Cell(const softplc::SoftPlc& plc, const std::string& symbol) {
    const auto l = plc.symbols().locate(symbol);
    const auto v = plc.readValue(symbol);
    if (!l || !v) return "";
    char text[40];
    if (l->type.real)
        std::snprintf(text, sizeof text, "%.4g", *v);
    else
        std::snprintf(text, sizeof text, "%.0f", *v);
    return text;
}

// Runs the program from `start` and prints the header and a row every sample.
void TraceRows(HeadlessSession& session, const RunRequest& r, double start, std::ostream& out,
               std::ostream& err) {
    softplc::PlcEngine& engine = session.soft().engine();
    const softplc::SoftPlc& plc = session.soft().plc();
    out << "time";
    for (const std::string& symbol : r.traced) out << "," << symbol;
    out << "\n";
    const auto row = [&] {
        char time[32];
        std::snprintf(time, sizeof time, "%.2f", (engine.now() - start) / 1000.0);
        out << time;
        for (const std::string& symbol : r.traced) out << "," << Cell(plc, symbol);
        out << "\n";
    };
    Progress progress(err, "run", r.seconds, "s");
    const int watch = engine.every(1000, [&] { progress.update((engine.now() - start) / 1000.0); });
    row();
    for (long long n = 1, rows = r.rows(); n <= rows; ++n) {
        session.advance(start + static_cast<double>(n) * r.sampleMs - engine.now());
        row();
    }
    engine.cancel(watch);
}

}  // namespace

int RunProgram(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const RunRequest r = ReadRunArgs(args);
    HeadlessSession session(r.projectDir, err);
    if (!session.open(r.plcName, r.cycleMs)) return 1;
    if (!session.programReady()) {
        err << "velmora-host: the program of " << r.plcName << " did not compile\n";
        return 1;
    }
    if (!CheckRunSymbols(session.soft().plc(), r, err) || !GoOnline(session, r, err)) return 1;
    const double start = session.now();
    bool eventFailed = false;
    ScheduleEvents(session, r, start, eventFailed, err);
    TraceRows(session, r, start, out, err);
    const bool finished = session.finish();
    return finished && !eventFailed ? 0 : 1;
}

}  // namespace velmora::host
