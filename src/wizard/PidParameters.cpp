#include "wizard/PidParameters.h"

#include <algorithm>

#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "base/Log.h"
#include "base/Texts.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {

constexpr std::uint32_t kTextRemanentOff = 3555;
constexpr std::uint32_t kTextRemanentOn = 3556;
constexpr std::uint32_t kTextBackupRegister = 3557;

std::string Fixed(double v, int decimals, char sep) {
    return FormatFixed(v, decimals, 5, sep);
}

std::string GainOf(double denominator, double numerator, char sep) {
    if (denominator == 0) return Fixed(1, 2, sep);
    return Fixed(numerator / denominator, 2, sep);
}

}  // namespace

std::string LimitText(std::string_view text, const EditLimits& limits, char separator) {
    return LimitDecimalText(text, limits.lo, limits.hi, limits.decimals, separator);
}

BandForm LeaveBand(std::string_view bandText, char sep) {
    std::string band = LimitText(bandText, kBandLimits, sep);
    return {band, GainOf(ParseDecimal(band), 100, sep)};
}

BandForm LeaveGain(std::string_view gainText, char sep) {
    double k = ParseDecimal(gainText);
    double band = k == 0 ? 100 : 100 / k;
    return LeaveBand(Fixed(band, 1, sep), sep);
}

BandForm LeaveRelCool(std::string_view relCoolText, double band, char sep) {
    std::string relCool = LimitText(relCoolText, kRelCoolLimits, sep);
    return {relCool, GainOf(ParseDecimal(relCool) * band, 10000, sep)};
}

BandForm LeaveGainMinus(std::string_view gainText, double band, char sep) {
    double denominator = ParseDecimal(gainText) * band;
    double relCool = denominator == 0 ? 100 : 10000 / denominator;
    return LeaveRelCool(Fixed(relCool, 1, sep), band, sep);
}

PidStorage ReadPidStorage(const IniFile& file, const std::string& section) {
    int headerInSt = file.readInteger(section, "HeaderInST", 0);
    return {headerInSt != 0, headerInSt == 0};
}

void ReadStorageOptions(const IniFile& file, const std::string& section, StorageOptions& o) {
    int offReg = file.readInteger(section, "OffReg", -1);
    int offRem = file.readInteger(section, "OffRem", -1);
    o.placeReg = offReg >= 0;
    o.placeRem = offRem >= 0;
    o.offReg = std::to_string(std::max(offReg, 0));
    o.offRem = std::to_string(std::max(offRem, 0));
    o.remanent = file.readBool(section, "Remanent", true);
}

void WriteStorageOptions(IniFile& file, const std::string& section, const StorageOptions& o,
                         bool placementVisible) {
    file.writeBool(section, "FoundStruct", o.foundStruct);
    if (placementVisible) {
        file.writeInteger(section, "OffReg", o.placeReg ? IntegerOr(o.offReg, -1) : -1);
        file.writeInteger(section, "OffRem", o.placeRem ? IntegerOr(o.offRem, -1) : -1);
    }
}

PidParameters NewPidParameters(const IniFile& file, const std::string& section, char sep) {
    PidParameters v;
    v.band = Fixed(100, 1, sep);
    v.relCool = Fixed(100, 1, sep);
    v.ti = Fixed(10, 1, sep);
    v.td = Fixed(1, 1, sep);
    v.eGap = Fixed(1, 2, sep);
    v.iGap = Fixed(100, 2, sep);
    v.dGap = Fixed(100, 2, sep);
    v.period = Fixed(1, 2, sep);
    v.uDef = Fixed(0, 2, sep);
    v.maxY = std::to_string(file.readInteger(section, "Y1Max", 10000));
    v.minY = std::to_string(file.readInteger(section, "Y1Min", 0));
    v.foundStruct = ReadPidStorage(file, section).structEnabled;
    ReadStorageOptions(file, section, v);
    return v;
}

PidParameters ReadPidParameters(const IniFile& file, const std::string& section, char sep) {
    PidParameters v;
    auto tenths = [&](const char* key, int def) {
        return Fixed(file.readInteger(section, key, def) / 10.0, 1, sep);
    };
    auto hundredths = [&](const char* key, int def) {
        return Fixed(file.readInteger(section, key, def) / 100.0, 2, sep);
    };
    v.band = tenths("PBnd", 1000);
    v.relCool = tenths("RelCool", 1000);
    v.ti = tenths("Ti", 0);
    v.td = tenths("Td", 0);
    v.eGap = hundredths("EGap", 0);
    v.iGap = hundredths("IGap", 0);
    v.dGap = hundredths("DGap", 0);
    v.period = hundredths("OutCycle", 100);
    v.uDef = hundredths("UDef", 0);
    v.maxY = std::to_string(file.readInteger(section, "MaxY", 10000));
    v.minY = std::to_string(file.readInteger(section, "MinY", 0));
    v.p41 = file.readBool(section, "P41", false);
    v.lastAction = file.readBool(section, "UdefLastU", false);
    v.foundStruct = file.readBool(section, "FoundStruct", false);
    ReadStorageOptions(file, section, v);
    return v;
}

