#include "HostWindow.h"

#include <QEvent>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDockWidget>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWindow>

#include <algorithm>

namespace velmora::host {

namespace {

Qt::DockWidgetArea QtArea(int area) {
    switch (area) {
        case kDockDefault:
        case kDockLeft:
            return Qt::LeftDockWidgetArea;
        case kDockBottom:
            return Qt::BottomDockWidgetArea;
        case kDockTop:
            return Qt::TopDockWidgetArea;
        default:
            return Qt::RightDockWidgetArea;
    }
}

int HostArea(Qt::DockWidgetArea area) {
    switch (area) {
        case Qt::LeftDockWidgetArea:
            return kDockLeft;
        case Qt::BottomDockWidgetArea:
            return kDockBottom;
        case Qt::TopDockWidgetArea:
            return kDockTop;
        case Qt::RightDockWidgetArea:
            return kDockRight;
        default:
            return kDockFloating;
    }
}

QTreeWidgetItem* FindNode(QTreeWidgetItem* item, const QString& name) {
    if (item->data(0, HostWindow::kNodeNameRole).toString() == name) return item;
    for (int i = 0; i < item->childCount(); ++i)
        if (QTreeWidgetItem* found = FindNode(item->child(i), name)) return found;
    return nullptr;
}

}  // namespace

HostWindow::HostWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName("HostWindow");
    setWindowTitle("Orvane IDE (velmora-host)");
    setDockOptions(AnimatedDocks | AllowTabbedDocks | AllowNestedDocks);

    documents_ = new QTabWidget(this);
    documents_->setObjectName("Documents");
    documents_->setDocumentMode(true);
    documents_->tabBar()->setObjectName("DocumentTabs");
    documents_->setTabsClosable(true);
    connect(documents_, &QTabWidget::tabCloseRequested, this, [this](int index) {
        QWidget* view = documents_->widget(index);
        if (docks_.count(view)) {
            view->close();  // a plug-in's form: the plug-in decides whether it may go
            return;
        }
        const QVariant id = view->property("velmoraDocumentId");
        removeDocument(view);
        if (id.isValid()) emit documentClosed(id.toInt());
    });
    setCentralWidget(documents_);
    documents_->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(documents_->tabBar(), &QWidget::customContextMenuRequested, this, &HostWindow::tabMenu);
    connect(documents_, &QTabWidget::tabBarDoubleClicked, this, [this](int index) {
        if (QWidget* form = documents_->widget(index); form && docks_.count(form)) floatForm(form);
    });

    tree_ = new QTreeWidget(this);
    tree_->setObjectName("ProjectTree");
    tree_->setHeaderHidden(true);
    treeDock_ = named(new QDockWidget(this), "Project");
    treeDock_->setObjectName("ProjectTreeDock");
    treeDock_->setWidget(tree_);
    treeDock_->setFeatures(QDockWidget::DockWidgetMovable);
    addDockWidget(Qt::LeftDockWidgetArea, treeDock_);
    resizeDocks({treeDock_}, {kSideWidth}, Qt::Horizontal);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { nodeActivated(item); });

    status_ = new QLabel(this);
    status_->setObjectName("StatusLabel");
    statusBar()->addWidget(status_, 1);

    buildMenus();
    showProject(QString(), {});
    resize(1100, 720);
}

HostWindow::~HostWindow() {
    // Forms still docked die with their docks below; their bookkeeping must not run then.
    for (auto& [form, dock] : docks_) disconnect(form, nullptr, this, nullptr);
    docks_.clear();
}

