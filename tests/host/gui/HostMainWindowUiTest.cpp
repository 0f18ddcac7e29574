// velmora-host's main window; the test plays the plug-in through the host interfaces.
#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
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
    testing::AnswerNextModal([](QWidget* box) { box->close(); });  // the refusal's message box
    EXPECT_FALSE(window.openProject(QString::fromStdString(empty.path().string())));
    EXPECT_EQ(window.ide(), nullptr);
    ASSERT_TRUE(window.openProject(QString::fromStdString(dir.path().string())));
    ASSERT_NE(window.ide(), nullptr);
    ASSERT_TRUE(node("PLC1") && node("PLC2") && node("PlcDoc"));
    EXPECT_EQ(node("PlcDoc")->text(0), "Documents");
    EXPECT_TRUE(window.problems().isEmpty());
    for (const auto& [action, language] : {std::pair{"Language405", 0}, {"Language407", 4}}) {
        window.findChild<QAction*>(action)->trigger();
        EXPECT_EQ(window.ide()->language, language) << "the language switch reaches the host";
    }
    emit window.projectTree()->itemDoubleClicked(node("PLC2"), 0);
    EXPECT_TRUE(window.ide()->currentPlc() == "PLC2" && window.shownPlc() == "PLC2");
    EXPECT_TRUE(window.compile());
    window.closePlc();
    EXPECT_EQ(window.ide()->currentPlc(), "");
    EXPECT_FALSE(window.compile()) << "nothing to compile without a PLC";
}

// Area 1 is the main area: its forms are tabs beside the documents, the last
// shown in front; a tab floats whole and comes back there; closing a tab asks
// the form; a side form docks where the plug-in puts it and keeps its narrow width.
TEST_F(MainWindowTest, FormsOfTheMainAreaAreTabsThatFloatWholeAndComeBack) {
    ASSERT_TRUE(window.openProject(QString::fromStdString(dir.path().string())));
    window.resize(1600, 1000);
    window.show();
    HostIde& ide = *window.ide();
    QLabel* forms[2];
    for (int i = 0; i < 2; ++i) {
        forms[i] = new QLabel(QString("view %1").arg(i));
        forms[i]->setWindowTitle(QString("Velmora - V%1").arg(i));
        ide.InsertDockableForm(forms[i]), ide.PutIntoDockArea(forms[i], kDockRight),
            ide.ShowDockableForm(forms[i]);
    }
    QTabWidget* main = window.documents();
    ASSERT_EQ(main->count(), 2);
    EXPECT_EQ(main->tabText(1), "Velmora - V1");
    EXPECT_EQ(main->currentWidget(), forms[1]);
    EXPECT_TRUE(window.inFront(forms[1]));
    EXPECT_FALSE(window.inFront(forms[0]));
    EXPECT_EQ(window.dockArea(forms[0]), kDockRight);
    ide.ShowDockableForm(forms[0]);
    EXPECT_TRUE(window.inFront(forms[0])) << "shown again, it comes to the front";
    // A scrolled form floats at the size that shows all of it.
    auto* big = new QWidget;
    auto* scroll = new QScrollArea(forms[0]);
    big->setFixedSize(700, 450), scroll->setWidget(big), scroll->setGeometry(0, 0, 300, 200), scroll->show();
    forms[0]->resize(300, 200);
    window.floatForm(forms[0]);
    std::int32_t area = -1;
    ide.GetDockArea(forms[0], &area);
    EXPECT_EQ(area, kDockFloating) << "the host's books follow the user";
    EXPECT_EQ(main->count(), 1);
    EXPECT_TRUE(window.dockOf(forms[0])->width() >= 700 && window.dockOf(forms[0])->height() >= 450)
        << window.dockOf(forms[0])->width() << "x" << window.dockOf(forms[0])->height();
    window.dockOf(forms[0])->setFloating(false);  // the title bar's double click
    QCoreApplication::processEvents();
    EXPECT_GE(main->indexOf(forms[0]), 0) << "back in the main area, not at a side";
    ide.GetDockArea(forms[0], &area);
    EXPECT_EQ(area, kDockRight);
    emit main->tabCloseRequested(main->indexOf(forms[1]));
    EXPECT_FALSE(forms[1]->isVisible()) << "the form was asked to close";
    // A side form: inserted hidden, then shown where asked; pushed wide, it goes back to its narrow width.
    auto* side = new QLabel("manager");
    ide.InsertDockableForm(side);
    ASSERT_NE(window.dockOf(side), nullptr);
    EXPECT_FALSE(window.dockOf(side)->isVisible()) << "inserted, not yet shown";
    ide.PutIntoDockArea(side, kDockLeft), ide.ShowDockableForm(side);
    EXPECT_TRUE(window.dockOf(side)->isVisible());
    EXPECT_EQ(window.dockArea(side), kDockLeft);
    window.resizeDocks({window.dockOf(side)}, {766}, Qt::Horizontal);
    window.keepSidesNarrow();
    QCoreApplication::processEvents();
    EXPECT_LE(window.findChild<QDockWidget*>("ProjectTreeDock")->width(), MainWindow::kSideWidth + 8);
    ide.RemoveDockableForm(side);
    EXPECT_TRUE(window.dockOf(side) == nullptr && side->parent() == nullptr);
    delete side;
    delete forms[1];  // the plug-in destroys its form without removing it
    EXPECT_EQ(ide.forms().count(forms[1]), 0u) << "the host forgets it";
    ide.RemoveDockableForm(forms[0]);
    delete forms[0];
}

}  // namespace
}  // namespace velmora::host
