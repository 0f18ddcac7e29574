#include "base/Log.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/Platform.h"
#include "base/Strings.h"
#include "base/Toolkit.h"

namespace velmora {

namespace {

const Clock* logClock = nullptr;
std::filesystem::path logDirectory;

bool AppendLine(const char* fileName, const std::string& line) {
    const std::filesystem::path dir = logDirectory.empty() ? Module().hostExecutableDirectory : logDirectory;
    return AppendToFile(dir / fileName, line);
}

LocalTime Now() {
    static const SystemClock system;
    return (logClock ? logClock : &system)->now();
}

// One stamped line; the two logs write their stamps in different formats.
bool AppendStamped(const char* fileName, const char* stampFormat, std::string_view message) {
    const LocalTime t = Now();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, stampFormat, t.day, t.month, t.year, t.hour, t.minute, t.second,
                  t.millisecond);
    return AppendLine(fileName, std::string(stamp) + "\tVelmora\t\t" + std::string(message) + "\n");
}

}  // namespace

std::filesystem::path HostExecutableDirectory() {
    return ExecutablePath().parent_path();
}

// The help lives in the OEM directory's HELP folder: beside the executable in a
// build tree, in PREFIX/share/velmora once installed with the executable in PREFIX/bin.
std::string DefaultOemDirectory(const std::filesystem::path& hostExecutableDirectory) {
    std::string dir = hostExecutableDirectory.string();
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    const std::filesystem::path own(dir);
    const std::filesystem::path installed = own.parent_path() / "share" / "velmora";
    std::error_code ec;
    if (!dir.empty() && !std::filesystem::is_directory(own / "HELP", ec) &&
        std::filesystem::is_directory(installed / "HELP", ec))
        return installed.string();
    return dir;
}

ModuleSettings ReadModuleSettings(const std::vector<std::string>& commandLine,
                                  const std::filesystem::path& hostExecutableDirectory) {
    ModuleSettings settings;
    settings.hostExecutableDirectory = hostExecutableDirectory;
    settings.oemDirectory = DefaultOemDirectory(hostExecutableDirectory);
    constexpr std::string_view kOemPrefix = "/OEMDIR=";
    for (const auto& argument : commandLine) {
        const std::string p = UpperAscii(Trim(argument));
        if (p == "/USELOGFILE") settings.logSwitch = true;
        if (p == "/USECOMMLOGFILE") settings.commLogSwitch = true;
        if (p.starts_with(kOemPrefix)) settings.oemDirectory = p.substr(kOemPrefix.size());
    }
    return settings;
}

ModuleSettings ReadModuleSettings(const std::vector<std::string>& commandLine) {
    return ReadModuleSettings(commandLine, HostExecutableDirectory());
}

std::vector<std::string> ProcessCommandLine() {
    return ProcessArguments();
}

ModuleSettings& Module() {
    static ModuleSettings settings = ReadModuleSettings(ProcessCommandLine());
    return settings;
}

void SetLogClock(const Clock* clock) {
    logClock = clock;
}

void SetLogDirectory(const std::filesystem::path& directory) {
    logDirectory = directory;
}

bool Log(std::string_view message) {
    if (!Module().logSwitch) return true;
    return AppendStamped("plugins.log", "%02d.%02d.%04d %02d.%02d.%02d.%03d", message);
}

bool CommLog(std::string_view message) {
    if (!Module().commLogSwitch) return true;
    return AppendStamped("comm.log", "%.2i.%.2i.%.4i %.2i:%.2i:%.2i,%.3i", message);
}

}  // namespace velmora
