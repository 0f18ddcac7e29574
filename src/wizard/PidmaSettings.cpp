#include "wizard/PidmaSettings.h"

#include <algorithm>

#include "base/ByteOrder.h"
#include "base/IniFile.h"
#include "base/Log.h"
#include "base/ParseDecimal.h"
#include "base/PidaStructure.h"
#include "base/Texts.h"
#include "controllers/SectionReader.h"
#include "wizard/PageRules.h"
#include "wizard/PidParameters.h"

namespace velmora::wizard {

namespace {

constexpr std::uint32_t kTextNoInputName = 3428;
constexpr std::uint32_t kTextNoOutputName = 3429;
constexpr std::uint32_t kTextNotFloat = 3432;

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
    // An unreadable text falls back to the key's default.
    static const std::array<PidmaParameter, 10> parameters = [] {
        std::array<PidmaParameter, 10> out;
        const Key keys[10] = {key::k, key::ti, key::td,    key::nd,    key::b,
                              key::c, key::tt, key::hilim, key::lolim, key::Ts};
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = {keys[i], ParseDecimal(KeyDefault(keys[i], ControllerKind::Pidma, Reader::Page))};
        return out;
    }();
    return parameters;
}

const std::array<PidmaParameter, 4>& AutotunerParameters() {
    // These edits have no fallback of their own: an unreadable text becomes 0.
    static const std::array<PidmaParameter, 4> parameters = {{
        {key::tdg, 0},
        {key::tn, 0},
        {key::amp, 0},
        {key::dy, 0},
    }};
    return parameters;
}

int ChoiceIndex(int code, int first, int count, int defaultCode) {
    int index = code - first;
    if (index < 0 || index >= count) index = defaultCode - first;
    return index;
}

namespace {
std::string PageDefault(Key key) {
    return KeyDefault(key, ControllerKind::Pidma, Reader::Page);
}
}  // namespace

PidmaController NewPidmaController(const IniFile& file, const std::string& section, char sep) {
    PidmaController c;
    for (std::size_t k = 0; k < c.values.size(); ++k) {
        const PidmaParameter& p = PidmaParameters()[k];
        c.values[k] = PidmaDecimalText(PageDefault(p.key), p.fallback, sep);
    }
    ReadStorageOptions(file, section, c);
    return c;
}

PidmaController ReadPidmaController(const IniFile& file, const std::string& section, char sep) {
    const SectionReader in(file, section, ControllerKind::Pidma, Reader::Page);
    PidmaController c;
    c.irtype = in.integer(key::irtype);
    c.reverse = in.flag(key::RACT);
    for (std::size_t k = 0; k < c.values.size(); ++k) {
        const PidmaParameter& p = PidmaParameters()[k];
        c.values[k] = PidmaDecimalText(in.text(p.key), p.fallback, sep);
    }
    c.foundStruct = in.flag(key::FoundStruct);
    c.input = in.text(key::Input);
    c.output = in.text(key::Output);
    ReadStorageOptions(file, section, c);
    return c;
}

void WritePidmaController(IniFile& file, const std::string& section, const PidmaController& c,
                          bool placementVisible) {
    SectionWriter out(file, section, ControllerKind::Pidma);
    out.setInteger(key::irtype, c.irtype);
    out.setFlag(key::RACT, c.reverse);
    out.setFlag(key::Remanent, c.remanent);
    // The parameter texts go to the file exactly as shown; Ts follows the names.
    for (std::size_t k = 0; k < 9; ++k) out.setText(PidmaParameters()[k].key, c.values[k]);
    out.setText(key::Input, Trim(c.input));
    out.setText(key::Output, Trim(c.output));
    out.setText(key::Ts, c.values[9]);
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

// The controller's block: Ts … lolim, with CHANGED = 1 so that the PLC takes it.
constexpr int kControllerFirst = plc::PidaOffset("Ts");
constexpr int kControllerEnd = plc::PidaOffset("dz");
// Its values k … lolim in the page's order.
constexpr int kControllerValues[9] = {
    plc::PidaOffset("k"),  plc::PidaOffset("ti"),    plc::PidaOffset("td"),
    plc::PidaOffset("nd"), plc::PidaOffset("b"),     plc::PidaOffset("c"),
    plc::PidaOffset("tt"), plc::PidaOffset("hilim"), plc::PidaOffset("lolim")};

bool WritePidmaControllerToPlc(const WizardContext& context, const PidmaController& c) {
    if (!DataReachable(context, {"_Ts"})) return true;
    Log("Zapis parametru PIDMA");
    std::vector<std::uint8_t> block(kControllerEnd - kControllerFirst);
    const auto at = [&](int offset) { return block.data() + offset - kControllerFirst; };
    plc::PutReal(at(plc::PidaOffset("Ts")), Value(c.values[9]));
    *at(plc::PidaOffset("CHANGED")) = 1;
    plc::PutInt32(at(plc::PidaOffset("irType")), c.irtype);
    *at(plc::PidaOffset("RACT")) = c.reverse ? 1 : 0;
    for (std::size_t k = 0; k < 9; ++k) plc::PutReal(at(kControllerValues[k]), Value(c.values[k]));
    return context.controllerData->write(context.symbol("_Ts"), block);
}

std::optional<PidmaController> ReadPidmaControllerFromPlc(const WizardContext& context,
                                                          const PidmaController& shown, char sep) {
    constexpr int kFirst = plc::PidaOffset("irType");
    if (!context.controllerData) return std::nullopt;
    Log("Cteni _ittype..._lolim");
    auto block = context.controllerData->read(context.symbol("_irType"), kControllerEnd - kFirst);
    if (!block || block->size() < kControllerEnd - kFirst) return std::nullopt;
    const auto at = [&](int offset) { return block->data() + offset - kFirst; };
    PidmaController c = shown;
    c.irtype = plc::GetInt32(at(plc::PidaOffset("irType")));
    c.reverse = *at(plc::PidaOffset("RACT")) != 0;
    for (std::size_t k = 0; k < 9; ++k) c.values[k] = Shown(plc::GetReal(at(kControllerValues[k])), sep);
    return c;
}

PidmaAutotuner NewPidmaAutotuner(char sep) {
    PidmaAutotuner t;
    for (std::size_t k = 0; k < t.values.size(); ++k)
        t.values[k] = PidmaDecimalText(PageDefault(AutotunerParameters()[k].key), 0, sep);
    return t;
}

PidmaAutotuner ReadPidmaAutotuner(const IniFile& file, const std::string& section, char sep) {
    const SectionReader in(file, section, ControllerKind::Pidma, Reader::Page);
    PidmaAutotuner t;
    t.ittype = in.integer(key::ittype);
    t.iainf = in.integer(key::iainf);
    t.ispeed = in.integer(key::ispeed);
    t.ipid = in.integer(key::ipid);
    t.driftCompensation = in.flag(key::DGC);
    for (std::size_t k = 0; k < t.values.size(); ++k) {
        const PidmaParameter& p = AutotunerParameters()[k];
        t.values[k] = PidmaDecimalText(in.text(p.key), p.fallback, sep);
    }
    return t;
}

void WritePidmaAutotuner(IniFile& file, const std::string& section, const PidmaAutotuner& t) {
    SectionWriter out(file, section, ControllerKind::Pidma);
    out.setInteger(key::ittype, t.ittype);
    out.setInteger(key::iainf, t.iainf);
    out.setInteger(key::ispeed, t.ispeed);
    out.setInteger(key::ipid, t.ipid);
    out.setFlag(key::DGC, t.driftCompensation);
    for (std::size_t k = 0; k < t.values.size(); ++k) out.setText(AutotunerParameters()[k].key, t.values[k]);
}

// The tuner's block: itType … ipid; its REALs tdg … dy in the page's order.
constexpr int kTunerFirst = plc::PidaOffset("itType");
constexpr int kTunerEnd = plc::PidaOffset("arDUMMY");
constexpr int kTunerValues[4] = {plc::PidaOffset("tdg"), plc::PidaOffset("tn"), plc::PidaOffset("amp"),
                                 plc::PidaOffset("dy")};

bool WritePidmaAutotunerToPlc(const WizardContext& context, const PidmaAutotuner& t) {
    if (!DataReachable(context, {"_itType"})) return true;
    Log("Zapis parametru autotuneru");
    std::vector<std::uint8_t> block(kTunerEnd - kTunerFirst);
    const auto at = [&](int offset) { return block.data() + offset - kTunerFirst; };
    plc::PutInt32(at(plc::PidaOffset("itType")), t.ittype);
    plc::PutInt32(at(plc::PidaOffset("iainf")), t.iainf);
    *at(plc::PidaOffset("DGC")) = t.driftCompensation ? 1 : 0;
    for (std::size_t k = 0; k < 4; ++k) plc::PutReal(at(kTunerValues[k]), Value(t.values[k]));
    plc::PutInt32(at(plc::PidaOffset("ispeed")), t.ispeed);
    plc::PutInt32(at(plc::PidaOffset("ipid")), t.ipid);
    return context.controllerData->write(context.symbol("_itType"), block);
}

std::optional<PidmaAutotuner> ReadPidmaAutotunerFromPlc(const WizardContext& context,
                                                        const PidmaAutotuner& shown, char sep) {
    if (!context.controllerData) return std::nullopt;
    Log("Cteni parametru autotuneru");
    auto block = context.controllerData->read(context.symbol("_itType"), kTunerEnd - kTunerFirst);
    if (!block || block->size() < kTunerEnd - kTunerFirst) return std::nullopt;
    const auto at = [&](int offset) { return block->data() + offset - kTunerFirst; };
    PidmaAutotuner t = shown;
    t.ittype = plc::GetInt32(at(plc::PidaOffset("itType")));
    t.iainf = plc::GetInt32(at(plc::PidaOffset("iainf")));
    t.driftCompensation = *at(plc::PidaOffset("DGC")) != 0;
    for (std::size_t k = 0; k < 4; ++k) t.values[k] = Shown(plc::GetReal(at(kTunerValues[k])), sep);
    t.ispeed = plc::GetInt32(at(plc::PidaOffset("ispeed")));
    t.ipid = plc::GetInt32(at(plc::PidaOffset("ipid")));
    return t;
}

}  // namespace velmora::wizard
