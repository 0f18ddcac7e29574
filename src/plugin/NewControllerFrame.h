#pragma once
// The new-controller dialog inside the running plug-in: the frame's current
// controller and wizard flag, the host's PLC series and project file list.
#include <memory>

#include "controllers/NewController.h"

namespace velmora {

class TFormReg1;

class FrameNewControllerHost : public NewControllerHost {
public:
    explicit FrameNewControllerHost(TFormReg1& frame);
    ~FrameNewControllerHost() override;

    std::optional<int> plcSeries() override;
    std::filesystem::path controllerFile() override;
    void setCurrentController(const std::string& name) override;
    void setWizardRunning(bool running) override;
    // Shows the controller's online view, then closes it.
    void closeOnlineView(const std::string& name) override;
    // The file list of the host's project interface, from the project manager.
    ProjectFileList* projectFiles() override;

private:
    class HostFiles;
    TFormReg1& frame_;
    std::unique_ptr<HostFiles> files_;
};

}  // namespace velmora
