#include "host/OnlineCommandScript.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <filesystem>
#include <map>
#include <sstream>

#include "base/IniFile.h"
#include "base/Platform.h"
#include "host/HeadlessSession.h"
#include "host/HostSoftPlc.h"
#include "host/OnlinePassBlock.h"
#include "host/Progress.h"
#include "host/SymbolAssignment.h"
#include "online/LoopSchema.h"
#include "online/ParameterPanel.h"
#include "online/TrendRecorder.h"
#include "online/TuningSource.h"
#include "plugin/FrameState.h"
#include "plugin/HeadlessFrontEnd.h"
#include "tuning/TuningReport.h"

namespace velmora::host {

namespace {

// ---- Reading ----

// Each action with the number of arguments it takes (-1: one or more).
const std::map<std::string, int, std::less<>>& Actions() {
    static const std::map<std::string, int, std::less<>> actions = {
        {"page", 1},     {"use-vals", -1}, {"save-vals", 0},   {"setpoint", 1}, {"setpoint-filter", 1},
        {"manual", 1},   {"input2", 1},    {"mode", 1},        {"restart", 1},  {"tune", 0},
        {"break", 0},    {"params", 0},    {"clear-error", 0}, {"set", 1},      {"status", 1},
        {"soft-off", 0}, {"hard-off", 0},  {"reconnect", 0},   {"close", 0},    {"fail-request", 1},
        {"answer", 1},   {"model", -1},
    };
    return actions;
}

// Accepted choices of the actions that take a word.
const std::map<std::string, std::vector<std::string>, std::less<>>& Choices() {
    static const std::map<std::string, std::vector<std::string>, std::less<>> choices = {
        {"page", {"schema", "graph", "structure"}},
        {"mode", {"man", "auto"}},
        {"restart", {"on", "off"}},
        {"answer", {"yes", "no"}},
    };
    return choices;
}

// A whole number in decimal or with "0x" in hexadecimal, a sign allowed.
std::optional<long long> WholeNumber(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    unsigned long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > 0xFFFFFFFFull)
        return std::nullopt;
    return negative ? -static_cast<long long>(value) : static_cast<long long>(value);
}

// A decimal that is all of the text.
std::optional<double> Decimal(const std::string& text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "model FROM TO [json] [curves] [nominal] [try=P=V,...] [scan=S] [exchange-delay=S]
// [setpoint-step=P] [load-step=P]": velmora model's options on the view's recording.
struct ModelLine {
    tuning::TuningRequest request;
    bool json = false, curves = false;
};

std::string ReadModelLine(const ScriptLine& line, ModelLine& m) {
    if (line.args.size() < 2) return "model takes FROM TO and options";
    const auto from = Decimal(line.args[0]), to = Decimal(line.args[1]);
    if (!from || !to) return "model: \"" + line.args[from ? 1 : 0] + "\" is not a time in s";
    m.request.from = *from, m.request.to = *to;
    const std::map<std::string, double tuning::TuningRequest::*, std::less<>> numbers = {
        {"scan", &tuning::TuningRequest::scan},
        {"exchange-delay", &tuning::TuningRequest::exchangeDelay},
        {"setpoint-step", &tuning::TuningRequest::setpointStep},
        {"load-step", &tuning::TuningRequest::loadStep}};
    for (std::size_t i = 2; i < line.args.size(); ++i) {
        const std::string& a = line.args[i];
        const std::size_t eq = a.find('=');
        const std::string name = a.substr(0, eq), value = eq == std::string::npos ? "" : a.substr(eq + 1);
        if (a == "json" || a == "curves" || a == "nominal")
            (a == "json" ? m.json : a == "curves" ? m.curves : m.request.nominal) = true;
        else if (name == "try" && !value.empty())
            m.request.typed.push_back(value);
        else if (const auto n = numbers.find(name); n != numbers.end() && Decimal(value))
            m.request.*(n->second) = *Decimal(value);
        else
            return "model: \"" + a +
                   "\" is not an option (json, curves, nominal, try=, scan=, exchange-delay=, "
                   "setpoint-step=, load-step=)";
    }
    return {};
}

// Why the line's arguments do not fit its action; empty when they do.
std::string ArgumentProblem(const ScriptLine& line, int wanted) {
    // fail-request may name the kind of request that fails.
    if (line.action == "fail-request" && line.args.size() == 2) {
        if (line.args[1] != "read" && line.args[1] != "write") return "fail-request takes read or write";
        if (!WholeNumber(line.args[0])) return "\"" + line.args[0] + "\" is not a whole number";
        return {};
    }
    if (wanted >= 0 && static_cast<int>(line.args.size()) != wanted)
        return line.action + " takes " + std::to_string(wanted) + " argument" + (wanted == 1 ? "" : "s");
    if (line.action == "model") {
        ModelLine m;
        return ReadModelLine(line, m);
    }
    if (wanted < 0 && line.args.empty()) return line.action + " needs NAME=VALUE";
    if (const auto choice = Choices().find(line.action); choice != Choices().end()) {
        const auto& allowed = choice->second;
        if (std::find(allowed.begin(), allowed.end(), line.args[0]) == allowed.end())
            return line.action + " takes " + allowed[0] + " or " + allowed[1] +
                   (allowed.size() > 2 ? " or " + allowed[2] : std::string());
    }
    if ((line.action == "status" || line.action == "fail-request") && !WholeNumber(line.args[0]))
        return "\"" + line.args[0] + "\" is not a whole number";
    if (line.action == "use-vals" || line.action == "set")
        for (const std::string& a : line.args)
            if (a.find('=') == std::string::npos || a.front() == '=')
                return "\"" + a + "\" is not NAME=VALUE";
    return {};
}

// The words after the line's first into `line`; why they cannot be read otherwise.
std::string ReadLineWords(const std::string& first, std::istringstream& words, ScriptLine& line) {
    const auto pass = WholeNumber(first);
    if (!pass || *pass < 1 || *pass > 1000000) return "\"" + first + "\" is not a pass number";
    line.pass = static_cast<int>(*pass);
    if (!(words >> line.action)) return "no action";
    const auto action = Actions().find(line.action);
    if (action == Actions().end()) return "unknown action \"" + line.action + "\"";
    for (std::string arg; words >> arg;) line.args.push_back(arg);
    return ArgumentProblem(line, action->second);
}

}  // namespace

std::optional<std::vector<ScriptLine>> ReadOnlineScript(std::istream& in, const std::string& fileName,
                                                        std::string& error) {
    std::vector<ScriptLine> script;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        std::istringstream words(text);
        std::string first;
        if (!(words >> first) || first[0] == '#') continue;
        ScriptLine line;
        line.line = number;
        std::string why = ReadLineWords(first, words, line);
        if (why.empty() && !script.empty() && line.pass < script.back().pass) why = "pass numbers go down";
        if (!why.empty()) {
            error = fileName + ":" + std::to_string(number) + ": " + why;
            return std::nullopt;
        }
        script.push_back(std::move(line));
    }
    return script;
}

