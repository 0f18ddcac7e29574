#include "wizard/StartState.h"

#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "controllers/SectionReader.h"
#include "wizard/PageRules.h"

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
    const SectionReader in(file, section, Reader::Page);
    StartKind kind;
    kind.pid = in.kind() == ControllerKind::Pid;
    // InputMode is read whatever the kind, as a PID key.
    kind.ratio = SectionReader(file, section, ControllerKind::Pid, Reader::Page).integer(key::InputMode) == 3;
    return kind;
}

StartState ReadStartState(const IniFile& file, const std::string& section, const StartKind& kind,
                          char separator) {
    const SectionReader in(file, section, kind.pid ? ControllerKind::Pid : ControllerKind::Pidma,
                           Reader::Page);
    StartState state;
    state.automatic = in.flag(key::AM);
    if (state.automatic) {
        double w = kind.pid ? in.scaled(key::gW) : in.decimal(key::sp);
        state.first = Shown(w, separator);
    } else {
        double u = kind.pid ? in.scaled(key::Output) : in.decimal(key::hv);
        state.first = Shown(u, separator);
        if (kind.ratio) state.second = Shown(in.scaled(key::gW), separator);
    }
    return state;
}

void WriteStartState(IniFile& file, const std::string& section, const StartKind& kind,
                     const StartState& state, char separator) {
    SectionWriter out(file, section, kind.pid ? ControllerKind::Pid : ControllerKind::Pidma);
    out.setFlag(key::AM, state.automatic);
    double first = ParseDecimal(state.first);
    if (StartPageLayout(state.automatic, kind.ratio).secondVisible) {
        out.setScaled(key::gW, state.second);
        out.setScaled(key::Output, first);
    } else if (state.automatic) {
        if (kind.pid) {
            out.setScaled(key::gW, first);
        } else {
            out.setDecimal(key::sp, first, separator);
            out.setDecimal(key::hv, 0, separator);
        }
    } else {
        if (kind.pid) {
            out.setScaled(key::Output, first);
        } else {
            out.setDecimal(key::hv, first, separator);
            out.setDecimal(key::sp, 0, separator);
        }
    }
}

}  // namespace velmora::wizard
