#pragma once
// velmora-host's headless commands.
#include <ostream>
#include <string>
#include <vector>

namespace velmora::host {

// Runs one command line (without the program name). The IDE's own switches
// ("/USELOGFILE", "/OEMDIR=DIR", any "/WORD" that is not a path) are read by
// the plug-ins from the process command line and ignored here.
// Returns the exit code.
int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

std::string Usage();

// Whether a command-line argument is one of the IDE's switches.
bool IsIdeSwitch(const std::string& arg);

}  // namespace velmora::host
