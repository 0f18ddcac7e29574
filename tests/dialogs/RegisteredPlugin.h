#pragma once
// velmora-host's setting as a user has it: a registry of the test's own with
// the real plug-in module registered, and a copy of the demo project.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/Registry.h"
#include "host/PluginLoader.h"
#include "plugin/Registration.h"
#include "support/Support.h"
#include "support/UiApp.h"

namespace velmora::host {

class RegisteredPlugin : public ::testing::Test, private testing::WithUiApp {
protected:
    void SetUp() override {
        setenv("VELMORA_REGISTRY", (dir.path() / "registry.ini").c_str(), 1);
        project = dir.path() / "demo";
        std::filesystem::copy(std::filesystem::path(VELMORA_SOURCE_DIR) / "examples" / "demo", project,
                              std::filesystem::copy_options::recursive);
        Registry registry(Registry::DefaultPath());
        RegisterHostCategories(registry);
        registry.save();
        ASSERT_EQ(PluginModule(VELMORA_PLUGIN_MODULE).registerServer(), S_OK);
    }
    void TearDown() override { unsetenv("VELMORA_REGISTRY"); }

    testing::TempDir dir;
    std::filesystem::path project;
};

}  // namespace velmora::host
