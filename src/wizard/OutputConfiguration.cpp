#include "wizard/OutputConfiguration.h"

#include "base/ByteOrder.h"
#include "base/IniFile.h"
#include "base/Log.h"
#include "base/ParseDecimal.h"
#include "base/PidStructure.h"
#include "base/Texts.h"
#include "controllers/SectionReader.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {

constexpr std::uint32_t kTextNoOutputName = 3429;
constexpr std::uint32_t kTextNotWord = 3430;
constexpr std::uint32_t kTextNotByte = 3431;
constexpr std::uint32_t kTextNotFloat = 3432;

// Control word bits (T_PID_Control).
constexpr int kBitAO = 1 << 1;
constexpr int kBitA12 = 1 << 2;
constexpr int kBitBU = 1 << 4;  // three-stage output
constexpr int kBitIP = 1 << 5;  // incremental output
constexpr int kBitFU0 = 1 << 13, kBitFU1 = 1 << 14, kBitFU3 = 1 << 15;

std::string Fixed(double v, char sep) {
    return FormatFixed(v, 2, 5, sep);
}

}  // namespace

int MinimalActionSteps(std::string_view text) {
    double v = ParseDecimal(text);
    if (v > 2.24) v = 2.24;
    if (v < 0) v = 0;
    return static_cast<int>(v * KeyScale(key::UF) + 0.99);
}

std::string MinimalActionText(int steps, char separator) {
    return Fixed(steps / KeyScale(key::UF), separator);
}

OutputControlStates OutputStates(bool analog, OutputConversion conversion) {
    bool userScale = conversion == OutputConversion::UserScale;
    return {analog, analog && userScale, analog && !userScale, !analog, analog ? 3181u : 3182u};
}

OutputConfiguration NewOutputConfiguration(char sep) {
    OutputConfiguration u;
    u.minimalAction = Fixed(0, sep);
    u.uMax = Fixed(100, sep);
    u.uMin = Fixed(0, sep);
    u.dUMax = Fixed(100, sep);
    u.u1 = FormatFixed(0, 1, 5, sep);
    u.u3 = FormatFixed(100, 1, 5, sep);
    return u;
}

OutputConfiguration ReadOutputConfiguration(const IniFile& file, const std::string& s, char sep) {
    const SectionReader in(file, s, ControllerKind::Pid, Reader::Page);
    OutputConfiguration u;
    auto percent = [&](Key key) { return Fixed(in.scaled(key), sep); };
    u.positional = in.flag(key::UPosition);
    u.analog = in.flag(key::UAnalog);
    int uf = in.integer(key::UF);
    u.shortActionFilter = uf > 0;
    u.minimalAction = MinimalActionText(uf, sep);
    u.filter = in.flag(key::UFiltr);
    u.tau = std::to_string(in.integer(key::UTau));
    u.uMax = percent(key::UMax);
    u.uMin = percent(key::UMin);
    u.dUMax = percent(key::dUMax);
    u.zeroShift = in.flag(key::AO);
    // One radio group filled in this order: the last choice that is set wins.
    u.conversion = OutputConversion::A8;
    if (in.flag(key::A12)) u.conversion = OutputConversion::A12;
    if (in.flag(key::A16)) u.conversion = OutputConversion::A16;
    if (in.flag(key::UReal)) u.conversion = OutputConversion::Real;
    if (in.flag(key::UMeasure)) u.conversion = OutputConversion::UserScale;
    u.u1 = percent(key::Ux1);
    u.u2 = std::to_string(in.integer(key::Ux2));
    u.u3 = percent(key::Uy1);
    u.u4 = std::to_string(in.integer(key::Uy2));
    u.upName = in.text(key::UpName);
    u.umName = in.text(key::UmName);
    u.bipolar = in.flag(key::UBipolar);
    return u;
}

bool OutputModeLocked(const IniFile& file, const std::string& section) {
    return SectionReader(file, section, ControllerKind::Pid, Reader::Page).flag(key::Cascade);
}

