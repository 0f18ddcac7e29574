#pragma once
// The online view inside the running plug-in: TFormVisual1 as the frame's
// OnlineViewForm, with the frame's session, controller file, wizard pages and
// help behind it.
#include <QObject>
#include <memory>
#include <optional>

#include "online/FormVisual1.h"
#include "plugin/FormFactory.h"
#include "plugin/ViewSimulationLink.h"
#include "wizard/WizardContext.h"

namespace velmora {

class QtOnlineView : public QObject, public OnlineViewForm, public online::VisualHost {
public:
    // The view belongs to its window: it is destroyed with it.
    static QtOnlineView* Create(TFormReg1& frame, void* owner, const std::string& controllerName);

    online::TFormVisual1& form() { return *form_; }

    // OnlineViewForm
    void* handle() override;
    std::string caption() const override;
    void setCaption(const std::string& caption) override;
    FormBounds bounds() const override;
    void setBounds(const FormBounds& bounds) override;
    void show() override;
    void hide() override;
    void localize() override;
    std::string controllerName() const override;
    bool graphShown() const override;
    bool closing() const override;
    void openGraph() override;
    void selectTab(int index) override;
    void close() override;
    void destroy() override;

    // online::VisualHost
    online::OnlineSession& session() override;
    std::filesystem::path controllerFile() override;
    MessageBoxes* messages() override;
    char decimalSeparator() override;
    bool openTarget(online::SchemaTarget target, const std::string& controllerName) override;
    bool openVariablePage(online::VariablePage page, const std::string& controllerName) override;
    bool openSetpointPage(const std::string& controllerName, bool ramp, int tiW) override;
    void showHelp() override;
    void showHelpTopic(const std::string& topic) override;
    void communicationChanged() override;
    void removeFromDesktop(QWidget* view) override;
    void viewDestroyed() override;
    bool reloadSimulation(online::OnlineExchange& exchange, bool keepUnchangedPlant) override;
    void simulationStep() override;
    void sampleTimeChanged() override;

private:
    explicit QtOnlineView(TFormReg1& frame);
    // The window a docked view sits in (its dock), or the view itself.
    QWidget* frameWidget() const;
    void applyBounds();
    // A page of the controller's file over this view, with a set-point modification to propose.
    bool openPage(online::SchemaTarget target, const std::string& controllerName,
                  const std::optional<wizard::WizardContext::ProposedSetpoint>& proposed);

    TFormReg1& frame_;
    online::TFormVisual1* form_ = nullptr;
    std::filesystem::path file_;
    std::optional<FormBounds> wanted_;
    bool removed_ = false;
    std::unique_ptr<ViewSimulationLink> simulation_;
};

}  // namespace velmora
