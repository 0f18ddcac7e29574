#pragma once
// A scripted frame for the controller manager: it keeps a project file list
// and online views in memory, answers message boxes from a script and records
// what the manager asked for, in order.
#include <deque>

#include "base/IniFile.h"
#include "base/Texts.h"
#include "controllers/ControllerManager.h"
#include "support/Support.h"

namespace velmora::testing {

class FakeManagerHost : public ManagerHost {
public:
    explicit FakeManagerHost(std::filesystem::path projectDir)
        : project(std::move(projectDir)), file(project / "Velmora" / "PLC1.rglx") {
        msgs.question = MessageAnswer::No;
    }

    MessageBoxes& messages() override { return msgs; }
    std::filesystem::path controllerFile() override {
        if (noProject) throw std::runtime_error("no project open");
        std::filesystem::create_directories(file.parent_path());
        return file;
    }
    bool codeGenerated() override { return generated; }
    void runNewControllerWizard() override {
        events.push_back("wizard");
        if (wizard) wizard();
    }
    void generate(const std::string& name) override { events.push_back("generate " + name); }
    bool openOnlineView(const std::string& name) override {
        events.push_back("open " + name + (dockFlag ? " docked" : " floating"));
        // As the frame does: only a controller with a Name gets a view.
        if (IniFile(file).readString("Regulator " + name, "Name", "").empty()) return false;
        for (const auto& v : views)
            if (v.controllerName == name) return true;
        views.push_back({name, false});
        return true;
    }
    bool managerDockFlag() override { return dockFlag; }
    void setManagerDockFlag(bool value) override {
        events.push_back(std::string("dock ") + (value ? "1" : "0"));
        dockFlag = value;
    }
    std::vector<ManagerViewState> onlineViews() override { return views; }
    void toggleViewCommunication(const std::string& name) override {
        events.push_back("toggle " + name);
        for (auto& v : views)
            if (v.controllerName == name) v.communicating = !v.communicating;
    }
    void closeOnlineView(const std::string& name) override {
        events.push_back("close " + name);
        std::erase_if(views, [&](const ManagerViewState& v) { return v.controllerName == name; });
    }
    std::optional<std::string> projectFiles() override {
        if (!projectInterface) return std::nullopt;
        std::string list;
        for (const auto& f : projectList) list += f + "\r\n";
        return list;
    }
    void removeProjectFile(int index) override {
        ASSERT_GE(index, 0);
        ASSERT_LT(index, static_cast<int>(projectList.size()));
        events.push_back("unregister " + projectList[static_cast<std::size_t>(index)]);
        projectList.erase(projectList.begin() + index);
    }
    std::optional<ImportName> askImportName(const std::string& proposed) override {
        proposals.push_back(proposed);
        if (importNames.empty()) return std::nullopt;
        auto answer = importNames.front();
        importNames.pop_front();
        return answer;
    }
    void showHelp() override { events.push_back("help"); }

    std::filesystem::path project;
    std::filesystem::path file;
    ScriptedMessages msgs;
    bool noProject = false;
    bool generated = false;
    bool dockFlag = false;
    bool projectInterface = true;
    std::function<void()> wizard;
    std::vector<std::string> events;
    std::vector<ManagerViewState> views;
    std::vector<std::string> projectList;
    std::deque<std::optional<ImportName>> importNames;
    std::vector<std::string> proposals;
};

// The English texts, whatever an earlier test chose.
inline void English() {
    ModuleTexts().chooseLanguage(1);
}

}  // namespace velmora::testing
