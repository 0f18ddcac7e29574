#pragma once
// The values a generation run turns into code, checked before anything is
// written. The file may hold anything: "nan", "1e400" or a band of 0 would
// otherwise become "LD nan" or a controller that divides by zero.
#include <optional>
#include <string>
#include <string_view>

namespace velmora {
class SectionReader;
}

namespace velmora::codegen {

struct RefusedValue {
    std::string key;
    std::string value;  // as stored
    std::string legal;  // "a whole number from 1 to 30000"
};

// The first stored value, in key table order, that may not become code: not a
// number, not finite, not whole for an integer variable, or beyond the key's
// code range; for a PID controller also a start set point beyond an INT.
std::optional<RefusedValue> CheckCodeValues(const SectionReader& section);

// "The controller <name> was not generated: its <key> "<value>" is not <legal>."
std::string RefusedValueError(std::string_view controller, const RefusedValue& refused);

}  // namespace velmora::codegen
