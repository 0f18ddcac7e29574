#pragma once
// Controller mode page (TFormPReg1): number of inputs and cascade control.
#include <string>

namespace velmora {
class IniFile;
}

namespace velmora::wizard {

struct ControllerMode {
    int inputMode = 1;  // 1 single, 2 two for reliability, 3 ratio; 0 when no choice is checked
    bool cascade = false;
};

// An existing controller's mode (InputMode default 1, Cascade default false).
ControllerMode ReadControllerMode(const IniFile& file, const std::string& section);
// Writes InputMode, Cascade, Astat, UPosition in this order; cascade control
// makes the actuator astatic and the output incremental, unchecking it keeps both.
void WriteControllerMode(IniFile& file, const std::string& section, const ControllerMode& mode);

}  // namespace velmora::wizard
