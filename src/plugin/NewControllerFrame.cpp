#include "plugin/NewControllerFrame.h"

#include "base/com/TaskString.h"
#include "plugin/FrameState.h"
#include "plugin/HostServices.h"

namespace velmora {

class FrameNewControllerHost::HostFiles : public ProjectFileList {
public:
    explicit HostFiles(com::ComPtr<IYantProject> project) : project_(std::move(project)) {}
    std::string files() override {
        com::TaskStringOut list;
        if (FAILED(project_->GetFileList(list.put()))) return {};
        return list.str();
    }
    void remove(int index) override { project_->RemoveFile(index); }

private:
    com::ComPtr<IYantProject> project_;
};

FrameNewControllerHost::FrameNewControllerHost(TFormReg1& frame) : frame_(frame) {}

FrameNewControllerHost::~FrameNewControllerHost() = default;

std::optional<int> FrameNewControllerHost::plcSeries() {
    const int series = HostPlcSeries(frame_);
    if (series < 0) return std::nullopt;
    return series;
}

std::filesystem::path FrameNewControllerHost::controllerFile() {
    frame_.ensureProjectFolder();
    return frame_.controllerFilePath();
}

void FrameNewControllerHost::setCurrentController(const std::string& name) {
    frame_.currentController = name;
}

void FrameNewControllerHost::setWizardRunning(bool running) {
    frame_.wizardRunning = running;
}

void FrameNewControllerHost::closeOnlineView(const std::string& name) {
    // A copy: closing a view takes it out of the frame's list.
    const std::vector<OnlineViewForm*> views = frame_.views();
    for (OnlineViewForm* view : views) {
        if (view->controllerName() != name) continue;
        view->show();
        view->close();
        return;
    }
}

ProjectFileList* FrameNewControllerHost::projectFiles() {
    auto project = com::Query<IYantProject>(frame_.host().projectManager.get());
    if (!project) return nullptr;
    files_ = std::make_unique<HostFiles>(std::move(project));
    return files_.get();
}

}  // namespace velmora
