#pragma once
// The PLC program of one PLC of a project: the files of the project's file
// list in their order (generated files of controllers that belong to other
// PLCs left out), and the symbol table built from them.
#include <filesystem>
#include <string>
#include <vector>

#include "controllers/ProjectDescription.h"
#include "softplc/IlCompiler.h"
#include "softplc/SymbolTable.h"

namespace velmora::softplc {

struct ProjectSources {
    std::vector<SourceFile> files;
    std::vector<std::string> problems;  // files that could not be read
};

// `fileList` holds host-relative names ("Velmora\\Boiler.orv", "main.orv").
ProjectSources CollectProjectSources(const std::filesystem::path& projectDir,
                                     const std::vector<std::string>& fileList, const std::string& plcName);

// Clears the table and fills it: the PLC's own variables, then the
// declarations of every file in order; then places them. `description` is
// the project description file the variables come from (its name and their
// lines go into problems).
void BuildSymbols(SymbolTable& table, const PlcDescription* plc, const std::vector<SourceFile>& files,
                  const std::filesystem::path& description = {});

}  // namespace velmora::softplc
