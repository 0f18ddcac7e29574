// velmora-host online: a controller's view switched online against the soft
// PLC running the project's program, in the headless engine's virtual time.
#include "host/OnlineCommand.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "host/HeadlessSession.h"
#include "host/HostIde.h"
#include "host/HostSoftPlc.h"
#include "host/OnlineCommandScript.h"
#include "online/OnlineValues.h"
#include "online/PlcItem.h"
#include "online/TrendDataFile.h"
#include "online/TrendRecorder.h"
#include "controllers/LegalName.h"
#include "plugin/FrameState.h"
#include "plugin/HeadlessFrontEnd.h"
#include "simulation/SimulationDialog.h"
#include "simulation/SimulationSettings.h"

namespace velmora::host {

namespace {

const char* CommStateName(online::TCommState state) {
    switch (state) {
        case online::TCommState::csNoComm: return "no communication";
        case online::TCommState::csCommErr: return "communication error";
        case online::TCommState::csHALT: return "PLC halted";
        case online::TCommState::csRUN: return "PLC runs";
        case online::TCommState::csERR: return "PLC error";
        case online::TCommState::csRUNn: return "PLC runs, data not valid";
        case online::TCommState::csTrying: return "trying";
        default: return "user text";
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

// The plant keys --plant takes: the dialog's numeric fields by their key names.
constexpr std::pair<SimField, const char*> kPlantFieldKeys[] = {
    {SimField::Su, "Su"},       {SimField::Su2, "Su2"},     {SimField::Tau1, "Tau1"},   {SimField::Tau2, "Tau2"},
    {SimField::Tau3, "Tau3"},   {SimField::Delta, "Delta"}, {SimField::Omega, "Omega"}, {SimField::TauA, "TauA"},
    {SimField::MinSU, "MinSU"}, {SimField::MaxSU, "MaxSU"}, {SimField::DDelta, "DDelta"}, {SimField::Y0, "y0"},
    {SimField::Ys, "ys"},       {SimField::SimT, "SimT"},
};

bool SameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Switches the controller's plant simulation on in its section, with the
// given plant keys, under the simulation dialog's rules: a value the dialog
// would refuse writes nothing.
bool SwitchSimulationOn(const std::string& projectDir, const std::string& plc, const std::string& controller,
                        const std::vector<std::string>& plantKeys, std::ostream& err) {
    IniFile file(ControllerFilePath(projectDir, plc));
    const std::string section = ControllerSection(controller);
    if (!file.sectionExists(section)) {
        err << "velmora-host: --simulate: the controller file of " << plc << " has no controller " << controller
            << "\n";
        return false;
    }
    const PlantSettings base = ReadPlantSettings(file, section);
    SimChoices choices{true, base.astat, base.delay, base.plantType, base.addOut, base.addOutName};
    std::array<std::string, kSimFields> texts;
    for (std::size_t i = 0; i < kSimFields; ++i) texts[i] = FieldText(static_cast<SimField>(i), base, '.');
    for (const std::string& assignment : plantKeys) {
        const std::size_t eq = assignment.find('=');
        const std::string name = assignment.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : assignment.substr(eq + 1);
        const auto flag = [&](bool& target) {
            if (value != "0" && value != "1") return false;
            target = value == "1";
            return true;
        };
        bool known = false, good = true;
        if (SameKey(name, "TypSoustavy")) {
            known = true;
            good = value.size() == 1 && value[0] >= '0' && value[0] <= '5';
            if (good) choices.plantType = value[0] - '0';
        } else if (SameKey(name, "Astat")) {
            known = true;
            good = flag(choices.astat);
        } else if (SameKey(name, "Delay")) {
            known = true;
            good = flag(choices.delay);
        }
        for (const auto& [field, key] : kPlantFieldKeys)
            if (SameKey(name, key)) {
                known = true;
                texts[static_cast<std::size_t>(field)] = value;
            }
        if (eq == std::string::npos || !known || !good) {
            err << "velmora-host: --plant " << assignment
                << ": takes TypSoustavy=0..5, Astat=0|1, Delay=0|1 or a plant value (Su, Su2, Tau1, Tau2, Tau3, "
                   "Delta, Omega, TauA, MinSU, MaxSU, DDelta, y0, ys, SimT)\n";
            return false;
        }
    }
    const SimParseResult parsed = SettingsFromFields(texts, choices, base);
    if (parsed.problem) {
        const std::size_t i = static_cast<std::size_t>(parsed.problem->field);
        const char* name = "";
        for (const auto& [field, key] : kPlantFieldKeys)
            if (static_cast<std::size_t>(field) == i) name = key;
        err << "velmora-host: --plant " << name << "=" << texts[i] << ": "
            << (parsed.problem->textId == 3437 ? "not a number" : "out of range") << "\n";
        return false;
    }
    if (!parsed.settings) {
        err << "velmora-host: --simulate: the disturbance of " << controller << " has no variable name\n";
        return false;
    }
    WritePlantSettings(file, section, *parsed.settings);
    return true;
}

}  // namespace

bool AssignSymbol(softplc::SoftPlc& plc, const std::string& assignment, const std::string& option, std::ostream& err) {
    const std::size_t eq = assignment.find('=');
    const std::string name = assignment.substr(0, eq);
    if (eq == std::string::npos || !plc.symbols().locate(name)) {
        err << "velmora-host: " << option << " " << assignment << ": no such symbol in the soft PLC\n";
        return false;
    }
    const std::string text = assignment.substr(eq + 1);
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used != text.size()) throw std::invalid_argument(text);
        return plc.writeValue(name, value);
    } catch (const std::exception&) {
        err << "velmora-host: " << option << " " << assignment << ": not a number\n";
        return false;
    }
}

int RunOnline(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string projectDir, plcName, controller, recordFile, scriptFile;
    int passes = 8;
    bool passesGiven = false, simulate = false;
    std::vector<std::string> presets, plantKeys;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--project" && hasValue) projectDir = args[++i];
        else if (a == "--plc" && hasValue) plcName = args[++i];
        else if (a == "--controller" && hasValue) controller = args[++i];
        else if (a == "--set" && hasValue) presets.push_back(args[++i]);
        else if (a == "--record" && hasValue) recordFile = args[++i];
        else if (a == "--script" && hasValue) scriptFile = args[++i];
        else if (a == "--simulate") simulate = true;
        else if (a == "--plant" && hasValue) plantKeys.push_back(args[++i]);
        else if (a == "--passes" && hasValue) {
            passesGiven = true;
            const std::string& n = args[++i];
            const auto [end, ec] = std::from_chars(n.data(), n.data() + n.size(), passes);
            if (ec != std::errc() || end != n.data() + n.size() || passes < 0)
                throw std::invalid_argument("online: --passes takes a count");
        } else
            throw std::invalid_argument("online: unexpected argument " + a);
    }
    if (projectDir.empty() || plcName.empty() || controller.empty())
        throw std::invalid_argument("online needs --project DIR, --plc PLC and --controller NAME");

