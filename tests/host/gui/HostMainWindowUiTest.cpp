// velmora-host's main window over the host's logic. The plug-in's side is
// played by calling the host interfaces directly, as a plug-in would.
#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QTreeWidget>

#include "host/HostIde.h"
#include "host/gui/MainWindow.h"
#include "support/Support.h"
#include "support/UiApp.h"

namespace velmora::host {
namespace {

// The window keeps its settings in the registry: the test's own, set before the window exists.
struct InOwnRegistry {
    explicit InOwnRegistry(const testing::TempDir& dir) {
        setenv("VELMORA_REGISTRY", (dir.path() / "registry.ini").c_str(), 1);
    }
};

class MainWindowTest : public ::testing::Test, private testing::WithUiApp {
protected:
    MainWindowTest() {
        // No plug-in is registered: the test plays the plug-in itself.
        testing::WriteBytes(
            dir.path() / "Demo.oprj",
            "[Project]\nName=Demo\n[PLC PLC1]\nType=14\nSeries=6\n[PLC PLC2]\nType=3\nSeries=5\n[Files]\n");
    }
    QTreeWidgetItem* node(const char* name) { return window.treeNode(name); }
    testing::TempDir dir;
    InOwnRegistry registry{dir};
    MainWindow window;
};

// A folder without a project is refused; a project opens with its PLCs and the document node.
TEST_F(MainWindowTest, OpensAProjectWithItsPlcsAndTheDocumentNode) {
    testing::TempDir empty;
    QTimer::singleShot(0, [] {  // the refusal's message box
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    EXPECT_FALSE(window.openProject(QString::fromStdString(empty.path().string())));
    EXPECT_EQ(window.ide(), nullptr);
    ASSERT_TRUE(window.openProject(QString::fromStdString(dir.path().string())));
    ASSERT_NE(window.ide(), nullptr);
    ASSERT_NE(node("PLC1"), nullptr);
    ASSERT_NE(node("PLC2"), nullptr);
    ASSERT_NE(node("PlcDoc"), nullptr);
    EXPECT_EQ(node("PlcDoc")->text(0), "Documents");
    EXPECT_TRUE(window.problems().isEmpty());
    window.findChild<QAction*>("Language405")->trigger();
    EXPECT_EQ(window.ide()->language, 0) << "the language switch reaches the host";
    window.findChild<QAction*>("Language407")->trigger();
    EXPECT_EQ(window.ide()->language, 4);

    emit window.projectTree()->itemDoubleClicked(node("PLC2"), 0);
    EXPECT_EQ(window.ide()->currentPlc(), "PLC2");
    EXPECT_EQ(window.shownPlc(), "PLC2");
    EXPECT_TRUE(window.compile());
    window.closePlc();
    EXPECT_EQ(window.ide()->currentPlc(), "");
    EXPECT_FALSE(window.compile()) << "nothing to compile without a PLC";
}

TEST_F(MainWindowTest, DocksTheFormsThePlugInInsertsAndForgetsTheOnesItDestroys) {
    ASSERT_TRUE(window.openProject(QString::fromStdString(dir.path().string())));
    window.show();
    HostIde& ide = *window.ide();
    auto* manager = new QLabel("manager");
    manager->setWindowTitle("Velmora");
    ide.InsertDockableForm(manager);
    ASSERT_NE(window.dockOf(manager), nullptr);
    EXPECT_FALSE(window.dockOf(manager)->isVisible()) << "inserted, not yet shown";

    ide.PutIntoDockArea(manager, kDockLeft);
    ide.ShowDockableForm(manager);
    EXPECT_TRUE(window.dockOf(manager)->isVisible());
    EXPECT_EQ(window.dockArea(manager), kDockLeft);

    ide.RemoveDockableForm(manager);
    EXPECT_EQ(window.dockOf(manager), nullptr);
    EXPECT_EQ(manager->parent(), nullptr);

    auto* view = new QLabel("view");
    ide.InsertDockableForm(view);
    ide.PutIntoDockArea(view, kDockRight);
    ide.ShowDockableForm(view);
    ASSERT_NE(window.dockOf(view), nullptr);
    delete view;  // the plug-in destroys its form without removing it
    EXPECT_EQ(ide.forms().count(view), 0u) << "the host forgets it";
    delete manager;
}

}  // namespace
}  // namespace velmora::host
