#include "wizard/PidmaSettings.h"

#include <algorithm>

#include "base/IniFile.h"
#include "base/Log.h"
#include "base/Texts.h"
#include "wizard/PageRules.h"
#include "wizard/PidParameters.h"

namespace velmora::wizard {

namespace {

constexpr std::uint32_t kTextNoInputName = 3428;
constexpr std::uint32_t kTextNoOutputName = 3429;
constexpr std::uint32_t kTextNotFloat = 3432;
constexpr std::uint32_t kTextInputNotDefined = 3433;
constexpr std::uint32_t kTextOutputNotDefined = 3434;

std::string Shown(double v, char sep) {
    return FormatFixed(v, 2, 6, sep);
}

}  // namespace

std::string PidmaDecimalText(std::string_view text, double fallback, char separator) {
    return Shown(TryParseDecimal(text).value_or(fallback), separator);
}

const std::vector<std::string>& AlgorithmTypes() {
    static const std::vector<std::string> types = {"D", "I", "ID", "P", "PD", "PI", "PID"};
    return types;
}

const std::array<PidmaParameter, 10>& PidmaParameters() {
    static const std::array<PidmaParameter, 10> parameters = {{
        {"k", "1", 1},
        {"ti", "4", 4},
        {"td", "1", 1},
        {"nd", "10", 10},
        {"b", "1", 1},
        {"c", "0", 0},
        {"tt", "1", 1},
        {"hilim", "100", 100},
        {"lolim", "0", 0},
        {"Ts", "1", 1},
    }};
    return parameters;
}

const std::array<PidmaParameter, 4>& AutotunerParameters() {
    // These edits have no fallback of their own: an unreadable text becomes 0.
    static const std::array<PidmaParameter, 4> parameters = {{
        {"tdg", "2", 0},
        {"tn", "2", 0},
        {"amp", "15", 0},
        {"dy", "5", 0},
    }};
    return parameters;
}

int ChoiceIndex(int code, int first, int count, int defaultCode) {
    int index = code - first;
    if (index < 0 || index >= count) index = defaultCode - first;
    return index;
}

PidmaController NewPidmaController(const IniFile& file, const std::string& section, char sep) {
    PidmaController c;
    for (std::size_t k = 0; k < c.values.size(); ++k)
        c.values[k] = PidmaDecimalText(PidmaParameters()[k].fileDefault, PidmaParameters()[k].fallback, sep);
    ReadStorageOptions(file, section, c);
    return c;
}

PidmaController ReadPidmaController(const IniFile& file, const std::string& section, char sep) {
    PidmaController c;
    c.irtype = file.readInteger(section, "irtype", 7);
    c.reverse = file.readBool(section, "RACT", false);
    for (std::size_t k = 0; k < c.values.size(); ++k) {
        const PidmaParameter& p = PidmaParameters()[k];
        c.values[k] = PidmaDecimalText(file.readString(section, p.key, p.fileDefault), p.fallback, sep);
    }
    c.foundStruct = file.readBool(section, "FoundStruct", false);
    c.input = file.readString(section, "Input", Text(kTextInputNotDefined));
    c.output = file.readString(section, "Output", Text(kTextOutputNotDefined));
    ReadStorageOptions(file, section, c);
    return c;
}

void WritePidmaController(IniFile& file, const std::string& section, const PidmaController& c,
                          bool placementVisible) {
    file.writeInteger(section, "irtype", c.irtype);
    file.writeBool(section, "RACT", c.reverse);
    file.writeBool(section, "Remanent", c.remanent);
    // The parameter texts go to the file exactly as shown; Ts follows the names.
    for (std::size_t k = 0; k < 9; ++k) file.writeString(section, PidmaParameters()[k].key, c.values[k]);
    file.writeString(section, "Input", Trim(c.input));
    file.writeString(section, "Output", Trim(c.output));
    file.writeString(section, "Ts", c.values[9]);
    WriteStorageOptions(file, section, c, placementVisible);
}

bool CheckPidmaController(const WizardContext& context, const PidmaController& c) {
    const struct {
        const std::string& name;
        std::uint32_t missing;
    } names[] = {{c.input, kTextNoInputName}, {c.output, kTextNoOutputName}};
    for (const auto& n : names) {
        std::string name(Trim(n.name));
        if (name.empty()) {
            ShowError(context, n.missing);
            return false;
        }
        if (!ConfirmVariable(context, name, VariableKind::Float, kTextNotFloat)) return false;
    }
    return true;
}

namespace {
float Value(const std::string& text) {
    return static_cast<float>(TryParseDecimal(text).value_or(0));
}
}  // namespace

bool WritePidmaControllerToPlc(const WizardContext& context, const PidmaController& c) {
    if (!DataReachable(context, {"_Ts"})) return true;
    Log("Zapis parametru PIDMA");
    // Ts ... lolim as laid in the structure; CHANGED = 1 makes the PLC take them.
    std::vector<std::uint8_t> block;
    PutFloat(block, Value(c.values[9]));
    block.push_back(1);
    block.push_back(0);
    PutInt32(block, c.irtype);
    block.push_back(c.reverse ? 1 : 0);
    block.push_back(0);
    for (std::size_t k = 0; k < 9; ++k) PutFloat(block, Value(c.values[k]));
    return context.controllerData->write(context.symbol("_Ts"), block);
}

std::optional<PidmaController> ReadPidmaControllerFromPlc(const WizardContext& context,
                                                          const PidmaController& shown, char sep) {
    if (!context.controllerData) return std::nullopt;
    Log("Cteni _ittype..._lolim");
    // irType at 50 through lolim ending at 92.
    auto block = context.controllerData->read(context.symbol("_irType"), 42);
    if (!block || block->size() < 42) return std::nullopt;
    PidmaController c = shown;
    c.irtype = GetInt32(*block, 0);
    c.reverse = (*block)[4] != 0;
    for (std::size_t k = 0; k < 9; ++k) c.values[k] = Shown(GetFloat(*block, 6 + 4 * k), sep);
    return c;
}

PidmaAutotuner NewPidmaAutotuner(char sep) {
    PidmaAutotuner t;
    for (std::size_t k = 0; k < t.values.size(); ++k)
        t.values[k] = PidmaDecimalText(AutotunerParameters()[k].fileDefault, 0, sep);
    return t;
}

PidmaAutotuner ReadPidmaAutotuner(const IniFile& file, const std::string& section, char sep) {
    PidmaAutotuner t;
    t.ittype = file.readInteger(section, "ittype", 7);
    t.iainf = file.readInteger(section, "iainf", 1);
    t.ispeed = file.readInteger(section, "ispeed", 2);
    t.ipid = file.readInteger(section, "ipid", 1);
    t.driftCompensation = file.readBool(section, "DGC", false);
    for (std::size_t k = 0; k < t.values.size(); ++k) {
        const PidmaParameter& p = AutotunerParameters()[k];
        t.values[k] = PidmaDecimalText(file.readString(section, p.key, p.fileDefault), p.fallback, sep);
    }
    return t;
}

void WritePidmaAutotuner(IniFile& file, const std::string& section, const PidmaAutotuner& t) {
    file.writeInteger(section, "ittype", t.ittype);
    file.writeInteger(section, "iainf", t.iainf);
    file.writeInteger(section, "ispeed", t.ispeed);
    file.writeInteger(section, "ipid", t.ipid);
    file.writeBool(section, "DGC", t.driftCompensation);
    for (std::size_t k = 0; k < t.values.size(); ++k)
        file.writeString(section, AutotunerParameters()[k].key, t.values[k]);
}

bool WritePidmaAutotunerToPlc(const WizardContext& context, const PidmaAutotuner& t) {
    if (!DataReachable(context, {"_itType"})) return true;
    Log("Zapis parametru autotuneru");
    // itType at 100 through ipid ending at 134.
    std::vector<std::uint8_t> block;
    PutInt32(block, t.ittype);
    PutInt32(block, t.iainf);
    block.push_back(t.driftCompensation ? 1 : 0);
    block.push_back(0);
    for (const std::string& v : t.values) PutFloat(block, Value(v));
    PutInt32(block, t.ispeed);
    PutInt32(block, t.ipid);
    return context.controllerData->write(context.symbol("_itType"), block);
}

std::optional<PidmaAutotuner> ReadPidmaAutotunerFromPlc(const WizardContext& context,
                                                        const PidmaAutotuner& shown, char sep) {
    if (!context.controllerData) return std::nullopt;
    Log("Cteni parametru autotuneru");
    auto block = context.controllerData->read(context.symbol("_itType"), 34);
    if (!block || block->size() < 34) return std::nullopt;
    PidmaAutotuner t = shown;
    t.ittype = GetInt32(*block, 0);
    t.iainf = GetInt32(*block, 4);
    t.driftCompensation = (*block)[8] != 0;
    for (std::size_t k = 0; k < 4; ++k) t.values[k] = Shown(GetFloat(*block, 10 + 4 * k), sep);
    t.ispeed = GetInt32(*block, 26);
    t.ipid = GetInt32(*block, 30);
    return t;
}

}  // namespace velmora::wizard
