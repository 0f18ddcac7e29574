// velmora-host run: compiles the project's PLC program, runs it in virtual
// time and prints a CSV trace of the chosen symbols; scripted events change
// variables or restart the PLC at given times, and online controllers with
// a plant simulation close their loops.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "host/HeadlessSession.h"
#include "host/OnlineCommand.h"

namespace velmora::host {

namespace {

double Number(const std::string& text, const std::string& option) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < 0)
        throw std::invalid_argument("run: " + option + " takes a number of at least 0, not " + text);
    return value;
}

struct Event {
    double seconds = 0;
    std::string action;    // "set" or "restart"
    std::string argument;  // SYMBOL=VALUE, or warm / cold
};

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

}  // namespace

int RunProgram(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string projectDir, plcName;
    double seconds = -1, cycleMs = 10, sampleMs = 100;
    std::vector<std::string> traced, online;
    std::vector<Event> events;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--project" && hasValue)
            projectDir = args[++i];
        else if (a == "--plc" && hasValue)
            plcName = args[++i];
        else if (a == "--seconds" && hasValue)
            seconds = Number(args[++i], a);
        else if (a == "--cycle-ms" && hasValue)
            cycleMs = Number(args[++i], a);
        else if (a == "--sample-ms" && hasValue)
            sampleMs = Number(args[++i], a);
        else if (a == "--trace" && hasValue)
            traced.push_back(args[++i]);
        else if (a == "--online" && hasValue)
            online.push_back(args[++i]);
        else if (a == "--at" && i + 3 < args.size()) {
            Event e{Number(args[i + 1], a), args[i + 2], args[i + 3]};
            if (e.action != "set" && e.action != "restart")
                throw std::invalid_argument("run: --at T takes set SYMBOL=VALUE or restart warm|cold");
            if (e.action == "restart" && e.argument != "warm" && e.argument != "cold")
                throw std::invalid_argument("run: --at T restart takes warm or cold");
            events.push_back(std::move(e));
            i += 3;
        } else
            throw std::invalid_argument("run: unexpected argument " + a);
    }
    if (projectDir.empty() || plcName.empty() || seconds < 0)
        throw std::invalid_argument("run needs --project DIR, --plc PLC and --seconds S");
    if (cycleMs <= 0 || sampleMs <= 0)
        throw std::invalid_argument("run: --cycle-ms and --sample-ms must be above 0");

    HeadlessSession session(projectDir, err);
    if (!session.open(plcName, cycleMs)) return 1;
    HostSoftPlc& soft = session.soft();
    if (!session.programReady()) {
        err << "velmora-host: the program of " << plcName << " did not compile\n";
        return 1;
    }
    int result = 0;
    for (const std::string& symbol : traced) {
        if (!soft.plc().symbols().locate(symbol)) {
            err << "velmora-host: --trace " << symbol << ": no such symbol in the soft PLC\n";
            result = 1;
        }
    }
    for (const Event& e : events)
        if (e.action == "set" && !soft.plc().symbols().locate(e.argument.substr(0, e.argument.find('=')))) {
            err << "velmora-host: --at " << e.seconds << " set " << e.argument
                << ": no such symbol in the soft PLC\n";
            result = 1;
        }
    if (result) return result;
    for (const std::string& controller : online) {
        if (!session.goOnline(controller)) return 1;
        std::string why;
        if (!session.simulate(controller, why)) err << "velmora-host: " << why << "; the loop stays open\n";
    }

    softplc::PlcEngine& engine = soft.engine();
    const double start = engine.now();
    for (const Event& e : events) {
        engine.at(start + e.seconds * 1000.0, [&, e] {
            if (e.action == "set") {
                if (!AssignSymbol(soft.plc(), e.argument, "--at", err)) result = 1;
            } else {
                soft.restart(e.argument == "cold" ? softplc::Restart::Cold : softplc::Restart::Warm);
            }
        });
    }
    out << "time";
    for (const std::string& symbol : traced) out << "," << symbol;
    out << "\n";
    const auto row = [&] {
        char time[32];
        std::snprintf(time, sizeof time, "%.2f", (engine.now() - start) / 1000.0);
        out << time;
        for (const std::string& symbol : traced) out << "," << Cell(soft.plc(), symbol);
        out << "\n";
    };
    row();
    const long long samples = std::llround(seconds * 1000.0 / sampleMs);
    for (long long n = 1; n <= samples; ++n) {
        session.advance(start + n * sampleMs - engine.now());
        row();
    }
    if (const auto& fault = engine.fault()) {
        err << "velmora-host: PLC error: " << fault->text << " at " << fault->position << "\n";
        result = 1;
    }
    if (session.stopMessageShown()) result = 1;
    return result;
}

}  // namespace velmora::host
