#pragma once
// What the online exchange reads from a controller's section, and the
// symbols it looks up to build its request items.
#include <optional>
#include <string>
#include <vector>

#include "controllers/ControllerKeys.h"
#include "online/OnlineHost.h"

namespace velmora {
class IniFile;
}

namespace velmora::online {

struct ExchangeSettings {
    std::string name{};
    bool present = true;  // false: the section has no Name (removed behind the view's back)
    ControllerKind kind = ControllerKind::Pid;
    bool foundStruct = false;
    int inputMode = 1;
    bool cascade = false;
    bool analogOutput = true;  // UAnalog: false means a three-stage output with a minus side
    bool realOutput = false;   // UReal
    std::string y1Name{}, y2Name{}, y3Name{}, upName{}, umName{};
    std::string input{}, output{};  // PIDMA variables
    std::string addOutName{};
    int minY = 0, maxY = 10000;

    bool hasInput2() const { return kind == ControllerKind::Pid && inputMode > 1; }
    bool hasInput3() const { return kind == ControllerKind::Pid && cascade; }
    bool hasMinusOutput() const { return kind == ControllerKind::Pid && !analogOutput; }
    bool hasAdditionalOutput() const { return !addOutName.empty(); }
    // 0 from Det (50 bytes), 1 from Input2, 2 from Input3 without Input2, 3 from Input3 (54 bytes).
    int pidCase() const { return (hasInput2() ? 1 : 0) + (hasInput3() ? 2 : 0); }
    int pidBlockSize() const { return 50 + (hasInput2() ? 2 : 0) + (hasInput3() ? 2 : 0); }
};

// The keys of the controller's section.
ExchangeSettings ReadExchangeSettings(const IniFile& file, const std::string& name);

// Every item the exchange can use; Count is the table size.
enum class ItemRole {
    // PID
    PidBlock,  // first byte of the read block (Det, Input2 or Input3)
    PBnd,
    RelCool,
    Ti,
    Td,
    EGap,
    DGap,
    IGap,
    TiW,
    Gw,
    Output,
    Control,
    Y1,
    Y2,
    Y3,
    Up,
    Um,
    // PIDMA
    Dv,
    Sp,
    Hv,
    Man,
    Tune,
    Tbrk,
    Taff,
    Te,
    K,
    Pk,
    Changed,
    Input,
    PidmaOutput,
    // both
    AddOut,
    Count
};

struct SymbolRequest {
    ItemRole role;
    std::string symbol;
    std::optional<VariablePage> page;  // set for input and output variables
};

// The symbols to look up, in look-up order.
std::vector<SymbolRequest> SymbolsToLookUp(const ExchangeSettings& settings);

}  // namespace velmora::online
