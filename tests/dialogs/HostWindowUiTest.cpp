// The stand-in IDE's main window: what the plug-in reaches through the host.
#include <gtest/gtest.h>

#include "support/UiApp.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>

#include <cstdlib>

#include "HostWindow.h"

namespace velmora::host {
namespace {

QApplication& App() {
    return testing::UiApp();
}

// The application must exist before the window member is built.
struct WithApp {
    WithApp() { App(); }
};

class HostWindowTest : public ::testing::Test, private WithApp {
protected:
    HostWindow window;
};

TEST_F(HostWindowTest, HasTheMenusAndBarsThePlugInAsksFor) {
    ASSERT_NE(window.hostMenu(kMenuTools), nullptr);
    ASSERT_NE(window.hostMenu(kMenuHelp), nullptr);
    EXPECT_NE(window.hostBar(kBarTools), nullptr);
    EXPECT_EQ(window.hostMenu(42), nullptr);
    EXPECT_EQ(window.hostBar(42), nullptr);
    EXPECT_NE(window.hostMenu(kMenuTools), window.hostMenu(kMenuHelp));
}

TEST_F(HostWindowTest, TheProjectTreeHasTheDocumentNodeAndOpensPlcs) {
    EXPECT_EQ(window.treeNode("PlcDoc"), nullptr) << "no project, no node";
    window.showProject("Demo", {"PLC1", "PLC2"});
    QTreeWidgetItem* docs = window.treeNode("PlcDoc");
    ASSERT_NE(docs, nullptr);
    EXPECT_EQ(window.treeNode("Nothing"), nullptr);

    std::vector<QString> opened;
    QObject::connect(&window, &HostWindow::openPlcRequested, [&](const QString& p) { opened.push_back(p); });
    QTreeWidgetItem* plc2 = window.treeNode("Plc PLC2");
    ASSERT_NE(plc2, nullptr);
    emit window.projectTree()->itemDoubleClicked(plc2, 0);
    emit window.projectTree()->itemDoubleClicked(docs, 0);
    EXPECT_EQ(opened, std::vector<QString>{"PLC2"}) << "only PLC nodes open a PLC";
    auto* plcMenu = window.findChild<QMenu*>("OpenPlcMenu");
    ASSERT_NE(plcMenu, nullptr);
    ASSERT_EQ(plcMenu->actions().size(), 2);
    plcMenu->actions()[0]->trigger();
    EXPECT_EQ(opened, (std::vector<QString>{"PLC2", "PLC1"}));
}

TEST_F(HostWindowTest, CompileAndCloseNeedAnOpenPlc) {
    window.showProject("Demo", {"PLC1"});
    auto* compile = window.findChild<QAction*>("CompileAction");
    auto* close = window.findChild<QAction*>("ClosePlcAction");
    ASSERT_TRUE(compile && close);
    EXPECT_FALSE(compile->isEnabled());
    window.showOpenPlc("PLC1");
    EXPECT_TRUE(compile->isEnabled());
    EXPECT_TRUE(close->isEnabled());
    EXPECT_TRUE(window.treeNode("Plc PLC1")->font(0).bold());
    int compiles = 0;
    QObject::connect(&window, &HostWindow::compileRequested, [&] { ++compiles; });
    compile->trigger();
    EXPECT_EQ(compiles, 1);
    window.showOpenPlc("");
    EXPECT_FALSE(compile->isEnabled());
}

TEST_F(HostWindowTest, TheLanguageSwitchRaisesTheHostsCodes) {
    std::vector<int> codes;
    QObject::connect(&window, &HostWindow::languageChangeRequested, [&](int c) { codes.push_back(c); });
    auto* czech = window.findChild<QAction*>("Language405");
    auto* russian = window.findChild<QAction*>("Language407");
    auto* english = window.findChild<QAction*>("Language409");
    ASSERT_TRUE(czech && russian && english);
    EXPECT_TRUE(english->isChecked());
    czech->trigger();
    czech->trigger();  // no change, no event
    russian->trigger();
    english->trigger();
    EXPECT_EQ(codes, (std::vector<int>{0x405, 0x407, 0x409}));
    EXPECT_EQ(window.languageCode(), 0x409);
    EXPECT_TRUE(english->isChecked());
    EXPECT_FALSE(czech->isChecked());
}

TEST_F(HostWindowTest, DockableFormsGoWhereTheyAreToldAndStayThePlugInsOwn) {
    window.show();
    auto* manager = new QLabel("manager");
    manager->setObjectName("FormRegMngr1");
    manager->setWindowTitle("Controllers");
    window.insertDockableForm(manager);
    ASSERT_NE(window.dockOf(manager), nullptr);
    EXPECT_FALSE(window.dockOf(manager)->isVisible()) << "inserted forms wait to be shown";
    window.putIntoDockArea(manager, kDockLeft);
    window.showDockableForm(manager);
    EXPECT_TRUE(window.dockOf(manager)->isVisible());
    EXPECT_EQ(window.dockArea(manager), kDockLeft);
    manager->setWindowTitle("Regulators");
    EXPECT_EQ(window.dockOf(manager)->windowTitle(), "Regulators");

    auto* view1 = new QLabel("view 1");
    auto* view2 = new QLabel("view 2");
    for (QLabel* v : {view1, view2}) {
        window.insertDockableForm(v);
        window.showDockableForm(v);
        window.putIntoDockArea(v, kDockRight);
    }
    EXPECT_EQ(window.dockArea(view2), kDockRight);
    EXPECT_EQ(window.tabifiedDockWidgets(window.dockOf(view1)), QList<QDockWidget*>{window.dockOf(view2)});
    window.putIntoDockArea(view2, kDockFloating);
    EXPECT_EQ(window.dockArea(view2), kDockFloating);

    window.removeDockableForm(manager);
    EXPECT_EQ(window.dockOf(manager), nullptr);
    EXPECT_EQ(window.dockArea(manager), -1);
    EXPECT_EQ(manager->parent(), nullptr) << "removing gives the form back";
    delete manager;

    QPointer<QDockWidget> dock = window.dockOf(view1);
    delete view1;  // destroyed while docked
    EXPECT_EQ(window.dockOf(view1), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dock.isNull());
}

TEST_F(HostWindowTest, ADocumentOpensOnceAsATab) {
    auto* report = new QLabel("report");
    window.addDocument(report, "Controller Report");
    window.addDocument(report, "Controller Report");
    EXPECT_EQ(window.documents()->count(), 1);
    EXPECT_EQ(window.documents()->tabText(0), "Controller Report");
}

}  // namespace
}  // namespace velmora::host
