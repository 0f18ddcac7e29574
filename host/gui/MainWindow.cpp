#include "MainWindow.h"

#include "host/HostSoftPlc.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <optional>
#include <string_view>

#include "HelpViewerWindow.h"
#include "VariableSelectionWindow.h"
#include "base/AtomicFile.h"
#include "base/Help.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Platform.h"
#include "base/Registry.h"
#include "base/Texts.h"
#include "host/CommandLine.h"
#include "host/HostIde.h"
#include "host/PluginLoader.h"

namespace velmora::host {

namespace {

// What a menu looks like, to rebuild it only when it changed (rebuilding
// would close a menu the user has open).
void Shape(const HostMenuItem& item, std::string& out) {
    out += item.name + '\x1f' + item.caption + (item.enabled ? "E" : "e") + (item.visible ? "V" : "v") + '{';
    for (const HostMenuItem* child : item.children) Shape(*child, out);
    out += '}';
}

// The host's own help entries carry names only; their captions are the host's.
QString CaptionOf(const std::string& name, const std::string& caption = {}) {
    if (!caption.empty()) return QString::fromStdString(caption);
    if (name == "miHelpContents") return QObject::tr("Contents");
    if (name == "miHelpIndex") return QObject::tr("Index");
    if (name == "miHelpAbout") return QObject::tr("About velmora-host");
    return QString::fromStdString(name);
}

QString CaptionOf(const HostMenuItem& item) {
    return CaptionOf(item.name, item.caption);
}

bool IsHostHelpEntry(const std::string& name) {
    return name == "miHelpContents" || name == "miHelpIndex" || name == "miHelpAbout";
}

// The help's own numbering of the stand-in's languages.
int HelpLanguage(int code) {
    return code == kLanguageCzech ? 0 : code == kLanguageRussian ? 2 : 1;
}

}  // namespace

QString MainWindow::guideFile() const {
    // The one help book installed with the stand-in, found as the plug-ins find it.
    const std::string path =
        HelpPath(Module().oemDirectory, HelpLanguage(languageCode()), "Velmora", true, HelpFileExtension());
    const std::filesystem::path file = HostPath(path);
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec) ? QString::fromStdString(file.string()) : QString();
}

bool MainWindow::showGuide(bool index) {
    const QString file = guideFile();
    if (file.isEmpty()) return false;
    HelpViewerWindow* viewer = HelpViewerWindow::instance();
    if (viewer->file() != QFileInfo(file).absoluteFilePath() && !viewer->load(file)) return false;
    if (index)
        viewer->showIndexPage();
    else
        viewer->showStart();
    viewer->present();
    return true;
}

QAction* MainWindow::addHostHelpEntry(QMenu* menu, const std::string& name) {
    if (name == "miHelpSeparator") return menu->addSeparator();
    QAction* action = menu->addAction(CaptionOf(name));
    action->setObjectName(QString::fromStdString(name));
    if (name == "miHelpAbout") {
        connect(action, &QAction::triggered, this, [this] {
            QMessageBox::about(this, tr("About"),
                               tr("Orvane IDE stand-in for the Velmora controllers plug-in."));
        });
        return action;
    }
    // Contents and index of the user guide; without a guide they cannot mean anything.
    const bool index = name == "miHelpIndex";
    const bool installed = !guideFile().isEmpty();
    action->setEnabled(installed);
    action->setToolTip(installed ? QString() : tr("No user guide is installed in the help folder"));
    connect(action, &QAction::triggered, this, [this, index] { showGuide(index); });
    return action;
}

void MainWindow::showHostHelp() {
    QMenu* help = hostMenu(kMenuHelp);
    help->clear();
    for (const char* name : {"miHelpContents", "miHelpIndex", "miHelpSeparator", "miHelpAbout"})
        addHostHelpEntry(help, name);
}

