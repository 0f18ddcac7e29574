#pragma once
// velmora-host online and run: a controller's online view, and the soft
// PLC's program with a CSV trace, both in the headless engine's virtual time.
#include <ostream>
#include <string>
#include <vector>

namespace velmora::softplc {
class SoftPlc;
}

namespace velmora::host {

// Arguments after the command word; return the exit code. Usage errors throw
// std::invalid_argument.
int RunOnline(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunProgram(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// "NAME=VALUE" into the soft PLC as the symbol's type says; false (said on
// err, naming the option) for an unknown symbol or a value that is no number.
bool AssignSymbol(softplc::SoftPlc& plc, const std::string& assignment, const std::string& option, std::ostream& err);

}  // namespace velmora::host
