#include "wizard/StartState.h"

#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "wizard/PageRules.h"
#include "wizard/WizardSequence.h"

namespace velmora::wizard {

namespace {
constexpr std::uint32_t kTextInitialSetpoint = 3186;
constexpr std::uint32_t kTextInitialAction = 3187;
constexpr std::uint32_t kTextInitialRatio = 3188;

std::string Shown(double value, char separator) {
    return FormatFixed(value, 2, 15, separator);
}
}  // namespace

StartLayout StartPageLayout(bool automatic, bool ratio) {
    if (automatic) return {ratio ? kTextInitialRatio : kTextInitialSetpoint, ratio ? "-" : "%", false, 134};
    return {kTextInitialAction, "%", ratio, ratio ? 158 : 134};
}

std::string LimitStartValue(std::string_view text, char separator) {
    double v = ParseDecimal(text);
    if (v >= 100) v = 100;
    if (v < -100) v = -100;
    return Shown(v, separator);
}

StartKind ReadStartKind(const IniFile& file, const std::string& section) {
    StartKind kind;
    kind.pid = IsPidType(file.readString(section, "Type", "PID"));
    kind.ratio = file.readInteger(section, "InputMode", 1) == 3;
    return kind;
}

StartState ReadStartState(const IniFile& file, const std::string& section, const StartKind& kind,
                          char separator) {
    StartState state;
    state.automatic = file.readBool(section, "AM", false);
    if (state.automatic) {
        double w = kind.pid ? file.readInteger(section, "gW", 0) * 0.01 : file.readDecimal(section, "sp", 0);
        state.first = Shown(w, separator);
    } else {
        double u =
            kind.pid ? file.readInteger(section, "Output", 0) * 0.01 : file.readDecimal(section, "hv", 0);
        state.first = Shown(u, separator);
        if (kind.ratio) state.second = Shown(file.readInteger(section, "gW", 0) * 0.01, separator);
    }
    return state;
}

void WriteStartState(IniFile& file, const std::string& section, const StartKind& kind,
                     const StartState& state, char separator) {
    file.writeBool(section, "AM", state.automatic);
    double first = ParseDecimal(state.first);
    if (StartPageLayout(state.automatic, kind.ratio).secondVisible) {
        file.writeInteger(section, "gW", ScaleTrunc(ParseDecimal(state.second), 100));
        file.writeInteger(section, "Output", ScaleTrunc(first, 100));
    } else if (state.automatic) {
        if (kind.pid) {
            file.writeInteger(section, "gW", ScaleTrunc(first, 100));
        } else {
            file.writeDecimal(section, "sp", first, separator);
            file.writeDecimal(section, "hv", 0, separator);
        }
    } else {
        if (kind.pid) {
            file.writeInteger(section, "Output", ScaleTrunc(first, 100));
        } else {
            file.writeDecimal(section, "hv", first, separator);
            file.writeDecimal(section, "sp", 0, separator);
        }
    }
}

}  // namespace velmora::wizard
