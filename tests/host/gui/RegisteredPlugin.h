#pragma once
// A registry of the test's own with the real plug-in registered, and a copy of the demo.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDockWidget>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdlib>

#include "base/Registry.h"
#include "host/PluginLoader.h"
#include "host/gui/HelpViewerWindow.h"
#include "host/gui/MainWindow.h"
#include "plugin/Registration.h"
#include "support/Support.h"
#include "support/UiApp.h"

namespace velmora::host {

// Double-clicks the report's node in the project tree; the report's page, or null.
inline QWidget* OpenReport(MainWindow& window) {
    QTreeWidgetItem* docs = window.treeNode("PlcDoc");
    if (!docs || docs->childCount() != 1) return nullptr;
    emit window.projectTree()->itemDoubleClicked(docs->child(0), 0);
    // The module has its own copy of the class's meta object: compare by name.
    QWidget* view = window.documents()->currentWidget();
    return view && view->inherits("velmora::TFormReport1") ? view : nullptr;
}

class RegisteredPlugin : public ::testing::Test, private testing::WithUiApp {
protected:
    void SetUp() override {
        setenv("VELMORA_REGISTRY", (dir.path() / "registry.ini").c_str(), 1);
        project = dir.path() / "demo";
        std::filesystem::copy(std::filesystem::path(VELMORA_SOURCE_DIR) / "examples" / "demo", project,
                              std::filesystem::copy_options::recursive);
        Registry registry(Registry::DefaultPath());
        RegisterHostCategories(registry);
        registry.save();
        ASSERT_EQ(PluginModule(VELMORA_PLUGIN_MODULE).registerServer(), S_OK);
    }
    void TearDown() override {
        HelpViewerWindow::closeInstance();
        unsetenv("VELMORA_REGISTRY");
    }
    // The demo project with PLC1 open (and compiled) and the plug-in's manager shown; null when that fails.
    QWidget* openManager(MainWindow& window, bool compile = true) const {
        if (!window.openProject(QString::fromStdString(project.string())) || !window.openPlc("PLC1") ||
            (compile && !window.compile()))
            return nullptr;
        window.hostMenu(kMenuTools)->actions()[0]->trigger();
        auto* dock = window.findChild<QDockWidget*>("Dock_FormRegMngr1");
        return dock ? dock->widget() : nullptr;
    }
    static QWidget* Named(const QString& name, const QString& title = {}) {
        for (QWidget* w : QApplication::allWidgets())
            if (w->objectName() == name && (title.isEmpty() || w->windowTitle() == title)) return w;
        return nullptr;
    }
    // The online view of a controller.
    static QWidget* View(const std::string& controller) {
        return Named("FormVisual1", QString::fromStdString("Velmora - " + controller));
    }
    // Opens a controller's view as a user does: a double-click on its line in the manager.
    static QWidget* OpenView(QWidget* manager, const char* controller) {
        auto* list = manager->findChild<QListWidget*>("CheckListBox1");
        emit list->itemDoubleClicked(list->findItems(controller, Qt::MatchExactly).value(0));
        return View(controller);
    }
    testing::TempDir dir;
    std::filesystem::path project;
};

}  // namespace velmora::host
