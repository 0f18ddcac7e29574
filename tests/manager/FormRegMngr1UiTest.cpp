// The manager's window, offscreen: components by name, the list and the
// command states, and the wiring of clicks, file dialogs, help and logs.
#include <gmock/gmock.h>

#include <QAction>
#include <QFileDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QToolButton>

#include "ManagerFakes.h"
#include "controllers/FormRegMngr1.h"
#include "support/UiApp.h"

namespace velmora {
namespace {

using ::testing::ElementsAre;
using testing::FakeManagerHost;
using testing::ReadBytes;
using testing::WriteBytes;

template <typename T>
T* Find(QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

const char* const kControllers =
    "[Regulator Boiler]\r\nName=Boiler\r\nType=PID\r\nHeaderInST=1\r\n"
    "[Desktop]\r\nVelmora - Boiler=1,0,0,10,20,300,200,0\r\n"
    "[Regulator Oven]\r\nName=Oven\r\nType=PIDA\r\nHeaderInST=1\r\n"
    "[Regulator Mixer]\r\nName=Mixer\r\nType=PID\r\nHeaderInST=0\r\n";

class ManagerForm : public ::testing::Test {
protected:
    void SetUp() override {
        testing::UiApp();
        testing::English();
        WriteBytes(host.file, kControllers);
    }

    std::unique_ptr<TFormRegMngr1> create() {
        auto form = std::make_unique<TFormRegMngr1>(host);
        form->show();
        list = Find<QListWidget>(form.get(), "CheckListBox1");
        return form;
    }
    static std::vector<std::string> ItemTexts(QListWidget* list) {
        std::vector<std::string> out;
        for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
        return out;
    }
    static std::vector<bool> Checks(QListWidget* list) {
        std::vector<bool> out;
        for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->checkState() == Qt::Checked);
        return out;
    }

    testing::TempDir dir;
    FakeManagerHost host{dir.path()};
    QListWidget* list = nullptr;
};

// The tool buttons, the remove button, the add action, a double click and F1 reach their commands.
TEST_F(ManagerForm, ButtonsAndKeysRunTheirCommands) {
    auto form = create();
    Find<QToolButton>(form.get(), "ToolButton5")->click();
    EXPECT_THAT(Checks(list), ElementsAre(true, true, true));
    Find<QToolButton>(form.get(), "ToolButton6")->click();
    EXPECT_THAT(Checks(list), ElementsAre(false, false, false));
    host.events.clear();
    emit list->itemDoubleClicked(list->item(1));
    EXPECT_THAT(host.events, ElementsAre("dock 1", "open Oven docked", "dock 0"));
    host.events.clear();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(list, &f1);
    Find<QToolButton>(form.get(), "ToolButton1")->click();
    EXPECT_THAT(host.events, ElementsAre("help", "wizard"));

    host.wizard = [&] { IniFile(host.file).writeString("Regulator PID_1", "Name", "PID_1"); };
    Find<QAction>(form.get(), "AddController1")->trigger();
    EXPECT_THAT(ItemTexts(list), ElementsAre("Boiler", "Oven", "Mixer", "PID_1"));
    list->setCurrentRow(0);
    host.msgs.answers = {MessageAnswer::Yes};
    Find<QToolButton>(form.get(), "ToolButton2")->click();
    EXPECT_THAT(ItemTexts(list), ElementsAre("Oven", "Mixer", "PID_1"));
}

// The list shows the controllers and their running views; each command's action
// and tool button follow the manager's command table.
TEST_F(ManagerForm, ListAndCommandsFollowTheManager) {
    host.views = {{"Oven", true}, {"Mixer", false}};
    auto form = create();
    EXPECT_THAT(ItemTexts(list), ElementsAre("Boiler", "Oven", "Mixer"));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_THAT(Checks(list), ElementsAre(false, true, false));
    const std::pair<const char*, const char*> widgets[] = {
        {"ActiveAll1", "ToolButton5"},     {"DeactiveAll1", "ToolButton6"},
        {"AddController1", "ToolButton1"}, {"LoadController1", "ToolButton3"},
        {"RemController1", "ToolButton2"}, {"SaveController1", "ToolButton4"}};
    auto states = [&] {
        const ManagerCommands c = form->manager().commands();
        const bool table[] = {c.startAll, c.stopAll, c.add, c.import, c.remove, c.exportSelected};
        for (std::size_t i = 0; i < std::size(widgets); ++i) {
            EXPECT_EQ(Find<QAction>(form.get(), widgets[i].first)->isEnabled(), table[i]) << widgets[i].first;
            EXPECT_EQ(Find<QToolButton>(form.get(), widgets[i].second)->isEnabled(), table[i])
                << widgets[i].second;
        }
        EXPECT_EQ(Find<QAction>(form.get(), "ActiveSelected1")->isEnabled(), c.startSelected);
        EXPECT_EQ(Find<QAction>(form.get(), "DeactiveSelected1")->isEnabled(), c.stopSelected);
    };
    states();

    // The user unticks line 1: its view stops, and the commands follow.
    list->item(1)->setCheckState(Qt::Unchecked);
    ASSERT_FALSE(host.events.empty());
    EXPECT_EQ(host.events.back(), "toggle Oven");
    EXPECT_EQ(list->currentRow(), 1);
    states();
    list->setCurrentRow(2);
    EXPECT_EQ(form->manager().selected(), 2);
    states();
}

TEST_F(ManagerForm, ImportAndExportGoThroughTheOpenAndSaveDialogs) {
    const auto source = dir.path() / "Kiln.rgl";
    WriteBytes(source, "[Regulator Kiln]\r\nName=Kiln\r\nType=PID\r\n");
    host.importNames = {ImportName{"Kiln", true}};
    auto form = create();
    QString title, filter, folder;
    testing::AnswerNextModal([&](QWidget* modal) {
        auto* d = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->objectName(), "OpenDialog1");
        title = d->windowTitle();
        filter = d->nameFilters().join(";;");
        folder = d->directory().absolutePath();
        d->selectFile(QString::fromStdString(source.string()));
        QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
    });
    Find<QToolButton>(form.get(), "ToolButton3")->click();
    EXPECT_EQ(title.toStdString(), "Load controller");
    EXPECT_EQ(filter.toStdString(), "Controller file (*.rgl)");
    EXPECT_EQ(folder.toStdString(), host.file.parent_path().string());
    EXPECT_THAT(host.proposals, ElementsAre("Kiln"));
    EXPECT_THAT(ItemTexts(list), ElementsAre("Boiler", "Oven", "Mixer", "Kiln"));

    // Export goes through the save dialog.
    list->setCurrentRow(1);
    QString proposed;
    const auto target = dir.path() / "Oven copy";
    testing::AnswerNextModal([&](QWidget* modal) {
        auto* d = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->objectName(), "SaveDialog1");
        title = d->windowTitle();
        proposed = d->selectedFiles().value(0);
        d->selectFile(QString::fromStdString(target.string()));
        QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
    });
    Find<QToolButton>(form.get(), "ToolButton4")->click();
    EXPECT_EQ(title.toStdString(), "Save controller to file");
    EXPECT_EQ(std::filesystem::path(proposed.toStdString()).filename().string(), "Oven.rgl");
    // The dialog adds the extension the user left out.
    EXPECT_EQ(ReadBytes(dir.path() / "Oven copy.rgl"),
              "[Regulator Oven]\r\nName=Oven\r\nType=PIDA\r\nHeaderInST=1\r\n");
}

}  // namespace
}  // namespace velmora
