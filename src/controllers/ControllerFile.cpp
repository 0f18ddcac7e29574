#include "controllers/ControllerFile.h"

#include "base/IniFile.h"
#include "base/Paths.h"
#include "controllers/LegalName.h"
#include "controllers/SectionReader.h"

namespace velmora {

std::string ControllerFileHostName(std::string_view plcName) {
    return std::string(kControllerFolder) + "\\" + std::string(plcName) + ".rglx";
}

std::filesystem::path ControllerFilePath(const std::filesystem::path& projectDir, std::string_view plcName) {
    RequireLegalName("PLC", plcName);
    return HostPath(ControllerFileHostName(plcName), projectDir);
}

std::filesystem::path ProjectFolderOf(const std::filesystem::path& controllerFile) {
    return Folder(Folder(controllerFile));
}

std::filesystem::path PrepareControllerFile(const std::filesystem::path& projectDir,
                                            std::string_view plcName) {
    const std::filesystem::path folder = HostPath(kControllerFolder, projectDir);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) std::filesystem::create_directories(folder, ec);
    return ControllerFilePath(projectDir, plcName);
}

std::string DeclarationsFileName(std::string_view name, bool iec) {
    RequireLegalName("controller", name);
    return std::string(kControllerFolder) + "\\" + std::string(name) + (iec ? "_def.ST" : "_def.orv");
}

std::string CodeFileName(std::string_view name) {
    RequireLegalName("controller", name);
    return std::string(kControllerFolder) + "\\" + std::string(name) + ".orv";
}

namespace {
constexpr std::string_view kSectionPrefix = "Regulator ";
}

std::string ControllerSection(std::string_view controllerName) {
    return std::string(kSectionPrefix) + std::string(controllerName);
}

bool IsControllerSection(std::string_view section) {
    return StartsWithNoCase(section, kSectionPrefix);
}

std::string RemovedControllerSection(std::string_view controllerName) {
    return "Regulatory " + std::string(controllerName);
}

std::vector<ControllerEntry> ListControllers(const IniFile& file) {
    std::vector<ControllerEntry> out;
    for (auto& section : file.sections()) {
        std::string name = SectionReader(file, section, Reader::Lists).text(key::Name);
        if (!name.empty()) out.push_back({std::move(section), std::move(name)});
    }
    return out;
}

}  // namespace velmora
