#include "host/looptest/LoopTestCheck.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/Strings.h"

namespace velmora::looptest {

const ControllerInfo* PlcCatalogue::controller(std::string_view name) const {
    for (const ControllerInfo& c : controllers)
        if (EqualNoCase(c.name, name)) return &c;
    return nullptr;
}

namespace {

class CaseCheck {
public:
    CaseCheck(Case& c, const PlcCatalogue& plc) : c_(c), plc_(plc) {}
    std::vector<Diagnostic> run();

private:
    void problem(int line, std::string reason) { out_.push_back({c_.file, line, std::move(reason)}); }
    std::optional<SymbolInfo> scalar(const std::string& name, int line);
    void online(OnlineController& o);
    void stimulus(Stimulus& s);
    void subject(Expectation& e);
    void values(const Expectation& e, const SymbolInfo& range, const std::string& unit);

    Case& c_;
    const PlcCatalogue& plc_;
    std::vector<Diagnostic> out_;
};

std::optional<SymbolInfo> CaseCheck::scalar(const std::string& name, int line) {
    const std::optional<SymbolInfo> info = plc_.symbol(name);
    if (!info)
        problem(line, "the PLC " + plc_.plc + " has no symbol " + name);
    else if (!info->scalar)
        problem(line, name + " is a structure or an array, not one value");
    return info && info->scalar ? info : std::nullopt;
}

void CaseCheck::online(OnlineController& o) {
    const ControllerInfo* known = plc_.controller(o.name);
    if (!known) {
        problem(o.line, "the controller file of " + plc_.plc + " has no controller " + o.name);
        return;
    }
    o.name = known->name;
    if (o.plant.empty()) {
        o.settings = known->plant;
    } else {
        auto applied = ApplyPlantKeys(known->plant, o.plant);
        if (auto* why = std::get_if<std::string>(&applied))
            return problem(o.plantLine, "plant " + o.name + ": " + *why);
        o.settings = std::get<PlantSettings>(applied);
    }
    if (o.simulated() && o.settings->addOut != kDisturbanceNone) {
        if (const auto v = scalar(o.settings->addOutName, o.plantLine ? o.plantLine : o.line))
            if (v->real != (o.settings->addOut == kDisturbanceReal))
                problem(o.plantLine ? o.plantLine : o.line,
                        "AddOut=" + std::to_string(o.settings->addOut) + " reads " + o.settings->addOutName +
                            (o.settings->addOut == kDisturbanceReal ? " as a REAL" : " as a word") +
                            ", which it is not");
    }
}

void CaseCheck::stimulus(Stimulus& s) {
    if (s.kind == Stimulus::Kind::Set) {
        const auto info = scalar(s.name, s.line);
        if (!info) return;
        if (s.value < info->min || s.value > info->max)
            problem(s.line, s.name + "=" + FormatNumber(s.value) + ": outside " + FormatNumber(info->min) +
                                " .. " + FormatNumber(info->max));
        else if (!info->real && s.value != std::trunc(s.value))
            problem(s.line, s.name + " holds whole numbers, not " + FormatNumber(s.value));
    } else if (s.kind == Stimulus::Kind::Disturb) {
        const OnlineController* o = c_.findOnline(s.name);
        if (!o)
            problem(s.line, "disturb " + s.name + ": the case does not put it online");
        else if (!o->simulated())
            problem(s.line, "disturb " + s.name + ": its plant is not simulated (Simulation=1)");
        else if (o->settings->addOut == kDisturbanceNone)
            problem(s.line, "disturb " + s.name + ": its plant has no additional output (plant " + s.name +
                                " AddOut=1|2 AddOutName=VARIABLE)");
        else
            s.name = o->name;
    }
}

void CaseCheck::values(const Expectation& e, const SymbolInfo& range, const std::string& unit) {
    const auto inRange = [&](double v, const char* what) {
        if (v < range.min || v > range.max)
            problem(e.line, std::string(what) + " " + FormatNumber(v) + " lies outside " +
                                FormatNumber(range.min) + " .. " + FormatNumber(range.max) + unit);
    };
    const double span = range.max - range.min;
    switch (e.check) {
        case Check::Within:
            inRange(e.b, "the target");
            if (e.a > span) problem(e.line, "the tolerance is wider than the whole range" + unit);
            break;
        case Check::Between:
            inRange(e.a, "the low limit");
            inRange(e.b, "the high limit");
            break;
        case Check::Settles:
            if (e.a > span) problem(e.line, "the band is wider than the whole range" + unit);
            break;
        default:
            break;
    }
}

void CaseCheck::subject(Expectation& e) {
    Subject& s = e.subject;
    if (s.controllerValue()) {
        if (const ControllerInfo* known = plc_.controller(s.name)) {
            s.name = known->name;
            if (!c_.findOnline(s.name))
                return problem(e.line, s.written + ": the case does not put " + s.name + " online (online " +
                                           s.name + ")");
            if (e.check == Check::Iae && s.kind != Subject::Kind::Y)
                return problem(e.line, "IAE integrates the control error: it takes a controller's y");
            return values(e, SymbolInfo{true, true, -kMaxPercent, kMaxPercent}, " %");
        }
        // No controller of that name: the whole text may be a symbol.
        if (!plc_.symbol(s.written))
            return problem(e.line, "the controller file of " + plc_.plc + " has no controller " + s.name +
                                       " (and the PLC no symbol " + s.written + ")");
        s.kind = Subject::Kind::Symbol;
        s.name = s.written;
    }
    if (e.check == Check::Iae)
        return problem(e.line,
                       "IAE integrates the control error: it takes a controller's y, not " + s.written);
    if (const auto info = scalar(s.name, e.line)) values(e, *info, "");
}

std::vector<Diagnostic> CaseCheck::run() {
    for (OnlineController& o : c_.online) online(o);
    for (Stimulus& s : c_.stimuli) stimulus(s);
    for (Expectation& e : c_.expectations)
        if (e.check != Check::NoPlcError) subject(e);
    std::stable_sort(out_.begin(), out_.end(),
                     [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
    return out_;
}

}  // namespace

std::vector<Diagnostic> CheckCase(Case& c, const PlcCatalogue& plc) {
    return CaseCheck(c, plc).run();
}

}  // namespace velmora::looptest
