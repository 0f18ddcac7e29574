#include "host/SymbolAssignment.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "host/CommandLine.h"
#include "softplc/SoftPlc.h"

namespace velmora::host {

namespace {

// What a variable of a type holds: its bounds and whether fractions are lost.
struct ValueRange {
    std::string type;
    double min = 0, max = 0;
    bool whole = true;
};

std::optional<ValueRange> RangeOf(const softplc::Location& l) {
    constexpr double kFloatMax = std::numeric_limits<float>::max();
    const std::string& name = l.type.name;
    const bool u = l.type.isUnsigned;
    if (l.bit >= 0 || name == "BOOL") return ValueRange{"BOOL", 0, 1};
    if (name == "BYTE") return ValueRange{"BYTE", 0, 255};
    if (name == "INT") return u ? ValueRange{"UINT", 0, 65535} : ValueRange{"INT", -32768, 32767};
    if (name == "DINT")
        return u ? ValueRange{"UDINT", 0, 4294967295.0} : ValueRange{"DINT", -2147483648.0, 2147483647.0};
    if (name == "REAL") return ValueRange{"REAL", -kFloatMax, kFloatMax, false};
    return std::nullopt;  // structures and the 8-byte types, which the soft PLC writes as 4 bytes
}

std::optional<double> NumberText(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string ValueProblem(const softplc::Location& l, std::string_view text, double& value) {
    if (l.count > 1) return "an array takes its values one element at a time";
    const auto range = RangeOf(l);
    if (!range) return "a value of type " + l.type.name + " cannot be set (BOOL, BYTE, INT, DINT, REAL can)";
    const auto number = NumberText(text);
    const bool fits = number && *number >= range->min && *number <= range->max &&
                      (!range->whole || std::trunc(*number) == *number);
    if (!fits) {
        if (range->type == "BOOL") return "BOOL takes 0 or 1, not " + std::string(text);
        return range->type + " takes a " + (range->whole ? "whole" : "finite") + " number from " +
               LimitText(range->min) + " to " + LimitText(range->max) + ", not " + std::string(text);
    }
    value = *number;
    return {};
}

}  // namespace

CheckedAssignment CheckAssignment(const softplc::SoftPlc& plc, std::string_view assignment) {
    CheckedAssignment checked;
    const std::size_t eq = assignment.find('=');
    checked.name = std::string(assignment.substr(0, eq));
    const auto location = eq == std::string_view::npos ? std::nullopt : plc.symbols().locate(checked.name);
    if (!location) {
        checked.problem = "no such symbol in the soft PLC";
        checked.unknownSymbol = true;
        return checked;
    }
    checked.problem = ValueProblem(*location, assignment.substr(eq + 1), checked.value);
    return checked;
}

bool AssignSymbol(softplc::SoftPlc& plc, const std::string& assignment, const std::string& option,
                  std::ostream& err) {
    const CheckedAssignment checked = CheckAssignment(plc, assignment);
    if (checked.problem.empty() && plc.writeValue(checked.name, checked.value)) return true;
    err << "velmora-host: " << option << " " << assignment << ": "
        << (checked.problem.empty() ? "cannot be written" : checked.problem) << "\n";
    return false;
}

}  // namespace velmora::host
