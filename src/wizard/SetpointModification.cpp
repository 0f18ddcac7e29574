#include "wizard/SetpointModification.h"

#include "base/IniFile.h"
#include "base/Log.h"
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
    w.tiW = file.readInteger(section, "TiW", 0);
    bool filter = file.readBool(section, "WFiltr", true);
    if (!filter)
        w.choice = SetpointChoice::Ramp;
    else
        w.choice = w.tiW != 0 ? SetpointChoice::Filter : SetpointChoice::None;
    return w;
}

void WriteSetpointModification(IniFile& file, const std::string& section, const SetpointModification& w) {
    file.writeBool(section, "WFiltr", w.choice != SetpointChoice::Ramp);
    file.writeInteger(section, "TiW", w.choice == SetpointChoice::None ? 0 : w.tiW);
}

bool WriteSetpointToPlc(const WizardContext& context, const SetpointModification& w) {
    if (!DataReachable(context, {"_TiW", "_Control"})) return true;
    ControllerData& data = *context.controllerData;
    Log("Zapis Tiw");
    std::vector<std::uint8_t> tiW;
    PutInt16(tiW, w.choice == SetpointChoice::None ? 0 : w.tiW);
    if (!data.write(context.symbol("_TiW"), tiW)) return false;
    Log("Cteni Control");
    auto control = data.read(context.symbol("_Control"), 2);
    if (!control || control->size() < 2) return false;
    int word = GetInt16(*control, 0) & 0xFFFF;
    word = w.choice == SetpointChoice::Ramp ? word | kRampControlBit : word & ~kRampControlBit;
    Log("Zapis Control");
    std::vector<std::uint8_t> bytes;
    PutInt16(bytes, word);
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
    w.tiW = GetInt16(*tiW, 0) & 0xFFFF;
    if (GetInt16(*control, 0) & kRampControlBit)
        w.choice = SetpointChoice::Ramp;
    else
        w.choice = w.tiW != 0 ? SetpointChoice::Filter : SetpointChoice::None;
    return w;
}

}  // namespace velmora::wizard
