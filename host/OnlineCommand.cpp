// velmora-host online: a controller's view switched online against the soft
// PLC running the project's program, in the headless engine's virtual time.
#include "host/OnlineCommand.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "controllers/LegalName.h"
#include "host/CommandLine.h"
#include "host/HeadlessSession.h"
#include "host/HostSoftPlc.h"
#include "host/OnlineCommandScript.h"
#include "host/PlantSwitch.h"
#include "host/Progress.h"
#include "host/SymbolAssignment.h"
#include "online/OnlineValues.h"
#include "online/PlcItem.h"
#include "online/TrendDataFile.h"
#include "online/TrendRecorder.h"
#include "plugin/FrameState.h"
#include "plugin/HeadlessFrontEnd.h"

namespace velmora::host {

namespace {

struct OnlineRequest {
    std::string projectDir, plcName, controller, recordFile, scriptFile;
    long long passes = 8;
    bool passesGiven = false, simulate = false;
    std::vector<std::string> presets, plantKeys;  // --set, --plant
};

OnlineRequest ReadOnlineArgs(const std::vector<std::string>& args) {
    OnlineRequest r;
    CommandArgs in(args, "online");
    while (const auto a = in.next()) {
        if (*a == "--project")
            r.projectDir = in.value(*a);
        else if (*a == "--plc")
            r.plcName = in.value(*a);
        else if (*a == "--controller")
            r.controller = in.value(*a);
        else if (*a == "--set")
            r.presets.push_back(in.value(*a));
        else if (*a == "--record")
            r.recordFile = in.value(*a);
        else if (*a == "--script")
            r.scriptFile = in.value(*a);
        else if (*a == "--simulate")
            r.simulate = true;
        else if (*a == "--plant")
            r.plantKeys.push_back(in.value(*a));
        else if (*a == "--passes") {
            r.passes = CheckedCount(in.value(*a), "online: --passes", 0, kMaxPasses);
            r.passesGiven = true;
        } else
            in.unexpected(*a);
    }
    if (r.projectDir.empty() || r.plcName.empty() || r.controller.empty())
        throw UsageError("online needs --project DIR, --plc PLC and --controller NAME");
    return r;
}

const char* CommStateName(online::TCommState state) {
    switch (state) {
        case online::TCommState::csNoComm:
            return "no communication";
        case online::TCommState::csCommErr:
            return "communication error";
        case online::TCommState::csHALT:
            return "PLC halted";
        case online::TCommState::csRUN:
            return "PLC runs";
        case online::TCommState::csERR:
            return "PLC error";
        case online::TCommState::csRUNn:
            return "PLC runs, data not valid";
        case online::TCommState::csTrying:
            return "trying";
        default:
            return "user text";
    }
}

std::string Number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

void PrintPercent(std::ostream& out, const char* label, std::optional<double> percent) {
    out << "  " << label << ": " << (percent ? Number(*percent) + " %" : std::string("-")) << "\n";
}

void PrintView(std::ostream& out, HeadlessOnlineView& view) {
    online::OnlineExchange& x = view.exchange();
    out << "View " << x.name() << ": " << (x.online() ? "online" : "offline") << ", communication "
        << CommStateName(view.commState()) << (view.fixed() ? ", PLC fixed" : "") << "\n";
    out << "  missing symbols: " << x.missingSymbols() << "\n";
    if (!x.hasData()) {
        out << "  data: none received\n";
        return;
    }
    out << "  data: received";
    if (const auto t = x.lastDataTime()) {
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", t->hour, t->minute, t->second);
        out << " (last at " << stamp << ")";
    }
    out << "\n";
    if (x.kind() == ControllerKind::Pidma) {
        const auto& img = x.pidmaImage();
        const auto real = [&](int at) { return static_cast<double>(plc::GetReal(img.data() + at)); };
        PrintPercent(out, "measured value (pv)", real(plc::PidaOffset("pv")));
        PrintPercent(out, "setpoint (sp)", real(plc::PidaOffset("sp")));
        PrintPercent(out, "output (mv)", real(plc::PidaOffset("mv")));
        out << "  manual: " << int(img[plc::PidaOffset("MAN")])
            << ", k: " << Number(real(plc::PidaOffset("k")))
            << ", ti: " << Number(real(plc::PidaOffset("ti"))) << "\n";
    } else {
        const std::uint8_t* t = x.tpid();
        const auto word = [&](int at) { return plc::GetInt16(t + at); };
        PrintPercent(out, "measured value (Input1)",
                     online::InputPercent(word(plc::PidOffset("Input1")), x.minY(), x.maxY()));
        PrintPercent(out, "setpoint (ConW)",
                     online::InputPercent(word(plc::PidOffset("ConW")), x.minY(), x.maxY()));
        PrintPercent(out, "output (Output)", word(plc::PidOffset("Output")) / 100.0);
        if (x.settings().cascade)
            PrintPercent(out, "cascade input (Input3)", online::InputPercent(x.input3(), x.minY(), x.maxY()));
        out << "  raw Input1: " << word(plc::PidOffset("Input1"))
            << ", PBnd: " << Number(word(plc::PidOffset("PBnd")) / 10.0)
            << " %, Ti: " << Number(word(plc::PidOffset("Ti")) / 10.0) << " s\n";
    }
}

// The presets go into the PLC before the view opens; a value its variable's
// type cannot hold is a usage error, an unknown symbol a failure.
bool PresetSymbols(HeadlessSession& session, const OnlineRequest& r, std::ostream& err) {
    softplc::SoftPlc& plc = session.soft().plc();
    for (const auto& preset : r.presets) {
        const CheckedAssignment checked = CheckAssignment(plc, preset);
        if (!checked.problem.empty() && !checked.unknownSymbol)
            throw UsageError("--set " + preset + ": " + checked.problem);
    }
    bool ok = true;
    for (const auto& preset : r.presets)
        if (!AssignSymbol(plc, preset, "--set", err)) ok = false;
    return ok;
}

// The passes without a script: one pass is one exchange period of the view,
// eight ticks of CommTimer1.
void RunPasses(HeadlessSession& session, const OnlineRequest& r, std::ostream& err) {
    Progress progress(err, "online", static_cast<double>(r.passes), "passes");
    for (long long i = 0; i < r.passes && session.view(r.controller); ++i) {
        session.advance(8.0 * std::max(session.frame().CommTimer1().interval(), 1));
        progress.update(static_cast<double>(i + 1));
    }
}

// Saves what the view recorded; false when the file could not be written (said on err).
bool SaveRecording(const OnlineRequest& r, const online::TrendRecorder& recording, std::ostream& out,
                   std::ostream& err) {
    const std::string failed = online::SaveTrendDataFile(r.recordFile, recording.buffer());
    if (!failed.empty()) {
        err << "velmora-host: " << failed << "\n";
        return false;
    }
    out << "Recorded " << recording.buffer().count() << " samples to " << r.recordFile << "\n";
    return true;
}

// The view online for the passes (or the script), then what it shows; false
// when the view did not go online, a script line failed or the recording was not saved.
bool RunView(HeadlessSession& session, const OnlineRequest& r, const std::vector<ScriptLine>& script,
             std::ostream& out, std::ostream& err) {
    HeadlessOnlineView* view = session.goOnline(r.controller);
    if (!view) return false;
    // The view's recording, kept even when the view closes before the end.
    const std::shared_ptr<online::TrendRecorder> recording = view->recording();
    std::string why;
    if (session.simulate(r.controller, why))
        out << "Plant simulation closes the loop of " << r.controller << "\n";
    bool ok = true;
    if (r.scriptFile.empty())
        RunPasses(session, r, err);
    else
        ok = RunOnlineScript(session, r.controller, script, static_cast<int>(r.passes), r.scriptFile, out,
                             err);
    if (!r.recordFile.empty() && !SaveRecording(r, *recording, out, err)) ok = false;
    if (HeadlessOnlineView* shown = session.view(r.controller)) PrintView(out, *shown);
    HostSoftPlc& soft = session.soft();
    out << "Passes: " << r.passes << ", PLC state " << soft.plc().plcState() << ", status word 0x" << std::hex
        << soft.status() << std::dec << "\n";
    return ok;
}

}  // namespace

int RunOnline(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    OnlineRequest r = ReadOnlineArgs(args);
    // A script is read whole before anything runs: a bad line stops the run at once.
    std::vector<ScriptLine> script;
    if (!r.scriptFile.empty()) {
        auto read = LoadOnlineScript(r.scriptFile, err);
        if (!read) return 1;
        script = std::move(*read);
        const int last = script.empty() ? 0 : script.back().pass;
        r.passes = r.passesGiven ? std::max<long long>(r.passes, last) : last;
    }
    if (!IsLegalName(r.plcName)) {
        err << "velmora-host: the PLC name \"" << PrintableName(r.plcName) << "\" is not a legal name\n";
        return 1;
    }
    // The plant goes into the file before the view loads it, as the dialog's "OK" would.
    if (r.simulate || !r.plantKeys.empty())
        if (const int status = SwitchSimulationOn(r.projectDir, r.plcName, r.controller, r.plantKeys, err))
            return status;
    HeadlessSession session(r.projectDir, err);
    if (!session.open(r.plcName)) return 1;
    HostSoftPlc& soft = session.soft();
    // The view still shows what a halted PLC gives, but the run is no success.
    const bool programReady = session.programReady();
    out << (programReady ? "Compiled " : "Compilation stopped for ") << session.ide().currentPlc() << ": "
        << soft.plc().symbols().size() << " symbols from " << soft.loadedFiles().size()
        << " declaration files\n";
    if (!programReady) err << "velmora-host: the program of " << r.plcName << " did not compile\n";
    if (!CheckScriptValues(soft.plc(), script, r.scriptFile, err)) return 1;
    const bool ran = PresetSymbols(session, r, err) && RunView(session, r, script, out, err);
    const bool finished = session.finish();
    return ran && finished && programReady ? 0 : 1;
}

}  // namespace velmora::host
