// The manager's window, offscreen: components by name, the list and the
// command states, and the wiring of clicks, file dialogs, help and logs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "ManagerFakes.h"
#include "controllers/FormRegMngr1.h"
#include "base/Log.h"

namespace velmora {
namespace {

using ::testing::ElementsAre;
using testing::FakeManagerHost;
using testing::ReadFile;
using testing::WriteFile;

QApplication& Application() {
    static int argc = 1;
    static char name[] = "test_manager_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* app = QApplication::instance() ? nullptr : new QApplication(argc, argv);
    return app ? *app : *qobject_cast<QApplication*>(QApplication::instance());
}

template <typename T>
T* Find(QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Acts on a file dialog of the form as soon as it is shown modally.
void WhenDialogShows(QWidget* form, const char* name, std::function<void(QFileDialog&)> act) {
    auto* timer = new QTimer(form);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, form, [form, name, act, timer] {
        auto* dialog = form->findChild<QFileDialog*>(name);
        if (!dialog || !dialog->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(*dialog);
    });
    timer->start();
}

const char* const kControllers =
    "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n"
    "[Desktop]\r\nVelmora - Boiler=1,0,0,10,20,300,200,0\r\n"
    "[Regulator Oven]\r\nName=Oven\r\nType=PIDA\r\nHeaderInST=1\r\n"
    "[Regulator Mixer]\r\nName=Mixer\r\nType=PID\r\nHeaderInST=0\r\n";

class ManagerForm : public ::testing::Test {
protected:
    void SetUp() override {
        Application();
        testing::English();
        WriteFile(host.file, kControllers);
    }
    void TearDown() override { testing::English(); }

    std::unique_ptr<TFormRegMngr1> create() {
        auto form = std::make_unique<TFormRegMngr1>(host);
        form->show();
        return form;
    }
    static std::vector<std::string> ItemTexts(QListWidget* list) {
        std::vector<std::string> out;
        for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
        return out;
    }

    testing::ScratchDir dir;
    FakeManagerHost host{dir.path()};
};

TEST_F(ManagerForm, ComponentsCarryTheirNamesAndCaptions) {
    auto form = create();
    EXPECT_NE(Find<QListWidget>(form.get(), "CheckListBox1"), nullptr);
    EXPECT_NE(Find<QToolBar>(form.get(), "ToolBar1"), nullptr);
    EXPECT_NE(Find<QMenu>(form.get(), "PopupMenu1"), nullptr);
    const struct {
        const char* button;
        const char* action;
        const char* text;
    } commands[] = {
        {"ToolButton1", "AddController1", "Add controller"},
        {"ToolButton2", "RemController1", "Remove controller"},
        {"ToolButton3", "LoadController1", "Add controller from file"},
        {"ToolButton4", "SaveController1", "Save controller to file"},
        {"ToolButton5", "ActiveAll1", "Execute all visualizations"},
        {"ToolButton6", "DeactiveAll1", "Stop all visualizations"},
        {nullptr, "ActiveSelected1", "Execute selected visualization"},
        {nullptr, "DeactiveSelected1", "Stop selected visualization"},
        {nullptr, "Close1", "Close"},
    };
    for (const auto& c : commands) {
        if (c.button) {
            auto* button = Find<QToolButton>(form.get(), c.button);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->toolTip().toStdString(), c.text) << c.button;
            EXPECT_FALSE(button->icon().isNull()) << c.button;
        }
        auto* action = Find<QAction>(form.get(), c.action);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text().toStdString(), c.text) << c.action;
    }
    // Tool bar order: start all, stop all | add, remove | import, export.
    std::vector<std::string> order;
    auto* bar = Find<QToolBar>(form.get(), "ToolBar1");
    for (QAction* a : bar->actions())
        order.push_back(a->isSeparator() ? "|" : bar->widgetForAction(a)->objectName().toStdString());
    EXPECT_THAT(order, ElementsAre("ToolButton5", "ToolButton6", "|", "ToolButton1", "ToolButton2", "|",
                                   "ToolButton3", "ToolButton4"));
    std::vector<std::string> menu;
    for (QAction* a : Find<QMenu>(form.get(), "PopupMenu1")->actions())
        menu.push_back(a->isSeparator() ? "|" : a->objectName().toStdString());
    EXPECT_THAT(menu, ElementsAre("ActiveAll1", "DeactiveAll1", "ActiveSelected1", "DeactiveSelected1", "|",
                                  "AddController1", "RemController1", "|", "LoadController1",
                                  "SaveController1", "|", "Close1"));
}

TEST_F(ManagerForm, ListShowsControllersAndRunningViews) {
    host.views = {{"Oven", true}, {"Mixer", false}};
    auto form = create();
    auto* list = Find<QListWidget>(form.get(), "CheckListBox1");
    EXPECT_THAT(ItemTexts(list), ElementsAre("Boiler", "Oven", "Mixer"));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(list->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(list->item(2)->checkState(), Qt::Unchecked);
}

TEST_F(ManagerForm, CommandsFollowTheTable) {
    auto form = create();
    auto enabled = [&](const char* name) { return Find<QAction>(form.get(), name)->isEnabled(); };
    auto button = [&](const char* name) { return Find<QToolButton>(form.get(), name)->isEnabled(); };
    // Nothing runs, line 0 selected.
    EXPECT_TRUE(enabled("ActiveSelected1"));
    EXPECT_FALSE(enabled("DeactiveSelected1"));
    EXPECT_TRUE(enabled("ActiveAll1") && button("ToolButton5"));
    EXPECT_FALSE(enabled("DeactiveAll1") || button("ToolButton6"));
    EXPECT_TRUE(enabled("AddController1") && button("ToolButton1"));
    EXPECT_TRUE(enabled("LoadController1") && button("ToolButton3"));
    EXPECT_TRUE(enabled("RemController1") && button("ToolButton2"));
    EXPECT_TRUE(enabled("SaveController1") && button("ToolButton4"));
    EXPECT_TRUE(enabled("Close1"));

    // The user ticks line 1: its view opens and communicates.
    auto* list = Find<QListWidget>(form.get(), "CheckListBox1");
    list->item(1)->setCheckState(Qt::Checked);
    EXPECT_THAT(host.events, ElementsAre("dock 1", "open Oven docked", "dock 0", "toggle Oven"));
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
    EXPECT_FALSE(enabled("ActiveSelected1"));
    EXPECT_TRUE(enabled("DeactiveSelected1"));
    EXPECT_TRUE(enabled("DeactiveAll1") && button("ToolButton6"));
    EXPECT_FALSE(enabled("AddController1") || button("ToolButton1"));
    EXPECT_FALSE(enabled("LoadController1") || button("ToolButton3"));

    // Selecting another line by hand.
    list->setCurrentRow(2);
    EXPECT_EQ(form->manager().selected(), 2);
    EXPECT_TRUE(enabled("ActiveSelected1"));
    EXPECT_FALSE(enabled("DeactiveSelected1"));

    // Stop all through its tool button.
    Find<QToolButton>(form.get(), "ToolButton6")->click();
    EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(button("ToolButton1"));
}

TEST_F(ManagerForm, ATickThatOpensNoViewLeavesTheBoxClear) {
    WriteFile(host.file, "[Regulator Ghost]\r\nType=PID\r\n");
    auto form = create();
    auto* list = Find<QListWidget>(form.get(), "CheckListBox1");
    list->item(0)->setCheckState(Qt::Checked);
    EXPECT_EQ(list->item(0)->checkState(), Qt::Unchecked);
}

TEST_F(ManagerForm, EmptyFileLeavesOnlyAddImportAndClose) {
    std::filesystem::remove(host.file);
    auto form = create();
    EXPECT_EQ(Find<QListWidget>(form.get(), "CheckListBox1")->count(), 0);
    for (const char* name : {"ActiveAll1", "DeactiveAll1", "ActiveSelected1", "DeactiveSelected1",
                             "RemController1", "SaveController1"})
        EXPECT_FALSE(Find<QAction>(form.get(), name)->isEnabled()) << name;
    for (const char* name : {"AddController1", "LoadController1", "Close1"})
        EXPECT_TRUE(Find<QAction>(form.get(), name)->isEnabled()) << name;
}

TEST_F(ManagerForm, RightClickSelectsTheLineBeforeTheMenu) {
    auto form = create();
    auto* list = Find<QListWidget>(form.get(), "CheckListBox1");
    const QPoint onMixer = list->visualItemRect(list->item(2)).center();
    emit list->customContextMenuRequested(onMixer);
    auto* menu = Find<QMenu>(form.get(), "PopupMenu1");
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(form->manager().selected(), 2);
    menu->hide();
}

TEST_F(ManagerForm, DoubleClickOpensTheView) {
    auto form = create();
    auto* list = Find<QListWidget>(form.get(), "CheckListBox1");
    emit list->itemDoubleClicked(list->item(1));
    EXPECT_THAT(host.events, ElementsAre("dock 1", "open Oven docked", "dock 0"));
}

TEST_F(ManagerForm, RemoveButtonAsksAndRemoves) {
    auto form = create();
    host.msgs.answers = {MessageAnswer::Yes};
    Find<QToolButton>(form.get(), "ToolButton2")->click();
    EXPECT_THAT(ItemTexts(Find<QListWidget>(form.get(), "CheckListBox1")), ElementsAre("Oven", "Mixer"));
}

TEST_F(ManagerForm, AddRunsTheWizardAndRefreshes) {
    auto form = create();
    host.wizard = [&] { IniFile(host.file).writeString("Regulator PID_1", "Name", "PID_1"); };
    Find<QAction>(form.get(), "AddController1")->trigger();
    EXPECT_THAT(ItemTexts(Find<QListWidget>(form.get(), "CheckListBox1")),
                ElementsAre("Boiler", "Oven", "Mixer", "PID_1"));
}

TEST_F(ManagerForm, ImportGoesThroughTheOpenDialog) {
    const auto source = dir.path() / "Kiln.rgl";
    WriteFile(source, "[Regulator Kiln]\r\nName=Kiln\r\nType=PID\r\n");
    host.importNames = {ImportName{"Kiln", true}};
    auto form = create();
    QString title, filter, folder;
    WhenDialogShows(form.get(), "OpenDialog1", [&](QFileDialog& d) {
        title = d.windowTitle();
        filter = d.nameFilters().join(";;");
        folder = d.directory().absolutePath();
        d.selectFile(QString::fromStdString(source.string()));
        QMetaObject::invokeMethod(&d, "accept", Qt::DirectConnection);
    });
    Find<QToolButton>(form.get(), "ToolButton3")->click();
    EXPECT_EQ(title.toStdString(), "Load controller");
    EXPECT_EQ(filter.toStdString(), "Controller file (*.rgl)");
    EXPECT_EQ(folder.toStdString(), host.file.parent_path().string());
    EXPECT_THAT(host.proposals, ElementsAre("Kiln"));
    EXPECT_THAT(ItemTexts(Find<QListWidget>(form.get(), "CheckListBox1")),
                ElementsAre("Boiler", "Oven", "Mixer", "Kiln"));
}

TEST_F(ManagerForm, CancelledOpenDialogImportsNothing) {
    auto form = create();
    WhenDialogShows(form.get(), "OpenDialog1", [](QFileDialog& d) { d.reject(); });
    Find<QAction>(form.get(), "LoadController1")->trigger();
    EXPECT_TRUE(host.proposals.empty());
}

TEST_F(ManagerForm, ExportGoesThroughTheSaveDialog) {
    auto form = create();
    Find<QListWidget>(form.get(), "CheckListBox1")->setCurrentRow(1);
    QString title, proposed;
    const auto target = dir.path() / "Oven copy";
    WhenDialogShows(form.get(), "SaveDialog1", [&](QFileDialog& d) {
        title = d.windowTitle();
        proposed = d.selectedFiles().value(0);
        d.selectFile(QString::fromStdString(target.string()));
        QMetaObject::invokeMethod(&d, "accept", Qt::DirectConnection);
    });
    Find<QToolButton>(form.get(), "ToolButton4")->click();
    EXPECT_EQ(title.toStdString(), "Save controller to file");
    EXPECT_EQ(std::filesystem::path(proposed.toStdString()).filename().string(), "Oven.rgl");
    // The dialog adds the extension the user left out.
    EXPECT_EQ(ReadFile(dir.path() / "Oven copy.rgl"),
              "[Regulator Oven]\r\nName=Oven\r\nType=PIDA\r\nHeaderInST=1\r\n");
}

TEST_F(ManagerForm, F1ShowsTheHelpStartPage) {
    auto form = create();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(Find<QListWidget>(form.get(), "CheckListBox1"), &press);
    EXPECT_THAT(host.events, ElementsAre("help"));
}

TEST_F(ManagerForm, LanguageChangeRelocalizes) {
    auto form = create();
    ModuleTexts().chooseLanguage(0);
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(form.get(), &change);
    EXPECT_EQ(Find<QToolButton>(form.get(), "ToolButton1")->toolTip().toStdString(), Text(3003));
    EXPECT_EQ(Find<QAction>(form.get(), "Close1")->text().toStdString(), "Zavřít");
}

TEST_F(ManagerForm, LifeCycleIsLogged) {
    testing::ScratchDir logs;
    SetLogDirectory(logs.path());
    const bool was = Module().logSwitch;
    Module().logSwitch = true;
    {
        auto form = create();
        form->close();
    }
    Module().logSwitch = was;
    SetLogDirectory({});
    const std::string log = ReadFile(logs.path() / "plugins.log");
    const auto created = log.find("FormRegMngr1Created");
    const auto closed = log.find("FormRegMngr1Closed");
    const auto destroyed = log.find("FormRegMngr1Destroyed");
    ASSERT_NE(created, std::string::npos) << log;
    ASSERT_NE(closed, std::string::npos) << log;
    ASSERT_NE(destroyed, std::string::npos) << log;
    EXPECT_LT(created, closed);
    EXPECT_LT(closed, destroyed);
}

// Pictures for people to look at: $VELMORA_SCREENSHOT_DIR, or
// "manager-screenshots" beside the test programs.
TEST_F(ManagerForm, Screenshots) {
    const char* env = std::getenv("VELMORA_SCREENSHOT_DIR");
    const QString folder = env && *env ? QString(env) : QString(VELMORA_BIN_DIR) + "/../manager-screenshots";
    QDir().mkpath(folder);
    host.views = {{"Oven", true}};
    for (int language : {1, 0}) {
        ModuleTexts().chooseLanguage(language);
        auto form = create();
        const QString suffix = language == 0 ? "_csy" : "_enu";
        EXPECT_TRUE(form->grab().save(folder + "/FormRegMngr1" + suffix + ".png"));
        auto* list = Find<QListWidget>(form.get(), "CheckListBox1");
        emit list->customContextMenuRequested(list->visualItemRect(list->item(1)).center());
        auto* menu = Find<QMenu>(form.get(), "PopupMenu1");
        EXPECT_TRUE(menu->grab().save(folder + "/PopupMenu1" + suffix + ".png"));
        menu->hide();
    }
}

}  // namespace
}  // namespace velmora