std::optional<std::vector<ScriptLine>> LoadOnlineScript(const std::string& fileName, std::ostream& err) {
    // Only a regular file: a folder would read as an empty script, a pipe would wait for a writer.
    std::error_code ec;
    const auto status = std::filesystem::status(fileName, ec);
    std::string why;
    if (!std::filesystem::exists(status))
        why = "no such file";
    else if (std::filesystem::is_directory(status))
        why = "a folder, not a file";
    else if (!std::filesystem::is_regular_file(status))
        why = "not a regular file";
    const FileContent file = why.empty() ? ReadWholeFile(fileName) : FileContent{};
    if (why.empty()) why = file.error;
    if (!why.empty()) {
        err << "velmora-host: --script " << fileName << ": " << why << "\n";
        return std::nullopt;
    }
    std::istringstream in(file.bytes);
    std::string error;
    auto script = ReadOnlineScript(in, fileName, error);
    if (!script) err << "velmora-host: " << error << "\n";
    return script;
}

bool CheckScriptValues(const softplc::SoftPlc& plc, const std::vector<ScriptLine>& script,
                       const std::string& fileName, std::ostream& err) {
    for (const ScriptLine& s : script) {
        if (s.action != "set") continue;
        const CheckedAssignment checked = CheckAssignment(plc, s.args[0]);
        if (checked.problem.empty()) continue;
        err << "velmora-host: " << fileName << ":" << s.line << ": set " << s.args[0] << ": "
            << checked.problem << "\n";
        return false;
    }
    return true;
}

