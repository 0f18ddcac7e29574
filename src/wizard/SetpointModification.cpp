#include "wizard/SetpointModification.h"

#include "base/ByteOrder.h"
#include "base/IniFile.h"
#include "base/Log.h"
#include "controllers/SectionReader.h"
#include "wizard/PageRules.h"

namespace velmora::wizard {

int LimitTiW(std::string_view text) {
    int v = IntegerOr(text, 1);
    if (v < 0) return 1;
    if (v > 65535) return 65535;
    return v;
}

std::uint32_t TiWLabel(SetpointChoice choice) {
    return choice == SetpointChoice::Ramp ? 3157 : 3156;
}

SetpointModification ReadSetpointModification(const IniFile& file, const std::string& section) {
    SetpointModification w;
    const SectionReader in(file, section, ControllerKind::Pid, Reader::Page);
    w.tiW = in.integer(key::TiW);
    bool filter = in.flag(key::WFiltr);
    if (!filter)
        w.choice = SetpointChoice::Ramp;
    else
        w.choice = w.tiW != 0 ? SetpointChoice::Filter : SetpointChoice::None;
    return w;
}

void WriteSetpointModification(IniFile& file, const std::string& section, const SetpointModification& w) {
    SectionWriter out(file, section, ControllerKind::Pid);
    out.setFlag(key::WFiltr, w.choice != SetpointChoice::Ramp);
    out.setInteger(key::TiW, w.choice == SetpointChoice::None ? 0 : w.tiW);
}

bool WriteSetpointToPlc(const WizardContext& context, const SetpointModification& w) {
    if (!DataReachable(context, {"_TiW", "_Control"})) return true;
    ControllerData& data = *context.controllerData;
    Log("Zapis Tiw");
    std::vector<std::uint8_t> tiW;
    plc::AppendInt16(tiW, static_cast<std::int16_t>(w.choice == SetpointChoice::None ? 0 : w.tiW));
    if (!data.write(context.symbol("_TiW"), tiW)) return false;
    Log("Cteni Control");
    auto control = data.read(context.symbol("_Control"), 2);
    if (!control || control->size() < 2) return false;
    int word = plc::GetUInt16(control->data());
    word = w.choice == SetpointChoice::Ramp ? word | kRampControlBit : word & ~kRampControlBit;
    Log("Zapis Control");
    std::vector<std::uint8_t> bytes;
    plc::AppendInt16(bytes, static_cast<std::int16_t>(word));
    return data.write(context.symbol("_Control"), bytes);
}

std::optional<SetpointModification> ReadSetpointFromPlc(const WizardContext& context) {
    if (!context.controllerData) return std::nullopt;
    Log("Cteni Tiw");
    auto tiW = context.controllerData->read(context.symbol("_TiW"), 2);
    if (!tiW || tiW->size() < 2) return std::nullopt;
    Log("Cteni Control");
    auto control = context.controllerData->read(context.symbol("_Control"), 2);
    if (!control || control->size() < 2) return std::nullopt;
    SetpointModification w;
    w.tiW = plc::GetUInt16(tiW->data());
    if (plc::GetUInt16(control->data()) & kRampControlBit)
        w.choice = SetpointChoice::Ramp;
    else
        w.choice = w.tiW != 0 ? SetpointChoice::Filter : SetpointChoice::None;
    return w;
}

}  // namespace velmora::wizard
