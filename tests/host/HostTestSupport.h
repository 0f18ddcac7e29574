#pragma once
// A scratch copy of the demo with a registry of its own; velmora-host run from a folder of its own.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>

#include "base/Registry.h"
#include "base/com/Guids.h"
#include "host/Commands.h"
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

// The files the plug-in generates for the demo's PLC1, in the order it registers them.
inline const std::vector<std::string> kDemoPlc1Files = {
    "Velmora\\Boiler_def.ST", "Velmora\\Boiler.orv", "Velmora\\Mixer_def.orv", "Velmora\\Mixer.orv",
    "Velmora\\Dryer_def.ST",  "Velmora\\Dryer.orv",  "Velmora\\Kiln_def.orv",  "Velmora\\Kiln.orv"};

// The CSV rows of `run --project COPY ARGS`, split into cells; none when the run fails.
inline std::vector<std::vector<std::string>> RunRows(const std::filesystem::path& project,
                                                     const std::string& args) {
    std::istringstream words("run --project " + project.string() + " " + args);
    std::ostringstream out, err;
    const int status = host::RunCommand(
        {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()}, out, err);
    EXPECT_EQ(status, 0) << err.str();
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(status == 0 ? out.str() : "");
    for (std::string line; std::getline(in, line);) {
        std::istringstream l(line);
        for (rows.emplace_back(); std::getline(l, line, ',');) rows.back().push_back(line);
    }
    return rows;
}

class ScratchProject : public ::testing::Test {
protected:
    void SetUp() override {
        const char* saved = std::getenv("VELMORA_REGISTRY");
        if ((hadRegistry_ = saved != nullptr)) savedRegistry_ = saved;
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
    std::string compile(const std::string& plc) const {
        return "compile --project " + quoted(project) + " --plc " + plc;
    }
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