    // A script is read whole before anything runs: a bad line stops the run at once.
    std::vector<ScriptLine> script;
    if (!scriptFile.empty()) {
        std::ifstream in(scriptFile, std::ios::binary);
        if (!in) {
            err << "velmora-host: cannot read the script " << scriptFile << "\n";
            return 1;
        }
        std::string error;
        auto read = ReadOnlineScript(in, scriptFile, error);
        if (!read) {
            err << "velmora-host: " << error << "\n";
            return 1;
        }
        script = std::move(*read);
        const int last = script.empty() ? 0 : script.back().pass;
        passes = passesGiven ? std::max(passes, last) : last;
    }

    if (!IsLegalName(plcName)) {
        err << "velmora-host: the PLC name \"" << PrintableName(plcName) << "\" is not a legal name\n";
        return 1;
    }
    // The plant goes into the file before the view loads it, as the dialog's "OK" would.
    if ((simulate || !plantKeys.empty()) && !SwitchSimulationOn(projectDir, plcName, controller, plantKeys, err))
        return 1;
    HeadlessSession session(projectDir, err);
    if (!session.open(plcName)) return 1;
    HostSoftPlc& soft = session.soft();
    out << (session.programReady() ? "Compiled " : "Compilation stopped for ") << session.ide().currentPlc() << ": "
        << soft.plc().symbols().size() << " symbols from " << soft.loadedFiles().size() << " declaration files\n";
    int result = 0;
    // The view still shows what a halted PLC gives, but the run is no success.
    const bool programReady = session.programReady();
    if (!programReady) err << "velmora-host: the program of " << plcName << " did not compile\n";
    for (const auto& preset : presets)
        if (!AssignSymbol(soft.plc(), preset, "--set", err)) result = 1;
    // The view's recording, kept even when the view closes before the end.
    std::shared_ptr<online::TrendRecorder> recording;
    if (result == 0) {
        if (HeadlessOnlineView* view = session.goOnline(controller)) recording = view->recording();
        else result = 1;
    }
    if (result == 0) {
        std::string why;
        if (session.simulate(controller, why)) out << "Plant simulation closes the loop of " << controller << "\n";
        if (!scriptFile.empty() && !RunOnlineScript(session, controller, script, passes, scriptFile, out, err))
            result = 1;
        // One pass is one exchange period of the view: eight ticks of CommTimer1.
        for (int i = 0; scriptFile.empty() && i < passes && session.view(controller); ++i)
            session.advance(8.0 * std::max(session.frame().CommTimer1().interval(), 1));
        if (!recordFile.empty()) {
            const std::string failed = online::SaveTrendDataFile(recordFile, recording->buffer());
            if (failed.empty()) {
                out << "Recorded " << recording->buffer().count() << " samples to " << recordFile << "\n";
            } else {
                err << "velmora-host: " << failed << "\n";
                result = 1;
            }
        }
        if (HeadlessOnlineView* view = session.view(controller)) PrintView(out, *view);
        out << "Passes: " << passes << ", PLC state " << soft.plc().plcState() << ", status word 0x" << std::hex
            << soft.status() << std::dec << "\n";
        if (const auto& fault = soft.engine().fault())
            err << "velmora-host: PLC error: " << fault->text << " at " << fault->position << "\n";
    }
    if (session.stopMessageShown() || !programReady) result = 1;
    return result;
}

}  // namespace velmora::host
