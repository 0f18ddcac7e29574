#include "wizard/PidParameters.h"

#include <algorithm>

#include "base/ByteOrder.h"
#include "base/IniFile.h"
#include "base/Log.h"
#include "base/ParseDecimal.h"
#include "base/Texts.h"
#include "controllers/PidParameterBlock.h"
#include "controllers/SectionReader.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

namespace {

constexpr std::uint32_t kTextRemanentOff = 3555;
constexpr std::uint32_t kTextRemanentOn = 3556;
constexpr std::uint32_t kTextBackupRegister = 3557;

std::string Fixed(double v, int decimals, char sep) {
    return FormatFixed(v, decimals, 5, sep);
}

}  // namespace

std::string LimitText(std::string_view text, const EditLimits& limits, char separator) {
    return LimitDecimalText(text, limits.lo, limits.hi, limits.decimals, separator);
}

BandForm LeaveBand(std::string_view bandText, char sep) {
    std::string band = LimitText(bandText, kBandLimits, sep);
    return {band, Fixed(GainOfBand(ParseDecimal(band)), 2, sep)};
}

BandForm LeaveGain(std::string_view gainText, char sep) {
    return LeaveBand(Fixed(BandOfGain(ParseDecimal(gainText)), 1, sep), sep);
}

BandForm LeaveRelCool(std::string_view relCoolText, double band, char sep) {
    std::string relCool = LimitText(relCoolText, kRelCoolLimits, sep);
    return {relCool, Fixed(CoolingGain(ParseDecimal(relCool), band), 2, sep)};
}

BandForm LeaveGainMinus(std::string_view gainText, double band, char sep) {
    return LeaveRelCool(Fixed(RelCoolOfGain(ParseDecimal(gainText), band), 1, sep), band, sep);
}

PidStorage ReadPidStorage(const IniFile& file, const std::string& section) {
    int headerInSt = SectionReader(file, section, ControllerKind::Pid, Reader::Page).integer(key::HeaderInST);
    return {headerInSt != 0, headerInSt == 0};
}

void ReadStorageOptions(const IniFile& file, const std::string& section, StorageOptions& o) {
    // Keys of both kinds.
    const SectionReader in(file, section, ControllerKind::Pid, Reader::Page);
    int offReg = in.integer(key::OffReg);
    int offRem = in.integer(key::OffRem);
    o.placeReg = offReg >= 0;
    o.placeRem = offRem >= 0;
    o.offReg = std::to_string(std::max(offReg, 0));
    o.offRem = std::to_string(std::max(offRem, 0));
    o.remanent = in.flag(key::Remanent);
}

