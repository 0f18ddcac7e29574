#pragma once
// The module's process-wide settings (read from the host's command line at
// load time) and the two diagnostic logs written beside the host executable.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class Clock;

struct ModuleSettings {
    bool logSwitch = false;      // "/USELOGFILE"
    bool commLogSwitch = false;  // "/USECOMMLOGFILE"
    std::string oemDirectory;    // "/OEMDIR=", else the host executable's directory
    std::filesystem::path hostExecutableDirectory;
};

// Applies the load-time rules to the host's command line (argument 0 is the
// program path and is examined too).
ModuleSettings ReadModuleSettings(const std::vector<std::string>& commandLine);
// The running process's command line (from /proc/self/cmdline where there is one).
std::vector<std::string> ProcessCommandLine();

// The module's settings; initialised from the process's command line on first use.
ModuleSettings& Module();
// Replaces the clock the logs stamp their lines with (nullptr: the system clock).
void SetLogClock(const Clock* clock);

// One line to plugins.log / comm.log when the switch is on. True when the
// switch is off or the line was written; false when the file could not be opened.
bool Log(std::string_view message);
bool CommLog(std::string_view message);

}  // namespace velmora
