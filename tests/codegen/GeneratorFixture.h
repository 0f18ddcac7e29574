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

#include "codegen/Generator.h"
#include "base/IniFile.h"
#include "base/Toolkit.h"

namespace velmora::testing {

class FixedClock : public Clock {
public:
    LocalTime now() const override { return time; }
    LocalTime time{2026, 1, 1, 0, 0, 0, 0};
};

using Keys = std::vector<std::pair<std::string, std::string>>;

inline std::string ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The lines of a generated file (split at CRLF; the last empty piece dropped).
inline std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < bytes.size()) {
        auto at = bytes.find("\r\n", from);
        if (at == std::string::npos) {
            lines.push_back(bytes.substr(from));
            break;
        }
        lines.push_back(bytes.substr(from, at - from));
        from = at + 2;
    }
    return lines;
}

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
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("velmora-codegen-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "Velmora");
        ctx.projectDir = dir_;
        ctx.plcName = "PLC1";
        ctx.series = 6;
        ctx.clock = &clock;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

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

    std::filesystem::path dir_;
    FixedClock clock;
    GeneratorContext ctx;
};

}  // namespace velmora::testing
