#include "plugin/QtManagerForm.h"

#include <QApplication>
#include <QEvent>
#include <QToolBar>
#include <QToolButton>

#include "base/Help.h"
#include "base/Texts.h"
#include "base/com/TaskString.h"
#include "controllers/FormOpenAs1.h"
#include "controllers/FormRegMngr1.h"
#include "online/OnlineExchange.h"
#include "online/OnlineSession.h"
#include "plugin/FrameState.h"
#include "plugin/QtFrameWizard.h"

namespace velmora {

namespace {

OnlineViewForm* ViewOf(TFormReg1& frame, const std::string& controllerName) {
    for (OnlineViewForm* view : frame.views())
        if (view->controllerName() == controllerName) return view;
    return nullptr;
}

online::OnlineExchange* ExchangeOf(TFormReg1& frame, const std::string& controllerName) {
    for (online::OnlineExchange* exchange : frame.onlineSession().views())
        if (exchange->name() == controllerName) return exchange;
    return nullptr;
}

}  // namespace

QWidget* OwnerWidget(void* owner) {
    if (!owner) return nullptr;
    // Compared by address only: an owner that is no widget is never touched.
    for (QWidget* w : QApplication::allWidgets())
        if (static_cast<void*>(w) == owner) return w;
    return nullptr;
}

MessageBoxes& FrameManagerHost::messages() {
    return *frame_.toolkit().messages;
}

std::filesystem::path FrameManagerHost::controllerFile() {
    if (frame_.projectDirectory().empty() || frame_.plcName().empty())
        throw std::runtime_error("no project or no PLC open");
    frame_.ensureProjectFolder();
    return frame_.controllerFilePath();
}

bool FrameManagerHost::codeGenerated() {
    return frame_.generated;
}

void FrameManagerHost::setCompileWarningGiven(bool given) {
    frame_.compileWarningGiven = given;
}

void FrameManagerHost::runNewControllerWizard() {
    RunFrameWizard(frame_, owner_);
}

void FrameManagerHost::generate(const std::string& controllerName) {
    frame_.generate(controllerName);
}

bool FrameManagerHost::openOnlineView(const std::string& controllerName) {
    return frame_.openOnlineView(controllerName);
}

bool FrameManagerHost::managerDockFlag() {
    VARIANT_BOOL flag = VARIANT_FALSE;
    if (frame_.host().ide && form_) frame_.host().ide->GetFirstDockFlag(form_, &flag);
    return flag != VARIANT_FALSE;
}

void FrameManagerHost::setManagerDockFlag(bool value) {
    if (frame_.host().ide && form_)
        frame_.host().ide->SetFirstDockFlag(form_, value ? VARIANT_TRUE : VARIANT_FALSE);
}

std::vector<ManagerViewState> FrameManagerHost::onlineViews() {
    std::vector<ManagerViewState> states;
    for (OnlineViewForm* view : frame_.views()) {
        const online::OnlineExchange* exchange = ExchangeOf(frame_, view->controllerName());
        states.push_back({view->controllerName(), exchange && exchange->online()});
    }
    return states;
}

void FrameManagerHost::toggleViewCommunication(const std::string& controllerName) {
    // Opened from the manager: the view tells the user what keeps it offline.
    if (online::OnlineExchange* exchange = ExchangeOf(frame_, controllerName)) {
        exchange->setShowMessages(true);
        exchange->KomunikaceButton1Click(true);
    }
}

void FrameManagerHost::closeOnlineView(const std::string& controllerName) {
    if (OnlineViewForm* view = ViewOf(frame_, controllerName)) {
        view->show();
        view->close();
    }
}

std::optional<std::string> FrameManagerHost::projectFiles() {
    auto project = com::Query<IYantProject>(frame_.host().projectManager.get());
    if (!project) return std::nullopt;
    com::TaskStringOut list;
    if (FAILED(project->GetFileList(list.put()))) return std::nullopt;
    return list.str();
}

void FrameManagerHost::removeProjectFile(int index) {
    if (auto project = com::Query<IYantProject>(frame_.host().projectManager.get()))
        project->RemoveFile(index);
}

std::optional<ImportName> FrameManagerHost::askImportName(const std::string& proposed) {
    TFormOpenAs1 form(
        messages(),
        [this](const std::string& topic) {
            ShowHelp(frame_.frontEnd().helpViewer(), frame_.language(), "Velmora", topic, "");
        },
        owner_);
    form.setName(proposed);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    return ImportName{form.name(), form.headerInST()};
}

void FrameManagerHost::showHelp() {
    frame_.helpClick();
}

class QtControllerManager::RefreshOnShow : public QObject {
public:
    explicit RefreshOnShow(TFormRegMngr1& form) : form_(form) { form_.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) form_.Refresh();
        return false;
    }

private:
    TFormRegMngr1& form_;
};

QtControllerManager::QtControllerManager(TFormReg1& frame, void* owner)
    : host_(frame, OwnerWidget(owner)),
      // No parent: the host docks the window, the frame owns it.
      form_(std::make_unique<TFormRegMngr1>(host_, nullptr)),
      refresher_(std::make_unique<RefreshOnShow>(*form_)) {
    host_.setForm(handle());
    // "?" at the end of the tool bar does what F1 does, as on the wizard's pages.
    if (auto* bar = form_->findChild<QToolBar*>("ToolBar1")) {
        bar->addSeparator();
        auto* help = new QToolButton(bar);
        help->setObjectName("HelpButton1");
        help->setText("?");
        help->setAutoRaise(true);
        help->setToolTip(QString::fromStdString(OwnText("Help")));
        QObject::connect(help, &QToolButton::clicked, form_.get(), [this] { host_.showHelp(); });
        bar->addWidget(help);
    }
}

QtControllerManager::~QtControllerManager() {
    refresher_.reset();
    form_.reset();
}

void* QtControllerManager::handle() {
    return static_cast<QWidget*>(form_.get());
}

std::string QtControllerManager::caption() const {
    return form_->windowTitle().toStdString();
}

void QtControllerManager::setCaption(const std::string& caption) {
    form_->setWindowTitle(QString::fromStdString(caption));
}

FormBounds QtControllerManager::bounds() const {
    const QRect r = form_->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

void QtControllerManager::setBounds(const FormBounds& b) {
    form_->setGeometry(b.left, b.top, b.width, b.height);
}

void QtControllerManager::show() {
    form_->show();
}

void QtControllerManager::hide() {
    form_->hide();
}

void QtControllerManager::localize() {
    form_->Localize();
    if (auto* help = form_->findChild<QToolButton*>("HelpButton1"))
        help->setToolTip(QString::fromStdString(OwnText("Help")));
}

void QtControllerManager::refresh() {
    form_->Refresh();
}

void QtControllerManager::updateChecks() {
    form_->UpdateChecks();
}

}  // namespace velmora
