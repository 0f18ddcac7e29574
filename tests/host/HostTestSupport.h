#pragma once
// A scratch copy of the demo project and a registry file of its own for each
// test; velmora-host run as a user runs it, from a folder of its own.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

#include "base/Registry.h"
#include "base/com/Guids.h"
#include "support/Support.h"

namespace velmora::testing {

// Registers a plug-in of the host's category whose module does not exist.
inline void RegisterMissingPlugin(const std::filesystem::path& registry,
                                  const std::filesystem::path& module) {
    Registry r(registry);
    const std::string clsid = "HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}";
    r.setValue(clsid + "\\InprocServer32", "", module.string());
    r.setValue(clsid + "\\ProgID", "", "Missing.Plugin");
    r.setValue("HKEY_CLASSES_ROOT\\Missing.Plugin", "Load", "1");
    r.createKey(clsid + "\\Implemented Categories\\" + com::GuidToString(com::kCatidOrvanePlugins));
    r.save();
}

// The first number after `pattern` in `text`; -1e9 when there is none.
inline double NumberAfter(const std::string& text, const std::string& pattern) {
    std::smatch m;
    return std::regex_search(text, m, std::regex(pattern + "(-?[0-9.]+)")) ? std::stod(m[1]) : -1e9;
}

class ScratchProject : public ::testing::Test {
protected:
    void SetUp() override {
        const char* saved = std::getenv("VELMORA_REGISTRY");
        hadRegistry_ = saved != nullptr;
        if (saved) savedRegistry_ = saved;
        registry = dir / "registry.ini";
        setenv("VELMORA_REGISTRY", registry.c_str(), 1);
        project = dir / "demo";
        std::filesystem::copy(std::filesystem::path(VELMORA_SOURCE_DIR) / "examples" / "demo", project,
                              std::filesystem::copy_options::recursive);
    }
    void TearDown() override {
        if (hadRegistry_)
            setenv("VELMORA_REGISTRY", savedRegistry_.c_str(), 1);
        else
            unsetenv("VELMORA_REGISTRY");
    }

    TempDir dir;
    std::filesystem::path registry;
    std::filesystem::path project;

private:
    bool hadRegistry_ = false;
    std::string savedRegistry_;
};

// velmora-host copied into a folder of its own (the plug-in writes its logs
// beside the program) and run through the shell.
class HostProgram : public ScratchProject {
protected:
    void SetUp() override {
        ScratchProject::SetUp();
        host = dir / "bin" / "velmora-host";
        std::filesystem::create_directories(host.parent_path());
        std::filesystem::copy_file(VELMORA_HOST_PROGRAM, host);
    }
    // The exit status; standard output and error together in `output`.
    int run(const std::string& args) {
        const std::string command = "VELMORA_REGISTRY='" + registry.string() + "' '" + host.string() + "' " +
                                    args + " >'" + (dir / "out.txt").string() + "' 2>&1 </dev/null";
        const int status = std::system(command.c_str());
        output = ReadBytes(dir / "out.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool said(const std::string& text) const { return output.find(text) != std::string::npos; }
    std::string quoted(const std::filesystem::path& p) const { return "'" + p.string() + "'"; }
    // "online --project DIR --plc PLC --controller NAME " and "run --project DIR --plc PLC ".
    std::string online(const std::string& plc, const std::string& controller) const {
        return "online --project " + quoted(project) + " --plc " + plc + " --controller " + controller + " ";
    }
    std::string runPlc(const std::string& plc) const {
        return "run --project " + quoted(project) + " --plc " + plc + " ";
    }
    std::filesystem::path write(const std::string& name, const std::string& text) const {
        const auto path = dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    std::filesystem::path host;
    std::string output;
};

}  // namespace velmora::testing