MainWindow::MainWindow(QWidget* parent) : HostWindow(parent) {
    connect(this, &HostWindow::openProjectRequested, this, &MainWindow::openProject);
    connect(this, &HostWindow::openPlcRequested, this, &MainWindow::openPlc);
    connect(this, &HostWindow::closePlcRequested, this, &MainWindow::closePlc);
    connect(this, &HostWindow::compileRequested, this, &MainWindow::compile);
    connect(this, &HostWindow::languageChangeRequested, this, &MainWindow::changeLanguage);
    connect(this, &HostWindow::documentRequested, this, [this](int id) {
        if (ide_) ide_->openDocument(id);
        sync();
    });
    connect(this, &HostWindow::formMoved, this, &MainWindow::reportArea);
    connect(this, &HostWindow::documentClosed, this, [this](int id) {
        if (ide_) ide_->closeDocument(id);
        sync();
    });
    syncTimer_.setInterval(150);
    connect(&syncTimer_, &QTimer::timeout, this, &MainWindow::sync);
    syncTimer_.start();
    // The IDE's communication loop: every plug-in's callback, ten times a second.
    commTimer_.setInterval(100);
    connect(&commTimer_, &QTimer::timeout, this, [this] {
        if (softPlc_ && plugins_) softPlc_->pass();
    });
    commTimer_.start();
    plcTimer_.setInterval(10);
    connect(&plcTimer_, &QTimer::timeout, this, [this] {
        const double elapsed = static_cast<double>(plcClock_.restart());
        if (softPlc_)
            softPlc_->advance(std::min(elapsed, 1000.0));  // a stalled window does not replay minutes
    });
    plcClock_.start();
    plcTimer_.start();
    useSettings(Registry::DefaultPath());
    showHostHelp();
}

MainWindow::~MainWindow() {
    // The plug-ins destroy their forms while the window still holds them.
    closeProject();
    for (QWidget* w : QApplication::allWidgets()) disconnect(w, &QObject::destroyed, this, nullptr);
}

bool MainWindow::openProject(const QString& folder) {
    closeProject();
    try {
        ide_ = std::make_unique<HostIde>(folder.toStdString());
    } catch (const std::exception& e) {
        QMessageBox::warning(this, tr("Open project"), QString::fromStdString(e.what()));
        return false;
    }
    ide_->owner = this;
    // The selection belongs to whatever dialog asked for it (a wizard page).
    ide_->variablePicker = [this](const std::vector<HostIde::Variable>& variables,
                                  const std::string& preset) {
        QWidget* asking = QApplication::activeModalWidget();
        return VariableSelectionWindow::run(variables, preset, asking ? asking : this);
    };
    softPlc_ = std::make_unique<HostSoftPlc>(*ide_);
    hookForms();
    // Host calls come from the plug-ins' own windows too: look again soon after each.
    ide_->trace = [this](const std::string&) {
        if (syncPending_) return;
        syncPending_ = true;
        QTimer::singleShot(0, this, [this] {
            syncPending_ = false;
            sync();
        });
    };
    ide_->language = LanguageFromHostCode(languageCode());
    problems_.clear();
    plugins_ = std::make_unique<PluginHost>(*ide_);
    plugins_->loadAll(Registry(Registry::DefaultPath()),
                      [this](const std::string& problem) { problems_ << QString::fromStdString(problem); });
    QStringList plcs;
    for (const auto& plc : ide_->project().plcs) plcs << QString::fromStdString(plc.name);
    showProject(QString::fromStdString(ide_->project().name), plcs);
    treeShape_.clear();
    ide_->loadProject();
    ide_->fillTree();
    sync();
    if (!problems_.isEmpty()) QMessageBox::warning(this, tr("Plug-ins"), problems_.join('\n'));
    return true;
}

void MainWindow::closeProject() {
    if (!ide_) return;
    saveDesktop();
    ide_->closePlc();
    ide_->saveProject();
    plugins_->unloadAll();
    plugins_.reset();
    sync();
    softPlc_.reset();
    ide_.reset();
    showProject(QString(), {});
    hostMenu(kMenuTools)->clear();
    showHostHelp();
    hostBar(kBarTools)->clear();
    menuShapes_.clear();
    barShapes_.clear();
    treeShape_.clear();
}

bool MainWindow::openPlc(const QString& plc) {
    if (!ide_) return false;
    if (!ide_->currentPlc().empty()) closePlc();
    const bool opened = ide_->openPlc(plc.toStdString());
    showOpenPlc(opened ? plc : QString());
    if (opened) loadDesktop();
    sync();
    return opened;
}

void MainWindow::closePlc() {
    if (!ide_) return;
    // The views of this PLC close with it: where they were goes to its controller file first.
    if (!ide_->currentPlc().empty()) saveDesktop();
    ide_->closePlc();
    showOpenPlc(QString());
    sync();
}

namespace {

QString FormKey(const QWidget* w) {
    return w->objectName() + '\x1f' + w->windowTitle();
}

}  // namespace

