#include "online/LoopSchema.h"

#include "base/Texts.h"
#include "online/OnlineExchange.h"

namespace velmora::online {

namespace {

using E = SchemaElement;

constexpr const char* kElementNames[kSchemaElements] = {
    "WInput1",  "WFiltr1",      "Sum1",     "Sum2",     "Product1", "PID1",         "Tuner1",
    "UPanel1",  "Technologie1", "Y1Input1", "Y2Input1", "Y2Input2", "Y3Input1",     "XPanelW1",
    "XPanelE1", "XPanelU1",     "XPanelY1", "XPanelY2", "XPanelY3", "RezimButton1", "StudenyStartButton1",
};

std::string Percent(const std::string& n, const std::string& member) {
    return "((" + n + member + " - " + n + "_MinY) / (" + n + "_MaxY - " + n + "_MinY)) * 100%";
}

std::string Named(const char* prefix, const std::string& variable) {
    return variable.empty() ? std::string() : prefix + variable + "\n";
}

}  // namespace

const char* SchemaElementName(SchemaElement element) {
    const auto i = static_cast<std::size_t>(element);
    return i < kSchemaElements ? kElementNames[i] : "";
}

SchemaVisibility VisibleElements(const ExchangeSettings& s) {
    SchemaVisibility v;
    for (std::size_t i = 0; i < kSchemaElements; ++i) v.set(static_cast<E>(i), true);
    if (s.kind == ControllerKind::Pidma) {
        for (E hidden : {E::Product1, E::Sum2, E::Y2Input1, E::Y2Input2, E::Y3Input1, E::UPanel1, E::WFiltr1,
                         E::XPanelY2, E::XPanelY3, E::RezimButton1})
            v.set(hidden, false);
        return v;
    }
    v.set(E::Tuner1, false);  // the autotuner belongs to PIDMA alone
    const bool twoInputs = s.inputMode == 2, ratio = s.inputMode > 2;
    v.set(E::Sum2, twoInputs);
    v.set(E::Y2Input1, twoInputs);
    v.set(E::Product1, ratio);
    v.set(E::Y2Input2, ratio);
    v.set(E::XPanelY2, ratio);
    v.set(E::Y3Input1, s.cascade);
    v.set(E::XPanelY3, s.cascade);
    return v;
}

OutputCharacteristic OutputCharacteristicFor(const ExchangeSettings& s) {
    return {s.kind == ControllerKind::Pid && (!s.analogOutput || s.realOutput)};
}

SchemaValues ShownSchemaValues(const OnlineExchange& x, char sep) {
    SchemaValues values;
    for (auto& v : values) v.text = "-";
    if (!x.hasData()) return values;
    const auto at = [&](SchemaValue which) -> ShownValue& { return values[static_cast<std::size_t>(which)]; };
    if (x.kind() == ControllerKind::Pidma) {
        const auto real = [&](int offset) {
            return PidmaPercentValue(plc::GetReal(x.pidmaImage().data() + offset), sep);
        };
        at(SchemaValue::W) = real(plc::PidaOffset("sp"));
        at(SchemaValue::E) = real(plc::PidaOffset("de"));
        at(SchemaValue::U) = real(plc::PidaOffset("mv"));
        at(SchemaValue::Y1) = real(plc::PidaOffset("pv"));
        at(SchemaValue::Manual) = real(plc::PidaOffset("hv"));
        at(SchemaValue::Setpoint) = at(SchemaValue::W);
        return values;
    }
    const std::uint8_t* t = x.tpid();
    const auto word = [t](int offset) { return plc::GetInt16(t + offset); };
    const int minY = x.minY(), maxY = x.maxY();
    const std::string& n = x.name();
    const std::uint8_t det = t[plc::PidOffset("Det")];
    if (maxY == minY) {
        for (SchemaValue v : {SchemaValue::W, SchemaValue::E, SchemaValue::Setpoint})
            at(v) = {Text(3019), true, "MaxY == MinY!"};
    } else {
        at(SchemaValue::Setpoint) = {
            FormatPercent(*InputPercent(word(plc::PidOffset("gW")), minY, maxY), sep), false,
            Percent(n, "_gW")};
        at(SchemaValue::W) = {FormatPercent(*InputPercent(word(plc::PidOffset("ConW")), minY, maxY), sep),
                              false, Percent(n, "_ConW")};
        at(SchemaValue::E) = {
            FormatPercent(word(plc::PidOffset("Dev")) * 100.0 / (static_cast<double>(maxY) - minY), sep),
            false, "(" + n + "_Dev / (" + n + "_MaxY - " + n + "_MinY)) * 100%"};
    }
    at(SchemaValue::U) = PidOutputValue(word(plc::PidOffset("Output")), n, sep);
    at(SchemaValue::Manual) = at(SchemaValue::U);
    at(SchemaValue::Y1) = PidInputValue(1, word(plc::PidOffset("Input1")), minY, maxY, det, n, sep);
    if (x.settings().hasInput2()) at(SchemaValue::Y2) = PidInputValue(2, x.input2(), minY, maxY, det, n, sep);
    if (x.settings().hasInput3()) at(SchemaValue::Y3) = PidInputValue(3, x.input3(), minY, maxY, det, n, sep);
    return values;
}

std::string ElementHint(SchemaElement element, const ExchangeSettings& s) {
    const std::string& n = s.name;
    if (s.kind == ControllerKind::Pidma) {
        // The PIDMA block shows its members directly, already in percent.
        switch (element) {
            case E::WInput1:
                return "w - " + n + ".sp";
            case E::Y1Input1:
                return Named("y1 - ", s.input) + n + ".pv";
            case E::PID1:
                return "e - " + n + ".de\n" + "u - " + n + ".mv";
            case E::Tuner1:
                return OwnText("Tuner");
            case E::Technologie1:
                return Named("u - ", s.output) + n + ".mv";
            default:
                return {};
        }
    }
    switch (element) {
        case E::WInput1:
            return "w - " + Percent(n, "_gW");
        case E::WFiltr1:
            return "w - " + Percent(n, "_ConW");
        case E::Y1Input1:
            return Named("y1 - ", s.y1Name) + Percent(n, "_Input1");
        case E::Y2Input1:
        case E::Y2Input2:
            return Named("y2 - ", s.y2Name) + Percent(n, "_Input2");
        case E::Y3Input1:
            return Named("y3 - ", s.y3Name) + Percent(n, "_Input3");
        case E::PID1:
            return "e - (" + n + "_Dev / (" + n + "_MaxY - " + n + "_MinY)) * 100%";
        case E::UPanel1:
        case E::Technologie1: {
            std::string hint = Named("u - ", s.upName);
            if (!s.analogOutput) hint += Named("u - ", s.umName);
            return hint + n + "_Output * 0,01%";
        }
        default:
            return {};
    }
}

SchemaTarget ClickTarget(SchemaElement element, ControllerKind kind) {
    const bool pidma = kind == ControllerKind::Pidma;
    switch (element) {
        case E::WFiltr1:
            return SchemaTarget::Setpoint;
        case E::PID1:
            return pidma ? SchemaTarget::PidmaController : SchemaTarget::PidParameters;
        case E::Tuner1:
            return pidma ? SchemaTarget::PidmaAutotuner : SchemaTarget::None;
        case E::UPanel1:
            return SchemaTarget::Output;
        case E::Technologie1:
            return SchemaTarget::Simulation;
        // PIDMA chooses its measured variable on its own page.
        case E::Y1Input1:
            return pidma ? SchemaTarget::PidmaController : SchemaTarget::ControlledVariable1;
        case E::Y2Input1:
        case E::Y2Input2:
            return SchemaTarget::ControlledVariable2;
        case E::Y3Input1:
            return SchemaTarget::ControlledVariable3;
        case E::XPanelW1:
        case E::XPanelE1:
        case E::XPanelU1:
        case E::XPanelY1:
        case E::XPanelY2:
        case E::XPanelY3:
            return SchemaTarget::Graph;
        case E::RezimButton1:
            return pidma ? SchemaTarget::None : SchemaTarget::ControllerMode;
        case E::StudenyStartButton1:
            return SchemaTarget::Start;
        default:
            return SchemaTarget::None;
    }
}

int CommButtonImage(bool online, bool receiving) {
    if (!online) return 31;
    return receiving ? 32 : 33;
}

}  // namespace velmora::online
