#include "softplc/ProjectSources.h"

#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "base/IniFile.h"
#include "base/Paths.h"
#include "base/Strings.h"

namespace velmora::softplc {

namespace {

// The controller a generated file belongs to: "Velmora\\Boiler_def.ST" and
// "Velmora\\Boiler.orv" both give BOILER; nothing for files elsewhere.
std::optional<std::string> GeneratedFor(const std::string& hostName) {
    const std::string upper = UpperAscii(hostName);
    if (upper.rfind("VELMORA\\", 0) != 0 && upper.rfind("VELMORA/", 0) != 0) return std::nullopt;
    std::string base = upper.substr(8);
    for (const std::string_view suffix : {"_DEF.ST", "_DEF.ORV", ".ORV"}) {
        if (base.size() > suffix.size() && base.ends_with(suffix))
            return base.substr(0, base.size() - suffix.size());
    }
    return std::nullopt;
}

}  // namespace

ProjectSources CollectProjectSources(const std::filesystem::path& projectDir,
                                     const std::vector<std::string>& fileList, const std::string& plcName) {
    ProjectSources out;
    std::optional<std::set<std::string>> controllers;
    const auto controllerFile = projectDir / "Velmora" / (plcName + ".rglx");
    std::error_code ec;
    if (std::filesystem::exists(controllerFile, ec)) {
        IniFile file(controllerFile);
        controllers.emplace();
        for (const std::string& section : file.sections()) {
            const std::string name = file.readString(section, "Name", "");
            if (!name.empty()) controllers->insert(UpperAscii(name));
        }
    }
    for (const std::string& name : fileList) {
        const auto owner = GeneratedFor(name);
        if (owner && controllers && !controllers->contains(*owner)) continue;
        std::ifstream in(HostPath(name, projectDir), std::ios::binary);
        if (!in) {
            out.problems.push_back("cannot read " + name);
            continue;
        }
        std::ostringstream text;
        text << in.rdbuf();
        SourceFile f;
        f.name = name;
        f.text = text.str();
        f.kind = UpperAscii(name).ends_with(".ST") ? SourceFile::Kind::IecDeclarations
                                                   : SourceFile::Kind::Mnemonic;
        out.files.push_back(std::move(f));
    }
    return out;
}

void BuildSymbols(SymbolTable& table, const PlcDescription* plc, const std::vector<SourceFile>& files,
                  const std::filesystem::path& description) {
    table.clear();
    if (plc) {
        std::optional<IniFile> lines;
        if (!description.empty()) lines.emplace(description);
        const std::string file = description.filename().string();
        for (const auto& [name, text] : plc->variables) {
            const auto line = lines ? lines->lineNumber("Variables " + plc->name, name) : std::nullopt;
            table.addVariable(name, text, file, line.value_or(0));
        }
    }
    for (const SourceFile& f : files) {
        if (f.kind == SourceFile::Kind::IecDeclarations)
            table.addIecDeclarations(f.text, f.name);
        else
            table.addMnemonicDeclarations(f.text, f.name);
    }
    table.build();
}

}  // namespace velmora::softplc