void MainWindow::saveDesktop() {
    // The first dock flag is the host's: it marks the form in front of its area.
    shownForms_.clear();
    for (const auto& [handle, form] : ide_->forms()) {
        QWidget* w = widgetOf(handle);
        const bool front = w && inFront(w);
        ide_->SetFirstDockFlag(handle, front ? VARIANT_TRUE : VARIANT_FALSE);
        if (w && dockArea(w) >= 0 && (w->isVisible() || front)) shownForms_ << FormKey(w);
    }
    ide_->saveDesktop();
}

void MainWindow::loadDesktop() {
    ide_->loadDesktop();
    sync();
    std::vector<void*> front;
    for (const auto& [handle, form] : ide_->forms()) {
        QWidget* w = widgetOf(handle);
        if (!w || dockArea(w) < 0) continue;
        if (!w->isVisible() && shownForms_.contains(FormKey(w))) ide_->ShowDockableForm(handle);
        if (form.firstFlag) front.push_back(handle);
    }
    for (void* handle : front) ide_->ShowDockableForm(handle);
    // The side docks narrow again before the views take their stored sizes
    // (they do once the event loop runs): a view kept at a side keeps its width.
    keepSidesNarrow();
}

void MainWindow::reportArea(QWidget* w) {
    if (!ide_ || dockArea(w) < 0) return;
    void* handle = w;
    std::int32_t known = -1;
    ide_->GetDockArea(handle, &known);
    if (known != dockArea(w)) ide_->PutIntoDockArea(handle, dockArea(w));
}

bool MainWindow::compile() {
    if (!ide_ || ide_->currentPlc().empty() || compiling_) return false;
    const std::size_t before = ide_->registeredFiles().size();
    compiling_ = true;
    bool compiled = false;
    try {
        compiled = ide_->compile();
    } catch (...) {
        compiling_ = false;
        throw;
    }
    compiling_ = false;
    sync();
    const std::size_t generated = ide_->registeredFiles().size() - before;
    statusBar()->showMessage(compiled ? tr("Compiled %1 (%2 generated files registered)")
                                            .arg(QString::fromStdString(ide_->currentPlc()))
                                            .arg(generated)
                                      : tr("Compilation stopped by a plug-in"),
                             8000);
    return compiled;
}

void MainWindow::changeLanguage(int code) {
    if (!ide_) {
        showHostHelp();  // the guide of the new language, or none
        return;
    }
    ide_->language = LanguageFromHostCode(code);
    ide_->changeLanguage(code);
    menuShapes_.clear();  // captions may have changed without a change of shape
    barShapes_.clear();
    sync();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    writeState();  // the last look before the project closes
    closeProject();
    HelpViewerWindow::closeInstance();
    event->accept();
}

void MainWindow::sync() {
    if (!ide_) return;
    syncMenu(kMenuTools);
    syncMenu(kMenuHelp);
    syncBar(kBarTools);
    syncTree();
    syncDocuments();
}

void MainWindow::fillMenu(QMenu* menu, HostMenuItem& root) {
    for (HostMenuItem* item : root.children) {
        if (!item->visible) continue;
        if (item->name == "miHelpSeparator" || (item->caption.empty() && IsHostHelpEntry(item->name))) {
            // The host's own entries; a plug-in that renamed one has made it its own.
            QAction* action = addHostHelpEntry(menu, item->name);
            if (!item->enabled) action->setEnabled(false);
            continue;
        }
        if (!item->children.empty()) {
            QMenu* sub = menu->addMenu(CaptionOf(*item));
            sub->setObjectName(QString::fromStdString(item->name));
            sub->setEnabled(item->enabled);
            fillMenu(sub, *item);
            continue;
        }
        QAction* action = menu->addAction(CaptionOf(*item));
        action->setObjectName(QString::fromStdString(item->name));
        action->setEnabled(item->enabled);
        connect(action, &QAction::triggered, this, [this, item] {
            item->click();
            sync();
        });
    }
}

void MainWindow::syncMenu(int number) {
    QMenu* menu = hostMenu(number);
    HostMenuItem& root = ide_->menu(number);
    std::string shape;
    Shape(root, shape);
    if (menuShapes_[number] == shape) return;
    menuShapes_[number] = shape;
    menu->clear();
    fillMenu(menu, root);
}

