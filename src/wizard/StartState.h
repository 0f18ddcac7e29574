#pragma once
// Start page (TFormStr1): mode and values the controller takes after a PLC start.
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {
class IniFile;
}

namespace velmora::wizard {

struct StartLayout {
    std::uint32_t firstLabel;  // text id of the first edit's label
    const char* firstUnit;     // "%" or "-"
    bool secondVisible;        // the desired ratio beside the manual action
    int clientHeight;
};

// Manual mode with ratio control shows both the action and the desired ratio.
StartLayout StartPageLayout(bool automatic, bool ratio);

// Leaving either edit: limited to -100 ... 100, two decimals.
std::string LimitStartValue(std::string_view text, char separator);

struct StartState {
    bool automatic = true;
    std::string first = "0,00";
    std::string second = "0,00";
};

struct StartKind {
    bool pid = true;     // Type "PID"; else the PIDMA kind
    bool ratio = false;  // InputMode 3
};

StartKind ReadStartKind(const IniFile& file, const std::string& section);
// An existing controller's start state, as the edits show it.
StartState ReadStartState(const IniFile& file, const std::string& section, const StartKind& kind,
                          char separator);
// Writes AM and the values that apply: gW/Output for PID, sp/hv for PIDMA.
void WriteStartState(IniFile& file, const std::string& section, const StartKind& kind,
                     const StartState& state, char separator);

}  // namespace velmora::wizard