void HostWindow::buildMenus() {
    QMenu* file = named(menuBar()->addMenu(QString()), "&File");
    file->setObjectName("FileMenu");
    QAction* openProject =
        named(file->addAction(QString(), this, &HostWindow::openProjectDialog), "&Open project...");
    openProject->setObjectName("OpenProjectAction");
    openProject->setShortcut(QKeySequence::Open);
    openProject->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    plcMenu_ = named(file->addMenu(QString()), "Open &PLC");
    plcMenu_->setObjectName("OpenPlcMenu");
    closePlc_ = named(file->addAction(QString(), this, &HostWindow::closePlcRequested), "&Close PLC");
    closePlc_->setObjectName("ClosePlcAction");
    file->addSeparator();
    named(file->addAction(QString(), this, &QWidget::close), "E&xit")->setShortcut(QKeySequence::Quit);
    menus_[kMenuFile] = file;

    QMenu* project = named(menuBar()->addMenu(QString()), "&Project");
    project->setObjectName("ProjectMenu");
    compile_ = named(project->addAction(QString(), this, &HostWindow::compileRequested), "&Compile");
    compile_->setObjectName("CompileAction");
    compile_->setShortcut(Qt::Key_F9);
    compile_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    menus_[kMenuProject] = project;

    QMenu* tools = named(menuBar()->addMenu(QString()), "&Tools");
    tools->setObjectName("ToolsMenu");
    menus_[kMenuTools] = tools;

    buildLanguageMenu();

    QMenu* help = named(menuBar()->addMenu(QString()), "&Help");
    help->setObjectName("HelpMenu");
    named(help->addAction(QString(), this,
                          [this] {
                              QMessageBox::about(
                                  this, tr("About"),
                                  tr("Orvane IDE stand-in for the Velmora controllers plug-in."));
                          }),
          "&About velmora-host");
    menus_[kMenuHelp] = help;

    QToolBar* standard = named(addToolBar(QString()), "Standard");
    standard->setObjectName("StandardBar");
    standard->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    standard->addAction(openProject);
    standard->addAction(compile_);
    bars_[kBarStandard] = standard;
    QToolBar* toolsBar = named(addToolBar(QString()), "Tools");
    toolsBar->setObjectName("ToolsBar");
    bars_[kBarTools] = toolsBar;
}

// One checkable entry per language, each in its own name and script.
void HostWindow::buildLanguageMenu() {
    QMenu* language = named(menuBar()->addMenu(QString()), "&Language");
    language->setObjectName("LanguageMenu");
    languages_ = new QActionGroup(this);
    const std::pair<const char*, int> choices[] = {
        {"English", kLanguageEnglish},
        {"\xC4\x8C"
         "e\xC5\xA1tina",
         kLanguageCzech},
        {"\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9", kLanguageRussian}};
    for (auto [name, code] : choices) {
        QAction* a = language->addAction(QString::fromUtf8(name));
        a->setObjectName(QString("Language%1").arg(code, 0, 16));
        a->setCheckable(true);
        a->setChecked(code == languageCode_);
        a->setActionGroup(languages_);
        connect(a, &QAction::triggered, this, [this, code] { chooseLanguage(code); });
    }
}

template <class T>
T* HostWindow::named(T* object, const char* source) {
    captions_.push_back({object, source});
    setCaption(object, tr(source));
    return object;
}

void HostWindow::setCaption(QObject* object, const QString& text) {
    if (auto* a = qobject_cast<QAction*>(object))
        a->setText(text);
    else if (auto* m = qobject_cast<QMenu*>(object))
        m->setTitle(text);
    else if (auto* w = qobject_cast<QWidget*>(object))
        w->setWindowTitle(text);
}

void HostWindow::retranslate() {
    for (const auto& [object, source] : captions_)
        if (object) setCaption(object, tr(source));
    if (QTreeWidgetItem* docs = treeNode("PlcDoc")) docs->setText(0, tr("Documents"));
    showOpenPlc(openPlc_);
}

void HostWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslate();
    QMainWindow::changeEvent(event);
}

void HostWindow::useSettings(const std::filesystem::path& registryFile) {
    settings_ = registryFile;
    const int stored = StoredLanguageCode(registryFile);
    if (stored != languageCode_) chooseLanguage(stored);
}

QMenu* HostWindow::hostMenu(int number) const {
    auto it = menus_.find(number);
    return it == menus_.end() ? nullptr : it->second;
}

QToolBar* HostWindow::hostBar(int number) const {
    auto it = bars_.find(number);
    return it == bars_.end() ? nullptr : it->second;
}

