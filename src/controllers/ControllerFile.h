#pragma once
// Where a PLC's controllers live: the controller file "Velmora\\" + PLC name +
// ".rglx" under the project directory, one section "Regulator " + name each.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

class IniFile;

// The file's name as the host sees it, relative to the project directory.
std::string ControllerFileHostName(std::string_view plcName);
// The file's path (the folder is not created). Paths and file names of a PLC
// or controller whose name is not legal (LegalName.h) throw std::invalid_argument.
std::filesystem::path ControllerFilePath(const std::filesystem::path& projectDir, std::string_view plcName);
// The project folder of a controller file (the folder above its "Velmora"
// folder): nothing written for the file may leave it.
std::filesystem::path ProjectFolderOf(const std::filesystem::path& controllerFile);
// The file's path after creating the folder "Velmora" when it is missing.
// A folder that cannot be created is reported by the first write.
std::filesystem::path PrepareControllerFile(const std::filesystem::path& projectDir,
                                            std::string_view plcName);

// The folder of the controller file and the generated sources.
inline constexpr std::string_view kControllerFolder = "Velmora";

// The host-relative names of a controller's generated files.
std::string DeclarationsFileName(std::string_view name, bool iec);  // "Velmora\\name_def.ST" / "_def.orv"
std::string CodeFileName(std::string_view name);                    // "Velmora\\name.orv"

std::string ControllerSection(std::string_view controllerName);         // "Regulator " + name
std::string RemovedControllerSection(std::string_view controllerName);  // "Regulatory " + name
// A section name of the controller form (the prefix compared without regard to case).
bool IsControllerSection(std::string_view section);

struct ControllerEntry {
    std::string section;
    std::string name;  // the section's `Name`
};

// The controllers of a file: the sections whose `Name` is not empty, in file order.
std::vector<ControllerEntry> ListControllers(const IniFile& file);

}  // namespace velmora
