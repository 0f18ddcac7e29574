#pragma once
// The new-controller dialog's host (the frame, in the product) and project list.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "controllers/NewController.h"
#include "base/Toolkit.h"
#include "support/Support.h"

namespace velmora::testing {

// A project file list that logs every read, so tests see that it is read anew.
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
    explicit FakeNewControllerHost(std::filesystem::path file) : file_(std::move(file)) {}
    std::optional<int> plcSeries() override { return series; }
    std::filesystem::path controllerFile() override { return file_; }
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

private:
    std::filesystem::path file_;
};

}  // namespace velmora::testing
