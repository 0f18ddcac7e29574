#include "host/OnlinePassBlock.h"

#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "online/CommLabel.h"
#include "online/LoopSchema.h"
#include "online/ParameterPanel.h"
#include "plugin/HeadlessFrontEnd.h"

namespace velmora::host {

namespace {

using online::SchemaElement;
using online::SchemaValue;

// A value box of the view: its name, the value it shows and the schema
// element it sits on (none: the side panel's boxes, always shown).
struct ValueBox {
    const char* name;
    SchemaValue value;
    std::optional<SchemaElement> element;
};

constexpr ValueBox kBoxes[] = {
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

std::string OneLine(std::string_view text) {
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

// Every box the controller shows with its text; a box waiting for its write
// shows the entered value, and "(disabled)" when it cannot be clicked.
void PrintBoxes(std::ostream& out, HeadlessOnlineView& view) {
    online::OnlineExchange& x = view.exchange();
    online::ParameterPanel& panel = view.panel();
    const online::SchemaVisibility visible = online::VisibleElements(x.settings());
    const online::SchemaValues values = online::ShownSchemaValues(x, '.');
    for (const ValueBox& b : kBoxes) {
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
}

// The side panel: its edits, buttons and mode, and the tuner's lamp (PIDMA).
void PrintPanel(std::ostream& out, online::ParameterPanel& panel) {
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
}

}  // namespace

void PrintPassBlock(std::ostream& out, int pass, HeadlessOnlineView& view, HeadlessFrontEnd& frontEnd,
                    std::size_t& messagesShown) {
    out << "pass " << pass << ": data=" << online::CommLabel::DataText(view.dataState())
        << " comm=" << online::CommLabel::CommText(view.commState(), view.fixed()) << "\n";
    PrintBoxes(out, view);
    PrintPanel(out, view.panel());
    // The preview opens just before the tuner's question, so it comes first.
    if (const std::string preview = view.takeTunerPreview(); !preview.empty()) {
        out << "  tuner preview:\n";
        std::istringstream lines(preview);
        for (std::string line; std::getline(lines, line);) out << "    " << line << "\n";
    }
    const auto& messages = frontEnd.messages();
    for (; messagesShown < messages.size(); ++messagesShown)
        out << "  message: " << OneLine(messages[messagesShown].caption) << ": "
            << OneLine(messages[messagesShown].text) << "\n";
}

}  // namespace velmora::host
