#pragma once
// A read case against the PLC it runs on, before anything runs: every symbol
// and controller it names must exist, every value must fit the symbol's type,
// and the plant keys must pass the simulation dialog's rules.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/looptest/LoopTestFile.h"

namespace velmora::looptest {

// A soft PLC symbol as the check sees it.
struct SymbolInfo {
    bool scalar = true;  // false: a structure or an array
    bool real = false;
    double min = 0, max = 0;  // what the type holds
};

struct ControllerInfo {
    std::string name;     // as the controller file spells it
    PlantSettings plant;  // its section's plant keys, with the view's defaults
};

// What a compiled PLC offers to a case.
struct PlcCatalogue {
    std::string plc;
    std::function<std::optional<SymbolInfo>(const std::string& name)> symbol;
    std::vector<ControllerInfo> controllers;
    const ControllerInfo* controller(std::string_view name) const;
};

// Checks the case against its PLC and completes it: controller names as the
// file spells them, each online controller's plant, "NAME.y" subjects of a
// name that is no controller turned into symbols.
std::vector<Diagnostic> CheckCase(Case& c, const PlcCatalogue& plc);

}  // namespace velmora::looptest
