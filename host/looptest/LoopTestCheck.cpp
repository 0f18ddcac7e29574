#include "host/looptest/LoopTestCheck.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "simulation/SimulationDialog.h"

namespace velmora::looptest {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The dialog's numeric fields by their key names.
constexpr std::pair<SimField, std::string_view> kFieldKeys[] = {
    {SimField::Su, "Su"},       {SimField::Su2, "Su2"},       {SimField::Tau1, "Tau1"},
    {SimField::Tau2, "Tau2"},   {SimField::Tau3, "Tau3"},     {SimField::Delta, "Delta"},
    {SimField::Omega, "Omega"}, {SimField::TauA, "TauA"},     {SimField::MinSU, "MinSU"},
    {SimField::MaxSU, "MaxSU"}, {SimField::DDelta, "DDelta"}, {SimField::Y0, "y0"},
    {SimField::Ys, "ys"},       {SimField::SimT, "SimT"},
};

std::string_view FieldKey(SimField field) {
    for (const auto& [f, key] : kFieldKeys)
        if (f == field) return key;
    return "?";
}

// A choice key (0..max); false when the key is none of them.
bool ChoiceKey(const PlantKey& k, SimChoices& c, std::string& why) {
    struct Choice {
        std::string_view key;
        int max;
    };
    static constexpr Choice kChoices[] = {
        {"TypSoustavy", 5}, {"Astat", 1}, {"Delay", 1}, {"Simulation", 1}, {"AddOut", 2}};
    for (const Choice& choice : kChoices) {
        if (!SameName(k.key, choice.key)) continue;
        if (k.value.size() != 1 || k.value[0] < '0' || k.value[0] > '0' + choice.max) {
            why = std::string(choice.key) + "=" + k.value + ": takes 0 .. " + std::to_string(choice.max);
            return true;
        }
        const int v = k.value[0] - '0';
        if (choice.key == "TypSoustavy") c.plantType = v;
        if (choice.key == "Astat") c.astat = v == 1;
        if (choice.key == "Delay") c.delay = v == 1;
        if (choice.key == "Simulation") c.simulation = v == 1;
        if (choice.key == "AddOut") c.addOut = v;
        return true;
    }
    return false;
}

}  // namespace

const ControllerInfo* PlcCatalogue::controller(std::string_view name) const {
    for (const ControllerInfo& c : controllers)
        if (SameName(c.name, name)) return &c;
    return nullptr;
}

std::variant<PlantSettings, std::string> ApplyPlantKeys(const PlantSettings& base,
                                                        const std::vector<PlantKey>& keys) {
    SimChoices choices{true, base.astat, base.delay, base.plantType, base.addOut, base.addOutName};
    std::array<std::string, kSimFields> texts;
    for (std::size_t i = 0; i < kSimFields; ++i) texts[i] = FieldText(static_cast<SimField>(i), base, '.');
    std::array<bool, kSimFields> given{};
    for (const PlantKey& k : keys) {
        std::string why;
        if (ChoiceKey(k, choices, why)) {
            if (!why.empty()) return why;
            continue;
        }
        if (SameName(k.key, "AddOutName")) {
            choices.addOutName = k.value;
            continue;
        }
        const auto field = std::find_if(std::begin(kFieldKeys), std::end(kFieldKeys),
                                        [&](const auto& f) { return SameName(k.key, f.second); });
        if (field == std::end(kFieldKeys))
            return "unknown plant key " + k.key.substr(0, 40) +
                   ": TypSoustavy, Su, Su2, Tau1, Tau2, Tau3, Delta, Omega, TauA, MinSU, MaxSU, DDelta, "
                   "Delay, Astat, "
                   "y0, ys, SimT, AddOut, AddOutName, Simulation";
        texts[static_cast<std::size_t>(field->first)] = k.value;
        given[static_cast<std::size_t>(field->first)] = true;
    }
    for (std::size_t i = 0; i < kSimFields; ++i) {
        const auto field = static_cast<SimField>(i);
        if (!given[i] || FieldEnabled(field, choices)) continue;
        const std::string key(FieldKey(field));
        if (field == SimField::TauA || field == SimField::MinSU || field == SimField::MaxSU)
            return key + " needs Astat=1";
        if (field == SimField::DDelta) return key + " needs Delay=1 and a plant type above 0";
        return key + " does not apply to plant type " + std::to_string(choices.plantType);
    }
    const SimParseResult parsed = SettingsFromFields(texts, choices, base);
    if (parsed.problem) {
        const SimField f = parsed.problem->field;
        const SimFieldLimits lim = LimitsOf(f);
        const std::string text = texts[static_cast<std::size_t>(f)].substr(0, 40);
        if (f == SimField::MinSU && parsed.problem->textId == 3435 && choices.astat)
            return "MinSU must lie below MaxSU";
        return std::string(FieldKey(f)) + "=" + text + ": " +
               (parsed.problem->textId == 3437
                    ? std::string(lim.integer ? "no whole number" : "no number")
                    : "outside " + FormatNumber(lim.min) + " .. " + FormatNumber(lim.max));
    }
    if (parsed.missingDisturbanceName || !parsed.settings) return "AddOut needs AddOutName=VARIABLE";
    return *parsed.settings;
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
