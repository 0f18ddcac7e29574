#include "wizard/ControllerMode.h"

#include "base/IniFile.h"
#include "controllers/SectionReader.h"

namespace velmora::wizard {

ControllerMode ReadControllerMode(const IniFile& file, const std::string& section) {
    ControllerMode mode;
    const SectionReader in(file, section, ControllerKind::Pid, Reader::Page);
    mode.inputMode = in.integer(key::InputMode);
    mode.cascade = in.flag(key::Cascade);
    return mode;
}

void WriteControllerMode(IniFile& file, const std::string& section, const ControllerMode& mode) {
    int inputMode = mode.inputMode >= 1 && mode.inputMode <= 3 ? mode.inputMode : 0;
    SectionWriter out(file, section, ControllerKind::Pid);
    bool astat = mode.cascade || out.flag(key::Astat);
    bool positional = !mode.cascade && out.flag(key::UPosition);
    out.setInteger(key::InputMode, inputMode);
    out.setFlag(key::Cascade, mode.cascade);
    out.setFlag(key::Astat, astat);
    out.setFlag(key::UPosition, positional);
}

}  // namespace velmora::wizard
