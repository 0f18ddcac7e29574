// velmora-host's window with the real plug-in module registered and loaded:
// what the user sees after opening the demo project.
#include <gtest/gtest.h>

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QToolBar>
#include <QTreeWidget>

#include <cstdlib>

#include "Fakes.h"
#include "MainWindow.h"
#include "support/UiApp.h"
#include "host/HostIde.h"
#include "host/PluginLoader.h"
#include "plugin/Registration.h"
#include "base/Registry.h"

namespace velmora::host {
namespace {

struct WithApp {
    WithApp() { testing::UiApp(); }
};

class HostEndToEnd : public ::testing::Test, private WithApp {
protected:
    void SetUp() override {
        setenv("VELMORA_REGISTRY", (dir.path() / "registry.ini").c_str(), 1);
        project = dir.path() / "demo";
        std::filesystem::copy(std::filesystem::path(VELMORA_SOURCE_DIR) / "examples" / "demo", project,
                              std::filesystem::copy_options::recursive);
        Registry registry(Registry::DefaultPath());
        RegisterHostCategories(registry);
        registry.save();
        PluginModule module(VELMORA_PLUGIN_MODULE);
        ASSERT_EQ(module.registerServer(), S_OK);
    }
    void TearDown() override { unsetenv("VELMORA_REGISTRY"); }

    testing::TempDir dir;
    std::filesystem::path project;
};

TEST_F(HostEndToEnd, ThePlugInsEntriesAppearAndFollowThePlc) {
    auto window = std::make_unique<MainWindow>();
    window->show();
    ASSERT_TRUE(window->openProject(QString::fromStdString(project.string())));
    EXPECT_TRUE(window->problems().isEmpty()) << window->problems().join('\n').toStdString();

    QMenu* tools = window->hostMenu(kMenuTools);
    ASSERT_EQ(tools->actions().size(), 1);
    QAction* entry = tools->actions()[0];
    EXPECT_EQ(entry->text(), "Velmora");
    EXPECT_FALSE(entry->isEnabled()) << "no PLC open yet";
    ASSERT_EQ(window->hostBar(kBarTools)->actions().size(), 1);
    EXPECT_FALSE(window->hostBar(kBarTools)->actions()[0]->isEnabled());

    // The help entry sits in the shared plug-ins sub-menu.
    QMenu* shared = window->findChild<QMenu*>("miPluginsHelpIn_miHelp");
    ASSERT_NE(shared, nullptr);
    ASSERT_EQ(shared->actions().size(), 1);
    EXPECT_EQ(shared->actions()[0]->text(), "Velmora");

    // The report node under the documentation node.
    QTreeWidgetItem* docs = window->treeNode("PlcDoc");
    ASSERT_NE(docs, nullptr);
    ASSERT_EQ(docs->childCount(), 1);

    ASSERT_TRUE(window->openPlc("PLC1"));
    EXPECT_TRUE(window->hostMenu(kMenuTools)->actions()[0]->isEnabled());
    EXPECT_TRUE(window->hostBar(kBarTools)->actions()[0]->isEnabled());

    // The plug-in's action opens its manager, docked where the plug-in asked.
    window->hostMenu(kMenuTools)->actions()[0]->trigger();
    QDockWidget* managerDock = window->findChild<QDockWidget*>("Dock_FormRegMngr1");
    ASSERT_NE(managerDock, nullptr);
    EXPECT_TRUE(managerDock->isVisible());
    EXPECT_EQ(window->dockArea(managerDock->widget()), kDockLeft);
    auto* list = managerDock->widget()->findChild<QListWidget*>("CheckListBox1");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 4) << "the demo PLC's controllers";

    EXPECT_TRUE(window->compile());
    EXPECT_FALSE(window->ide()->registeredFiles().empty());
    // The window's soft PLC runs and answers for the PLC.
    std::int32_t state = -1;
    ASSERT_EQ(window->ide()->GetPlcState(&state), S_OK);
    EXPECT_EQ(state, 1);

    window->closePlc();
    EXPECT_FALSE(window->hostMenu(kMenuTools)->actions()[0]->isEnabled());

    window->closeProject();
    EXPECT_EQ(window->ide(), nullptr);
}

}  // namespace
}  // namespace velmora::host