void WriteStorageOptions(IniFile& file, const std::string& section, const StorageOptions& o,
                         bool placementVisible) {
    SectionWriter out(file, section, ControllerKind::Pid);
    out.setFlag(key::FoundStruct, o.foundStruct);
    if (placementVisible) {
        out.setInteger(key::OffReg, o.placeReg ? IntegerOr(o.offReg, -1) : -1);
        out.setInteger(key::OffRem, o.placeRem ? IntegerOr(o.offRem, -1) : -1);
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
    const SectionReader in(file, section, ControllerKind::Pid, Reader::Page);
    v.maxY = std::to_string(in.integer(key::Y[0].max));
    v.minY = std::to_string(in.integer(key::Y[0].min));
    v.foundStruct = ReadPidStorage(file, section).structEnabled;
    ReadStorageOptions(file, section, v);
    return v;
}

PidParameters ReadPidParameters(const IniFile& file, const std::string& section, char sep) {
    PidParameters v;
    const SectionReader in(file, section, ControllerKind::Pid, Reader::Page);
    auto tenths = [&](Key key) { return Fixed(in.scaled(key), 1, sep); };
    auto hundredths = [&](Key key) { return Fixed(in.scaled(key), 2, sep); };
    v.band = tenths(key::PBnd);
    v.relCool = tenths(key::RelCool);
    v.ti = tenths(key::Ti);
    v.td = tenths(key::Td);
    v.eGap = hundredths(key::EGap);
    v.iGap = hundredths(key::IGap);
    v.dGap = hundredths(key::DGap);
    v.period = hundredths(key::OutCycle);
    v.uDef = hundredths(key::UDef);
    v.maxY = std::to_string(in.integer(key::MaxY));
    v.minY = std::to_string(in.integer(key::MinY));
    v.p41 = in.flag(key::P41);
    v.lastAction = in.flag(key::UdefLastU);
    v.foundStruct = in.flag(key::FoundStruct);
    ReadStorageOptions(file, section, v);
    return v;
}

void WritePidParameters(IniFile& file, const std::string& section, const PidParameters& v,
                        bool placementVisible) {
    SectionWriter out(file, section, ControllerKind::Pid);
    out.setScaled(key::PBnd, v.band);
    out.setScaled(key::RelCool, v.relCool);
    out.setScaled(key::Ti, v.ti);
    out.setScaled(key::Td, v.td);
    out.setScaled(key::EGap, v.eGap);
    out.setScaled(key::IGap, v.iGap);
    out.setScaled(key::DGap, v.dGap);
    out.setInteger(key::MaxY, IntegerOr(v.maxY, 0));
    out.setInteger(key::MinY, IntegerOr(v.minY, 0));
    out.setScaled(key::OutCycle, v.period);
    out.setFlag(key::P41, v.p41);
    out.setFlag(key::Remanent, v.remanent);
    out.setScaled(key::UDef, v.uDef);
    out.setFlag(key::UdefLastU, v.lastAction);
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
    // The PLC takes the file's scaled integers, truncated.
    auto truncated = [](const std::string& text, Key key) {
        return static_cast<std::int16_t>(ScaledToStored(text, KeyScale(key), Rounding::Truncate));
    };
    bool ok = true;
    // _OutCycle lies just ahead of PBnd … IGap in the controller structure.
    Log("Zapis OutCycle ... IGap");
    std::vector<std::uint8_t> block;
    plc::AppendInt16(block, truncated(v.period, key::OutCycle));
    const auto parameters = EncodePidParameters(PidParameterBlock::FromShown(
        ParseDecimal(v.band), ParseDecimal(v.relCool), ParseDecimal(v.ti), ParseDecimal(v.td),
        ParseDecimal(v.eGap), ParseDecimal(v.dGap), ParseDecimal(v.iGap), Rounding::Truncate));
    block.insert(block.end(), parameters.begin(), parameters.end());
    ok = context.controllerData->write(context.symbol("_OutCycle"), block) && ok;
    Log("Zapis MinY a MaxY");
    std::vector<std::uint8_t> range;
    plc::AppendInt16(range, static_cast<std::int16_t>(IntegerOr(v.minY, 0)));
    plc::AppendInt16(range, static_cast<std::int16_t>(IntegerOr(v.maxY, 0)));
    ok = context.controllerData->write(context.symbol("_MinY"), range) && ok;
    Log("Zapis DefOut");
    std::vector<std::uint8_t> defOut;
    // 11000 is beyond any action: the PLC keeps the last one.
    plc::AppendInt16(defOut, v.lastAction ? 11000 : truncated(v.uDef, key::UDef));
    ok = context.controllerData->write(context.symbol("_DefOut"), defOut) && ok;
    return ok;
}

std::optional<PidParameters> ReadPidParametersFromPlc(const WizardContext& context,
                                                      const PidParameters& shown, char sep) {
    constexpr int kParametersAt = plc::PidOffset("PBnd") - plc::PidOffset("OutCycle");
    constexpr int kSize = kParametersAt + kPidParameterBytes;
    if (!context.controllerData) return std::nullopt;
    Log("Cteni OutCycle ... IGap");
    auto block = context.controllerData->read(context.symbol("_OutCycle"), kSize);
    if (!block || block->size() < kSize) return std::nullopt;
    Log("Cteni MinY a MaxY");
    auto range = context.controllerData->read(context.symbol("_MinY"), 4);
    if (!range || range->size() < 4) return std::nullopt;
    const PidParameterBlock p = DecodePidParameters(block->data() + kParametersAt);
    const auto shownOf = [sep](int stored, Key key, int decimals) {
        return Fixed(stored / KeyScale(key), decimals, sep);
    };
    PidParameters v = shown;
    v.period = shownOf(plc::GetInt16(block->data()), key::OutCycle, 2);
    v.band = shownOf(p.pBnd, key::PBnd, 1);
    v.relCool = shownOf(p.relCool, key::RelCool, 1);
    v.ti = shownOf(p.ti, key::Ti, 1);
    v.td = shownOf(p.td, key::Td, 1);
    v.eGap = shownOf(p.eGap, key::EGap, 2);
    v.dGap = shownOf(p.dGap, key::DGap, 2);
    v.iGap = shownOf(p.iGap, key::IGap, 2);
    v.minY = std::to_string(plc::GetInt16(range->data()));
    v.maxY = std::to_string(plc::GetInt16(range->data() + plc::PidOffset("MaxY") - plc::PidOffset("MinY")));
    return v;
}

}  // namespace velmora::wizard
