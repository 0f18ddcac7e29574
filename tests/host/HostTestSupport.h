#pragma once
// A scratch copy of the demo project and a registry file of its own for each test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/Support.h"

namespace velmora::testing {

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