void WritePidParameters(IniFile& file, const std::string& section, const PidParameters& v,
                        bool placementVisible) {
    auto scaled = [](const std::string& text, int factor) { return ScaleRound(ParseDecimal(text), factor); };
    file.writeInteger(section, "PBnd", scaled(v.band, 10));
    file.writeInteger(section, "RelCool", scaled(v.relCool, 10));
    file.writeInteger(section, "Ti", scaled(v.ti, 10));
    file.writeInteger(section, "Td", scaled(v.td, 10));
    file.writeInteger(section, "EGap", scaled(v.eGap, 100));
    file.writeInteger(section, "IGap", scaled(v.iGap, 100));
    file.writeInteger(section, "DGap", scaled(v.dGap, 100));
    file.writeInteger(section, "MaxY", IntegerOr(v.maxY, 0));
    file.writeInteger(section, "MinY", IntegerOr(v.minY, 0));
    file.writeInteger(section, "OutCycle", scaled(v.period, 100));
    file.writeBool(section, "P41", v.p41);
    file.writeBool(section, "Remanent", v.remanent);
    file.writeInteger(section, "UDef", scaled(v.uDef, 100));
    file.writeBool(section, "UdefLastU", v.lastAction);
    WriteStorageOptions(file, section, v, placementVisible);
}

std::string RemanentExplanation(bool remanent, const std::string& controllerName) {
    if (!remanent) return Text(kTextRemanentOff);
    std::string backup = Text(kTextBackupRegister);
    std::size_t at = backup.find("%s");
    if (at != std::string::npos) backup.replace(at, 2, controllerName + "_Control.11");
    return Text(kTextRemanentOn) + " " + backup;
}

bool SameRawRange(std::string_view minText, std::string_view maxText) {
    auto lo = ParseInteger(minText), hi = ParseInteger(maxText);
    return lo && hi && *lo == *hi;
}

bool WritePidParametersToPlc(const WizardContext& context, const PidParameters& v) {
    if (!DataReachable(context, {"_OutCycle", "_MinY", "_DefOut"})) return true;
    auto truncated = [](const std::string& text, int factor) {
        return ScaleTrunc(ParseDecimal(text), factor);
    };
    bool ok = true;
    // _OutCycle ... _IGap lie one behind the other in the controller structure.
    Log("Zapis OutCycle ... IGap");
    std::vector<std::uint8_t> block;
    PutInt16(block, truncated(v.period, 100));
    PutInt16(block, truncated(v.band, 10));
    PutInt16(block, truncated(v.relCool, 10));
    PutInt16(block, truncated(v.ti, 10));
    PutInt16(block, truncated(v.td, 10));
    PutInt16(block, truncated(v.eGap, 100));
    PutInt16(block, truncated(v.dGap, 100));
    PutInt16(block, truncated(v.iGap, 100));
    ok = context.controllerData->write(context.symbol("_OutCycle"), block) && ok;
    Log("Zapis MinY a MaxY");
    std::vector<std::uint8_t> range;
    PutInt16(range, IntegerOr(v.minY, 0));
    PutInt16(range, IntegerOr(v.maxY, 0));
    ok = context.controllerData->write(context.symbol("_MinY"), range) && ok;
    Log("Zapis DefOut");
    std::vector<std::uint8_t> defOut;
    // 11000 is beyond any action: the PLC keeps the last one.
    PutInt16(defOut, v.lastAction ? 11000 : truncated(v.uDef, 100));
    ok = context.controllerData->write(context.symbol("_DefOut"), defOut) && ok;
    return ok;
}

std::optional<PidParameters> ReadPidParametersFromPlc(const WizardContext& context,
                                                      const PidParameters& shown, char sep) {
    if (!context.controllerData) return std::nullopt;
    Log("Cteni OutCycle ... IGap");
    auto block = context.controllerData->read(context.symbol("_OutCycle"), 16);
    if (!block || block->size() < 16) return std::nullopt;
    Log("Cteni MinY a MaxY");
    auto range = context.controllerData->read(context.symbol("_MinY"), 4);
    if (!range || range->size() < 4) return std::nullopt;
    PidParameters v = shown;
    v.period = Fixed(GetInt16(*block, 0) / 100.0, 2, sep);
    v.band = Fixed(GetInt16(*block, 2) / 10.0, 1, sep);
    v.relCool = Fixed(GetInt16(*block, 4) / 10.0, 1, sep);
    v.ti = Fixed(GetInt16(*block, 6) / 10.0, 1, sep);
    v.td = Fixed(GetInt16(*block, 8) / 10.0, 1, sep);
    v.eGap = Fixed(GetInt16(*block, 10) / 100.0, 2, sep);
    v.dGap = Fixed(GetInt16(*block, 12) / 100.0, 2, sep);
    v.iGap = Fixed(GetInt16(*block, 14) / 100.0, 2, sep);
    v.minY = std::to_string(GetInt16(*range, 0));
    v.maxY = std::to_string(GetInt16(*range, 2));
    return v;
}

}  // namespace velmora::wizard
