#include "plugin/QtOnlineView.h"

#include <QDockWidget>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>

#include "base/Log.h"
#include "base/Texts.h"
#include "online/OnlineSession.h"
#include "plugin/FrameState.h"
#include "plugin/HostServices.h"
#include "plugin/PlcControllerData.h"
#include "plugin/QtFrameWizard.h"
#include "plugin/QtManagerForm.h"
#include "plugin/QtSimulationDialog.h"
#include "wizard/FormWizardPage.h"

#include <algorithm>

namespace velmora {

namespace {

struct PageChoice {
    wizard::WizardPage page;
    int signalIndex = 0;
};

std::optional<PageChoice> PageOf(online::SchemaTarget target) {
    using T = online::SchemaTarget;
    using P = wizard::WizardPage;
    switch (target) {
        case T::Setpoint:
            return PageChoice{P::Setpoint};
        case T::PidParameters:
            return PageChoice{P::PidParameters};
        case T::PidmaController:
            return PageChoice{P::PidmaController};
        case T::PidmaAutotuner:
            return PageChoice{P::PidmaAutotuner};
        case T::Output:
            return PageChoice{P::Output};
        case T::ControlledVariable1:
            return PageChoice{P::ControlledVariable, 0};
        case T::ControlledVariable2:
            return PageChoice{P::ControlledVariable, 1};
        case T::ControlledVariable3:
            return PageChoice{P::ControlledVariable, 2};
        case T::ControllerMode:
            return PageChoice{P::ControllerMode};
        case T::Start:
            return PageChoice{P::Start};
        default:
            return std::nullopt;
    }
}

online::SchemaTarget TargetOf(online::VariablePage page) {
    using V = online::VariablePage;
    using T = online::SchemaTarget;
    switch (page) {
        case V::ControlledVariable1:
            return T::ControlledVariable1;
        case V::ControlledVariable2:
            return T::ControlledVariable2;
        case V::ControlledVariable3:
            return T::ControlledVariable3;
        case V::Output:
            return T::Output;
        case V::Simulation:
            return T::Simulation;
        case V::Pidma:
            return T::PidmaController;
    }
    return T::None;
}

}  // namespace

QtOnlineView::QtOnlineView(TFormReg1& frame) : frame_(frame), file_(frame.controllerFilePath()) {}

QtOnlineView* QtOnlineView::Create(TFormReg1& frame, void* owner, const std::string& controllerName) {
    auto* view = new QtOnlineView(frame);
    // No parent: the host docks the window; the view object lives as its child.
    view->form_ = new online::TFormVisual1(*view, controllerName, nullptr);
    view->setParent(view->form_);
    (void)owner;
    return view;
}

void* QtOnlineView::handle() {
    return static_cast<QWidget*>(form_);
}

std::string QtOnlineView::caption() const {
    return form_->windowTitle().toStdString();
}

void QtOnlineView::setCaption(const std::string& caption) {
    form_->setWindowTitle(QString::fromStdString(caption));
}

QWidget* QtOnlineView::frameWidget() const {
    if (auto* dock = qobject_cast<QDockWidget*>(form_->parentWidget())) return dock;
    return form_;
}

namespace {

QRect ScreenOf(const QWidget* w) {
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// A window wholly on the screen: no bigger than it, moved inside it.
QRect Clamped(QRect r, const QRect& screen) {
    if (screen.isEmpty()) return r;
    r.setSize(r.size().boundedTo(screen.size()));
    r.moveLeft(std::clamp(r.left(), screen.left(), screen.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), screen.top(), screen.bottom() - r.height() + 1));
    return r;
}

}  // namespace

FormBounds QtOnlineView::bounds() const {
    QWidget* w = frameWidget();
    QRect r = w->geometry();
    if (w->isWindow()) {
        r = Clamped(r, ScreenOf(w));  // floating: where it is on the screen
    } else if (!qobject_cast<QDockWidget*>(w) && form_->parentWidget()) {
        // A tab of the host's main area: the area it fills, the same for the tabs behind.
        QWidget* area = form_->parentWidget();
        r = QRect(area->mapTo(area->window(), QPoint()), area->size());
    }
    // A dock tabbed behind another is parked off the window: its place is not one.
    r.moveTo(std::max(0, r.x()), std::max(0, r.y()));
    return {r.x(), r.y(), r.width(), r.height()};
}

void QtOnlineView::setBounds(const FormBounds& b) {
    wanted_ = b;
    applyBounds();
    // The host docks or floats the view after this call: apply again once it has.
    QTimer::singleShot(0, this, [this] { applyBounds(); });
}

void QtOnlineView::applyBounds() {
    if (!wanted_ || wanted_->width <= 0 || wanted_->height <= 0) return;
    const FormBounds b = *wanted_;
    QWidget* w = frameWidget();
    if (w->isWindow()) {
        w->setGeometry(Clamped(QRect(b.left, b.top, b.width, b.height), ScreenOf(w)));
        return;
    }
    // A docked view gets its size across its side once it is there; where it
    // sits is the area's business. A tab of the main area takes the area's size.
    auto* dock = qobject_cast<QDockWidget*>(w);
    auto* main = dock ? qobject_cast<QMainWindow*>(dock->parentWidget()) : nullptr;
    if (!main || !dock->isVisible()) return;
    const Qt::DockWidgetArea area = main->dockWidgetArea(dock);
    if (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea)
        main->resizeDocks({dock}, {b.width}, Qt::Horizontal);
    else if (area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea)
        main->resizeDocks({dock}, {b.height}, Qt::Vertical);
}

void QtOnlineView::show() {
    form_->show();
}

void QtOnlineView::hide() {
    form_->hide();
}

void QtOnlineView::localize() {
    form_->Localize();
}

std::string QtOnlineView::controllerName() const {
    return form_->controllerName();
}

bool QtOnlineView::graphShown() const {
    return form_->graphShown();
}

bool QtOnlineView::closing() const {
    return form_->exchange().closeRequested();
}

void QtOnlineView::openGraph() {
    form_->update();
    form_->selectTab(online::TFormVisual1::GraphPage);
}

void QtOnlineView::selectTab(int index) {
    form_->selectTab(index);
}

void QtOnlineView::close() {
    form_->close();
}

void QtOnlineView::destroy() {
    delete form_;  // takes this object along
}

online::OnlineSession& QtOnlineView::session() {
    return frame_.onlineSession();
}

std::filesystem::path QtOnlineView::controllerFile() {
    return file_;
}

MessageBoxes* QtOnlineView::messages() {
    return frame_.toolkit().messages;
}

char QtOnlineView::decimalSeparator() {
    return frame_.toolkit().decimalSeparator;
}

bool QtOnlineView::openTarget(online::SchemaTarget target, const std::string& controllerName) {
    return openPage(target, controllerName, std::nullopt);
}

bool QtOnlineView::openSetpointPage(const std::string& controllerName, bool ramp, int tiW) {
    return openPage(online::SchemaTarget::Setpoint, controllerName,
                    wizard::WizardContext::ProposedSetpoint{.ramp = ramp, .tiW = tiW});
}

bool QtOnlineView::openPage(online::SchemaTarget target, const std::string& controllerName,
                            const std::optional<wizard::WizardContext::ProposedSetpoint>& proposed) {
    if (target == online::SchemaTarget::Simulation) {
        if (frame_.controllerFilePath() != file_) return false;
        return RunSimulationDialog(frame_, form_, controllerName);
    }
    const auto choice = PageOf(target);
    if (!choice) return false;
    // The page works on the file this view shows, never on another PLC's.
    if (frame_.controllerFilePath() != file_) return false;
    wizard::WizardContext context;
    FillWizardContext(frame_, context);
    frame_.currentController = controllerName;
    context.controllerName = controllerName;
    context.proposedSetpoint = proposed;
    context.signalIndex = choice->signalIndex;
    frame_.signalIndex = choice->signalIndex;
    // OK writes into the running PLC and "Upload from PLC" reads from it through this view.
    PlcControllerData data(form_->exchange());
    context.controllerData = &data;
    const bool accepted = wizard::ShowControllerPage(choice->page, context, form_);
    frame_.releaseControllerFile();
    return accepted;
}

bool QtOnlineView::openVariablePage(online::VariablePage page, const std::string& controllerName) {
    return openTarget(TargetOf(page), controllerName);
}

void QtOnlineView::showHelp() {
    frame_.helpClick();
}

void QtOnlineView::showHelpTopic(const std::string& topic) {
    ShowHelpTopic(frame_, topic);
}

void QtOnlineView::communicationChanged() {
    if (ControllerManagerForm* manager = frame_.manager()) manager->updateChecks();
}

void QtOnlineView::removeFromDesktop(QWidget* view) {
    if (removed_) return;
    removed_ = true;
    if (frame_.host().ide) frame_.host().ide->RemoveDockableForm(view);
}

void QtOnlineView::viewDestroyed() {
    removeFromDesktop(form_);
    frame_.forgetView(this);
    communicationChanged();
}

bool QtOnlineView::reloadSimulation(online::OnlineExchange& exchange, bool keepUnchangedPlant) {
    // The first load comes from the view's constructor, before form_ is set.
    if (!simulation_) simulation_ = std::make_unique<ViewSimulationLink>(frame_.onlineSession(), exchange);
    return simulation_->reload(file_, exchange.name(), frame_.plcTypeIndex, keepUnchangedPlant);
}

void QtOnlineView::simulationStep() {
    if (simulation_) simulation_->step();
}

void QtOnlineView::sampleTimeChanged() {
    if (simulation_) simulation_->sampleTimeChanged();
}

}  // namespace velmora
