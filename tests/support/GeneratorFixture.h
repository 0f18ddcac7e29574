#pragma once
// A project folder in a temporary directory with one controller file, a fixed
// clock, and helpers to run the generator and read what it wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/IniFile.h"
#include "base/Toolkit.h"
#include "codegen/Generator.h"
#include "support/Support.h"

namespace velmora::testing {

using Keys = std::vector<std::pair<std::string, std::string>>;

inline bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Index of the first line equal to `line`, or -1.
inline int IndexOf(const std::vector<std::string>& lines, const std::string& line) {
    auto it = std::find(lines.begin(), lines.end(), line);
    return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

inline int CountContaining(const std::vector<std::string>& lines, const std::string& piece) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.find(piece) != std::string::npos;
    }));
}

class GeneratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = scratch_.path();
        std::filesystem::create_directories(dir_ / "Velmora");
        ctx.projectDir = dir_;
        ctx.plcName = "PLC1";
        ctx.series = 6;
        ctx.clock = &clock;
    }

    std::filesystem::path controllerFile() const { return dir_ / "Velmora" / "PLC1.rglx"; }

    // Writes a section "Regulator name" with Name=name and the given keys.
    void addController(const std::string& name, const Keys& keys) {
        std::ofstream out(controllerFile(), std::ios::binary | std::ios::app);
        out << "[Regulator " << name << "]\r\nName=" << name << "\r\n";
        for (const auto& [k, v] : keys) out << k << "=" << v << "\r\n";
        out << "\r\n";
    }

    GeneratorResult generate(const std::string& name) {
        IniFile file(controllerFile());
        return GenerateController(file, name, ctx);
    }

    std::vector<std::string> lines(const std::string& hostName) const {
        std::string relative = hostName;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        return SplitLines(ReadBytes(dir_ / relative));
    }

    // Generates `name` and returns the declarations and the code file.
    std::pair<std::vector<std::string>, std::vector<std::string>> run(const std::string& name) {
        GeneratorResult r = generate(name);
        EXPECT_TRUE(r.generated) << r.warning;
        if (r.files.size() != 2) return {};
        return {lines(r.files[0]), lines(r.files[1])};
    }

    std::vector<std::string> declarations(const std::string& name, const Keys& keys) {
        addController(name, keys);
        return run(name).first;
    }
    std::vector<std::string> code(const std::string& name, const Keys& keys) {
        addController(name, keys);
        return run(name).second;
    }

    std::string readKey(const std::string& name, const std::string& key) const {
        IniFile file(controllerFile());
        return file.readString("Regulator " + name, key, "<absent>");
    }

    TempDir scratch_;
    std::filesystem::path dir_;
    FixedClock clock;
    GeneratorContext ctx;
};

}  // namespace velmora::testing
