#pragma once
// velmora-host online and run: a controller's online view, and the soft
// PLC's program with a CSV trace, both in the headless engine's virtual time.
#include <ostream>
#include <string>
#include <vector>

namespace velmora::host {

// Arguments after the command word; return the exit code. Usage errors (a
// number out of its range among them) throw UsageError.
int RunOnline(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunProgram(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velmora::host
