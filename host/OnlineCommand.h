#pragma once
// velmora-host online: a controller's online view run headlessly against the
// stand-in's soft PLC.
#include <ostream>
#include <string>
#include <vector>

namespace velmora::host {

// Arguments after the command word; returns the exit code. Usage errors throw
// std::invalid_argument.
int RunOnline(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velmora::host
