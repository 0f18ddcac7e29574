#pragma once
// A plug-in object with a headless front end, in the IDE stand-in over a
// scratch project (PLC1 of series 6 open, PLC2 of series 4), every host call
// it traces kept in a journal, and the plug-in log switched on into its own
// folder with a fixed clock.
#include <gtest/gtest.h>

#include <memory>

#include "base/Log.h"
#include "base/Texts.h"
#include "host/HostIde.h"
#include "plugin/HeadlessFrontEnd.h"
#include "plugin/VelmoraCoClass.h"
#include "support/Support.h"

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
        WriteBytes(project / "plant.oprj",
                   "[Project]\r\nName=Plant\r\nGroup=Plant.opgr\r\nAction=Hall B\r\nProgrammer=J. Novak\r\n"
                   "[PLC PLC1]\r\nType=14\r\nSeries=6\r\n[PLC PLC2]\r\nType=2\r\nSeries=4\r\n"
                   "[Variables PLC1]\r\nBoiler_T=INT %R200\r\n");
        ide = std::make_unique<host::HostIde>(project.path());
        ide->trace = [this](const std::string& line) { journal.push_back(line); };
        ide->openPlc("PLC1");
        auto fe = std::make_unique<HeadlessFrontEnd>();
        frontEnd = fe.get();
        plugin = new TVelmoraCoClassImpl(std::move(fe));
        plugin->AddRef();
    }
    void TearDown() override {
        if (installed_) plugin->UninstallPlugin();
        // As the host unloads a plug-in: it lets go of what it holds of it first.
        {
            com::ComPtr<IUnknown> identity;
            plugin->QueryInterface(com::kIidUnknown, identity.putVoid());
            ide->forgetPlugin(identity.get());
        }
        plugin->Release();
        Module() = savedModule_;
        SetLogClock(nullptr);
        SetLogDirectory({});
        ModuleTexts().chooseLanguage(1);
    }
    // Installs the way the host does: the application object is handed over with a reference.
    HRESULT install() {
        ide->application()->AddRef();
        const HRESULT hr = plugin->InstallPlugin(ide->application());
        installed_ = true;
        return hr;
    }
    void uninstall() {
        plugin->UninstallPlugin();
        installed_ = false;
    }
    std::vector<std::string> journalFrom(std::initializer_list<std::string_view> prefixes) const {
        return LinesStartingWith(journal, prefixes);
    }
    std::vector<std::string> logLines(const char* file = "plugins.log") const {
        return LogMessages(logs / file);
    }
    std::vector<std::string> commLogLines() const { return logLines("comm.log"); }
    void clearLogs() {
        for (const char* file : {"plugins.log", "comm.log"}) std::filesystem::remove(logs / file);
    }
    // The open PLC's controller file in the project folder.
    std::filesystem::path controllerFile() const {
        return project / "Velmora" / (ide->currentPlc() + ".rglx");
    }
    void writeControllerFile(const std::string& text) const {
        std::filesystem::create_directories(project / "Velmora");
        WriteBytes(controllerFile(), text);
    }
    TempDir project;
    TempDir logs;
    FixedClock clock;
    std::unique_ptr<host::HostIde> ide;
    std::vector<std::string> journal;
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
    HeadlessOnlineView* view(std::size_t i) const {
        return dynamic_cast<HeadlessOnlineView*>(frame->views().at(i));
    }
    // The front end's journal lines starting with prefix.
    std::vector<std::string> frontEndLines(const std::string& prefix) const {
        return LinesStartingWith(frontEnd->journal(), {prefix});
    }
    const host::HostIde::Form& form(void* handle) const { return ide->forms().at(handle); }
    TFormReg1* frame = nullptr;
};

}  // namespace velmora::testing
