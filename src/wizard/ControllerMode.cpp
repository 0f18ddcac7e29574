#include "wizard/ControllerMode.h"

#include "base/IniFile.h"

namespace velmora::wizard {

ControllerMode ReadControllerMode(const IniFile& file, const std::string& section) {
    ControllerMode mode;
    mode.inputMode = file.readInteger(section, "InputMode", 1);
    mode.cascade = file.readBool(section, "Cascade", false);
    return mode;
}

void WriteControllerMode(IniFile& file, const std::string& section, const ControllerMode& mode) {
    int inputMode = mode.inputMode >= 1 && mode.inputMode <= 3 ? mode.inputMode : 0;
    bool astat = mode.cascade || file.readBool(section, "Astat", false);
    bool positional = !mode.cascade && file.readBool(section, "UPosition", false);
    file.writeInteger(section, "InputMode", inputMode);
    file.writeBool(section, "Cascade", mode.cascade);
    file.writeBool(section, "Astat", astat);
    file.writeBool(section, "UPosition", positional);
}

}  // namespace velmora::wizard