void WriteOutputConfiguration(IniFile& file, const std::string& s, const OutputConfiguration& u) {
    SectionWriter out(file, s, ControllerKind::Pid);
    out.setFlag(key::UPosition, u.positional);
    out.setFlag(key::UAnalog, u.analog);
    out.setInteger(key::UF, u.shortActionFilter ? MinimalActionSteps(u.minimalAction) : 0);
    out.setFlag(key::UFiltr, u.filter);
    out.setInteger(key::UTau, IntegerOr(u.tau, 0));
    out.setScaled(key::UMax, u.uMax);
    out.setScaled(key::UMin, u.uMin);
    out.setScaled(key::dUMax, u.dUMax);
    out.setFlag(key::AO, u.zeroShift);
    out.setFlag(key::A8, u.conversion == OutputConversion::A8);
    out.setFlag(key::A12, u.conversion == OutputConversion::A12);
    out.setFlag(key::A16, u.conversion == OutputConversion::A16);
    out.setFlag(key::UReal, u.conversion == OutputConversion::Real);
    out.setFlag(key::UMeasure, u.conversion == OutputConversion::UserScale);
    out.setScaled(key::Ux1, u.u1);
    out.setInteger(key::Ux2, IntegerOr(u.u2, 0));
    out.setScaled(key::Uy1, u.u3);
    out.setInteger(key::Uy2, IntegerOr(u.u4, 0));
    out.setText(key::UpName, Trim(u.upName));
    out.setText(key::UmName, Trim(u.umName));
    out.setFlag(key::UBipolar, u.bipolar);
}

bool CheckOutputConfiguration(const WizardContext& context, const OutputConfiguration& u) {
    std::string up(Trim(u.upName));
    if (up.empty()) {
        ShowError(context, kTextNoOutputName);
        return false;
    }
    if (u.analog) {
        VariableKind expected = VariableKind::Word;
        std::uint32_t question = kTextNotWord;
        if (u.conversion == OutputConversion::A8) {
            expected = VariableKind::Byte;
            question = kTextNotByte;
        } else if (u.conversion == OutputConversion::Real) {
            expected = VariableKind::Float;
            question = kTextNotFloat;
        }
        return ConfirmVariable(context, up, expected, question);
    }
    if (!ConfirmVariable(context, up)) return false;
    std::string um(Trim(u.umName));
    if (um.empty()) {
        ShowError(context, kTextNoOutputName);
        return false;
    }
    return ConfirmVariable(context, um);
}

int OutputControlBits(const OutputConfiguration& u) {
    int steps = u.shortActionFilter ? MinimalActionSteps(u.minimalAction) : 0;
    int bits = 0;
    if (u.zeroShift) bits |= kBitAO;
    if (u.conversion == OutputConversion::A12 || u.conversion == OutputConversion::A8) bits |= kBitA12;
    if (!u.analog) bits |= kBitBU;
    if (!u.positional) bits |= kBitIP;
    if (steps & 1) bits |= kBitFU0;
    if (steps & 2) bits |= kBitFU1;
    if (steps & 4) bits |= kBitFU3;
    return bits;
}

