#pragma once
// A soft PLC with one compiled source, and a project copy the real generator wrote.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "base/IniFile.h"
#include "codegen/Generator.h"
#include "controllers/ProjectDescription.h"
#include "softplc/PlcEngine.h"
#include "softplc/ProjectSources.h"
#include "support/Support.h"

namespace velmora::softplc::testing {

using velmora::testing::ReadBytes;
using velmora::testing::TempDir;
using velmora::testing::WriteBytes;

template <class Row>
std::string RowName(const ::testing::TestParamInfo<Row>& info) {
    std::string name;
    for (const char c : std::string(info.param.what))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name + "_" + std::to_string(info.index);
}

// One mnemonic file, its own declarations included; `text` holds the symbol problems and the diagnostics.
struct Compiled {
    SoftPlc plc;
    PlcEngine engine{plc};
    std::string text;
    explicit Compiled(const std::string& source, int plcType = 6) {
        plc.symbols().addMnemonicDeclarations(source, "Velmora\\t.orv");
        plc.symbols().build();
        engine.compile({{"Velmora\\t.orv", source, SourceFile::Kind::Mnemonic}}, {plcType});
        for (const auto& problem : plc.symbols().problems()) text += problem + "\n";
        for (const auto& d : engine.diagnostics()) text += d.format() + "\n";
    }
    int offset(const std::string& symbol) const { return plc.symbols().locate(symbol)->offset; }
};

class GeneratedProject {
public:
    // Copies `folder` and generates every controller of `plc` into the copy.
    GeneratedProject(const std::filesystem::path& folder, const std::string& plc) : plc_(plc) {
        std::filesystem::copy(folder, dir_.path(), std::filesystem::copy_options::recursive);
        description_ = *LoadProjectDescription(dir_.path());
        generate();
    }
    // Runs the generator again (a new release number), as a compilation does.
    void generate() {
        const PlcDescription* p = description_.findPlc(plc_);
        IniFile file(controllerFile());
        GeneratorContext ctx;
        ctx.projectDir = dir_.path();
        ctx.plcName = plc_;
        ctx.plcType = p->type;
        ctx.series = p->series;
        files_ = description_.files;
        for (const auto& f : GenerateAllControllers(file, ctx).files) files_.push_back(f);
    }
    const std::filesystem::path& path() const { return dir_.path(); }
    const PlcDescription& plc() const { return *description_.findPlc(plc_); }
    const std::vector<std::string>& files() const { return files_; }
    std::filesystem::path controllerFile() const { return dir_ / ("Velmora/" + plc_ + ".rglx"); }

private:
    TempDir dir_;
    std::string plc_;
    ProjectDescription description_;
    std::vector<std::string> files_;
};

struct RunningPlc {
    SoftPlc plc;
    PlcEngine engine{plc};
    // Builds the symbols and compiles; the diagnostics explain a failure.
    bool load(const GeneratedProject& project) {
        const ProjectSources sources =
            CollectProjectSources(project.path(), project.files(), project.plc().name);
        BuildSymbols(plc.symbols(), &project.plc(), sources.files);
        engine.setPlcTypeIndex(project.plc().type);
        return engine.compile(sources.files, CompileOptions{project.plc().series});
    }
    std::string diagnostics() const {
        std::string text;
        for (const auto& d : engine.diagnostics()) text += d.format() + "\n";
        return text;
    }
    std::int16_t word(const std::string& symbol) const { return plc.readInt16(symbol).value_or(-12345); }
};

}  // namespace velmora::softplc::testing
