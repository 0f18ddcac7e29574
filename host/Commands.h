#pragma once
// velmora-host's headless commands.
#include <ostream>
#include <string>
#include <vector>

namespace velmora::host {

// Runs one command line (without the program name). The IDE's own switches
// ("/USELOGFILE", "/OEMDIR=DIR", any "/WORD" that is not a path) are read by
// the plug-ins from the process command line and passed over here.
// Returns the exit code: 0, 1 when the work failed, 2 for a command line
// that cannot be carried out (a number out of its range among others).
int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

std::string Usage();

}  // namespace velmora::host
