#include "wizard/OutputConfiguration.h"

#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "base/Log.h"
#include "base/Texts.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {

constexpr std::uint32_t kTextNotDefinedSuffix = 3016;
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
    return static_cast<int>(v * 3.125 + 0.99);
}

std::string MinimalActionText(int steps, char separator) {
    return Fixed(steps * 0.32, separator);
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
    OutputConfiguration u;
    auto percent = [&](const char* key, int def) {
        return Fixed(file.readInteger(s, key, def) / 100.0, sep);
    };
    u.positional = file.readBool(s, "UPosition", false);
    u.analog = file.readBool(s, "UAnalog", false);
    int uf = file.readInteger(s, "UF", 0);
    u.shortActionFilter = uf > 0;
    u.minimalAction = MinimalActionText(uf, sep);
    u.filter = file.readBool(s, "UFiltr", false);
    u.tau = std::to_string(file.readInteger(s, "UTau", 0));
    u.uMax = percent("UMax", 0);
    u.uMin = percent("UMin", 0);
    u.dUMax = percent("dUMax", 0);
    u.zeroShift = file.readBool(s, "AO", false);
    // One radio group filled in this order: the last choice that is set wins.
    u.conversion = OutputConversion::A8;
    if (file.readBool(s, "A12", false)) u.conversion = OutputConversion::A12;
    if (file.readBool(s, "A16", false)) u.conversion = OutputConversion::A16;
    if (file.readBool(s, "UReal", false)) u.conversion = OutputConversion::Real;
    if (file.readBool(s, "UMeasure", false)) u.conversion = OutputConversion::UserScale;
    u.u1 = percent("Ux1", 0);
    u.u2 = std::to_string(file.readInteger(s, "Ux2", 0));
    u.u3 = percent("Uy1", 0);
    u.u4 = std::to_string(file.readInteger(s, "Uy2", 10000));
    u.upName = file.readString(s, "UpName", "U1" + Text(kTextNotDefinedSuffix));
    u.umName = file.readString(s, "UmName", "U2" + Text(kTextNotDefinedSuffix));
    u.bipolar = file.readBool(s, "UBipolar", false);
    return u;
}

bool OutputModeLocked(const IniFile& file, const std::string& section) {
    return file.readBool(section, "Cascade", false);
}

void WriteOutputConfiguration(IniFile& file, const std::string& s, const OutputConfiguration& u) {
    auto hundredths = [](const std::string& text) { return ScaleTrunc(ParseDecimal(text), 100); };
    file.writeBool(s, "UPosition", u.positional);
    file.writeBool(s, "UAnalog", u.analog);
    file.writeInteger(s, "UF", u.shortActionFilter ? MinimalActionSteps(u.minimalAction) : 0);
    file.writeBool(s, "UFiltr", u.filter);
    file.writeInteger(s, "UTau", IntegerOr(u.tau, 0));
    file.writeInteger(s, "UMax", hundredths(u.uMax));
    file.writeInteger(s, "UMin", hundredths(u.uMin));
    file.writeInteger(s, "dUMax", hundredths(u.dUMax));
    file.writeBool(s, "AO", u.zeroShift);
    file.writeBool(s, "A8", u.conversion == OutputConversion::A8);
    file.writeBool(s, "A12", u.conversion == OutputConversion::A12);
    file.writeBool(s, "A16", u.conversion == OutputConversion::A16);
    file.writeBool(s, "UReal", u.conversion == OutputConversion::Real);
    file.writeBool(s, "UMeasure", u.conversion == OutputConversion::UserScale);
    file.writeInteger(s, "Ux1", hundredths(u.u1));
    file.writeInteger(s, "Ux2", IntegerOr(u.u2, 0));
    file.writeInteger(s, "Uy1", hundredths(u.u3));
    file.writeInteger(s, "Uy2", IntegerOr(u.u4, 0));
    file.writeString(s, "UpName", Trim(u.upName));
    file.writeString(s, "UmName", Trim(u.umName));
    file.writeBool(s, "UBipolar", u.bipolar);
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
        PutInt16(bytes, v);
        return bytes;
    };
    auto hundredths = [](const std::string& text) { return ScaleTrunc(ParseDecimal(text), 100); };
    bool ok = true;
    if (u.filter) ok = data.write(context.symbol("_Tau4"), word(IntegerOr(u.tau, 0))) && ok;
    if (userScale) {
        Log("X41, X42, Y41, Y42");
        ok = data.write(context.symbol("_X41"), word(hundredths(u.u1))) && ok;
        ok = data.write(context.symbol("_X42"), word(hundredths(u.u3))) && ok;
        ok = data.write(context.symbol("_Y41"), word(IntegerOr(u.u2, 0))) && ok;
        ok = data.write(context.symbol("_Y42"), word(IntegerOr(u.u4, 0))) && ok;
    }
    Log("Zapis MinU, MaxU, dMaxU");
    std::vector<std::uint8_t> limits = word(hundredths(u.uMin));
    for (const std::string* text : {&u.uMax, &u.dUMax}) PutInt16(limits, hundredths(*text));
    ok = data.write(context.symbol("_MinU"), limits) && ok;
    Log("Cteni Control");
    auto control = data.read(context.symbol("_Control"), 2);
    if (!control || control->size() < 2) return false;
    int value = (GetInt16(*control, 0) & 0xFFFF & ~kOutputControlMask) | OutputControlBits(u);
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
        return GetInt16(*bytes, 0);
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
    u.u1 = Fixed(*x41 / 100.0, sep);
    u.u3 = Fixed(*x42 / 100.0, sep);
    u.u2 = std::to_string(*y41);
    u.u4 = std::to_string(*y42);
    u.uMin = Fixed(GetInt16(*limits, 0) / 100.0, sep);
    u.uMax = Fixed(GetInt16(*limits, 2) / 100.0, sep);
    u.dUMax = Fixed(GetInt16(*limits, 4) / 100.0, sep);
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