QTreeWidgetItem* HostWindow::treeNode(const QString& name) const {
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* found = FindNode(tree_->topLevelItem(i), name)) return found;
    return nullptr;
}

void HostWindow::showProject(const QString& name, const QStringList& plcs) {
    tree_->clear();
    openPlc_.clear();
    plcMenu_->clear();
    for (const QString& plc : plcs)
        plcMenu_->addAction(plc, this, [this, plc] { emit openPlcRequested(plc); });
    plcMenu_->setEnabled(!plcs.isEmpty());
    if (!name.isEmpty()) {
        auto* root = new QTreeWidgetItem(tree_, {name});
        root->setData(0, kNodeNameRole, "Project");
        for (const QString& plc : plcs) {
            auto* node = new QTreeWidgetItem(root, {plc});
            node->setData(0, kNodeNameRole, "Plc " + plc);
            node->setData(0, kPlcRole, plc);
        }
        // The plug-ins hang their documents under this node.
        auto* docs = new QTreeWidgetItem(root, {tr("Documents")});
        docs->setData(0, kNodeNameRole, "PlcDoc");
        tree_->expandAll();
    }
    showOpenPlc(QString());
}

void HostWindow::showOpenPlc(const QString& plc) {
    openPlc_ = plc;
    if (QTreeWidgetItem* root = tree_->topLevelItem(0)) {
        for (int i = 0; i < root->childCount(); ++i) {
            QTreeWidgetItem* node = root->child(i);
            QFont f = node->font(0);
            f.setBold(!plc.isEmpty() && node->data(0, kPlcRole).toString() == plc);
            node->setFont(0, f);
        }
    }
    closePlc_->setEnabled(!plc.isEmpty());
    compile_->setEnabled(!plc.isEmpty());
    if (tree_->topLevelItemCount() == 0)
        status_->setText(tr("No project open"));
    else if (plc.isEmpty())
        status_->setText(tr("No PLC open: double-click a PLC in the project tree"));
    else
        status_->setText(tr("PLC %1 open").arg(plc));
}

void HostWindow::nodeActivated(QTreeWidgetItem* item) {
    if (!item) return;
    const QString plc = item->data(0, kPlcRole).toString();
    if (!plc.isEmpty()) emit openPlcRequested(plc);
    const QVariant document = item->data(0, kDocumentRole);
    if (document.isValid()) emit documentRequested(document.toInt());
}

void HostWindow::openProjectDialog() {
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Open project folder"));
    if (!folder.isEmpty()) emit openProjectRequested(folder);
}

void HostWindow::chooseLanguage(int code) {
    if (code == languageCode_) return;
    languageCode_ = code;
    for (QAction* a : languages_->actions())
        a->setChecked(a->objectName() == QString("Language%1").arg(code, 0, 16));
    if (!settings_.empty()) StoreLanguageCode(settings_, code);
    language_.apply(code);
    retranslate();  // at once; the language-change events only follow from the event loop
    emit languageChangeRequested(code);
}

namespace {

// Closing a dock closes its form: the plug-in decides whether it may go
// (a view that its communication still uses finishes closing later).
class DockCloser : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Close) return false;
        auto* dock = static_cast<QDockWidget*>(watched);
        if (QWidget* form = dock->widget(); form && !form->close()) {
            event->ignore();
            return true;
        }
        return false;
    }
};

}  // namespace