void MainWindow::syncBar(int number) {
    QToolBar* bar = hostBar(number);
    const auto& controls = ide_->toolBar(number);
    std::string shape;
    for (const HostMenuItem* c : controls) Shape(*c, shape);
    if (barShapes_[number] == shape) return;
    barShapes_[number] = shape;
    bar->clear();
    for (HostMenuItem* control : controls) {
        if (!control->visible) continue;
        QAction* action = bar->addAction(CaptionOf(*control));
        action->setObjectName(QString::fromStdString(control->name));
        action->setEnabled(control->enabled);
        for (const auto& a : ide_->actions())
            if (a.id == control->actionId && !a.hint.empty())
                action->setToolTip(QString::fromStdString(a.hint));
        connect(action, &QAction::triggered, this, [this, control] {
            control->click();
            sync();
        });
    }
}

void MainWindow::syncTree() {
    const auto& nodes = ide_->treeNodes();
    std::string shape;
    for (const auto& n : nodes) shape += n.caption + '\x1f' + std::to_string(n.data) + ';';
    if (shape == treeShape_) return;
    treeShape_ = shape;

    QTreeWidget* tree = projectTree();
    tree->clear();
    std::map<const HostIde::TreeNode*, QTreeWidgetItem*> items;
    for (const auto& node : nodes) {
        QTreeWidgetItem* item = node.parent && items.count(node.parent)
                                    ? new QTreeWidgetItem(items[node.parent])
                                    : new QTreeWidgetItem(tree);
        items[&node] = item;
        const QString caption = QString::fromStdString(node.caption);
        item->setData(0, kNodeNameRole, caption);
        if (!node.parent) {
            item->setText(0, caption);
        } else if (node.caption == "PlcDoc" && node.parent == &nodes.front()) {
            item->setText(0, tr("Documents"));  // the node the plug-ins hang their documents under
        } else if (ide_->project().findPlc(node.caption) && node.parent == &nodes.front()) {
            item->setText(0, caption);
            item->setData(0, kPlcRole, caption);
        } else {
            item->setText(0, caption);
            item->setData(0, kDocumentRole, node.data);
        }
    }
    tree->expandAll();
    showOpenPlc(QString::fromStdString(ide_->currentPlc()));
}

QWidget* MainWindow::widgetOf(void* handle) const {
    // Compared by address only: a handle that is not a live widget is never touched.
    for (QWidget* w : QApplication::allWidgets())
        if (static_cast<void*>(w) == handle) return w;
    return nullptr;
}

void MainWindow::hookForms() {
    // The host tells at once what the plug-in does with its dockable forms.
    ide_->dock.inserted = [this](void* handle) {
        QWidget* w = widgetOf(handle);
        if (!w || dockOf(w)) return;
        insertDockableForm(w);
        // Where the user drags the dock is where the host reports it to be.
        auto follow = [this, w] { reportArea(w); };
        connect(dockOf(w), &QDockWidget::dockLocationChanged, this, follow);
        connect(dockOf(w), &QDockWidget::topLevelChanged, this, follow);
        // A form its plug-in destroys without removing it leaves the host's books too.
        connect(w, &QObject::destroyed, this, [this, handle] {
            if (ide_) ide_->RemoveDockableForm(handle);
        });
    };
    ide_->dock.removed = [this](void* handle) {
        if (QWidget* w = widgetOf(handle)) removeDockableForm(w);
    };
    ide_->dock.shown = [this](void* handle) {
        if (QWidget* w = widgetOf(handle)) showDockableForm(w);
    };
    ide_->dock.docked = [this](void* handle, std::int32_t area) {
        QWidget* w = widgetOf(handle);
        if (w && dockOf(w) && dockArea(w) != area) putIntoDockArea(w, area);
    };
}

void MainWindow::syncDocuments() {
    for (const auto& doc : ide_->documents()) {
        QWidget* view = widgetOf(doc.view);
        if (!view) continue;
        const bool shown = documents()->indexOf(view) >= 0;
        if (doc.open && !shown)
            addDocument(view, QString::fromStdString(doc.title), doc.id);
        else if (!doc.open && shown)
            removeDocument(view);
    }
}

