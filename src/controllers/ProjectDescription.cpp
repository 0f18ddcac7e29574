#include "controllers/ProjectDescription.h"

#include <algorithm>
#include <charconv>

#include "base/IniFile.h"
#include "base/Paths.h"
#include "base/Strings.h"

namespace velmora {

namespace {

// The number of a "File<n>" key, or 0 for any other key.
unsigned FileKeyNumber(std::string_view key) {
    if (!StartsWithNoCase(key, "File")) return 0;
    key.remove_prefix(4);
    unsigned n = 0;
    auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), n);
    return (ec == std::errc() && end == key.data() + key.size()) ? n : 0;
}

constexpr std::string_view kProject = "Project";
constexpr std::string_view kFiles = "Files";
constexpr std::string_view kPlcPrefix = "PLC ";
constexpr std::string_view kVariablesPrefix = "Variables ";

}  // namespace

const PlcDescription* ProjectDescription::findPlc(std::string_view plcName) const {
    for (const auto& plc : plcs)
        if (EqualNoCase(plc.name, plcName)) return &plc;
    return nullptr;
}

std::optional<std::filesystem::path> FindProjectDescription(const std::filesystem::path& projectDir) {
    std::error_code ec;
    std::optional<std::filesystem::path> best;
    for (std::filesystem::directory_iterator it(projectDir, ec), end; !ec && it != end; it.increment(ec)) {
        const auto& p = it->path();
        if (!EqualNoCase(p.extension().string(), ".oprj") || !it->is_regular_file(ec)) continue;
        if (!best || p.filename() < best->filename()) best = p;
    }
    return best;
}

std::optional<ProjectDescription> LoadProjectDescription(const std::filesystem::path& projectDir) {
    auto file = FindProjectDescription(projectDir);
    if (!file) return std::nullopt;
    IniFile ini(*file);
    ProjectDescription d;
    d.file = *file;
    d.group = ini.readString(kProject, "Group", "");
    d.name = ini.readString(kProject, "Name", "");
    d.action = ini.readString(kProject, "Action", "");
    d.programmer = ini.readString(kProject, "Programmer", "");
    d.company = ini.readString(kProject, "Company", "");
    d.copyright = ini.readString(kProject, "Copyright", "");
    for (const auto& section : ini.sections()) {
        if (!StartsWithNoCase(section, kPlcPrefix)) continue;
        PlcDescription plc;
        plc.name = section.substr(kPlcPrefix.size());
        plc.type = ini.readInteger(section, "Type", 0);
        plc.series = ini.readInteger(section, "Series", -1);
        plc.variables =
            CheckVariables(ini.keyLines(std::string(kVariablesPrefix) + plc.name), d.file, d.problems);
        d.plcs.push_back(std::move(plc));
    }
    std::vector<std::pair<unsigned, std::string>> files;
    for (const auto& key : ini.keys(kFiles))
        if (unsigned n = FileKeyNumber(key)) files.emplace_back(n, ini.readString(kFiles, key, ""));
    std::stable_sort(files.begin(), files.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& f : files) d.files.push_back(std::move(f.second));
    return d;
}

void SaveProjectFiles(const ProjectDescription& description) {
    IniFile ini(description.file, Folder(description.file));
    IniFile::Batch batch(ini);
    // File<n> keys are replaced where they stand and new ones appended, so the
    // section keeps its place and a save is one pass over it; keys the list
    // no longer has, and numbers spelled otherwise ("File01"), go.
    const std::size_t count = description.files.size();
    for (const auto& key : ini.keys(kFiles)) {
        const unsigned n = FileKeyNumber(key);
        if (n && (n > count || !EqualNoCase(key, "File" + std::to_string(n)))) ini.deleteKey(kFiles, key);
    }
    for (std::size_t i = 0; i < count; ++i)
        ini.writeString(kFiles, "File" + std::to_string(i + 1), description.files[i]);
    batch.commit();
}

}  // namespace velmora
