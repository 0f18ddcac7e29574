#pragma once
// The project description file of the IDE stand-in: one "*.oprj" file in the
// project folder, in INI syntax:
//
//   [Project]
//   Group=Plant.opgr            ; project group file
//   Name=Demo                   ; project name
//   Action=Heating of hall B    ; the four descriptive fields
//   Programmer=J. Novak
//   Company=Velmora Demo Works
//   Copyright=(c) 2026
//   [PLC PLC1]                  ; one section per PLC, in project order
//   Type=14                     ; PLC type index
//   Series=6                    ; PLC series number
//   [Variables PLC1]            ; the PLC's own variables: name=address text
//   Boiler_T=INT %R200          ; checked as DescriptionVariables.h says
//   [Files]                     ; the project's file list, File1..FileN
//   File1=main.orv
//
// The command line and the host stand-in both read it; the host also writes
// the file list.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controllers/DescriptionVariables.h"

namespace velmora {

struct PlcDescription {
    std::string name;
    int type = 0;                                                // PLC type index
    int series = -1;                                             // PLC series number, -1 when unknown
    std::vector<std::pair<std::string, std::string>> variables;  // name, address text; the usable ones
};

struct ProjectDescription {
    std::filesystem::path file;
    std::string group, name, action, programmer, company, copyright;
    std::vector<PlcDescription> plcs;
    std::vector<std::string> files;
    std::vector<DescriptionProblem> problems;  // of the variable lines, in PLC and line order

    const PlcDescription* findPlc(std::string_view name) const;  // without regard to case
};

// The "*.oprj" file of a project folder (the first in name order), if any.
std::optional<std::filesystem::path> FindProjectDescription(const std::filesystem::path& projectDir);
// Reads a description; nullopt when the folder has none.
std::optional<ProjectDescription> LoadProjectDescription(const std::filesystem::path& projectDir);
// Rewrites the [Files] section from description.files.
void SaveProjectFiles(const ProjectDescription& description);

}  // namespace velmora
