#pragma once
// A scratch copy of the demo project and a registry file of its own for each test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/Registry.h"
#include "base/com/Guids.h"
#include "support/Support.h"

namespace velmora::testing {

// Registers a plug-in of the host's category whose module does not exist.
inline void RegisterMissingPlugin(const std::filesystem::path& registry, const std::filesystem::path& module) {
    Registry r(registry);
    const std::string clsid = "HKEY_CLASSES_ROOT\\CLSID\\{11111111-2222-3333-4444-555555555555}";
    r.setValue(clsid + "\\InprocServer32", "", module.string());
    r.setValue(clsid + "\\ProgID", "", "Missing.Plugin");
    r.setValue("HKEY_CLASSES_ROOT\\Missing.Plugin", "Load", "1");
    r.createKey(clsid + "\\Implemented Categories\\" + com::GuidToString(com::kCatidOrvanePlugins));
    r.save();
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

}  // namespace velmora::testing
