#pragma once
// The controller manager inside the running plug-in: the Qt manager window
// driven by the frame (TFormReg1) and the host.
#include <memory>

#include "controllers/ControllerManager.h"
#include "plugin/FormFactory.h"

class QWidget;

namespace velmora {

class TFormRegMngr1;

// The owner component the host hands out, as a widget to centre dialogs on;
// null when it is no live widget.
QWidget* OwnerWidget(void* owner);

// What the manager asks of the frame and the host.
class FrameManagerHost : public ManagerHost {
public:
    FrameManagerHost(TFormReg1& frame, QWidget* owner) : frame_(frame), owner_(owner) {}
    // The manager's window, for its dock flag.
    void setForm(void* handle) { form_ = handle; }

    MessageBoxes& messages() override;
    std::filesystem::path controllerFile() override;
    bool codeGenerated() override;
    void setCompileWarningGiven(bool given) override;
    void runNewControllerWizard() override;
    void generate(const std::string& controllerName) override;
    bool openOnlineView(const std::string& controllerName) override;
    bool managerDockFlag() override;
    void setManagerDockFlag(bool value) override;
    std::vector<ManagerViewState> onlineViews() override;
    void toggleViewCommunication(const std::string& controllerName) override;
    void closeOnlineView(const std::string& controllerName) override;
    std::optional<std::string> projectFiles() override;
    void removeProjectFile(int index) override;
    std::optional<ImportName> askImportName(const std::string& proposed) override;
    void showHelp() override;

private:
    TFormReg1& frame_;
    QWidget* owner_;
    void* form_ = nullptr;
};

// TFormRegMngr1 as the frame sees its manager. The list is refreshed whenever
// the window is shown again.
class QtControllerManager : public ControllerManagerForm {
public:
    QtControllerManager(TFormReg1& frame, void* owner);
    ~QtControllerManager() override;

    void* handle() override;
    std::string caption() const override;
    void setCaption(const std::string& caption) override;
    FormBounds bounds() const override;
    void setBounds(const FormBounds& bounds) override;
    void show() override;
    void hide() override;
    void localize() override;
    void refresh() override;
    void updateChecks() override;

    TFormRegMngr1& form() { return *form_; }

private:
    class RefreshOnShow;
    FrameManagerHost host_;
    std::unique_ptr<TFormRegMngr1> form_;
    std::unique_ptr<RefreshOnShow> refresher_;
};

}  // namespace velmora
