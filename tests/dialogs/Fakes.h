#pragma once
// Scripted stand-ins for the toolkit and the host, shared by the dialog tests.
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "controllers/NewController.h"
#include "base/Toolkit.h"

namespace velmora::test {

struct ShownMessage {
    std::string caption, text;
    MessageIcon icon;
    MessageButtons buttons;
};

// Answers from a script (Ok when the script is empty) and remembers every box.
class ScriptedMessages : public MessageBoxes {
public:
    MessageAnswer show(const std::string& caption, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override {
        shown.push_back({caption, text, icon, buttons});
        if (answers.empty()) return MessageAnswer::Ok;
        MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<MessageAnswer> answers;
    std::vector<ShownMessage> shown;
};

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

class FakeHost : public NewControllerHost {
public:
    explicit FakeHost(std::filesystem::path file) : file_(std::move(file)) {}
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

// A fresh folder under the system's temporary directory, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("velmora-dialogs-" + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace velmora::test
