#pragma once
// "NAME=VALUE" for a soft PLC variable, as --set, --at T set and a script's
// set give it: the value is checked against the variable's type before it
// becomes memory (an INT takes -32768 to 32767, a BOOL 0 or 1, a REAL a
// finite number), so nothing wraps, rounds or turns into 0 on the way.
#include <ostream>
#include <string>
#include <string_view>

namespace velmora::softplc {
class SoftPlc;
}

namespace velmora::host {

struct CheckedAssignment {
    std::string name;
    double value = 0;
    std::string problem;         // empty: the assignment can be made
    bool unknownSymbol = false;  // the problem is the name, not the value
};

CheckedAssignment CheckAssignment(const softplc::SoftPlc& plc, std::string_view assignment);

// Checks and writes; false after "velmora-host: OPTION ASSIGNMENT: reason" on err.
bool AssignSymbol(softplc::SoftPlc& plc, const std::string& assignment, const std::string& option,
                  std::ostream& err);

}  // namespace velmora::host
