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
    std::string oemDirectory;    // "/OEMDIR=", else DefaultOemDirectory()
    std::filesystem::path hostExecutableDirectory;
};

// Applies the load-time rules to the host's command line (argument 0 is the
// program path and is examined too): each argument is upper-cased (ASCII) and
// trimmed, the two log switches must match exactly, and the last "/OEMDIR="
// gives the OEM directory in its upper-case form. The host executable's
// directory (the OEM directory's default) comes from /proc/self/exe unless given.
ModuleSettings ReadModuleSettings(const std::vector<std::string>& commandLine);
ModuleSettings ReadModuleSettings(const std::vector<std::string>& commandLine,
                                  const std::filesystem::path& hostExecutableDirectory);
// The host executable's directory (no trailing separator), or PREFIX/share/velmora
// when the executable is in PREFIX/bin and only the latter has a HELP folder.
std::string DefaultOemDirectory(const std::filesystem::path& hostExecutableDirectory);
// The directory of the running executable (empty when unknown).
std::filesystem::path HostExecutableDirectory();
// The running process's command line (from /proc/self/cmdline where there is one).
std::vector<std::string> ProcessCommandLine();

// The module's settings; initialised from the process's command line on first use.
ModuleSettings& Module();
// Replaces the clock the logs stamp their lines with (nullptr: the system clock).
void SetLogClock(const Clock* clock);
// Writes the log files into another directory than the host executable's
// (tests, read-only installations); an empty path restores the default.
void SetLogDirectory(const std::filesystem::path& directory);

// One line to plugins.log / comm.log when the switch is on. True when the
// switch is off or the line was written; false when the file could not be opened.
// Each line is appended with one write of its own, so lines of other writers
// of the same file interleave only between lines.
bool Log(std::string_view message);
bool CommLog(std::string_view message);

}  // namespace velmora