void HostWindow::insertDockableForm(QWidget* form) {
    if (docks_.count(form)) return;
    auto* dock = new QDockWidget(form->windowTitle(), this);
    dock->setObjectName("Dock_" + form->objectName());
    dock->setWidget(form);
    dock->installEventFilter(new DockCloser(dock));
    dock->hide();
    addDockWidget(QtArea(kDockDefault), dock);
    dock->hide();
    connect(form, &QWidget::windowTitleChanged, dock, &QDockWidget::setWindowTitle);
    connect(form, &QWidget::windowTitleChanged, this, [this, form](const QString& title) {
        if (const int index = documents_->indexOf(form); index >= 0) documents_->setTabText(index, title);
    });
    // A floating form of the main area docks back there, not at a side.
    connect(dock, &QDockWidget::topLevelChanged, this, [this, form](bool floating) {
        if (floating || !form->property("velmoraMainArea").toBool()) return;
        QTimer::singleShot(0, this, [this, form] {
            if (!docks_.count(form) || dockOf(form)->isFloating()) return;
            toMainArea(form);
            showDockableForm(form);
            emit formMoved(form);
        });
    });
    // A form the plug-in destroys without removing it first takes its dock along.
    connect(form, &QObject::destroyed, this, [this, form, dock] {
        docks_.erase(form);
        dock->deleteLater();
    });
    docks_[form] = dock;
}

void HostWindow::removeDockableForm(QWidget* form) {
    auto it = docks_.find(form);
    if (it == docks_.end()) return;
    QDockWidget* dock = it->second;
    docks_.erase(it);
    disconnect(form, nullptr, this, nullptr);
    disconnect(form, nullptr, dock, nullptr);
    if (const int index = documents_->indexOf(form); index >= 0) documents_->removeTab(index);
    removeDockWidget(dock);
    form->hide();
    form->setParent(nullptr);  // the form is the plug-in's; only the dock is ours
    dock->deleteLater();       // the dock may be in the middle of its own close
}

void HostWindow::showDockableForm(QWidget* form) {
    if (documents_->indexOf(form) >= 0) {
        form->show();
        documents_->setCurrentWidget(form);
        return;
    }
    if (QDockWidget* dock = dockOf(form)) {
        form->show();
        dock->show();
        dock->raise();
    }
}

void HostWindow::putIntoDockArea(QWidget* form, int area) {
    QDockWidget* dock = dockOf(form);
    if (!dock) return;
    if (area == kDockRight) {
        toMainArea(form);
        return;
    }
    // A form floated before it had a side is one of the main area: it docks back there.
    if (area != kDockFloating)
        form->setProperty("velmoraMainArea", false);
    else if (!form->property("velmoraMainArea").isValid())
        form->setProperty("velmoraMainArea", true);
    const bool wasMain = documents_->indexOf(form) >= 0;
    fromMainArea(form);
    if (area == kDockFloating) {
        dock->setFloating(true);
        if (wasMain) dock->show();
        return;
    }
    const Qt::DockWidgetArea target = QtArea(area);
    QDockWidget* neighbour = nullptr;
    for (auto& [other, otherDock] : docks_)
        if (otherDock != dock && !otherDock->isFloating() && dockWidgetArea(otherDock) == target &&
            otherDock->isVisible())
            neighbour = otherDock;
    dock->setFloating(false);
    addDockWidget(target, dock);
    if (neighbour) tabifyDockWidget(neighbour, dock);  // views of one area share it as tabs
}

int HostWindow::dockArea(QWidget* form) const {
    QDockWidget* dock = dockOf(form);
    if (!dock) return -1;
    if (documents_->indexOf(form) >= 0) return kDockRight;
    if (dock->isFloating()) return kDockFloating;
    return HostArea(dockWidgetArea(dock));
}

QDockWidget* HostWindow::dockOf(QWidget* form) const {
    auto it = docks_.find(form);
    return it == docks_.end() ? nullptr : it->second;
}

bool HostWindow::inFront(QWidget* form) const {
    if (documents_->indexOf(form) >= 0) return documents_->currentWidget() == form;
    QDockWidget* dock = dockOf(form);
    if (!dock || !dock->isVisible()) return false;
    // A dock tabbed behind another is laid out but shows nothing.
    return dock->isFloating() || tabifiedDockWidgets(dock).isEmpty() || !dock->visibleRegion().isEmpty();
}

