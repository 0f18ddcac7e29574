// velmora-host's window with the real plug-in module registered and loaded.
#include <dlfcn.h>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "RegisteredPlugin.h"
#include "base/IniFile.h"
#include "host/HostIde.h"

namespace velmora::host {
namespace {

using HostEndToEnd = RegisteredPlugin;

// The real window with the demo project, PLC1 open and compiled, the manager shown.
class HostViews : public HostEndToEnd {
protected:
    void SetUp() override {
        HostEndToEnd::SetUp();
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_NE(manager = openManager(*window), nullptr);
        list = manager->findChild<QListWidget*>("CheckListBox1");
        ASSERT_NE(list, nullptr);
        module = dlopen(VELMORA_PLUGIN_MODULE, RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(module, nullptr) << "the window loaded the module";
    }
    void TearDown() override {
        if (window) window->closeProject();
        window.reset();
        if (module) dlclose(module);
        HostEndToEnd::TearDown();
    }
    // The manager's check box of a line, as the user clicks it.
    void clickCheckBox(const QString& controller) {
        const auto items = list->findItems(controller, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        list->setCurrentItem(items[0]);
        items[0]->setCheckState(checked(controller) ? Qt::Unchecked : Qt::Checked);
    }
    bool checked(const QString& controller) const {
        const auto items = list->findItems(controller, Qt::MatchExactly);
        return items.size() == 1 && items[0]->checkState() == Qt::Checked;
    }
    template <class F>
    F* exported(const char* name) const {
        return reinterpret_cast<F*>(dlsym(module, name));
    }
    std::int32_t dataState(QWidget* view) const {
        auto* get = exported<HRESULT(void*, std::int32_t*)>("TCommLabel_GetDataState");
        std::int32_t state = -1;
        return get && get(view->findChild<QWidget*>("CommLabel1"), &state) == S_OK ? state : -1;
    }
    std::unique_ptr<MainWindow> window;
    QWidget* manager = nullptr;
    QListWidget* list = nullptr;
    void* module = nullptr;
};

TEST_F(HostViews, StartingFromTheManagerPutsTheViewOnlineWithTheSoftPlcsData) {
    clickCheckBox("Boiler");
    QWidget* view = View("Boiler");
    ASSERT_NE(view, nullptr) << "the check box opens the view";
    EXPECT_EQ(window->dockArea(view), kDockRight);
    ASSERT_TRUE(testing::WaitFor([&] { return dataState(view) == 1; })) << "data state " << dataState(view);
    EXPECT_TRUE(checked("Boiler"));
    for (const char* box : {"Y1Edit1", "WFEdit1", "UEdit1"}) {
        const QString text = view->findChild<QLabel*>(box)->text();
        EXPECT_TRUE(text.endsWith('%')) << box << ": " << text.toStdString();
    }
    // Stopping from the manager takes the view offline again.
    clickCheckBox("Boiler");
    EXPECT_TRUE(testing::WaitFor([&] { return dataState(view) == 0; }));
    EXPECT_FALSE(checked("Boiler"));
}

TEST_F(HostViews, ClosingAnOnlineViewWaitsForTheLoopsClosingPass) {
    clickCheckBox("Kiln");
    QPointer<QWidget> view = View("Kiln");
    ASSERT_TRUE(testing::WaitFor([&] { return view && dataState(view) == 1; }));
    view->close();
    ASSERT_FALSE(view.isNull()) << "the loop may still hold it";
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(checked("Kiln")) << "closing switched it offline";
    // Opening the controller again meanwhile makes a new view.
    list->setCurrentItem(list->findItems("Kiln", Qt::MatchExactly)[0]);
    emit list->itemDoubleClicked(list->currentItem());
    const auto widgets = QApplication::allWidgets();
    EXPECT_TRUE(std::any_of(widgets.begin(), widgets.end(), [&](QWidget* w) {
        return w->objectName() == "FormVisual1" && w != view && w->windowTitle() == "Velmora - Kiln";
    })) << "a new view";
    EXPECT_TRUE(testing::WaitFor([&] { return view.isNull(); })) << "the closing pass destroys it";
}

// Where the views were survives both round trips a user makes: File > Close PLC and opening it again, Exit
// and a new start. Kiln is a tab behind Boiler, Dryer floats partly off the screen, the manager is shown.
TEST_F(HostViews, TheDesktopBringsTheViewsBackWhereTheyWere) {
    struct RoundTrip {
        const char* name;
        void (*away)(std::unique_ptr<MainWindow>&, const std::filesystem::path&);
        bool managerShown;  // a new start shows it when the user asks
    };
    const RoundTrip trips[] = {
        {"Close PLC", [](std::unique_ptr<MainWindow>& w, const std::filesystem::path&) { w->closePlc(); },
         true},
        {"Exit",
         [](std::unique_ptr<MainWindow>& w, const std::filesystem::path& project) {
             w->close();
             w.reset();  // a new start: a window that remembers nothing
             QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
             w = std::make_unique<MainWindow>();
             w->show();
             w->openProject(QString::fromStdString(project.string()));
         },
         false},
    };
    for (const RoundTrip& trip : trips) {
        SCOPED_TRACE(trip.name);
        QWidget* mngr = window->findChild<QDockWidget*>("Dock_FormRegMngr1")->widget();
        for (const char* name : {"Dryer", "Kiln", "Boiler"}) OpenView(mngr, name);
        ASSERT_NE(View("Dryer"), nullptr);
        window->floatForm(View("Dryer"));
        window->dockOf(View("Dryer"))->setGeometry(-30, 50, 700, 480);
        QCoreApplication::processEvents();
        ASSERT_TRUE(window->inFront(View("Boiler")) && !window->inFront(View("Kiln")));
        trip.away(window, project);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(View("Boiler"), nullptr);
        const auto desktop = IniFile(project / "Velmora" / "PLC1.rglx").sectionValues("Desktop");
        EXPECT_EQ(desktop.size(), 3u);
        for (const std::string& entry : desktop)
            EXPECT_EQ(entry.find(",-"), std::string::npos) << "stored off the screen: " << entry;
        ASSERT_TRUE(window->openPlc("PLC1"));
        QCoreApplication::processEvents();
        for (const char* name : {"Dryer", "Kiln", "Boiler"}) ASSERT_NE(View(name), nullptr) << name;
        EXPECT_EQ(window->dockArea(View("Kiln")), kDockRight);
        EXPECT_GE(window->documents()->indexOf(View("Boiler")), 0) << "in the main area";
        EXPECT_TRUE(window->inFront(View("Boiler")) && !window->inFront(View("Kiln")));
        EXPECT_EQ(window->dockArea(View("Dryer")), kDockFloating);
        const QRect dryer = window->dockOf(View("Dryer"))->geometry();
        EXPECT_TRUE(dryer.x() >= 0 && dryer.x() <= 4 && std::abs(dryer.y() - 50) <= 4)
            << "moved onto the screen";
        EXPECT_EQ(dryer.size(), QSize(700, 480));
        EXPECT_EQ(window->findChild<QDockWidget*>("Dock_FormRegMngr1")->isVisible(), trip.managerShown);
        EXPECT_LE(window->findChild<QDockWidget*>("ProjectTreeDock")->width(), MainWindow::kSideWidth + 8);
        for (const char* name : {"Dryer", "Kiln", "Boiler"}) View(name)->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(HostViews, TheExportedLabelSettersDriveTheViewsLabel) {
    clickCheckBox("Mixer");
    QWidget* view = View("Mixer");
    ASSERT_NE(view, nullptr);
    QWidget* label = view->findChild<QWidget*>("CommLabel1");
    ASSERT_NE(label, nullptr);
    using Set = HRESULT(void*, std::int32_t);
    using Get = HRESULT(void*, std::int32_t*);
    auto* setComm = exported<Set>("TCommLabel_SetCommState");
    auto* setWidth = exported<Set>("TCommLabel_Set_DataWidthPRC");
    auto* setFixed = exported<HRESULT(void*, VARIANT_BOOL)>("TCommLabel_Set_IsFixed");
    auto* getFixed = exported<HRESULT(void*, VARIANT_BOOL*)>("TCommLabel_Get_IsFixed");
    ASSERT_TRUE(setComm && setWidth && setFixed && getFixed);
    EXPECT_EQ(setComm(label, 6), S_OK);             // csTrying
    EXPECT_EQ(setComm(label, 9), E_INVALIDARG);     // past csUserTextF
    EXPECT_EQ(setWidth(label, 101), E_INVALIDARG);  // more than the whole strip
    EXPECT_EQ(setComm(manager, 3), E_POINTER);      // a widget that is no label
    EXPECT_EQ(setComm(list + 1, 3), E_POINTER);     // no widget at all
    EXPECT_EQ(setWidth(label, 30), S_OK);           // a third for the data part
    EXPECT_EQ(setFixed(label, VARIANT_TRUE), S_OK);
    for (const auto& [getter, expected] :
         {std::pair{"TCommLabel_GetCommState", 6}, {"TCommLabel_Get_DataWidthPRC", 30}}) {
        std::int32_t value = -1;
        ASSERT_NE(exported<Get>(getter), nullptr) << getter;
        EXPECT_EQ(exported<Get>(getter)(label, &value), S_OK) << getter;
        EXPECT_EQ(value, expected) << getter;
    }
    VARIANT_BOOL fixed = VARIANT_FALSE;
    EXPECT_EQ(getFixed(label, &fixed), S_OK);
    EXPECT_EQ(fixed, VARIANT_TRUE);
    EXPECT_EQ(exported<Get>("TCommLabel_GetCommState")(label, nullptr), E_POINTER);
}

TEST_F(HostViews, SwitchingThePlcClosesTheViewsAndLeavesTheOtherPlcsFileAlone) {
    clickCheckBox("Boiler");
    ASSERT_TRUE(testing::WaitFor([&] { return View("Boiler") && dataState(View("Boiler")) == 1; }));
    const auto plc2 = project / "Velmora" / "PLC2.rglx";
    const std::string before = testing::ReadBytes(plc2);
    ASSERT_TRUE(window->openPlc("PLC2"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(View("Boiler"), nullptr);
    // The desktop went with PLC1; the manager comes back shown, for PLC2.
    list = window->findChild<QDockWidget*>("Dock_FormRegMngr1")
               ->widget()
               ->findChild<QListWidget*>("CheckListBox1");
    ASSERT_EQ(list->count(), 1) << "the manager follows the PLC";
    EXPECT_EQ(list->item(0)->text(), "Chiller");
    window->closePlc();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Named("FormRegMngr1"), nullptr) << "stored with the desktop until a PLC opens";
    EXPECT_EQ(testing::ReadBytes(plc2), before);
    EXPECT_FALSE(std::filesystem::exists(project / "Velmora" / ".rglx"));
}

TEST_F(HostEndToEnd, ThePlugInsEntriesAppearAndFollowThePlc) {
    auto window = std::make_unique<MainWindow>();
    window->show();
    ASSERT_TRUE(window->openProject(QString::fromStdString(project.string())));
    EXPECT_TRUE(window->problems().isEmpty()) << window->problems().join('\n').toStdString();
    QMenu* tools = window->hostMenu(kMenuTools);
    ASSERT_EQ(tools->actions().size(), 1);
    ASSERT_EQ(window->hostBar(kBarTools)->actions().size(), 1);
    QAction* entry = tools->actions()[0];
    EXPECT_EQ(entry->text(), "Velmora");
    // The help entry sits in the shared plug-ins sub-menu, third in the help menu.
    const auto help = window->hostMenu(kMenuHelp)->actions();
    ASSERT_GE(help.size(), 3);
    ASSERT_NE(help[2]->menu(), nullptr);
    EXPECT_EQ(help[2]->menu()->objectName(), "miPluginsHelpIn_miHelp");
    for (const bool open : {false, true, false}) {
        if (open)
            ASSERT_TRUE(window->openPlc("PLC1"));
        else if (!window->ide()->currentPlc().empty())
            window->closePlc();
        EXPECT_EQ(entry->isEnabled(), open);
        EXPECT_EQ(window->hostBar(kBarTools)->actions()[0]->isEnabled(), open);
        if (!open) continue;
        // The plug-in's action opens its manager, docked where the plug-in asked.
        entry->trigger();
        QDockWidget* managerDock = window->findChild<QDockWidget*>("Dock_FormRegMngr1");
        ASSERT_NE(managerDock, nullptr);
        EXPECT_TRUE(managerDock->isVisible());
        EXPECT_EQ(window->dockArea(managerDock->widget()), kDockLeft);
    }
    window->closeProject();
    EXPECT_EQ(window->ide(), nullptr);
}

// The report's text box.
QPlainTextEdit* ReportText(MainWindow& window) {
    QWidget* report = OpenReport(window);
    return report ? report->findChild<QPlainTextEdit*>("Memo1") : nullptr;
}

// The report as a user meets it: the "Controllers information" node double-clicked in the project tree.
TEST_F(HostEndToEnd, TheReportNodeOpensTheReportInTheEditorsFontAndRebuildsItOnEveryOpen) {
    std::filesystem::remove(project / "Velmora" / "PLC2.rglx");  // PLC2 has no controller yet
    MainWindow window;
    window.show();
    ASSERT_TRUE(window.openProject(QString::fromStdString(project.string())));
    window.ide()->editorFontSize = 13;
    ASSERT_TRUE(window.openPlc("PLC1"));
    EXPECT_EQ(window.treeNode("PlcDoc")->child(0)->text(0), "Controllers information");
    QPlainTextEdit* memo = ReportText(window);
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(window.documents()->tabText(window.documents()->currentIndex()), "Controller Report");
    EXPECT_TRUE(memo->isVisible() && memo->toPlainText().contains("Controller       : Boiler\n"));
    EXPECT_EQ(memo->font().pointSize(), 13);
    // Closed, the editor's font changed, another PLC opened: the next open
    // takes the new font and shows the PLC without controller file.
    emit window.documents()->tabCloseRequested(window.documents()->currentIndex());
    EXPECT_TRUE(window.documents()->count() == 0 && !window.ide()->documents()[0].open);
    window.ide()->editorFont = "Velmora No Such Face", window.ide()->editorFontSize = 11;
    ASSERT_TRUE(window.openPlc("PLC2"));
    memo = ReportText(window);
    ASSERT_NE(memo, nullptr);
    const QFontInfo font(memo->font());
    EXPECT_EQ(font.pointSize(), 11);
    EXPECT_TRUE(font.fixedPitch()) << "a missing face falls back to a fixed-pitch one";
    const QString text = memo->toPlainText();
    EXPECT_FALSE(text.contains("Controller       :")) << text.toStdString();
    EXPECT_TRUE(text.contains("Project          : PLC2\n") && text.endsWith("Generated by ORVANE"))
        << text.toStdString();
    // A language change rewrites the open report and its menu.
    window.changeLanguage(kLanguageCzech);
    EXPECT_FALSE(memo->toPlainText().startsWith("Warning\n"));
    EXPECT_NE(window.findChild<QAction*>("miSave1")->text(), "Save");
    window.changeLanguage(kLanguageEnglish);  // the module stays loaded for the next test
    window.closeProject();
}

// The end of the new-controller wizard: after the start page the simulation dialog comes up modally, its
// "..." picks the disturbance variable through the host's selection window, and the controller's view opens
// on what the dialog wrote.
TEST_F(HostEndToEnd, WizardEndsInTheSimulationDialogThenTheView) {
    auto window = std::make_unique<MainWindow>();
    window->show();
    QWidget* manager = openManager(*window);
    ASSERT_NE(manager, nullptr);
    // Answers each modal window as a user would, recording which came up. A
    // window opened from inside an answer (the start page's OK opens the
    // simulation dialog, its "..." the host's selection) takes a second and third driver.
    QStringList seen, messages;
    QString picked;
    const auto answer = [&](QWidget* modal) {
        const QString name = modal->objectName();
        seen << name;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages << box->text();
            return box->defaultButton() ? box->defaultButton()->click() : void(box->close());
        } else if (name == "FormNew1") {
            modal->findChild<QLineEdit*>("Edit1")->setText("Dryer2");
            auto* kind = modal->findChild<QComboBox*>("ComboBox1");
            kind->setCurrentIndex(kind->findText("PIDA"));
        } else if (name == "FormSim1") {
            modal->findChild<QCheckBox*>("CheckBoxSim1")->setChecked(true);
            modal->findChild<QRadioButton*>("RadioButton2")->setChecked(true);
            modal->findChild<QRadioButton*>("RadioButtonAdd3")->setChecked(true);
            modal->findChild<QPushButton*>("ButtonAddOut1")->click();  // the host's selection, modal
            picked = modal->findChild<QLineEdit*>("EditAddOutName1")->text();
        } else if (name == "FormPIDMA1") {
            modal->findChild<QLineEdit*>("EditName1")->setText("Dryer_Humidity");
            modal->findChild<QLineEdit*>("EditName2")->setText("Dryer_Heater");
        } else if (name == "VariableSelection") {
            modal->findChild<QLineEdit*>("Filter")->setText("Dryer_Heat");
            return modal->findChild<QPushButton*>("OkButton")->click();
        }
        if (auto* ok = modal->findChild<QPushButton*>("Button1")) ok->click();  // every page's OK
    };
    testing::AnswerModalsDuring([&] { manager->findChild<QToolButton*>("ToolButton1")->click(); }, answer, 3);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    const int start = static_cast<int>(seen.indexOf("FormStr1")),
              sim = static_cast<int>(seen.indexOf("FormSim1"));
    ASSERT_GE(sim, 0) << seen.join(", ").toStdString();
    EXPECT_LT(start, sim) << seen.join(", ").toStdString();
    EXPECT_EQ(seen.indexOf("VariableSelection"), sim + 1) << seen.join(", ").toStdString();
    EXPECT_EQ(picked, "Dryer_Heater");
    IniFile file(project / "Velmora" / "PLC1.rglx");
    for (const auto& [key, value] : {std::pair{"Simulation", "1"},
                                     {"TypSoustavy", "1"},
                                     {"AddOut", "2"},
                                     {"AddOutName", "Dryer_Heater"}})
        EXPECT_EQ(file.readString("Regulator Dryer2", key, ""), value) << key;
    EXPECT_NE(View("Dryer2"), nullptr) << "the view opens after the dialog";
    window->closeProject();
}

}  // namespace
}  // namespace velmora::host