namespace {

// ---- Running ----

// What a running script holds of the session: the scripted answers of
// question boxes and the next PLC request that fails. Its hooks go when it does.
class ScriptRun {
public:
    ScriptRun(HeadlessSession& session, const std::string& controller);
    ~ScriptRun();
    ScriptRun(const ScriptRun&) = delete;
    ScriptRun& operator=(const ScriptRun&) = delete;

    HeadlessSession& session;
    const std::string& controller;
    std::deque<MessageAnswer> answers;
    bool clearingError = false;
    std::optional<std::int32_t> failNext;
    std::int32_t failCommand = 0;  // 0: any request
    std::size_t messagesShown = 0;
    std::ostream* out = nullptr;  // where actions that print (model) print

private:
    MessageAnswer answer(const HeadlessFrontEnd::Message& m);
};

ScriptRun::ScriptRun(HeadlessSession& s, const std::string& name) : session(s), controller(name) {
    messagesShown = session.frontEnd().messages().size();
    session.frontEnd().answerWith = [this](const HeadlessFrontEnd::Message& m) { return answer(m); };
    session.soft().plc().beforeRequest = [this](std::int32_t command, std::span<const std::uint8_t>,
                                                std::int32_t*, std::uint8_t*) -> std::optional<std::int32_t> {
        if (failCommand != 0 && command != failCommand) return std::nullopt;
        const auto code = failNext;
        failNext.reset();
        return code;
    };
}

ScriptRun::~ScriptRun() {
    session.soft().plc().beforeRequest = nullptr;
    session.frontEnd().answerWith = nullptr;
    session.overrideStatus(std::nullopt);
}

// Question boxes take the scripted answers in turn, else the answer that changes nothing.
MessageAnswer ScriptRun::answer(const HeadlessFrontEnd::Message& m) {
    if (m.buttons != MessageButtons::YesNo && m.buttons != MessageButtons::YesNoCancel)
        return m.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    if (clearingError) return MessageAnswer::Yes;
    if (answers.empty())
        return MessageButtons::YesNo == m.buttons ? MessageAnswer::No : MessageAnswer::Cancel;
    const MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
}

// An action carried out; the reason it could not be, else empty.
using SessionAction = std::string (*)(ScriptRun&, const ScriptLine&);
using ViewAction = std::string (*)(ScriptRun&, HeadlessOnlineView&, const ScriptLine&);

const std::string& Arg(const ScriptLine& s) {
    static const std::string none;
    return s.args.empty() ? none : s.args[0];
}

// ---- Actions on the PLC and the connection (the view may be closed) ----

std::string SetSymbol(ScriptRun& run, const ScriptLine& s) {
    const CheckedAssignment checked = CheckAssignment(run.session.soft().plc(), Arg(s));
    if (checked.problem.empty() && run.session.soft().plc().writeValue(checked.name, checked.value))
        return {};
    return "set " + Arg(s) + ": " + (checked.problem.empty() ? "cannot be written" : checked.problem);
}

std::string OverrideStatus(ScriptRun& run, const ScriptLine& s) {
    run.session.overrideStatus(static_cast<std::uint32_t>(*WholeNumber(Arg(s))));
    return {};
}

std::string DropConnection(ScriptRun& run, const ScriptLine& s) {
    run.session.soft().loseConnection(s.action == "hard-off");
    return {};
}

std::string Reconnect(ScriptRun& run, const ScriptLine&) {
    run.session.soft().regainConnection();
    return {};
}

std::string FailRequest(ScriptRun& run, const ScriptLine& s) {
    run.failNext = static_cast<std::int32_t>(*WholeNumber(Arg(s)));
    run.failCommand = s.args.size() < 2 ? 0 : s.args[1] == "write" ? kPlcWrite : kPlcRead;
    return {};
}

std::string QueueAnswer(ScriptRun& run, const ScriptLine& s) {
    run.answers.push_back(Arg(s) == "yes" ? MessageAnswer::Yes : MessageAnswer::No);
    return {};
}

const std::map<std::string, SessionAction, std::less<>> kSessionActions = {
    {"set", SetSymbol},           {"status", OverrideStatus}, {"soft-off", DropConnection},
    {"hard-off", DropConnection}, {"reconnect", Reconnect},   {"fail-request", FailRequest},
    {"answer", QueueAnswer},
};

// ---- Actions in the view ----

std::string CloseView(ScriptRun&, HeadlessOnlineView& view, const ScriptLine&) {
    view.close();
    return {};
}

std::string ShowPage(ScriptRun&, HeadlessOnlineView& view, const ScriptLine& s) {
    view.selectTab(Arg(s) == "schema" ? 0 : Arg(s) == "graph" ? 1 : 2);
    return {};
}

std::string UseValues(ScriptRun&, HeadlessOnlineView& view, const ScriptLine& s) {
    online::ParameterPanel& panel = view.panel();
    for (const std::string& assignment : s.args) {
        const std::size_t eq = assignment.find('=');
        const auto edit = online::PanelEditByName(assignment.substr(0, eq), panel.kind());
        if (!edit) return "no parameter " + assignment.substr(0, eq) + " for this controller";
        panel.enter(*edit);
        panel.values().type(*edit, assignment.substr(eq + 1));
    }
    panel.UseSettingsBtn1Click();
    return {};
}

std::string SaveValues(ScriptRun&, HeadlessOnlineView& view, const ScriptLine&) {
    view.panel().SaveSettingsBtn1Click();
    return {};
}

// The value boxes a click opens the input dialog on.
struct BoxAction {
    std::string_view action;
    const char* box;
    online::SchemaValue value;
    online::SchemaElement element;
    void (online::ParameterPanel::*click)();
    bool pidOnly;
};
constexpr BoxAction kBoxActions[] = {
    {"setpoint", "W1Edit1", online::SchemaValue::Setpoint, online::SchemaElement::WInput1,
     &online::ParameterPanel::W1Edit1MouseDown, false},
    {"setpoint-filter", "WFEdit1", online::SchemaValue::W, online::SchemaElement::WFiltr1,
     &online::ParameterPanel::WFEdit1MouseDown, true},
    {"manual", "Edit1", online::SchemaValue::Manual, online::SchemaElement::PID1,
     &online::ParameterPanel::Edit1MouseDown, false},
    {"input2", "Y2Edit2", online::SchemaValue::Y2, online::SchemaElement::Y2Input2,
     &online::ParameterPanel::Y2Edit2MouseDown, true},
};

// Clicks the box and answers the input dialog; a box the user could not
// click (not shown, or disabled) stops the script.
std::string ClickValueBox(ScriptRun&, HeadlessOnlineView& view, const ScriptLine& s) {
    const BoxAction& b = *std::find_if(std::begin(kBoxActions), std::end(kBoxActions),
                                       [&](const BoxAction& a) { return a.action == s.action; });
    online::ParameterPanel& panel = view.panel();
    if (b.pidOnly && panel.kind() == ControllerKind::Pidma) return s.action + " needs a PID controller";
    if (!online::VisibleElements(view.exchange().settings()).visible(b.element))
        return s.action + ": the box " + b.box + " is not shown";
    if (!panel.boxEnabled(b.value)) return s.action + ": the box " + b.box + " is disabled";
    view.nextInput = Arg(s);
    (panel.*b.click)();
    view.nextInput.reset();
    return {};
}

std::string SetMode(ScriptRun&, HeadlessOnlineView& view, const ScriptLine& s) {
    view.panel().AutoButton1Click(Arg(s) == "auto");
    return {};
}

// The tuner's buttons, PIDMA only.
std::string TunerButton(ScriptRun& run, HeadlessOnlineView& view, const ScriptLine& s) {
    online::ParameterPanel& panel = view.panel();
    if (panel.kind() != ControllerKind::Pidma) return s.action + " needs a PIDMA controller";
    if (s.action == "restart") panel.RestartButton1Click(Arg(s) == "on");
    if (s.action == "tune") panel.StartTuneButton1Click();
    if (s.action == "break") panel.BreakTuneButton1Click();
    if (s.action == "params") panel.ParamsButton1Click();
    if (s.action == "clear-error") {
        run.clearingError = true;
        panel.ErrorButton1Click();
        run.clearingError = false;
    }
    return {};
}

// The model, suggestions and preview of velmora model, on the view's recording
// and the parameters the PLC runs now; a window that cannot be fitted stops the script.
std::string FitModel(ScriptRun& run, HeadlessOnlineView& view, const ScriptLine& s) {
    const IniFile file(view.controllerFile());
    ModelLine m;
    m.request.viewExchange = online::ViewExchangePeriod(file, view.controllerName());
    ReadModelLine(s, m);  // checked when the script was read
    const tuning::LoopController current =
        online::RunningController(file, view.controllerName(), view.exchange());
    if (const std::string bad = tuning::CheckTuningRequest(m.request, current); !bad.empty())
        return "model: " + bad;
    const auto samples = online::RecordedSamples(view.recording()->buffer());
    const tuning::TuningResult result = tuning::RunTuning(samples, current, m.request);
    if (!result.ok()) return "model: " + result.error;
    *run.out << (m.json ? tuning::TuningJson("live", m.request, result, m.curves)
                        : tuning::TuningText("live", m.request, result));
    return {};
}

const std::map<std::string, ViewAction, std::less<>> kViewActions = {
    {"close", CloseView},      {"page", ShowPage},           {"use-vals", UseValues},
    {"save-vals", SaveValues}, {"setpoint", ClickValueBox},  {"setpoint-filter", ClickValueBox},
    {"manual", ClickValueBox}, {"input2", ClickValueBox},    {"mode", SetMode},
    {"restart", TunerButton},  {"tune", TunerButton},        {"break", TunerButton},
    {"params", TunerButton},   {"clear-error", TunerButton}, {"model", FitModel},
};

std::string RunLine(ScriptRun& run, const ScriptLine& s) {
    if (const auto action = kSessionActions.find(s.action); action != kSessionActions.end())
        return action->second(run, s);
    HeadlessOnlineView* view = run.session.view(run.controller);
    if (!view) return "the view of " + run.controller + " is closed";
    return kViewActions.at(s.action)(run, *view, s);
}

// One pass is one exchange period of the view: eight ticks of CommTimer1.
void RunPass(ScriptRun& run, int pass, std::ostream& out) {
    HeadlessSession& session = run.session;
    session.advance(8.0 * std::max(session.frame().CommTimer1().interval(), 1));
    if (HeadlessOnlineView* view = session.view(run.controller)) {
        view->panel().deliver();
        PrintPassBlock(out, pass, *view, session.frontEnd(), run.messagesShown);
    } else {
        out << "pass " << pass << ": view closed\n";
    }
}

}  // namespace

bool RunOnlineScript(HeadlessSession& session, const std::string& controller,
                     const std::vector<ScriptLine>& script, int passes, const std::string& fileName,
                     std::ostream& out, std::ostream& err) {
    ScriptRun run(session, controller);
    run.out = &out;
    const int last = std::max(passes, script.empty() ? 0 : script.back().pass);
    Progress progress(err, "online", last, "passes");
    auto next = script.begin();
    for (int pass = 1; pass <= last; ++pass) {
        for (; next != script.end() && next->pass == pass; ++next) {
            if (const std::string why = RunLine(run, *next); !why.empty()) {
                progress.end();
                err << "velmora-host: " << fileName << ":" << next->line << ": " << why << "\n";
                return false;
            }
        }
        RunPass(run, pass, out);
        progress.update(pass);
    }
    return true;
}

}  // namespace velmora::host
