#include "base/Log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/Toolkit.h"

namespace velmora {

namespace {

std::string UpperTrimmed(std::string_view text) {
    // Trimmed like the host's own Trim: every control character and blank.
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    return out;
}

const Clock* logClock = nullptr;
std::filesystem::path logDirectory;

bool AppendLine(const char* fileName, const std::string& line) {
    const std::filesystem::path dir = logDirectory.empty() ? Module().hostExecutableDirectory : logDirectory;
    const int fd = ::open((dir / fileName).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    ::close(fd);
    return left == 0;
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
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

ModuleSettings ReadModuleSettings(const std::vector<std::string>& commandLine,
                                  const std::filesystem::path& hostExecutableDirectory) {
    ModuleSettings settings;
    settings.hostExecutableDirectory = hostExecutableDirectory;
    std::string dir = hostExecutableDirectory.string();
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    settings.oemDirectory = dir;
    constexpr std::string_view kOemPrefix = "/OEMDIR=";
    for (const auto& argument : commandLine) {
        const std::string p = UpperTrimmed(argument);
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
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) end = bytes.size();
        out.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return out;
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
