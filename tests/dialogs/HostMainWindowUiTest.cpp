// velmora-host's main window over the host's logic. The plug-in's side is
// played by calling the host interfaces directly, as a plug-in would.
#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>

#include "MainWindow.h"
#include "host/HostIde.h"
#include "support/Support.h"
#include "support/UiApp.h"

namespace velmora::host {
namespace {

// A click handler that counts.
struct CountingHandler : IYantClickHandler {
    HRESULT VELMORA_COM_CALL QueryInterface(REFIID, void** object) override {
        *object = this;
        return S_OK;
    }
    ULONG VELMORA_COM_CALL AddRef() override { return 2; }
    ULONG VELMORA_COM_CALL Release() override { return 1; }
    HRESULT VELMORA_COM_CALL OnClick() override {
        ++clicks;
        return S_OK;
    }
    int clicks = 0;
};

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

TEST_F(MainWindowTest, TheSharedPlugInsHelpSubMenuOpensTheEntry) {
    ASSERT_TRUE(window.openProject(QString::fromStdString(dir.path().string())));
    HostIde& ide = *window.ide();
    // What a plug-in does at installation: its entry into the shared sub-menu at position 2.
    IYantMenuItem* entry = nullptr;
    IYantMenuItem* shared = nullptr;
    IYantMenuItem* help = nullptr;
    ide.GetMenuItem(kHelpMenu, "VelmoraHELP", &entry);
    entry->GetParent(&help);
    ide.GetMenuItem(kHelpMenu, "HELP", &shared);
    shared->SetName("miPluginsHelpIn_miHelp");
    shared->SetCaption("Tools");
    help->Insert(2, shared);
    shared->Insert(0, entry);
    entry->SetCaption("Velmora");
    CountingHandler handler;
    entry->SetClickHandler(&handler);
    window.sync();

    QMenu* menu = window.hostMenu(kMenuHelp);
    const auto actions = menu->actions();
    ASSERT_GE(actions.size(), 4);
    QMenu* sub = actions[2]->menu();
    ASSERT_NE(sub, nullptr) << "the shared sub-menu sits at position 2";
    EXPECT_EQ(sub->title(), "Tools");
    ASSERT_EQ(sub->actions().size(), 1);
    EXPECT_EQ(sub->actions()[0]->text(), "Velmora");
    sub->actions()[0]->trigger();
    EXPECT_EQ(handler.clicks, 1);
    entry->SetClickHandler(nullptr);  // the handler dies with this test, before the host
    for (auto* p : {entry, shared, help}) p->Release();
}

TEST_F(MainWindowTest, DocksTheFormsThePlugInInsertsAtOnceAndReportsWhereTheyAre) {
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

    // The user floats it: the host reports the new place.
    window.dockOf(manager)->setFloating(true);
    std::int32_t area = -1;
    ide.GetDockArea(manager, &area);
    EXPECT_EQ(area, kDockFloating);

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

TEST_F(MainWindowTest, APlugInsDocumentOpensFromItsTreeNodeAndClosesWithItsTab) {
    ASSERT_TRUE(window.openProject(QString::fromStdString(dir.path().string())));
    HostIde& ide = *window.ide();
    auto* report = new QLabel("report");
    std::int32_t id = 0;
    ide.AddProjectDocument(report, 77, "Controller Report", &id);
    YantTreeNode docs = nullptr;
    ide.FindTreeNode("PlcDoc", &docs);
    ASSERT_NE(docs, nullptr);
    ide.AddChild(docs, "Controllers information", id, -1, -1, nullptr);
    window.sync();

    QTreeWidgetItem* info = nullptr;
    QTreeWidgetItem* docsItem = node("PlcDoc");
    ASSERT_NE(docsItem, nullptr);
    ASSERT_EQ(docsItem->childCount(), 1);
    info = docsItem->child(0);
    EXPECT_EQ(info->text(0), "Controllers information");
    emit window.projectTree()->itemDoubleClicked(info, 0);
    ASSERT_EQ(window.documents()->count(), 1);
    EXPECT_EQ(window.documents()->tabText(0), "Controller Report");
    EXPECT_TRUE(ide.documents()[0].open);

    emit window.documents()->tabCloseRequested(0);
    EXPECT_EQ(window.documents()->count(), 0);
    EXPECT_FALSE(ide.documents()[0].open);
    EXPECT_EQ(report->parent(), nullptr);
    delete report;
}

}  // namespace
}  // namespace velmora::host
