#include "simulation/PlantKeys.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "base/ParseDecimal.h"
#include "base/Strings.h"
#include "simulation/SimulationDialog.h"

namespace velmora {

namespace {

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
        if (!EqualNoCase(k.key, choice.key)) continue;
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
        if (EqualNoCase(k.key, "AddOutName")) {
            choices.addOutName = k.value;
            continue;
        }
        const auto field = std::find_if(std::begin(kFieldKeys), std::end(kFieldKeys),
                                        [&](const auto& f) { return EqualNoCase(k.key, f.second); });
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
                    : "outside " + FormatDecimal(lim.min) + " .. " + FormatDecimal(lim.max));
    }
    if (parsed.missingDisturbanceName || !parsed.settings) return "AddOut needs AddOutName=VARIABLE";
    return *parsed.settings;
}

}  // namespace velmora