void HostWindow::toMainArea(QWidget* form) {
    QDockWidget* dock = dockOf(form);
    if (!dock || documents_->indexOf(form) >= 0) return;
    form->setProperty("velmoraMainArea", true);
    const bool shown = dock->isVisible();
    dock->hide();
    removeDockWidget(dock);
    const int index = documents_->addTab(form, form->windowTitle());  // takes the form out of its dock
    form->show();
    if (shown) documents_->setCurrentIndex(index);  // shown before it was placed: it is the new one
    keepSidesNarrow();                              // shown at a side first, the form may have widened it
}

void HostWindow::fromMainArea(QWidget* form) {
    const int index = documents_->indexOf(form);
    if (index < 0) return;
    documents_->removeTab(index);
    QDockWidget* dock = dockOf(form);
    dock->setWidget(form);
    addDockWidget(Qt::RightDockWidgetArea, dock);  // a dock outside the layout cannot float or dock back
    form->show();
}

namespace {

// The size that shows a form whole: its scrolled page fits its content, no
// more (a form of the main area has grown to the area).
QSize WholeSize(QWidget* form) {
    QSize size = form->size();
    for (QScrollArea* scroll : form->findChildren<QScrollArea*>()) {
        if (!scroll->widget() || !scroll->isVisible()) continue;
        size += scroll->widget()->size() - scroll->viewport()->size() + QSize(4, 4);
        break;
    }
    return size.expandedTo(form->minimumSizeHint());
}

}  // namespace

void HostWindow::floatForm(QWidget* form) {
    QDockWidget* dock = dockOf(form);
    if (!dock) return;
    const QSize whole = WholeSize(form);
    putIntoDockArea(form, kDockFloating);
    const QRect screen = (windowHandle() && windowHandle()->screen() ? windowHandle()->screen()
                                                                     : QGuiApplication::primaryScreen())
                             ->availableGeometry();
    // The dock's title bar and frame come on top of the form.
    const QSize chrome = (dock->minimumSizeHint() - form->minimumSizeHint()).expandedTo(QSize(0, 0));
    QRect r(QPoint(), (whole + chrome).boundedTo(screen.size()));
    r.moveCenter(geometry().center());
    r.moveLeft(std::clamp(r.left(), screen.left(), screen.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), screen.top(), screen.bottom() - r.height() + 1));
    dock->setGeometry(r);
    dock->show();
    dock->raise();
    emit formMoved(form);
}

void HostWindow::keepSidesNarrow() {
    QList<QDockWidget*> sides{treeDock_};
    QList<int> widths{kSideWidth};
    for (auto& [form, dock] : docks_) {
        const Qt::DockWidgetArea area = dockWidgetArea(dock);
        if (dock->isVisible() && !dock->isFloating() &&
            (area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea)) {
            sides << dock;
            widths << kSideWidth;
        }
    }
    resizeDocks(sides, widths, Qt::Horizontal);
}

void HostWindow::tabMenu(const QPoint& at) {
    QWidget* form = documents_->widget(documents_->tabBar()->tabAt(at));
    if (!form || !docks_.count(form)) return;
    QMenu menu(this);
    menu.addAction(tr("Float"), this, [this, form] { floatForm(form); });
    menu.exec(documents_->tabBar()->mapToGlobal(at));
}

void HostWindow::addDocument(QWidget* view, const QString& title, int documentId) {
    const int index = documents_->indexOf(view);
    if (index >= 0) {
        documents_->setTabText(index, title);
        documents_->setCurrentIndex(index);
        return;
    }
    if (documentId >= 0) view->setProperty("velmoraDocumentId", documentId);
    documents_->setCurrentIndex(documents_->addTab(view, title));
    // A document that renames its window (a language switch) renames its tab.
    connect(view, &QWidget::windowTitleChanged, documents_, [this, view](const QString& text) {
        if (const int at = documents_->indexOf(view); at >= 0 && !text.isEmpty())
            documents_->setTabText(at, text);
    });
    view->show();
}

void HostWindow::removeDocument(QWidget* view) {
    const int index = documents_->indexOf(view);
    if (index < 0) return;
    documents_->removeTab(index);
    view->hide();
    view->setParent(nullptr);  // the view is its owner's, not the window's
}

}  // namespace velmora::host
