#pragma once
// A plug-in object with a headless front end, a scripted host over a scratch
// project folder, and the plug-in log switched on into that folder with a
// fixed clock.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/Support.h"
#include "FakeHost.h"
#include "plugin/HeadlessFrontEnd.h"
#include "base/Log.h"
#include "base/Texts.h"
#include "plugin/VelmoraCoClass.h"

namespace velmora::testing {

class PluginFixture : public ::testing::Test {
protected:
    void SetUp() override {
        clock.time = {2026, 3, 5, 7, 8, 9, 12};
        savedModule_ = Module();
        Module().logSwitch = true;
        Module().commLogSwitch = true;
        SetLogClock(&clock);
        SetLogDirectory(logs.path());
        ModuleTexts().chooseLanguage(1);
        host.projectDirectory = project.path().string() + "/";
        auto fe = std::make_unique<HeadlessFrontEnd>();
        frontEnd = fe.get();
        plugin = new TVelmoraCoClassImpl(std::move(fe));
        plugin->AddRef();
    }
    void TearDown() override {
        if (installed_) plugin->UninstallPlugin();
        plugin->Release();
        Module() = savedModule_;
        SetLogClock(nullptr);
        SetLogDirectory({});
        ModuleTexts().chooseLanguage(1);
    }

    // Installs the way the host does: the application object is handed over with a reference.
    HRESULT install() {
        host.application()->AddRef();
        const HRESULT hr = plugin->InstallPlugin(host.application());
        installed_ = true;
        return hr;
    }
    void uninstall() {
        plugin->UninstallPlugin();
        installed_ = false;
    }

    std::vector<std::string> logLines(const char* file = "plugins.log") const { return LogMessages(logs / file); }
    std::vector<std::string> commLogLines() const { return logLines("comm.log"); }
    void clearLogs() {
        std::filesystem::remove(logs / "plugins.log");
        std::filesystem::remove(logs / "comm.log");
    }

    // The open PLC's controller file in the project folder.
    std::filesystem::path controllerFile() const { return project / "Velmora" / (host.plcName + ".rglx"); }
    void writeControllerFile(const std::string& text) const {
        std::filesystem::create_directories(project / "Velmora");
        WriteBytes(controllerFile(), text);
    }

    TempDir project;
    TempDir logs;
    FixedClock clock;
    FakeHost host;
    HeadlessFrontEnd* frontEnd = nullptr;
    TVelmoraCoClassImpl* plugin = nullptr;

private:
    ModuleSettings savedModule_;
    bool installed_ = false;
};

// The same, installed, with the frame at hand.
class InstalledPlugin : public PluginFixture {
protected:
    void SetUp() override {
        PluginFixture::SetUp();
        ASSERT_EQ(install(), S_OK);
        frame = plugin->frame();
    }
    HeadlessOnlineView* view(std::size_t i) const { return dynamic_cast<HeadlessOnlineView*>(frame->views().at(i)); }
    // The front end's journal lines starting with prefix.
    std::vector<std::string> frontEndLines(const std::string& prefix) const {
        return LinesStartingWith(frontEnd->journal(), {prefix});
    }

    TFormReg1* frame = nullptr;
};

}  // namespace velmora::testing
