#include "host/PlantSwitch.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "base/IniFile.h"
#include "controllers/ControllerFile.h"
#include "simulation/SimulationDialog.h"
#include "simulation/SimulationSettings.h"

namespace velmora::host {

namespace {

// The plant keys --plant takes: the dialog's numeric fields by their key names.
constexpr std::pair<SimField, const char*> kPlantFieldKeys[] = {
    {SimField::Su, "Su"},       {SimField::Su2, "Su2"},       {SimField::Tau1, "Tau1"},
    {SimField::Tau2, "Tau2"},   {SimField::Tau3, "Tau3"},     {SimField::Delta, "Delta"},
    {SimField::Omega, "Omega"}, {SimField::TauA, "TauA"},     {SimField::MinSU, "MinSU"},
    {SimField::MaxSU, "MaxSU"}, {SimField::DDelta, "DDelta"}, {SimField::Y0, "y0"},
    {SimField::Ys, "ys"},       {SimField::SimT, "SimT"},
};

bool SameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

using FieldTexts = std::array<std::string, kSimFields>;

// One "KEY=VALUE" into the dialog's choices or field texts; false for an
// unknown key or a choice the dialog does not offer.
bool ApplyPlantKey(const std::string& assignment, SimChoices& choices, FieldTexts& texts) {
    const std::size_t eq = assignment.find('=');
    if (eq == std::string::npos) return false;
    const std::string name = assignment.substr(0, eq), value = assignment.substr(eq + 1);
    const auto flag = [&](bool& target) {
        if (value != "0" && value != "1") return false;
        target = value == "1";
        return true;
    };
    if (SameKey(name, "TypSoustavy")) {
        if (value.size() != 1 || value[0] < '0' || value[0] > '5') return false;
        choices.plantType = value[0] - '0';
        return true;
    }
    if (SameKey(name, "Astat")) return flag(choices.astat);
    if (SameKey(name, "Delay")) return flag(choices.delay);
    bool known = false;
    for (const auto& [field, key] : kPlantFieldKeys)
        if (SameKey(name, key)) {
            known = true;
            texts[static_cast<std::size_t>(field)] = value;
        }
    return known;
}

const char* FieldKey(std::size_t field) {
    for (const auto& [f, key] : kPlantFieldKeys)
        if (static_cast<std::size_t>(f) == field) return key;
    return "";
}

}  // namespace

bool SwitchSimulationOn(const std::string& projectDir, const std::string& plc, const std::string& controller,
                        const std::vector<std::string>& plantKeys, std::ostream& err) {
    IniFile file(ControllerFilePath(projectDir, plc));
    const std::string section = ControllerSection(controller);
    if (!file.sectionExists(section)) {
        err << "velmora-host: --simulate: the controller file of " << plc << " has no controller "
            << controller << "\n";
        return false;
    }
    const PlantSettings base = ReadPlantSettings(file, section);
    SimChoices choices{true, base.astat, base.delay, base.plantType, base.addOut, base.addOutName};
    FieldTexts texts;
    for (std::size_t i = 0; i < kSimFields; ++i) texts[i] = FieldText(static_cast<SimField>(i), base, '.');
    for (const std::string& assignment : plantKeys) {
        if (ApplyPlantKey(assignment, choices, texts)) continue;
        err << "velmora-host: --plant " << assignment
            << ": takes TypSoustavy=0..5, Astat=0|1, Delay=0|1 or a plant value (Su, Su2, Tau1, Tau2, Tau3, "
               "Delta, Omega, TauA, MinSU, MaxSU, DDelta, y0, ys, SimT)\n";
        return false;
    }
    const SimParseResult parsed = SettingsFromFields(texts, choices, base);
    if (parsed.problem) {
        const std::size_t i = static_cast<std::size_t>(parsed.problem->field);
        err << "velmora-host: --plant " << FieldKey(i) << "=" << texts[i] << ": "
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

}  // namespace velmora::host