namespace {

// One line of the state file: tab-separated fields, no tab or line break inside one.
QString StateLine(const QStringList& fields) {
    QStringList clean;
    for (QString f : fields) clean << f.replace('\t', ' ').replace('\n', ' ');
    return clean.join('\t') + '\n';
}

QStringList Rect(const QRect& r) {
    return {QString::number(r.x()), QString::number(r.y()), QString::number(r.width()),
            QString::number(r.height())};
}

QRect OnScreen(const QWidget* w, const QRect& local) {
    return QRect(w->mapToGlobal(local.topLeft()), local.size());
}

// The text a widget shows the user, for the kinds scripts read or click.
std::optional<QString> ShownText(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->text();
    if (qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QTabBar*>(w)) return QString();
    return std::nullopt;
}

// The rows of item views and the tabs of tab bars, each where it is on the screen.
void DescribeItems(const QWidget* w, const QString& owner, QString& out) {
    if (auto* list = qobject_cast<const QListWidget*>(w)) {
        for (int i = 0; i < list->count(); ++i)
            out += StateLine(QStringList{"item", owner, w->objectName(), list->item(i)->text()} +
                             Rect(OnScreen(list->viewport(), list->visualItemRect(list->item(i)))));
    } else if (auto* tree = qobject_cast<const QTreeWidget*>(w)) {
        for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it)
            out += StateLine(QStringList{"item", owner, w->objectName(), (*it)->text(0)} +
                             Rect(OnScreen(tree->viewport(), tree->visualItemRect(*it))));
    } else if (auto* tabs = qobject_cast<const QTabBar*>(w)) {
        for (int i = 0; i < tabs->count(); ++i)
            out += StateLine(QStringList{"tab", owner, w->objectName(), tabs->tabText(i),
                                         tabs->currentIndex() == i ? "current" : "-"} +
                             Rect(OnScreen(tabs, tabs->tabRect(i))));
    }
}

}  // namespace

QString MainWindow::describe() const {
    QString out = StateLine(QStringList{"window", windowTitle()} + Rect(frameGeometry()));
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->isVisible()) continue;
        if (top != this)
            out += StateLine(QStringList{"top", top->windowTitle()} + Rect(top->frameGeometry()));
        for (QWidget* w : top->findChildren<QWidget*>()) {
            QString name = w->objectName();
            if (auto* tool = qobject_cast<QToolButton*>(w); tool && name.isEmpty() && tool->defaultAction())
                name = tool->defaultAction()->objectName();  // a tool-bar button is its action
            if (!w->isVisible() || name.isEmpty() || w->visibleRegion().isEmpty() || w->window() != top)
                continue;  // a floating dock is a window of its own
            // Named by the plug-in form it belongs to, else by its window.
            QWidget* form = w;
            while (form && dockArea(form) < 0) form = form->parentWidget();
            const QString owner = form ? form->windowTitle() : top->windowTitle();
            if (form == w)
                out += StateLine(QStringList{"form", owner, QString::number(dockArea(w)),
                                             inFront(w) ? "front" : "behind"} +
                                 Rect(OnScreen(w, w->rect())));
            if (const auto text = ShownText(w))
                out += StateLine(QStringList{"widget", owner, name, *text} + Rect(OnScreen(w, w->rect())));
            DescribeItems(w, owner, out);
        }
    }
    return out;
}

void MainWindow::keepStateIn(const std::filesystem::path& file) {
    stateFile_ = file;
    stateTimer_.setInterval(250);
    connect(&stateTimer_, &QTimer::timeout, this, &MainWindow::writeState, Qt::UniqueConnection);
    stateTimer_.start();
}

void MainWindow::writeState() {
    if (stateFile_.empty()) return;
    const QString state = describe();
    if (state == writtenState_) return;
    writtenState_ = state;
    const WriteResult written = WriteFileAtomically(stateFile_, state.toStdString(), {.sync = false});
    if (!written && !stateFailed_) {
        stateFailed_ = true;
        QMessageBox::warning(this, tr("Window state"), QString::fromStdString(written.failure().message()));
    }
}

int RunMainWindow(int argc, char** argv, const std::vector<std::string>& args) {
    QApplication app(argc, argv);
    // The IDE's switches are the plug-ins' business (they read the process's command line).
    std::vector<std::string> rest;
    std::filesystem::path stateFile;
    constexpr std::string_view kStateSwitch = "--state-file=";
    for (const auto& a : args) {
        if (a.starts_with(kStateSwitch))
            stateFile = a.substr(kStateSwitch.size());
        else if (!IsIdeSwitch(a))
            rest.push_back(a);
    }
    MainWindow window;
    if (!stateFile.empty()) window.keepStateIn(stateFile);
    window.show();
    if (!rest.empty() && window.openProject(QString::fromStdString(rest[0])) && rest.size() > 1)
        window.openPlc(QString::fromStdString(rest[1]));
    return app.exec();
}

}  // namespace velmora::host