bool WriteOutputToPlc(const WizardContext& context, const OutputConfiguration& u) {
    std::vector<std::string> members = {"_MinU", "_Control"};
    bool userScale = u.conversion == OutputConversion::UserScale;
    if (u.filter) members.push_back("_Tau4");
    if (userScale)
        for (const char* m : {"_X41", "_X42", "_Y41", "_Y42"}) members.push_back(m);
    if (!DataReachable(context, members)) return true;
    ControllerData& data = *context.controllerData;
    auto word = [](int v) {
        std::vector<std::uint8_t> bytes;
        plc::AppendInt16(bytes, static_cast<std::int16_t>(v));
        return bytes;
    };
    // The PLC takes the file's scaled integers.
    auto stored = [](const std::string& text, Key key) { return ScaleToStored(key, ParseDecimal(text)); };
    bool ok = true;
    if (u.filter) ok = data.write(context.symbol("_Tau4"), word(IntegerOr(u.tau, 0))) && ok;
    if (userScale) {
        Log("X41, X42, Y41, Y42");
        ok = data.write(context.symbol("_X41"), word(stored(u.u1, key::Ux1))) && ok;
        ok = data.write(context.symbol("_X42"), word(stored(u.u3, key::Uy1))) && ok;
        ok = data.write(context.symbol("_Y41"), word(IntegerOr(u.u2, 0))) && ok;
        ok = data.write(context.symbol("_Y42"), word(IntegerOr(u.u4, 0))) && ok;
    }
    Log("Zapis MinU, MaxU, dMaxU");
    std::vector<std::uint8_t> limits = word(stored(u.uMin, key::UMin));
    plc::AppendInt16(limits, static_cast<std::int16_t>(stored(u.uMax, key::UMax)));
    plc::AppendInt16(limits, static_cast<std::int16_t>(stored(u.dUMax, key::dUMax)));
    ok = data.write(context.symbol("_MinU"), limits) && ok;
    Log("Cteni Control");
    auto control = data.read(context.symbol("_Control"), 2);
    if (!control || control->size() < 2) return false;
    int value = (plc::GetUInt16(control->data()) & ~kOutputControlMask) | OutputControlBits(u);
    Log("Zapis Control");
    return data.write(context.symbol("_Control"), word(value)) && ok;
}

std::optional<OutputConfiguration> ReadOutputFromPlc(const WizardContext& context,
                                                     const OutputConfiguration& shown, char sep) {
    if (!context.controllerData) return std::nullopt;
    ControllerData& data = *context.controllerData;
    OutputConfiguration u = shown;
    auto readWord = [&](const char* member) -> std::optional<int> {
        auto bytes = data.read(context.symbol(member), 2);
        if (!bytes || bytes->size() < 2) return std::nullopt;
        return plc::GetInt16(bytes->data());
    };
    auto tau = readWord("_Tau4");
    auto x41 = readWord("_X41"), x42 = readWord("_X42"), y41 = readWord("_Y41"), y42 = readWord("_Y42");
    Log("Cteni MinU, MaxU, dMaxU");
    auto limits = data.read(context.symbol("_MinU"), 6);
    Log("Cteni Control");
    auto control = readWord("_Control");
    if (!tau || !x41 || !x42 || !y41 || !y42 || !limits || limits->size() < 6 || !control)
        return std::nullopt;
    u.tau = std::to_string(*tau);
    u.u1 = Fixed(*x41 / KeyScale(key::Ux1), sep);
    u.u3 = Fixed(*x42 / KeyScale(key::Uy1), sep);
    u.u2 = std::to_string(*y41);
    u.u4 = std::to_string(*y42);
    // MinU, MaxU and dMaxU lie one behind the other in the controller structure.
    const auto limit = [&](Key key, int offset) {
        return Fixed(plc::GetInt16(limits->data() + offset - plc::PidOffset("MinU")) / KeyScale(key), sep);
    };
    u.uMin = limit(key::UMin, plc::PidOffset("MinU"));
    u.uMax = limit(key::UMax, plc::PidOffset("MaxU"));
    u.dUMax = limit(key::dUMax, plc::PidOffset("dMaxU"));
    int bits = *control & 0xFFFF;
    u.zeroShift = bits & kBitAO;
    u.analog = !(bits & kBitBU);
    u.positional = !(bits & kBitIP);
    int steps = (bits & kBitFU0 ? 1 : 0) | (bits & kBitFU1 ? 2 : 0) | (bits & kBitFU3 ? 4 : 0);
    u.shortActionFilter = steps > 0;
    u.minimalAction = MinimalActionText(steps, sep);
    return u;
}

}  // namespace velmora::wizard
