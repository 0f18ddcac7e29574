#include "plugin/QtFrontEnd.h"

#include <QApplication>

#include "plugin/CompMsgForm.h"
#include "plugin/QtManagerForm.h"
#include "plugin/QtOnlineView.h"
#include "plugin/QtReportForm.h"

namespace velmora {

class QtFrontEnd::Forms : public FormFactory {
public:
    std::unique_ptr<ControllerManagerForm> createControllerManager(void* owner, TFormReg1& frame) override {
        return std::make_unique<QtControllerManager>(frame, owner);
    }
    std::unique_ptr<ReportForm> createReport(void*, TFormReg1& frame) override {
        return std::make_unique<QtReportForm>(frame);
    }
    std::unique_ptr<CompileMessageForm> createCompileMessages() override {
        return std::make_unique<QtCompileMessages>();
    }
    OnlineViewForm* createOnlineView(void* owner, TFormReg1& frame,
                                     const std::string& controllerName) override {
        return QtOnlineView::Create(frame, owner, controllerName);
    }
};

QtFrontEnd::QtFrontEnd() : forms_(std::make_unique<Forms>()) {}

QtFrontEnd::~QtFrontEnd() = default;

FormFactory& QtFrontEnd::forms() {
    return *forms_;
}

HelpViewer QtFrontEnd::helpViewer() {
    return DesktopHelpViewer(qt_.toolkit().messages);
}

std::unique_ptr<FrontEnd> MakeQtFrontEnd() {
    // Widgets need the application object: a host without one gets no Qt.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    return std::make_unique<QtFrontEnd>();
}

}  // namespace velmora
