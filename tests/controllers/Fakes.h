#pragma once
// The hosts of the controllers' dialogs (the frame, in the product): they keep
// the project's file list and the online views in memory, answer message
// boxes from a script and record what they were asked for, in order.
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/IniFile.h"
#include "base/Texts.h"
#include "controllers/ControllerManager.h"
#include "controllers/NewController.h"
#include "support/Support.h"

namespace velmora::testing {

// A project file list that counts its reads, so tests see that it is read anew.
class FakeProjectFiles : public ProjectFileList {
public:
    std::string files() override {
        ++reads;
        std::string text;
        for (const auto& f : entries) text += f + "\r\n";
        return text;
    }
    void remove(int index) override {
        removedAt.push_back(index);
        entries.erase(entries.begin() + index);
    }
    std::vector<std::string> entries;
    std::vector<int> removedAt;
    int reads = 0;
};

class FakeNewControllerHost : public NewControllerHost {
public:
    explicit FakeNewControllerHost(std::filesystem::path path) : file(std::move(path)) {}
    std::optional<int> plcSeries() override { return series; }
    std::filesystem::path controllerFile() override { return file; }
    void setCurrentController(const std::string& name) override { currentController = name; }
    void setWizardRunning(bool running) override { wizardRunning = running; }
    void closeOnlineView(const std::string& name) override { closedViews.push_back(name); }
    ProjectFileList* projectFiles() override { return withProject ? &project : nullptr; }

    std::optional<int> series = 6;
    std::string currentController = "untouched";
    bool wizardRunning = false;
    std::vector<std::string> closedViews;
    FakeProjectFiles project;
    bool withProject = true;
    std::filesystem::path file;
};

// The manager's frame over PROJECT/Velmora/PLC1.rglx; its events are what the manager asked for.
class FakeManagerHost : public ManagerHost {
public:
    explicit FakeManagerHost(std::filesystem::path projectDir)
        : project(std::move(projectDir)), file(project / "Velmora" / "PLC1.rglx") {
        ModuleTexts().chooseLanguage(1);  // English, whatever an earlier test chose
        msgs.question = MessageAnswer::No;
    }

    MessageBoxes& messages() override { return msgs; }
    std::filesystem::path controllerFile() override {
        if (noProject) throw std::runtime_error("no project open");
        std::filesystem::create_directories(file.parent_path());
        return file;
    }
    bool codeGenerated() override { return generated; }
    void setCompileWarningGiven(bool given) override { warningGiven = given; }
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
    // A view refuses to go online on fresh code unless the warning was given for it.
    void toggleViewCommunication(const std::string& name) override {
        events.push_back("toggle " + name);
        for (auto& v : views)
            if (v.controllerName == name && (v.communicating || !generated || warningGiven))
                v.communicating = !v.communicating;
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

    std::filesystem::path project, file;
    ScriptedMessages msgs;
    bool noProject = false, generated = false, warningGiven = false, dockFlag = false,
         projectInterface = true;
    std::function<void()> wizard;
    std::vector<std::string> events;
    std::vector<ManagerViewState> views;
    std::vector<std::string> projectList;
    std::deque<std::optional<ImportName>> importNames;
    std::vector<std::string> proposals;
};

}  // namespace velmora::testing
