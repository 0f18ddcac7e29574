#pragma once
// Setpoint page (TFormW1): first-order filter, ramp or no modification of W.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "wizard/WizardContext.h"

namespace velmora {
class IniFile;
}

namespace velmora::wizard {

enum class SetpointChoice { Filter, Ramp, None };

struct SetpointModification {
    SetpointChoice choice = SetpointChoice::None;
    int tiW = 0;
};

// Leaving the time edit: an integer (1 when it is not one), below 0 becomes 1,
// above 65535 becomes 65535.
int LimitTiW(std::string_view text);
// The label of the time edit: 3156 for the filter, 3157 for the ramp.
std::uint32_t TiWLabel(SetpointChoice choice);

SetpointModification ReadSetpointModification(const IniFile& file, const std::string& section);
// WFiltr = not ramp, TiW = the time unless there is no modification.
void WriteSetpointModification(IniFile& file, const std::string& section, const SetpointModification& w);

// Bit of the controller's control word that selects the ramp.
constexpr int kRampControlBit = 0x100;
bool WriteSetpointToPlc(const WizardContext& context, const SetpointModification& w);
std::optional<SetpointModification> ReadSetpointFromPlc(const WizardContext& context);

}  // namespace velmora::wizard
