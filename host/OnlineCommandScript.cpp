#include "host/OnlineCommandScript.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <map>
#include <sstream>

#include "host/HeadlessSession.h"
#include "host/HostSoftPlc.h"
#include "host/OnlineCommand.h"
#include "online/CommLabel.h"
#include "online/LoopSchema.h"
#include "online/ParameterPanel.h"
#include "plugin/FrameState.h"
#include "plugin/HeadlessFrontEnd.h"

namespace velmora::host {

namespace {

// Each action with the number of arguments it takes (-1: one or more).
const std::map<std::string, int, std::less<>>& Actions() {
    static const std::map<std::string, int, std::less<>> actions = {
        {"page", 1},     {"use-vals", -1}, {"save-vals", 0},   {"setpoint", 1}, {"setpoint-filter", 1},
        {"manual", 1},   {"input2", 1},    {"mode", 1},        {"restart", 1},  {"tune", 0},
        {"break", 0},    {"params", 0},    {"clear-error", 0}, {"set", 1},      {"status", 1},
        {"soft-off", 0}, {"hard-off", 0},  {"reconnect", 0},   {"close", 0},    {"fail-request", 1},
        {"answer", 1},
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

std::string OneLine(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (text[i] == '\n') {
            out += "\\n";
        } else if (text[i] == '\t') {
            out += "\\t";
        } else {
            out += text[i];
        }
    }
    return out;
}

struct Box {
    const char* name;
    online::SchemaValue value;
    std::optional<online::SchemaElement> element;  // the panel the box sits on
};

void PrintBlock(std::ostream& out, int pass, HeadlessOnlineView& view, HeadlessFrontEnd& frontEnd,
                std::size_t& messagesShown) {
    using online::SchemaElement;
    using online::SchemaValue;
    online::OnlineExchange& x = view.exchange();
    online::ParameterPanel& panel = view.panel();
    out << "pass " << pass << ": data=" << online::CommLabel::DataText(view.dataState())
        << " comm=" << online::CommLabel::CommText(view.commState(), view.fixed()) << "\n";
    const Box boxes[] = {
        {"W1Edit1", SchemaValue::Setpoint, SchemaElement::WInput1},
        {"WFEdit1", SchemaValue::W, SchemaElement::WFiltr1},
        {"Edit1", SchemaValue::Manual, SchemaElement::PID1},
        {"Y1Edit1", SchemaValue::Y1, SchemaElement::Y1Input1},
        {"Y2Edit1", SchemaValue::Y2, SchemaElement::Y2Input1},
        {"Y2Edit2", SchemaValue::Y2, SchemaElement::Y2Input2},
        {"Y3Edit1", SchemaValue::Y3, SchemaElement::Y3Input1},
        {"WEdit1", SchemaValue::W, std::nullopt},
        {"EEdit1", SchemaValue::E, std::nullopt},
        {"UEdit1", SchemaValue::U, std::nullopt},
        {"YEdit1", SchemaValue::Y1, std::nullopt},
    };
    const online::SchemaVisibility visible = online::VisibleElements(x.settings());
    const online::SchemaValues values = online::ShownSchemaValues(x, '.');
    for (const Box& b : boxes) {
        if (b.element && !visible.visible(*b.element)) continue;
        const auto& shown = values[static_cast<std::size_t>(b.value)];
        std::optional<std::string> pending;
        if (b.element && *b.element != SchemaElement::Y2Input1) pending = panel.pendingText(b.value);
        out << "  " << b.name << "="
            << (pending       ? *pending
                : shown.error ? shown.text + " (error)"
                              : shown.text);
        if (b.element && (b.value == SchemaValue::Setpoint || b.value == SchemaValue::Manual || pending) &&
            !panel.boxEnabled(b.value))
            out << " (disabled)";
        out << "\n";
    }
    out << "  edits:";
    for (std::size_t i = 0; i < online::kPanelEdits; ++i) {
        const auto e = static_cast<online::PanelEdit>(i);
        if (online::PanelEditUsed(e, panel.kind()))
            out << " " << online::PanelEditName(e) << "=" << panel.values().text(e);
    }
    out << "\n  buttons: use-vals=" << (panel.useEnabled() ? "on" : "off")
        << " save-vals=" << (panel.saveEnabled() ? "on" : "off")
        << " mode=" << (panel.autoDown() ? "auto" : "man");
    if (panel.kind() == ControllerKind::Pidma)
        out << " restart=" << (panel.restartDown() ? "down" : "up")
            << (panel.restartEnabled() ? "" : " (disabled)");
    out << "\n";
    if (panel.kind() == ControllerKind::Pidma)
        out << "  lamp=" << online::TunerLampName(panel.lamp()) << " (" << panel.lampHint() << ")\n";
    const auto& messages = frontEnd.messages();
    for (; messagesShown < messages.size(); ++messagesShown)
        out << "  message: " << OneLine(messages[messagesShown].caption) << ": "
            << OneLine(messages[messagesShown].text) << "\n";
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
        const auto fail = [&](const std::string& why) {
            error = fileName + ":" + std::to_string(number) + ": " + why;
            return std::nullopt;
        };
        ScriptLine line;
        line.line = number;
        const auto pass = WholeNumber(first);
        if (!pass || *pass < 1 || *pass > 1000000) return fail("\"" + first + "\" is not a pass number");
        line.pass = static_cast<int>(*pass);
        if (!(words >> line.action)) return fail("no action");
        const auto action = Actions().find(line.action);
        if (action == Actions().end()) return fail("unknown action \"" + line.action + "\"");
        for (std::string arg; words >> arg;) line.args.push_back(arg);
        const int wanted = action->second;
        // fail-request may name the kind of request that fails.
        if (line.action == "fail-request" && line.args.size() == 2) {
            if (line.args[1] != "read" && line.args[1] != "write")
                return fail("fail-request takes read or write");
            if (!WholeNumber(line.args[0])) return fail("\"" + line.args[0] + "\" is not a whole number");
            script.push_back(std::move(line));
            continue;
        }
        if (wanted >= 0 && static_cast<int>(line.args.size()) != wanted)
            return fail(line.action + " takes " + std::to_string(wanted) + " argument" +
                        (wanted == 1 ? "" : "s"));
        if (wanted < 0 && line.args.empty()) return fail(line.action + " needs NAME=VALUE");
        if (const auto choice = Choices().find(line.action); choice != Choices().end()) {
            const auto& allowed = choice->second;
            if (std::find(allowed.begin(), allowed.end(), line.args[0]) == allowed.end())
                return fail(line.action + " takes " + allowed[0] + " or " + allowed[1] +
                            (allowed.size() > 2 ? " or " + allowed[2] : std::string()));
        }
        if ((line.action == "status" || line.action == "fail-request") && !WholeNumber(line.args[0]))
            return fail("\"" + line.args[0] + "\" is not a whole number");
        if (line.action == "use-vals" || line.action == "set")
            for (const std::string& a : line.args)
                if (a.find('=') == std::string::npos || a.front() == '=')
                    return fail("\"" + a + "\" is not NAME=VALUE");
        if (!script.empty() && line.pass < script.back().pass) return fail("pass numbers go down");
        script.push_back(std::move(line));
    }
    return script;
}

bool RunOnlineScript(HeadlessSession& session, const std::string& controller,
                     const std::vector<ScriptLine>& script, int passes, const std::string& fileName,
                     std::ostream& out, std::ostream& err) {
    HeadlessFrontEnd& frontEnd = session.frontEnd();
    std::deque<MessageAnswer> answers;
    bool clearingError = false;
    // Question boxes take the scripted answers in turn, else the answer that changes nothing.
    frontEnd.answerWith = [&](const HeadlessFrontEnd::Message& m) {
        if (m.buttons != MessageButtons::YesNo && m.buttons != MessageButtons::YesNoCancel)
            return m.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
        if (clearingError) return MessageAnswer::Yes;
        if (answers.empty())
            return MessageButtons::YesNo == m.buttons ? MessageAnswer::No : MessageAnswer::Cancel;
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    };
    std::size_t messagesShown = frontEnd.messages().size();
    std::optional<std::int32_t> failNext;
    std::int32_t failCommand = 0;  // 0: any request
    session.soft().plc().beforeRequest = [&](std::int32_t command, std::span<const std::uint8_t>,
                                             std::int32_t*, std::uint8_t*) -> std::optional<std::int32_t> {
        if (failCommand != 0 && command != failCommand) return std::nullopt;
        const auto code = failNext;
        failNext.reset();
        return code;
    };
    struct Restore {
        HeadlessSession& s;
        HeadlessFrontEnd& f;
        ~Restore() {
            s.soft().plc().beforeRequest = nullptr;
            f.answerWith = nullptr;
            s.overrideStatus(std::nullopt);
        }
    } restore{session, frontEnd};

    const int last = std::max(passes, script.empty() ? 0 : script.back().pass);
    auto next = script.begin();
    for (int pass = 1; pass <= last; ++pass) {
        for (; next != script.end() && next->pass == pass; ++next) {
            const ScriptLine& s = *next;
            const auto fail = [&](const std::string& why) {
                err << "velmora-host: " << fileName << ":" << s.line << ": " << why << "\n";
                return false;
            };
            const std::string& a = s.action;
            const std::string arg = s.args.empty() ? std::string() : s.args[0];
            if (a == "set") {
                if (!AssignSymbol(session.soft().plc(), arg,
                                  fileName + ":" + std::to_string(s.line) + ": set", err))
                    return false;
                continue;
            }
            if (a == "status") {
                session.overrideStatus(static_cast<std::uint32_t>(*WholeNumber(arg)));
                continue;
            }
            if (a == "soft-off" || a == "hard-off") {
                session.soft().loseConnection(a == "hard-off");
                continue;
            }
            if (a == "reconnect") {
                session.soft().regainConnection();
                continue;
            }
            if (a == "fail-request") {
                failNext = static_cast<std::int32_t>(*WholeNumber(arg));
                failCommand = s.args.size() < 2 ? 0 : s.args[1] == "write" ? kPlcWrite : kPlcRead;
                continue;
            }
            if (a == "answer") {
                answers.push_back(arg == "yes" ? MessageAnswer::Yes : MessageAnswer::No);
                continue;
            }
            HeadlessOnlineView* view = session.view(controller);
            if (!view) return fail("the view of " + controller + " is closed");
            online::ParameterPanel& panel = view->panel();
            const bool pidma = panel.kind() == ControllerKind::Pidma;
            if (a == "close") {
                view->close();
            } else if (a == "page") {
                view->selectTab(arg == "schema" ? 0 : arg == "graph" ? 1 : 2);
            } else if (a == "use-vals") {
                for (const std::string& assignment : s.args) {
                    const std::size_t eq = assignment.find('=');
                    const auto edit = online::PanelEditByName(assignment.substr(0, eq), panel.kind());
                    if (!edit)
                        return fail("no parameter " + assignment.substr(0, eq) + " for this controller");
                    panel.enter(*edit);
                    panel.values().type(*edit, assignment.substr(eq + 1));
                }
                panel.UseSettingsBtn1Click();
            } else if (a == "save-vals") {
                panel.SaveSettingsBtn1Click();
            } else if (a == "setpoint" || a == "setpoint-filter" || a == "manual" || a == "input2") {
                if ((a == "setpoint-filter" || a == "input2") && pidma)
                    return fail(a + " needs a PID controller");
                view->nextInput = arg;
                if (a == "setpoint") panel.W1Edit1MouseDown();
                if (a == "setpoint-filter") panel.WFEdit1MouseDown();
                if (a == "manual") panel.Edit1MouseDown();
                if (a == "input2") panel.Y2Edit2MouseDown();
                view->nextInput.reset();
            } else if (a == "mode") {
                panel.AutoButton1Click(arg == "auto");
            } else if (a == "restart" || a == "tune" || a == "break" || a == "params" || a == "clear-error") {
                if (!pidma) return fail(a + " needs a PIDMA controller");
                if (a == "restart") panel.RestartButton1Click(arg == "on");
                if (a == "tune") panel.StartTuneButton1Click();
                if (a == "break") panel.BreakTuneButton1Click();
                if (a == "params") panel.ParamsButton1Click();
                if (a == "clear-error") {
                    clearingError = true;
                    panel.ErrorButton1Click();
                    clearingError = false;
                }
            }
        }
        // One pass is one exchange period of the view: eight ticks of CommTimer1.
        session.advance(8.0 * std::max(session.frame().CommTimer1().interval(), 1));
        if (HeadlessOnlineView* view = session.view(controller)) {
            view->panel().deliver();
            PrintBlock(out, pass, *view, frontEnd, messagesShown);
        } else {
            out << "pass " << pass << ": view closed\n";
        }
    }
    return true;
}

}  // namespace velmora::host
